#include "track/track_point.h"

#include <array>

namespace trackctl {
namespace {

constexpr std::uint64_t kMaxLatitude = 90'000'000;    // millionths of a degree
constexpr std::uint64_t kMaxLongitude = 180'000'000;
// The years a valid date has: none before the device's clock begins, and no more
// than the four digits of an ISO 8601 year.
constexpr std::uint32_t kFirstYear = 1970;
constexpr std::uint32_t kLastYear = 9999;

PointProblem TimeProblem(const LoggerLine& line) {
  if (line.day == 1 && line.month == 1 && line.year == 1970) return PointProblem::kEmptyDate;
  if (line.year < kFirstYear || line.year > kLastYear) return PointProblem::kYear;
  if (line.month == 0 || line.month > 12) return PointProblem::kMonth;
  if (line.day == 0 || line.day > DaysInMonth(line.year, line.month)) return PointProblem::kDay;
  if (line.hours >= 24) return PointProblem::kHour;
  if (line.minutes > 59 || line.seconds > 59) return PointProblem::kMinuteOrSecond;
  return PointProblem::kNone;
}

}  // namespace

std::string_view ProblemText(PointProblem problem) {
  static constexpr std::array<std::string_view, kPointProblemCount> kTexts = {
      "",
      "empty date",
      "year before 1970 or after 9999",
      "month 0 or above 12",
      "day 0 or beyond the month",
      "hour 24 or more",
      "minute or second above 59",
      "no UTC time for the local time",
      "latitude above 90",
      "longitude above 180",
  };
  return kTexts[static_cast<std::size_t>(problem)];
}

TrackPoint MakeTrackPoint(const LoggerLine& line, LocalTimeRule& rule) {
  TrackPoint point{line, std::nullopt, TimeProblem(line)};
  if (point.problem == PointProblem::kNone) {
    const LocalDateTime local{static_cast<int>(line.year),  static_cast<int>(line.month),
                              static_cast<int>(line.day),   static_cast<int>(line.hours),
                              static_cast<int>(line.minutes), static_cast<int>(line.seconds)};
    point.utc = rule.ToUtc(local);
    if (!point.utc) point.problem = PointProblem::kNoUtcTime;
  }
  if (point.problem == PointProblem::kNone && line.latitude > kMaxLatitude) point.problem = PointProblem::kLatitude;
  if (point.problem == PointProblem::kNone && line.longitude > kMaxLongitude) {
    point.problem = PointProblem::kLongitude;
  }
  return point;
}

}  // namespace trackctl
