// Serial key write : stores a typed key in the device's flash.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "protocol/outcome.h"
#include "protocol/session.h"

namespace trackctl {

inline constexpr std::size_t kSerialKeyLength = 10;
inline constexpr std::size_t kSerialKeyFrameSize = 22;
using SerialKeyFrame = std::array<std::uint8_t, kSerialKeyFrameSize>;

// 0xEA "SERIALKEY_" <key, filled up with spaces to 10 characters> 0xE4;
// nothing for a key longer than 10 characters.
std::optional<SerialKeyFrame> BuildSerialKeyFrame(std::string_view key);

// Sends the frame and returns the device's answer; its bytes are reported as
// they arrive.
Answer WriteSerialKey(Session& session, const SerialKeyFrame& frame);

}  // namespace trackctl
