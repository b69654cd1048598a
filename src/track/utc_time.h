// Calendar arithmetic for tracks: dates of the Gregorian calendar as days
// and seconds since 1970-01-01, and UTC times in ISO 8601.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "protocol/timewords.h"

namespace trackctl {

// An instant in UTC, in whole seconds since 1970-01-01 00:00:00 UTC.
struct UtcTime {
  std::int64_t seconds = 0;
  friend auto operator<=>(const UtcTime&, const UtcTime&) = default;
};

// Days in `month` (1..12) of `year`, leap years counted.
unsigned DaysInMonth(std::int64_t year, unsigned month);

// Days from 1970-01-01 to year-month-day (month 1..12, day 1..31).
std::int64_t DaysFromCivil(std::int64_t year, unsigned month, unsigned day);

// The seconds since 1970-01-01 00:00:00 that `time` would be if it were UTC.
std::int64_t SecondsAsIfUtc(const LocalDateTime& time);

// The reading of a UTC clock at `seconds` since 1970-01-01 00:00:00 UTC.
LocalDateTime UtcDateTime(std::int64_t seconds);

// "YYYY-MM-DD", `between`, "hh:mm:ss"; the year has at least four digits.
void AppendDateTime(std::string& out, const LocalDateTime& time, char between);

// "YYYY-MM-DDThh:mm:ssZ".
void AppendIsoUtc(std::string& out, std::int64_t seconds);
std::string IsoUtcText(UtcTime time);

// "+HH:MM" or "-HH:MM", hours 00 to 23, in minutes; nothing for anything else.
std::optional<int> ParseUtcOffset(std::string_view text);

}  // namespace trackctl
