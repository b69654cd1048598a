// The PC's own clock.
#pragma once

#include "protocol/clock.h"

namespace trackctl {

class SystemClock : public Clock {
 public:
  LocalDateTime Now() override;
  std::int64_t CalendarSeconds() override;
};

}  // namespace trackctl
