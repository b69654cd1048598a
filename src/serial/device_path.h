// Which device file a port number names on systems with POSIX serial devices.
#pragma once

#include <string>

namespace trackctl {

// Port `number` names `mapped`, the value of the variable TRACKCTL_COM<number>,
// when it is set and not empty (nullptr: not set); otherwise the number-th
// built-in serial port, /dev/ttyS<number-1>.
std::string PortDevicePath(int number, const char* mapped);

}  // namespace trackctl
