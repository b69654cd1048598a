// --list-ports: the serial ports present, one a line or as JSON.
#pragma once

#include <nlohmann/json.hpp>
#include <span>
#include <string>
#include <vector>

#include "serial/port_list.h"

namespace trackctl {

// The by-id links as "<link> -> <device>" in natural order, then one line per
// port: its path, and for a USB adapter two spaces and
// "USB <vendor>:<product> serial <serial number> (<manufacturer> <product>)",
// the parts that the adapter does not tell left out.
std::vector<std::string> PortListLines(std::span<const SerialPortEntry> ports);

// [{"path":..., "byId":[links], "usb":null or {"vendorId":"0403", "productId":"6001",
// "serialNumber":..., "manufacturer":..., "product":...}}, ...], the texts that
// the adapter does not tell as null.
nlohmann::ordered_json PortListJson(std::span<const SerialPortEntry> ports);

// Prints the lines, or one line saying that none was found; with `json` the
// JSON array on one line. Returns status 0, or 4 when it could not be written.
int ShowPortList(bool json);

}  // namespace trackctl
