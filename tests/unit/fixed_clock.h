// A clock that reads the same moment, or a given series of moments.
#pragma once

#include <deque>

#include "protocol/clock.h"

namespace trackctl::testing {

class FixedClock : public Clock {
 public:
  FixedClock(LocalDateTime now, std::int64_t calendarSeconds) : readings_{now}, seconds_(calendarSeconds) {}
  // The reading after the ones given so far; the last one stays.
  void Then(LocalDateTime later) { readings_.push_back(later); }
  LocalDateTime Now() override {
    const LocalDateTime now = readings_.front();
    if (readings_.size() > 1) readings_.pop_front();
    return now;
  }
  std::int64_t CalendarSeconds() override { return seconds_; }

 private:
  std::deque<LocalDateTime> readings_;
  std::int64_t seconds_;
};

}  // namespace trackctl::testing
