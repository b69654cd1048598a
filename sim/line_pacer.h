// The timing of a serial line: how soon bytes handed to an 8N1 line at a given
// baud rate (ten bits per byte: start, eight data, stop) have all crossed it.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>

namespace tracksim {

class LinePacer {
 public:
  using Clock = std::chrono::steady_clock;

  // 0: no pacing; every byte has crossed at once.
  explicit LinePacer(unsigned baud = 0) : baud_(baud) {}

  bool paced() const { return baud_ != 0; }
  // Bytes to move in one go: about a millisecond of the line, at least one.
  std::size_t burst() const;
  // Hands `count` bytes to the line at `now`; returns when the last of them has
  // crossed. The schedule runs on from the bytes handed before while the line is
  // busy with them, or finished them less than kLateWakeUp ago (the caller woke
  // up late to hand more), so late wake-ups do not add up; a line idle for longer
  // starts afresh at `now`. Bytes after a short pause may thus come early by at
  // most kLateWakeUp.
  Clock::time_point Take(std::size_t count, Clock::time_point now);

  static constexpr std::chrono::milliseconds kLateWakeUp{5};

 private:
  unsigned baud_;
  Clock::time_point start_{};  // when the line last started from idle
  std::uint64_t bits_ = 0;     // bits handed to it since then
};

}  // namespace tracksim
