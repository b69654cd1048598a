// Big-endian numbers in frames, blocks and records.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace trackctl {

// Reads `width` bytes (1..4) at `data`, most significant first.
inline std::uint32_t ReadBigEndian(std::span<const std::uint8_t> data, std::size_t width) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < width; ++i) value = (value << 8) | data[i];
  return value;
}

// Writes the low `width` bytes (1..4) of `value` into `out`, most significant first.
inline void WriteBigEndian(std::span<std::uint8_t> out, std::uint32_t value, std::size_t width) {
  for (std::size_t i = 0; i < width; ++i) {
    out[i] = static_cast<std::uint8_t>(value >> (8 * (width - 1 - i)));
  }
}

}  // namespace trackctl
