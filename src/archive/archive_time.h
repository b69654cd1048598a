// UTC times as the archive stores them, "YYYY-MM-DDThh:mm:ssZ", and the bounds
// of a track query as an operator writes them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "protocol/timewords.h"

namespace trackctl {

// A local date and time as the archive keeps it: "YYYY-MM-DD hh:mm:ss".
std::string LocalTimeText(const LocalDateTime& time);

// The seconds since 1970 of a valid "YYYY-MM-DDThh:mm:ssZ"; nothing otherwise.
std::optional<std::int64_t> ParseIsoUtc(std::string_view text);

enum class BoundEnd { kFirst, kLast };

// "YYYY-MM-DD", "YYYY-MM-DDThh:mm:ss" or the same with 'Z', all UTC, as the
// stored form; a date alone is its first second (kFirst) or its last (kLast).
// Nothing for anything else.
std::optional<std::string> TimeBound(std::string_view text, BoundEnd end);

}  // namespace trackctl
