// The time zone of the machine that converts, applied to each point's own date
// and time: the TZ database on Linux, the system's zone on Windows.
#pragma once

#include "export/local_time_rule.h"

namespace trackctl {

// A local time that a change of the clocks skips or repeats gets the UTC time
// that the C library's mktime gives it (with tm_isdst = -1).
class MachineZoneRule : public LocalTimeRule {
 public:
  std::optional<std::int64_t> ToUtc(const LocalDateTime& local) override;

 private:
  // mktime costs microseconds (on Linux without TZ it looks at the zone file each
  // time), so it is asked twice per local hour: when the hour begins and ends at
  // the same offset from UTC, that offset holds for the whole hour.
  struct Hour {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = -1;
    bool operator==(const Hour&) const = default;
  };
  Hour hour_;
  std::optional<std::int64_t> hourOffset_;  // local minus UTC, in seconds
};

}  // namespace trackctl
