#include "track/utc_time.h"

#include <charconv>

namespace trackctl {
namespace {

constexpr std::int64_t kSecondsPerDay = 86'400;

// Floor division, for dates before 1970 as well.
std::int64_t FloorDiv(std::int64_t value, std::int64_t divisor) {
  return value / divisor - (value % divisor < 0 ? 1 : 0);
}

void AppendPadded(std::string& out, std::int64_t value, int width) {
  char digits[24];
  const auto result = std::to_chars(digits, digits + sizeof digits, value);
  const auto length = static_cast<int>(result.ptr - digits);
  if (length < width) out.append(static_cast<std::size_t>(width - length), '0');
  out.append(digits, result.ptr);
}

}  // namespace

unsigned DaysInMonth(std::int64_t year, unsigned month) {
  static constexpr unsigned kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
  return kDays[month - 1] + (month == 2 && leap ? 1u : 0u);
}

// The days are counted in eras of 400 years, which repeat exactly; March is taken
// as the first month, so that a leap day ends its year.
std::int64_t DaysFromCivil(std::int64_t year, unsigned month, unsigned day) {
  year -= month <= 2 ? 1 : 0;
  const std::int64_t era = FloorDiv(year, 400);
  const std::int64_t yearOfEra = year - era * 400;
  const std::int64_t dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
  const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146'097 + dayOfEra - 719'468;
}

std::int64_t SecondsAsIfUtc(const LocalDateTime& time) {
  const std::int64_t days =
      DaysFromCivil(time.year, static_cast<unsigned>(time.month), static_cast<unsigned>(time.day));
  return days * kSecondsPerDay + time.hour * 3600 + time.minute * 60 + time.second;
}

LocalDateTime UtcDateTime(std::int64_t seconds) {
  const std::int64_t days = FloorDiv(seconds, kSecondsPerDay);
  const std::int64_t secondOfDay = seconds - days * kSecondsPerDay;
  const std::int64_t shifted = days + 719'468;
  const std::int64_t era = FloorDiv(shifted, 146'097);
  const std::int64_t dayOfEra = shifted - era * 146'097;
  const std::int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36'524 - dayOfEra / 146'096) / 365;
  const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const std::int64_t monthIndex = (5 * dayOfYear + 2) / 153;  // 0 is March
  const auto month = static_cast<int>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
  LocalDateTime time;
  time.year = static_cast<int>(yearOfEra + era * 400 + (month <= 2 ? 1 : 0));
  time.month = month;
  time.day = static_cast<int>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
  time.hour = static_cast<int>(secondOfDay / 3600);
  time.minute = static_cast<int>(secondOfDay % 3600 / 60);
  time.second = static_cast<int>(secondOfDay % 60);
  return time;
}

void AppendDateTime(std::string& out, const LocalDateTime& time, char between) {
  if (time.year < 0) out += '-';
  AppendPadded(out, time.year < 0 ? -std::int64_t{time.year} : time.year, 4);
  out += '-';
  AppendPadded(out, time.month, 2);
  out += '-';
  AppendPadded(out, time.day, 2);
  out += between;
  AppendPadded(out, time.hour, 2);
  out += ':';
  AppendPadded(out, time.minute, 2);
  out += ':';
  AppendPadded(out, time.second, 2);
}

std::string IsoUtcText(UtcTime time) {
  std::string text;
  AppendIsoUtc(text, time.seconds);
  return text;
}

void AppendIsoUtc(std::string& out, std::int64_t seconds) {
  AppendDateTime(out, UtcDateTime(seconds), 'T');
  out += 'Z';
}

std::optional<int> ParseUtcOffset(std::string_view text) {
  if (text.size() != 6 || (text[0] != '+' && text[0] != '-') || text[3] != ':') return std::nullopt;
  for (const std::size_t i : {1u, 2u, 4u, 5u}) {
    if (text[i] < '0' || text[i] > '9') return std::nullopt;
  }
  const int hours = (text[1] - '0') * 10 + (text[2] - '0');
  const int minutes = (text[4] - '0') * 10 + (text[5] - '0');
  if (hours > 23 || minutes > 59) return std::nullopt;
  return (text[0] == '-' ? -1 : 1) * (hours * 60 + minutes);
}

}  // namespace trackctl
