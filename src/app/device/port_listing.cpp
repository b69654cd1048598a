#include "app/device/port_listing.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "serial/natural_order.h"

namespace trackctl {
namespace {

using Json = nlohmann::ordered_json;

// "  USB 0403:6001 serial A12345 (FTDI FT232R USB UART)"
std::string UsbText(const UsbIdentity& usb) {
  std::string text = "  USB " + usb.vendorId + ":" + usb.productId;
  if (!usb.serialNumber.empty()) text += " serial " + usb.serialNumber;
  std::string name = usb.manufacturer;
  if (!name.empty() && !usb.product.empty()) name += ' ';
  name += usb.product;
  if (!name.empty()) text += " (" + name + ")";
  return text;
}

// A text, or null when it is empty.
Json TextOrNull(const std::string& text) { return text.empty() ? Json(nullptr) : Json(text); }

}  // namespace

std::vector<std::string> PortListLines(std::span<const SerialPortEntry> ports) {
  std::vector<std::pair<std::string, std::string>> links;  // link, device
  for (const SerialPortEntry& port : ports) {
    for (const std::string& link : port.byIdLinks) links.emplace_back(link, port.path);
  }
  std::sort(links.begin(), links.end(), [](const auto& a, const auto& b) { return NaturalLess(a.first, b.first); });
  std::vector<std::string> lines;
  for (const auto& [link, device] : links) lines.push_back(link + " -> " + device);
  for (const SerialPortEntry& port : ports) lines.push_back(port.path + (port.usb ? UsbText(*port.usb) : ""));
  return lines;
}

Json PortListJson(std::span<const SerialPortEntry> ports) {
  Json list = Json::array();
  for (const SerialPortEntry& port : ports) {
    Json usb = nullptr;
    if (port.usb) {
      usb = Json{{"vendorId", port.usb->vendorId},
                 {"productId", port.usb->productId},
                 {"serialNumber", TextOrNull(port.usb->serialNumber)},
                 {"manufacturer", TextOrNull(port.usb->manufacturer)},
                 {"product", TextOrNull(port.usb->product)}};
    }
    list.push_back(Json{{"path", port.path}, {"byId", port.byIdLinks}, {"usb", std::move(usb)}});
  }
  return list;
}

int ShowPortList(bool json) {
  const std::vector<SerialPortEntry> ports = ListSerialPorts();
  if (json) {
    // ASCII only; a byte that is not UTF-8 (a name in a Windows code page, say) shows as U+FFFD.
    std::puts(PortListJson(ports).dump(-1, ' ', true, Json::error_handler_t::replace).c_str());
  } else {
    if (ports.empty()) std::puts("no serial ports found");
    for (const std::string& line : PortListLines(ports)) std::puts(line.c_str());
  }
  return std::fflush(stdout) == 0 && std::ferror(stdout) == 0 ? 0 : 4;
}

}  // namespace trackctl
