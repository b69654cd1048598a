#include "serial/device_path.h"

namespace trackctl {

std::string PortDevicePath(int number, const char* mapped) {
  if (mapped != nullptr && *mapped != '\0') return mapped;
  return "/dev/ttyS" + std::to_string(number - 1);
}

}  // namespace trackctl
