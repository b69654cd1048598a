// Where commands take the time from: the local clock for time and date words
// and file names, the calendar time for seeding the random byte.
#pragma once

#include <cstdint>

#include "protocol/timewords.h"

namespace trackctl {

class Clock {
 public:
  virtual ~Clock() = default;
  virtual LocalDateTime Now() = 0;
  // Whole seconds since 1970-01-01 00:00:00 UTC.
  virtual std::int64_t CalendarSeconds() = 0;
};

}  // namespace trackctl
