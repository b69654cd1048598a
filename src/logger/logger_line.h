// A logger line: the text a logger download writes for one record, and what the
// export reads back from it.
//
//   5,2,1,0,22:0:30.00,12:6:2005,77.594680,12.971640,33.000000,74790.000000;
//
// "%d,%d,%d,%d,%d:%d:%d.00,%d:%d:%d,%f,%f,%f,%f;" with plain unsigned numbers:
// the "%f" columns always with '.' and six decimals, whatever the locale.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace trackctl {

struct LoggerLine {
  std::uint32_t headCode = 0;   // column 1
  std::uint32_t headState = 0;  // column 2
  std::uint32_t flagCode = 0;   // column 3
  std::uint32_t column4 = 0;    // column 4, 0 in every line a download writes
  std::uint32_t hours = 0;      // column 5: the device's local time of day
  std::uint32_t minutes = 0;
  std::uint32_t seconds = 0;
  std::uint32_t day = 0;        // column 6: the device's local date
  std::uint32_t month = 0;
  std::uint32_t year = 0;
  // Columns 7 to 10 in millionths, as their six decimals give them.
  std::uint64_t longitude = 0;  // degrees east
  std::uint64_t latitude = 0;   // degrees north
  std::uint64_t byteValue = 0;
  std::uint64_t wideValue = 0;

  bool operator==(const LoggerLine&) const = default;
};

// No logger line is longer than this; a longer line is not one.
inline constexpr std::size_t kMaxLoggerLineLength = 256;

// Whole digits, '.', six decimals: 77594600 gives "77.594600".
void AppendMillionths(std::string& out, std::uint64_t millionths);

// The line with its line end, "\n".
std::string FormatLoggerLine(const LoggerLine& line);

// The columns of `text`, one line without its line end, when it has the form
// above (numbers of at most 9 digits, the year at most 4); nothing otherwise.
std::optional<LoggerLine> ParseLoggerLine(std::string_view text);

}  // namespace trackctl
