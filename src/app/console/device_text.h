// A device's own text (its serial key, version, type, configuration texts and
// replies) as the console shows it. On a terminal a control byte of it could
// change colours, move the cursor or retitle the window, so there each one is
// shown as \xNN; anywhere else the text goes out byte for byte.
#pragma once

#include <string>
#include <string_view>

namespace trackctl {

enum class DeviceTextMode {
  kAsItIs,   // a pipe or a file
  kEscaped,  // a terminal: bytes below 0x20 and 0x7F as \xNN (upper-case digits)
};

std::string ShownDeviceText(std::string_view text, DeviceTextMode mode);

}  // namespace trackctl
