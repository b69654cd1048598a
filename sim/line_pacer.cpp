#include "sim/line_pacer.h"

namespace tracksim {
namespace {

constexpr std::uint64_t kBitsPerByte = 10;

}  // namespace

std::size_t LinePacer::burst() const {
  const std::size_t perMillisecond = baud_ / kBitsPerByte / 1000;
  return perMillisecond > 0 ? perMillisecond : 1;
}

LinePacer::Clock::time_point LinePacer::Take(std::size_t count, Clock::time_point now) {
  if (!paced()) return now;
  // Whole seconds and the rest apart: no overflow however long the line runs.
  const auto crossed = [this] {
    const std::uint64_t ns = bits_ / baud_ * 1'000'000'000u + bits_ % baud_ * 1'000'000'000u / baud_;
    return start_ + std::chrono::nanoseconds(ns);
  };
  if (crossed() < now) {
    start_ = now;
    bits_ = 0;
  }
  bits_ += count * kBitsPerByte;
  return crossed();
}

}  // namespace tracksim
