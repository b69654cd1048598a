// The serial ports present on this machine, for --list-ports.
#pragma once

#include <string>
#include <vector>

namespace trackctl {

// One line per port, in the order in which they are shown; empty when none is
// found. Linux: the links of /dev/serial/by-id as "<link> -> <device>", then the
// USB and on-board serial devices (see serial/port_lines.h); the folder read stands for
// /dev and is TRACKCTL_DEV_ROOT when that is set (tests give it a device tree of
// their own). Windows: the COM ports of the registry's serial map.
std::vector<std::string> ListSerialPorts();

}  // namespace trackctl
