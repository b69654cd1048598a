// What every command works with: the open port, the clock, the random generator,
// where it reports as it runs, and the serial key that the handshake reported.
#pragma once

#include <array>

#include "protocol/clock.h"
#include "protocol/random_byte.h"
#include "protocol/report.h"
#include "serial/serial_port.h"

namespace trackctl {

// 10 characters and a NUL.
using SerialKey = std::array<char, 11>;

struct Session {
  SerialPort& port;
  Clock& clock;
  RandomGenerator& random;
  Report& report;
  SerialKey serialKey{};
};

}  // namespace trackctl
