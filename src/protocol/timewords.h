// Time words, date words and the local clock reading they are made from.
#pragma once

#include <cstdint>

namespace trackctl {

// One reading of the PC's local clock.
struct LocalDateTime {
  int year = 2000;   // in full, e.g. 2005
  int month = 1;     // 1..12
  int day = 1;       // 1..31
  int hour = 0;      // 0..23
  int minute = 0;    // 0..59
  int second = 0;    // 0..59

  bool operator==(const LocalDateTime&) const = default;
};

struct TimeOfDay {
  std::uint16_t hours = 0;
  std::uint16_t minutes = 0;
  std::uint16_t seconds = 0;
};

struct CalendarDate {
  std::uint16_t day = 0;
  std::uint16_t month = 0;
  std::uint16_t year = 0;
};

// Seconds of the day divided by two (an odd second rounds down): 0..43199.
std::uint16_t EncodeTimeWord(const LocalDateTime& now);

// (year mod 100) * 416 + month * 32 + day: up to 41599.
std::uint16_t EncodeDateWord(const LocalDateTime& now);

// year = w / 416 + 2000, month = (w mod 416) / 32, day = w mod 32; nothing is validated.
CalendarDate DecodeDateWord(std::uint32_t word);

// Hours, minutes and seconds of a count of seconds, without a wrap at 24 hours.
TimeOfDay SplitSeconds(std::uint32_t seconds);

}  // namespace trackctl
