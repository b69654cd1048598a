// What every command works with: the open port, the clock, the random generator,
// where it reports as it runs, and the serial key that the handshake reported.
#pragma once

#include <array>
#include <cstdint>

#include "protocol/clock.h"
#include "protocol/random_byte.h"
#include "protocol/report.h"
#include "serial/serial_port.h"

namespace trackctl {

// 10 characters and a NUL.
using SerialKey = std::array<char, 11>;

// How long the device may stay silent; 0: without limit.
struct SilenceLimits {
  std::uint32_t replyMs = 0;  // while a reply is due
  std::uint32_t wakeMs = 0;   // while the wake-up byte goes unanswered
};

struct Session {
  SerialPort& port;
  Clock& clock;
  RandomGenerator& random;
  Report& report;
  SilenceLimits limits{};
  SerialKey serialKey{};
};

}  // namespace trackctl
