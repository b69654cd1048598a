#include "export/machine_zone.h"

#include <ctime>

namespace trackctl {
namespace {

std::optional<std::int64_t> MakeTime(const LocalDateTime& local) {
  std::tm fields{};
  fields.tm_year = local.year - 1900;
  fields.tm_mon = local.month - 1;
  fields.tm_mday = local.day;
  fields.tm_hour = local.hour;
  fields.tm_min = local.minute;
  fields.tm_sec = local.second;
  fields.tm_isdst = -1;  // the zone's own rules decide whether summer time applies
  const std::time_t utc = std::mktime(&fields);
  if (utc == static_cast<std::time_t>(-1)) return std::nullopt;
  return static_cast<std::int64_t>(utc);
}

// Local minus UTC at `local`, in seconds.
std::optional<std::int64_t> OffsetAt(const LocalDateTime& local) {
  const std::optional<std::int64_t> utc = MakeTime(local);
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
  return MakeTime(local);
}

}  // namespace trackctl
