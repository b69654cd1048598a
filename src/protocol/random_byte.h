// The pseudo-random generator behind the random byte of some requests.
//
// A 32-bit state, 1 at start-up; every draw advances it as
// state = state * 214013 + 2531011 and yields (state >> 16) & 0x7FFF.
#pragma once

#include <cstdint>

namespace trackctl {

class RandomGenerator {
 public:
  void Seed(std::uint32_t seed) { state_ = seed; }
  std::uint16_t Draw() {
    state_ = state_ * 214013u + 2531011u;
    return static_cast<std::uint16_t>((state_ >> 16) & 0x7FFFu);
  }

 private:
  std::uint32_t state_ = 1;
};

// Low 8 bits of the next draw, without reseeding: 0..255.
std::uint8_t PlainRandomByte(RandomGenerator& generator);

// Reseed with the calendar time in whole seconds, draw once, keep bits 8..15: 0..127.
std::uint8_t ReseededRandomByte(RandomGenerator& generator, std::int64_t calendarSeconds);

}  // namespace trackctl
