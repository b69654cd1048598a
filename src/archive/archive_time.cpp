#include "archive/archive_time.h"

#include "track/utc_time.h"

namespace trackctl {
namespace {

// The digits at text[at, at + count) as a number; nothing when one is not a digit.
std::optional<int> Digits(std::string_view text, std::size_t at, std::size_t count) {
  int value = 0;
  for (std::size_t i = at; i < at + count; ++i) {
    if (text[i] < '0' || text[i] > '9') return std::nullopt;
    value = value * 10 + (text[i] - '0');
  }
  return value;
}

// "YYYY-MM-DD" then, when `withTime`, "Thh:mm:ss": a valid date and time.
std::optional<LocalDateTime> ReadDateTime(std::string_view text, bool withTime) {
  if (text.size() != (withTime ? 19u : 10u) || text[4] != '-' || text[7] != '-') return std::nullopt;
  const auto year = Digits(text, 0, 4), month = Digits(text, 5, 2), day = Digits(text, 8, 2);
  if (!year || !month || !day || *year < 1970 || *month < 1 || *month > 12 || *day < 1 ||
      *day > static_cast<int>(DaysInMonth(*year, static_cast<unsigned>(*month)))) {
    return std::nullopt;
  }
  LocalDateTime time{*year, *month, *day, 0, 0, 0};
  if (!withTime) return time;
  if (text[10] != 'T' || text[13] != ':' || text[16] != ':') return std::nullopt;
  const auto hour = Digits(text, 11, 2), minute = Digits(text, 14, 2), second = Digits(text, 17, 2);
  if (!hour || !minute || !second || *hour > 23 || *minute > 59 || *second > 59) return std::nullopt;
  time.hour = *hour, time.minute = *minute, time.second = *second;
  return time;
}

}  // namespace

std::optional<std::int64_t> ParseIsoUtc(std::string_view text) {
  if (text.size() != 20 || text.back() != 'Z') return std::nullopt;
  const std::optional<LocalDateTime> time = ReadDateTime(text.substr(0, 19), true);
  if (!time) return std::nullopt;
  return SecondsAsIfUtc(*time);
}

std::optional<std::string> TimeBound(std::string_view text, BoundEnd end) {
  std::optional<LocalDateTime> time;
  std::optional<int> offsetMinutes = 0;
  if (text.size() == 10) {
    time = ReadDateTime(text, false);
    if (time && end == BoundEnd::kLast) time->hour = 23, time->minute = 59, time->second = 59;
  } else if (text.size() == 20 && text.back() == 'Z') {
    time = ReadDateTime(text.substr(0, 19), true);
  } else if (text.size() == 25) {
    time = ReadDateTime(text.substr(0, 19), true);
    offsetMinutes = ParseUtcOffset(text.substr(19));
  }
  if (!time || !offsetMinutes) return std::nullopt;
  const std::int64_t seconds = SecondsAsIfUtc(*time) - std::int64_t{*offsetMinutes} * 60;
  if (seconds < kFirstArchiveTime.seconds || seconds > kLastArchiveTime.seconds) return std::nullopt;
  std::string bound;
  AppendIsoUtc(bound, seconds);
  return bound;
}

std::string LocalTimeText(const LocalDateTime& time) {
  std::string text;
  AppendDateTime(text, time, ' ');
  return text;
}

}  // namespace trackctl
