#include "app/port_listing.h"

#include <cstdio>

#include "serial/port_list.h"

namespace trackctl {

int ShowPortList() {
  const std::vector<std::string> ports = ListSerialPorts();
  if (ports.empty()) std::puts("no serial ports found");
  for (const std::string& port : ports) std::puts(port.c_str());
  return std::fflush(stdout) == 0 && std::ferror(stdout) == 0 ? 0 : 4;
}

}  // namespace trackctl
