// One run of the trackctl binary for the benchmarks: its standard input a script,
// its port 1 a given path; its output kept with the time each piece arrived, its
// peak memory taken while it waits for more input at the script's end, its CPU
// time when it ends.
#pragma once

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace trackctl::bench {

using Clock = std::chrono::steady_clock;

struct ProgramRun {
  int status = -1;        // exit status; -1 when killed or ended by a signal
  double cpuSeconds = 0;  // user and system time of the whole run
  long maxRssKiB = 0;     // peak resident memory (VmHWM)
  Clock::time_point started;
  std::string output;     // standard output and standard error
  std::vector<std::pair<std::size_t, Clock::time_point>> pieces;  // output length after each read, and when

  // When `text` first stood whole in the output, searching from `after` on.
  std::optional<Clock::time_point> TimeOf(std::string_view text, std::size_t after = 0) const;
  // Seconds from `from` to the first `to` after it; throws when either is missing.
  double SecondsBetween(std::string_view from, std::string_view to) const;
};

// Runs `binary` in `workdir` with TRACKCTL_COM1 set to `portPath` and `input` as
// its standard input. Once its output holds `waiting` (what it prints before it
// waits for input that the script no longer has), its peak memory is taken and its
// input ends. Throws when it cannot be started, ends before `waiting`, or runs
// longer than `limit` (it is killed then).
//
// The peak comes from /proc, not from wait4: a child started by vfork or fork
// carries the parent's peak into its own across exec.
ProgramRun RunProgram(const std::string& binary, const std::string& input, std::string_view waiting,
                      const std::filesystem::path& workdir, const std::string& portPath, std::chrono::seconds limit);

}  // namespace trackctl::bench
