#include "track/machine_zone.h"

#include <algorithm>
#include <ctime>

namespace trackctl {
namespace {

constexpr std::int64_t kSecondsPerDay = 86'400;

// Local minus UTC at the instant `utc`, in seconds, as the C library's local
// clock shows it.
std::optional<std::int64_t> OffsetAtInstant(std::int64_t utc) {
  const auto instant = static_cast<std::time_t>(utc);
  const std::tm* shown = std::localtime(&instant);
  if (shown == nullptr) return std::nullopt;
  return SecondsAsIfUtc(LocalDateTime{shown->tm_year + 1900, shown->tm_mon + 1, shown->tm_mday, shown->tm_hour,
                                      shown->tm_min, shown->tm_sec}) -
         utc;
}

// The instant that the local clock shows as `local`. The offsets in force a day
// before and a day after it are the only ones it can have (a zone changes its
// clocks at most once within two days); of those whose instant the clock shows
// as `local`, the larger offset gives the earlier instant: the first occurrence
// of a repeated hour, in summer time. A skipped time is read with the offset
// from before the change.
std::optional<std::int64_t> ZoneUtc(const LocalDateTime& local) {
  const std::int64_t asIfUtc = SecondsAsIfUtc(local);
  const std::optional<std::int64_t> before = OffsetAtInstant(asIfUtc - kSecondsPerDay);
  const std::optional<std::int64_t> after = OffsetAtInstant(asIfUtc + kSecondsPerDay);
  if (!before || !after) return std::nullopt;
  for (const std::int64_t offset : {std::max(*before, *after), std::min(*before, *after)}) {
    if (OffsetAtInstant(asIfUtc - offset) == offset) return asIfUtc - offset;
  }
  return asIfUtc - *before;
}

// Local minus UTC at `local`, in seconds.
std::optional<std::int64_t> OffsetAt(const LocalDateTime& local) {
  const std::optional<std::int64_t> utc = ZoneUtc(local);
  if (!utc) return std::nullopt;
  return SecondsAsIfUtc(local) - *utc;
}

}  // namespace

std::optional<std::int64_t> MachineZoneRule::ToUtc(const LocalDateTime& local) {
  const Hour hour{local.year, local.month, local.day, local.hour};
  if (!(hour == hour_)) {
    hour_ = hour;
    const std::optional<std::int64_t> first = OffsetAt({local.year, local.month, local.day, local.hour, 0, 0});
    const std::optional<std::int64_t> last = OffsetAt({local.year, local.month, local.day, local.hour, 59, 59});
    hourOffset_ = first && last && *first == *last ? first : std::nullopt;
  }
  if (hourOffset_) return SecondsAsIfUtc(local) - *hourOffset_;
  return ZoneUtc(local);
}

}  // namespace trackctl
