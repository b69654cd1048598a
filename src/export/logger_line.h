// A logger line read back from a logger file: the fourteen columns that a
// logger download writes for one record.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace trackctl {

struct LoggerLine {
  std::uint32_t headCode = 0;   // column 1
  std::uint32_t headState = 0;  // column 2
  std::uint32_t flagCode = 0;   // column 3
  std::uint32_t column4 = 0;    // column 4, 0 in every line a download writes
  std::uint32_t hours = 0;      // columns 5 to 7: the device's local time of day
  std::uint32_t minutes = 0;
  std::uint32_t seconds = 0;
  std::uint32_t day = 0;        // columns 8 to 10: the device's local date
  std::uint32_t month = 0;
  std::uint32_t year = 0;
  // Columns 11 to 14 in millionths, as their six decimals give them.
  std::uint64_t longitude = 0;  // degrees east
  std::uint64_t latitude = 0;   // degrees north
  std::uint64_t byteValue = 0;
  std::uint64_t wideValue = 0;
};

// No logger line is longer than this; a longer line is not one.
inline constexpr std::size_t kMaxLoggerLineLength = 256;

// The columns of `text`, one line without its line end, when it has the form
// "%d,%d,%d,%d,%d:%d:%d.00,%d:%d:%d,%f,%f,%f,%f;" with plain unsigned numbers
// (at most 9 digits, the year at most 4, six decimals after a '.'); nothing otherwise.
std::optional<LoggerLine> ParseLoggerLine(std::string_view text);

}  // namespace trackctl
