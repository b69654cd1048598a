// The configuration and status blocks as the device sends them: every number
// big-endian, every text padded with 0x00 to its width.
#pragma once

#include "sim/device.h"

namespace tracksim {

inline constexpr std::size_t kConfigBlockBytes = 69;
inline constexpr std::size_t kStatusBlockBytes = 28;

Bytes EncodeConfigBlock(const ConfigBlock& config);
Bytes EncodeStatusBlock(const StatusBlock& status);

}  // namespace tracksim
