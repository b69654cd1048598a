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
  // crossed. Bytes handed while the line is still busy with earlier ones follow
  // them directly; an idle line starts afresh at `now`. A caller that wakes up
  // late to hand over bytes that were waiting all along passes the time at which
  // the line became free, so that late wake-ups do not add up.
  Clock::time_point Take(std::size_t count, Clock::time_point now);

 private:
  unsigned baud_;
  Clock::time_point start_{};  // when the line last started from idle
  std::uint64_t bits_ = 0;     // bits handed to it since then
};

}  // namespace tracksim
