// A progress bar on a terminal: the share done, the rate and the time left,
// redrawn in place on one line.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace trackctl {

// "[#######.............]  35%  16681/47662 records  2.3 k/s  0:13 left", for
// `done` of `total` units after `elapsed`. No rate and no time left before
// there is a second's worth of measuring.
std::string ProgressLine(std::uint64_t done, std::uint64_t total, std::string_view unit,
                         std::chrono::milliseconds elapsed);

class ProgressBar {
 public:
  using Clock = std::chrono::steady_clock;
  explicit ProgressBar(std::FILE* terminal) : terminal_(terminal) {}

  // Redraws the bar, at most ten times a second and when the transfer is done;
  // a new `total` or `unit` starts a new transfer.
  void Show(std::uint64_t done, std::uint64_t total, std::string_view unit);
  // Takes the bar off the line, so that other text can be written there.
  void Clear();

 private:
  std::FILE* terminal_;
  std::string unit_;
  std::uint64_t total_ = 0;
  Clock::time_point started_{};
  Clock::time_point drawn_{};
  bool shown_ = false;
};

}  // namespace trackctl
