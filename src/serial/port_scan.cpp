#include "serial/port_scan.h"

#include <algorithm>
#include <filesystem>
#include <functional>
#include <iterator>

#include "serial/natural_order.h"

namespace trackctl {
namespace {

// Whether `name` is `prefix` followed by one or more digits.
bool IsNumbered(std::string_view name, std::string_view prefix) {
  if (!name.starts_with(prefix) || name.size() == prefix.size()) return false;
  name.remove_prefix(prefix.size());
  return std::all_of(name.begin(), name.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// "<folder>/<name>" with a single separator between them.
std::string Join(std::string_view folder, std::string_view name) {
  std::string path(folder);
  if (!path.ends_with('/')) path += '/';
  return path += name;
}

// `path` with its "." and ".." steps resolved by its text alone: nothing is read.
std::string Normal(const std::string& path) { return std::filesystem::path(path).lexically_normal().generic_string(); }

// Where a link in `folder` whose text is `target` leads.
std::string LinkDevice(const std::string& folder, const std::string& target) {
  return Normal(target.starts_with('/') ? target : Join(folder, target));
}

// Appends the ports of the names that `belongs` picks, in natural order.
void AppendGroup(std::vector<SerialPortEntry>& ports, const DeviceFolderScan& scan,
                 const std::function<bool(const std::string&)>& belongs) {
  std::vector<std::string> group;
  std::copy_if(scan.names.begin(), scan.names.end(), std::back_inserter(group), belongs);
  std::sort(group.begin(), group.end(), NaturalLess);
  for (const std::string& name : group) ports.push_back({Join(scan.root, name), {}, std::nullopt});
}

}  // namespace

bool NeedsUartCheck(std::string_view name) { return IsNumbered(name, "ttyS"); }

std::vector<SerialPortEntry> DeviceFolderPorts(const DeviceFolderScan& scan) {
  std::vector<SerialPortEntry> ports;
  AppendGroup(ports, scan, [](const std::string& name) { return IsNumbered(name, "ttyUSB"); });
  AppendGroup(ports, scan, [](const std::string& name) { return IsNumbered(name, "ttyACM"); });
  AppendGroup(ports, scan, [&scan](const std::string& name) {
    return NeedsUartCheck(name) && std::find(scan.uartNames.begin(), scan.uartNames.end(), name) != scan.uartNames.end();
  });

  std::vector<SerialLink> links = scan.byIdLinks;
  std::sort(links.begin(), links.end(), [](const SerialLink& a, const SerialLink& b) { return NaturalLess(a.name, b.name); });
  const std::string byId = Join(scan.root, "serial/by-id");
  for (const SerialLink& link : links) {
    const std::string device = LinkDevice(byId, link.target);
    auto port = std::find_if(ports.begin(), ports.end(), [&device](const SerialPortEntry& p) { return Normal(p.path) == device; });
    if (port == ports.end()) port = ports.insert(ports.end(), {device, {}, std::nullopt});
    port->byIdLinks.push_back(Join(byId, link.name));
  }
  return ports;
}

std::vector<SerialPortEntry> ComPorts(std::vector<std::string> names) {
  std::erase(names, std::string());
  std::sort(names.begin(), names.end(), NaturalLess);
  names.erase(std::unique(names.begin(), names.end()), names.end());
  std::vector<SerialPortEntry> ports;
  for (std::string& name : names) ports.push_back({std::move(name), {}, std::nullopt});
  return ports;
}

}  // namespace trackctl
