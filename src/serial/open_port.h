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

// Opens `path` for exclusive use at 115200 baud, 8N1, no flow control, RTS on,
// DTR off, both directions flushed, the open-time read time-outs set; prints
// "Initializing <path>.......DONE\n". Every failure is a fatal port error.
std::unique_ptr<SerialPort> OpenPort(const std::string& path);

}  // namespace trackctl
