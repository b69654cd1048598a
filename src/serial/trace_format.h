// The text of the protocol trace: one line per run of bytes in one direction,
// at most kTraceLineBytes of them, with the time of the first byte, the
// direction, the bytes in hex and again as ASCII ('.' for anything unprintable):
//
//   2024-05-01 10:22:33.123 >> EA 49 4E 49 54 E4                                |.INIT.|
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace trackctl {

enum class TraceDirection {
  kToDevice,    // ">>"
  kFromDevice,  // "<<"
};

inline constexpr std::size_t kTraceLineBytes = 16;

// `bytes` holds 1 to kTraceLineBytes bytes; the line ends with '\n'.
std::string FormatTraceLine(std::string_view stamp, TraceDirection direction, std::span<const std::uint8_t> bytes);

// "YYYY-MM-DD hh:mm:ss.mmm".
std::string FormatTraceStamp(int year, int month, int day, int hour, int minute, int second, int millisecond);

}  // namespace trackctl
