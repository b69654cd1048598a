#include "app/console/device_text.h"

namespace trackctl {

std::string ShownDeviceText(std::string_view text, DeviceTextMode mode) {
  if (mode == DeviceTextMode::kAsItIs) return std::string(text);
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string shown;
  shown.reserve(text.size());
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) {
      shown += "\\x";
      shown += kHex[byte >> 4];
      shown += kHex[byte & 0x0F];
    } else {
      shown += c;
    }
  }
  return shown;
}

}  // namespace trackctl
