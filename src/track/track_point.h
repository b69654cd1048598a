// A logger line as a point of a track: its UTC time, and whether it has a valid
// time and place at all.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "track/local_time_rule.h"
#include "logger/logger_line.h"

namespace trackctl {

// Why a point is left out of a track; the first that applies is given.
enum class PointProblem : std::uint8_t {
  kNone,
  kEmptyDate,        // 1:1:1970, what a download writes for a record without a date
  kYear,             // before 1970 or after 9999
  kMonth,            // 0 or above 12
  kDay,              // 0 or beyond the month's last day
  kHour,             // 24 or more
  kMinuteOrSecond,   // above 59
  kNoUtcTime,        // the local time rule knows no UTC time for it
  kLatitude,         // above 90
  kLongitude,        // above 180
};
inline constexpr std::size_t kPointProblemCount = 10;

// A few words, e.g. "hour 24 or more"; empty for kNone.
std::string_view ProblemText(PointProblem problem);

struct TrackPoint {
  LoggerLine line;
  std::optional<std::int64_t> utc;  // seconds since 1970 UTC, when the date and time are valid
  PointProblem problem = PointProblem::kNone;
};

// Checks the date, time and place of `line` and takes its local time to UTC.
TrackPoint MakeTrackPoint(const LoggerLine& line, LocalTimeRule& rule);

}  // namespace trackctl
