// UTC times as the archives give them back, "YYYY-MM-DDThh:mm:ssZ", and the bounds
// of a track query as an operator writes them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "protocol/timewords.h"
#include "track/utc_time.h"

namespace trackctl {

// A local date and time as the archive keeps it: "YYYY-MM-DD hh:mm:ss".
std::string LocalTimeText(const LocalDateTime& time);

// The seconds since 1970 of a valid "YYYY-MM-DDThh:mm:ssZ"; nothing otherwise.
std::optional<std::int64_t> ParseIsoUtc(std::string_view text);

// The first and the last second that the archive's times hold.
inline constexpr UtcTime kFirstArchiveTime{0};
inline constexpr UtcTime kLastArchiveTime{253'402'300'799};  // 9999-12-31T23:59:59Z

enum class BoundEnd { kFirst, kLast };

// "YYYY-MM-DD" (a UTC date: its first second for kFirst, its last for kLast),
// "YYYY-MM-DDThh:mm:ssZ" or "YYYY-MM-DDThh:mm:ss+HH:MM" (or -HH:MM), as the
// stored UTC form. Nothing for anything else: a time without its zone too,
// and one outside the years 1970 to 9999 in UTC.
std::optional<std::string> TimeBound(std::string_view text, BoundEnd end);

}  // namespace trackctl
