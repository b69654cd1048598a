// Stop tracking: a 30-byte frame with a random byte and the PC's
// time and date; no file is read.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "protocol/outcome.h"
#include "protocol/session.h"
#include "protocol/timewords.h"

namespace trackctl {

inline constexpr std::size_t kStopFrameSize = 30;
using StopFrame = std::array<std::uint8_t, kStopFrameSize>;

// "\xEA" "STOPTRACK" (no "_"), `randomByte`, the time and date words of `now`,
// fourteen 0x00 bytes, 0xE4.
StopFrame BuildStopFrame(const LocalDateTime& now, std::uint8_t randomByte);

// Sends the stop frame and returns the device's answer.
Answer StopTracking(Session& session);

}  // namespace trackctl
