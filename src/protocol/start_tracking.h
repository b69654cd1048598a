// Start tracking: the tracking values of "config15.dat", the PC's
// time and date and a random byte go to the device in one 103-byte frame.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "protocol/outcome.h"
#include "protocol/session.h"
#include "protocol/timewords.h"
#include "protocol/tracking_config.h"

namespace trackctl {

inline constexpr std::size_t kStartFrameSize = 103;
using StartFrame = std::array<std::uint8_t, kStartFrameSize>;

// The character code of the value's first character minus '0', modulo 256
// (an empty value gives 0xD0).
std::uint8_t DigitField(std::string_view value);

// The value read as a signed decimal number (leading white space skipped, an
// optional sign, digits up to the first other character; no digits read as 0),
// as its low 32 bits in two's complement.
std::uint32_t IntegerField(std::string_view value);

// The integers of slots 4 to 9 shifted left by 0 to 5 bits and OR-ed together,
// not reduced to one bit each; the low 16 bits.
std::uint16_t FeatureMask(const TrackingConfigTable& table);

// "\xEA" "STARTTRACK_" with the fields of the table, the time and date words of
// `now` and `randomByte`, then 0xE4. Payload bytes are not escaped.
StartFrame BuildStartFrame(const TrackingConfigTable& table, const LocalDateTime& now, std::uint8_t randomByte);

// Sends the start frame made of `table`, the clock's time and date and a
// reseeded random byte; returns the device's answer.
Answer StartTracking(Session& session, const TrackingConfigTable& table);

}  // namespace trackctl
