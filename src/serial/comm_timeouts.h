// Read and write time-outs of the port, with the meaning the Win32 COMMTIMEOUTS
// fields have; the POSIX backend reproduces that meaning with poll().
#pragma once

#include <cstdint>

namespace trackctl {

struct CommTimeouts {
  std::uint32_t readIntervalTimeout = 0;         // ms allowed between two bytes; 0: none
  std::uint32_t readTotalTimeoutMultiplier = 0;  // ms per byte asked for
  std::uint32_t readTotalTimeoutConstant = 0;    // ms added once
  std::uint32_t writeTotalTimeoutMultiplier = 0;
  std::uint32_t writeTotalTimeoutConstant = 0;
};

// Set when the port is opened: a read waits without limit for its first byte and
// a block read ends early only after more than 65535 ms between two bytes.
inline constexpr CommTimeouts kOpenTimeouts{0xFFFF, 0, 0, 1, 1000};
// The handshake's wake-up phase: a one-byte read gives up after 501 ms.
inline constexpr CommTimeouts kWakeUpTimeouts{100, 1, 500, 1, 1000};
// Every exchange after the wake-up phase.
inline constexpr CommTimeouts kCommandTimeouts{0xFFFF, 0, 0, 1, 1000};

}  // namespace trackctl
