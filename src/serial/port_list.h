// The serial ports present on this machine, for --list-ports and -p usb:SERIAL.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "serial/usb_identity.h"

namespace trackctl {

struct SerialPortEntry {
  std::string path;                    // the device: "/dev/ttyUSB0", "COM3"
  std::vector<std::string> byIdLinks;  // Linux: the links of serial/by-id that lead to it
  std::optional<UsbIdentity> usb;      // the USB adapter behind it, when there is one
};

// The ports in the order in which they are shown; empty when none is found.
// Linux: the USB and on-board serial devices of the device folder and those
// its serial/by-id links lead to (see serial/port_scan.h), each with the USB
// identity of sysfs. The folder read stands for /dev and is TRACKCTL_DEV_ROOT
// when that is set; the one for /sys is TRACKCTL_SYS_ROOT when that is set
// (tests give them device trees of their own). Windows: the COM ports of the
// registry's serial map, with the USB identity that SetupAPI knows.
std::vector<SerialPortEntry> ListSerialPorts();

}  // namespace trackctl
