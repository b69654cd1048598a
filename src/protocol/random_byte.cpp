#include "protocol/random_byte.h"

namespace trackctl {

std::uint8_t PlainRandomByte(RandomGenerator& generator) {
  return static_cast<std::uint8_t>(generator.Draw() & 0xFFu);
}

std::uint8_t ReseededRandomByte(RandomGenerator& generator, std::int64_t calendarSeconds) {
  generator.Seed(static_cast<std::uint32_t>(calendarSeconds));
  return static_cast<std::uint8_t>((generator.Draw() >> 8) & 0xFFu);
}

}  // namespace trackctl
