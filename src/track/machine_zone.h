// The time zone of the machine that converts, applied to each point's own date
// and time: the TZ database on Linux, the system's zone on Windows.
#pragma once

#include "track/local_time_rule.h"

namespace trackctl {

// The zone's offsets are those of the C library's local clock (localtime). A
// local time that the clocks repeat when they go back is taken at its first
// occurrence, in summer time; one that they skip when they go forward is read
// with the offset from before the change, so 02:30 on the night when 02:00
// became 03:00 is taken as 03:30 of the new time. The same local time gives the
// same UTC time whatever came before it.
class MachineZoneRule : public LocalTimeRule {
 public:
  std::optional<std::int64_t> ToUtc(const LocalDateTime& local) override;

 private:
  // Reading the zone costs microseconds (on Linux without TZ the C library looks
  // at the zone file each time), so each local hour is looked up at its first
  // and last second: when both have the same offset from UTC, that offset holds
  // for the whole hour.
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
