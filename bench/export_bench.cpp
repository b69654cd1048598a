// How fast and in how much memory `trackctl export` converts a 1 MiB sector's
// logger file (47,662 records) into each format: the real binary, started
// afresh for every run. Prints a Markdown table, the median of five runs each.
//
// Peak memory is the kernel's figure for the child (ru_maxrss). A child started
// by a large process can carry some of that process's figure across exec, so
// this one stays small: it leaves writing the logger files to a child of its
// own, and its own peak is printed below the table.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/bench_figures.h"

extern char** environ;

namespace {

using trackctl::bench::Median;
using trackctl::bench::SectorLoggerText;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr std::size_t kRecords = 47'662;  // a 1 MiB sector
constexpr int kCopies = 10;               // the larger file: this many sectors one after the other
constexpr int kRuns = 5;

struct Sample {
  double wall = 0;  // seconds
  double cpu = 0;   // seconds, user and system
  double rssMiB = 0;
};

// Writes the sector's logger lines once to `one` and kCopies times to `many`,
// in a child process, so that this process's memory stays what it was.
void WriteLoggerFiles(const fs::path& one, const fs::path& many) {
  const pid_t child = fork();
  if (child < 0) throw std::runtime_error("fork");
  if (child == 0) {
    const std::string text = SectorLoggerText(kRecords);
    std::ofstream(one, std::ios::binary) << text;
    std::ofstream out(many, std::ios::binary);
    for (int i = 0; i < kCopies; ++i) out << text;
    _exit(out ? 0 : 1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) throw std::runtime_error("cannot write the logger files");
}

// One run of trackctl with `args`, and `env` added to this process's environment.
Sample Run(const std::vector<std::string>& args, const std::vector<std::string>& env = {}) {
  std::vector<std::string> words = {TRACKCTL_BINARY};
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  std::vector<std::string> environment = env;
  for (char** entry = environ; *entry != nullptr; ++entry) environment.emplace_back(*entry);
  std::vector<char*> envp;
  for (std::string& entry : environment) envp.push_back(entry.data());
  envp.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  const Clock::time_point start = Clock::now();
  pid_t child = 0;
  const int error = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (error != 0) throw std::runtime_error("cannot start trackctl");
  int status = 0;
  rusage usage{};
  wait4(child, &status, 0, &usage);
  const double wall = std::chrono::duration<double>(Clock::now() - start).count();
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) throw std::runtime_error("trackctl failed: " + words[1]);
  const auto seconds = [](const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
  };
  return Sample{wall, seconds(usage.ru_utime) + seconds(usage.ru_stime), static_cast<double>(usage.ru_maxrss) / 1024.0};
}

Sample MedianOf(const std::vector<std::string>& args, const std::vector<std::string>& env = {}) {
  std::vector<double> wall, cpu, rss;
  for (int i = 0; i < kRuns; ++i) {
    const Sample sample = Run(args, env);
    wall.push_back(sample.wall);
    cpu.push_back(sample.cpu);
    rss.push_back(sample.rssMiB);
  }
  return Sample{Median(wall), Median(cpu), Median(rss)};
}

long OwnPeakKiB() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.starts_with("VmHWM:")) return std::atol(line.c_str() + 6);
  }
  return 0;
}

void Bench(const fs::path& folder) {
  const fs::path one = folder / "sector.dat";
  const fs::path many = folder / "sectors.dat";
  WriteLoggerFiles(one, many);
  std::printf("| Export of 47,662 records (%.1f MB) to | Runs | Wall (median) | CPU | Peak RSS | Output | "
              "Peak RSS, %d times the records |\n|---|---|---|---|---|---|---|\n",
              static_cast<double>(fs::file_size(one)) / 1e6, kCopies);
  struct Row {
    const char* what;
    const char* format;
    std::vector<std::string> env;
    bool offset;
  };
  const Row rows[] = {
      {"GPX, --utc-offset", "gpx", {}, true},
      {"GPX, this machine's zone (no TZ: /etc/localtime)", "gpx", {}, false},
      {"GPX, this machine's zone (TZ=Europe/Berlin)", "gpx", {"TZ=Europe/Berlin"}, false},
      {"KML, --utc-offset", "kml", {}, true},
      {"GeoJSON, --utc-offset", "geojson", {}, true},
      {"CSV, --utc-offset", "csv", {}, true},
      {"SVG, --utc-offset", "svg", {}, true},
  };
  for (const Row& row : rows) {
    const fs::path out = folder / (std::string("out.") + row.format);
    std::vector<std::string> args = {"export", "--format", row.format, "-o", out.string()};
    if (row.offset) args.insert(args.end(), {"--utc-offset", "+05:30"});
    std::vector<std::string> oneArgs = args;
    oneArgs.push_back(one.string());
    const Sample sample = MedianOf(oneArgs, row.env);
    const double outputMB = static_cast<double>(fs::file_size(out)) / 1e6;
    args.push_back(many.string());
    const Sample large = Run(args, row.env);
    std::printf("| %s | %d | %.1f ms | %.1f ms | %.1f MiB | %.1f MB | %.1f MiB |\n", row.what, kRuns,
                sample.wall * 1e3, sample.cpu * 1e3, sample.rssMiB, outputMB, large.rssMiB);
    std::fflush(stdout);
  }
  const Sample startUp = MedianOf({"--version"});
  std::printf("\nStart-up and exit alone (trackctl --version): %.1f ms, %.1f MiB peak. The measuring process's own "
              "peak: %.1f MiB.\n",
              startUp.wall * 1e3, startUp.rssMiB, static_cast<double>(OwnPeakKiB()) / 1024.0);
}

}  // namespace

int main() {
  char pattern[] = "/tmp/trackctl-export-bench-XXXXXX";
  if (mkdtemp(pattern) == nullptr) return 1;
  int status = 0;
  try {
    Bench(pattern);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "export_bench: %s\n", error.what());
    status = 1;
  }
  std::error_code ignored;
  fs::remove_all(pattern, ignored);
  return status;
}
