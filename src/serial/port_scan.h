// Which of the names that the platform's backend has read are serial ports.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "serial/port_list.h"

namespace trackctl {

// An entry of the device folder's serial/by-id folder.
struct SerialLink {
  std::string name;    // e.g. "usb-FTDI_FT232R_USB_UART_A600-if00-port0"
  std::string target;  // its link text, e.g. "../../ttyUSB0"
};

// What the POSIX backend has read of the device folder.
struct DeviceFolderScan {
  std::string root;                    // the folder read: "/dev", or the one standing for it
  std::vector<std::string> names;      // its entries
  std::vector<SerialLink> byIdLinks;   // the links in its serial/by-id folder
  std::vector<std::string> uartNames;  // the names that need a UART check and passed it
};

// Whether an entry of the device folder is an on-board serial port (ttyS<n>).
// The kernel makes one for every port it could have, so such a name is a port
// only when a UART answers behind it.
bool NeedsUartCheck(std::string_view name);

// <root>/ttyUSB<n>, <root>/ttyACM<n> and the <root>/ttyS<n> among the UART
// names, each group in natural order; then the devices that by-id links lead
// to and that are none of those (ttyCH343USB0, say), in the order of their
// links. A by-id link belongs to the device at the path made from its text;
// each port's links are in natural order. No USB identity is filled in.
std::vector<SerialPortEntry> DeviceFolderPorts(const DeviceFolderScan& scan);

// The COM ports of the registry's serial map in natural order, each once;
// empty names are left out.
std::vector<SerialPortEntry> ComPorts(std::vector<std::string> names);

}  // namespace trackctl
