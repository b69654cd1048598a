// The byte count that a logger read reply announces.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace trackctl {

// The count text holds at most this many characters; the rest is cut off.
inline constexpr std::size_t kCountTextCapacity = 19;

// Reads the number after the last '_' of a reply (up to its FRAME_END) as a signed
// 32-bit decimal: leading white space skipped, an optional sign, digits up to the
// first other character, clamped to the 32-bit range; no digits or no '_' give 0.
// The result is kept as an unsigned 32-bit value, so "-4" gives 4294967292.
std::uint32_t ParseByteCount(std::string_view reply);

}  // namespace trackctl
