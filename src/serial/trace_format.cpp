#include "serial/trace_format.h"

#include <algorithm>
#include <cstdio>

namespace trackctl {

std::string FormatTraceLine(std::string_view stamp, TraceDirection direction, std::span<const std::uint8_t> bytes) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  bytes = bytes.first(std::min(bytes.size(), kTraceLineBytes));
  std::string line(stamp);
  line += direction == TraceDirection::kToDevice ? " >>" : " <<";
  for (const std::uint8_t byte : bytes) {
    line += ' ';
    line += kHex[byte >> 4];
    line += kHex[byte & 0x0F];
  }
  line.append(3 * (kTraceLineBytes - bytes.size()) + 2, ' ');
  line += '|';
  for (const std::uint8_t byte : bytes) line += byte >= 0x20 && byte < 0x7F ? static_cast<char>(byte) : '.';
  line += "|\n";
  return line;
}

std::string FormatTraceStamp(int year, int month, int day, int hour, int minute, int second, int millisecond) {
  char text[40];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d.%03d", year, month, day, hour, minute, second,
                millisecond);
  return text;
}

}  // namespace trackctl
