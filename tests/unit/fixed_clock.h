// A clock that always reads the same moment.
#pragma once

#include "protocol/clock.h"

namespace trackctl::testing {

class FixedClock : public Clock {
 public:
  FixedClock(LocalDateTime now, std::int64_t calendarSeconds) : now_(now), seconds_(calendarSeconds) {}
  LocalDateTime Now() override { return now_; }
  std::int64_t CalendarSeconds() override { return seconds_; }

 private:
  LocalDateTime now_;
  std::int64_t seconds_;
};

}  // namespace trackctl::testing
