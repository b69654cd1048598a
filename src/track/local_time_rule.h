// How the device's local times become UTC. The device's clock is set from the
// local time of the PC that starts tracking, so logger times are local times.
#pragma once

#include <cstdint>
#include <optional>

#include "track/utc_time.h"
#include "protocol/timewords.h"

namespace trackctl {

class LocalTimeRule {
 public:
  virtual ~LocalTimeRule() = default;
  // Seconds since 1970-01-01 00:00:00 UTC of a valid local date and time;
  // nothing when the rule knows no UTC time for it.
  virtual std::optional<std::int64_t> ToUtc(const LocalDateTime& local) = 0;
};

// A clock that ran a fixed number of minutes ahead of UTC (behind when negative).
class FixedOffsetRule : public LocalTimeRule {
 public:
  explicit FixedOffsetRule(int offsetMinutes) : offsetSeconds_(std::int64_t{offsetMinutes} * 60) {}
  std::optional<std::int64_t> ToUtc(const LocalDateTime& local) override {
    return SecondsAsIfUtc(local) - offsetSeconds_;
  }

 private:
  std::int64_t offsetSeconds_;
};

}  // namespace trackctl
