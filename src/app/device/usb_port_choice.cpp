#include "app/device/usb_port_choice.h"

#include <vector>

#include "app/device/command_line.h"

namespace trackctl {
namespace {

using Adapters = std::vector<const SerialPortEntry*>;

// The ports of the adapters with a serial number that `matches` accepts.
template <typename Matches>
Adapters AdaptersWhere(std::span<const SerialPortEntry> ports, Matches matches) {
  Adapters found;
  for (const SerialPortEntry& port : ports) {
    if (port.usb && !port.usb->serialNumber.empty() && matches(port.usb->serialNumber)) found.push_back(&port);
  }
  return found;
}

// "A12345 on /dev/ttyUSB0, B777 on /dev/ttyUSB1"
std::string Named(const Adapters& adapters) {
  std::string names;
  for (const SerialPortEntry* port : adapters) {
    if (!names.empty()) names += ", ";
    names += port->usb->serialNumber + " on " + port->path;
  }
  return names;
}

}  // namespace

UsbPortChoice ChooseUsbPort(std::span<const SerialPortEntry> ports, std::string_view serial) {
  Adapters found = AdaptersWhere(ports, [serial](const std::string& number) { return number == serial; });
  if (found.empty()) found = AdaptersWhere(ports, [serial](const std::string& number) { return number.starts_with(serial); });
  if (found.size() == 1) return {found.front()->path, {}};
  const std::string asked = QuotedArgument("usb:" + std::string(serial));
  if (found.size() > 1) return {std::nullopt, asked + " names several USB adapters: " + Named(found)};
  const Adapters all = AdaptersWhere(ports, [](const std::string&) { return true; });
  return {std::nullopt, asked + " names no USB adapter " +
                            (all.empty() ? "(none with a serial number is present)" : "(present: " + Named(all) + ")")};
}

}  // namespace trackctl
