// "config15.dat": the tracking values that the start command sends, one value per
// line behind a free-text label and a colon, held by line number.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace trackctl {

inline constexpr const char* kTrackingConfigFile = "config15.dat";
inline constexpr std::size_t kTrackingSlots = 29;
inline constexpr std::size_t kTrackingValueMax = 15;  // characters, terminator not counted

// Slot n holds the value of line n + 1, NUL-terminated.
using TrackingValue = std::array<char, kTrackingValueMax + 1>;
using TrackingConfigTable = std::array<TrackingValue, kTrackingSlots>;

// The value of a slot as text.
std::string_view SlotText(const TrackingValue& value);

// Fills `table` from the file's bytes, read the way a text-mode stream reads
// them: CR LF is one line end, as are LF, a CR not followed by LF and a byte 0xFF;
// 0x1A or the end of the bytes ends the input and counts as one more line end.
// A value is what follows the first colon of its line, further colons dropped.
// Every slot starts empty; values beyond 15 characters and lines beyond the
// table are dropped. Returns the number of slots filled.
std::size_t ParseTrackingConfig(std::span<const std::uint8_t> bytes, TrackingConfigTable& table);

// Copies `source` into `destination` and appends '0' until it holds `width`
// characters, then a NUL. A longer source is copied whole. Never writes past
// `destination`, which must hold at least one byte.
void PadWithZeros(std::string_view source, std::span<char> destination, int width);

}  // namespace trackctl
