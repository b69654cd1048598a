#include "protocol/tracking_config.h"

#include <algorithm>
#include <cstring>

namespace trackctl {
namespace {

constexpr std::uint8_t kLf = 0x0A;
constexpr std::uint8_t kCr = 0x0D;
constexpr std::uint8_t kInputEnd = 0x1A;  // a text-mode stream ends here
constexpr std::uint8_t kLineEndByte = 0xFF;
constexpr char kColon = ':';

}  // namespace

std::string_view SlotText(const TrackingValue& value) {
  return std::string_view(value.data(), strnlen(value.data(), value.size()));
}

std::size_t ParseTrackingConfig(std::span<const std::uint8_t> bytes, TrackingConfigTable& table) {
  table = TrackingConfigTable{};
  std::size_t slots = 0;
  TrackingValue value{};
  std::size_t length = 0;
  bool colonSeen = false;

  std::size_t at = 0;
  for (bool inputEnded = false; !inputEnded;) {
    bool lineEnd = false;
    if (at >= bytes.size() || bytes[at] == kInputEnd) {
      inputEnded = true;
      lineEnd = true;
    } else {
      const std::uint8_t byte = bytes[at++];
      if (byte == kCr && at < bytes.size() && bytes[at] == kLf) ++at;  // CR LF reads as one LF
      if (byte == kLf || byte == kCr || byte == kLineEndByte) {
        lineEnd = true;
      } else if (byte == kColon) {
        colonSeen = true;
      } else if (colonSeen && length < kTrackingValueMax) {
        value[length++] = static_cast<char>(byte);
      }
    }
    if (lineEnd) {
      if (slots < table.size()) table[slots++] = value;
      value = TrackingValue{};
      length = 0;
      colonSeen = false;
    }
  }
  return slots;
}

void PadWithZeros(std::string_view source, std::span<char> destination, int width) {
  const std::size_t room = destination.size() - 1;
  std::size_t length = std::min(source.size(), room);
  std::memcpy(destination.data(), source.data(), length);
  while (static_cast<int>(length) < width && length < room) destination[length++] = '0';
  destination[length] = '\0';
}

}  // namespace trackctl
