// Naming, opening and setting up the serial port. The platform backend gives
// the paths and opens them.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "serial/serial_port.h"

namespace trackctl {

// The port numbers the menu offers.
inline constexpr int kFirstPort = 1;
inline constexpr int kLastPort = 20;

// The device path of port `number`: "\\.\COMn" on Windows; on POSIX systems the
// value of TRACKCTL_COM<n> when set, otherwise /dev/ttyS<n-1>.
std::string PortPathForNumber(int number);

// The device path of a port named by the user: on Windows a name that is not
// already a device path is opened as "\\.\<name>" (so COM23 works); elsewhere
// the name itself.
std::string PortPathForName(std::string_view name);

struct OpenedPort {
  std::unique_ptr<SerialPort> port;
  std::string path;
  // False when the port was set up only in part (Windows: its event mask was
  // refused); every transfer on it then fails.
  bool ready = true;
};

// Opens `path` for exclusive use at 115200 baud, 8N1, no flow control, RTS on,
// DTR off, both directions flushed, the open-time read time-outs set. A step
// that fails throws PortFailure.
OpenedPort OpenPort(const std::string& path);

}  // namespace trackctl
