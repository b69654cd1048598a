// -p usb:SERIAL: the port of the USB adapter with that serial number.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "serial/port_list.h"

namespace trackctl {

struct UsbPortChoice {
  std::optional<std::string> path;  // the port chosen
  std::string problem;              // otherwise: why none is, naming the candidates
};

// The port of the one adapter whose serial number is `serial`; when none has
// it, of the one whose serial number starts with it. None, or several with
// the same rank, is a problem that names the adapters: all of them when none
// matches, the matching ones when several do.
UsbPortChoice ChooseUsbPort(std::span<const SerialPortEntry> ports, std::string_view serial);

}  // namespace trackctl
