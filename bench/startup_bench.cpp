// The CPU a run of trackctl costs before it does anything: `trackctl --version`
// beside a program that does nothing, linked with SQLite and the C++ library,
// and beside `trackctl --version` with the PostgreSQL client library loaded at
// start, as every run loaded it while trackctl was linked with it. Each figure
// is the minimum and the median of many runs (user and system time, from wait4).
//
//   startup_bench [--runs N]
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/bench_figures.h"

extern char** environ;

namespace trackctl::bench {
namespace {

// Milliseconds of CPU of one run of `args`, with `preload` (if any) loaded first.
double RunCpuMs(const std::vector<std::string>& args, const std::string& preload) {
  std::vector<char*> argv;
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  std::vector<std::string> env;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    if (std::strncmp(*entry, "LD_PRELOAD=", 11) != 0) env.emplace_back(*entry);
  }
  if (!preload.empty()) env.push_back("LD_PRELOAD=" + preload);
  std::vector<char*> envp;
  for (std::string& entry : env) envp.push_back(entry.data());
  envp.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  pid_t pid = -1;
  const int failed = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (failed != 0) throw std::runtime_error("cannot start " + args[0]);
  int status = 0;
  rusage usage{};
  if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    throw std::runtime_error(args[0] + " failed");
  }
  const auto ms = [](const timeval& t) { return static_cast<double>(t.tv_sec) * 1e3 + t.tv_usec / 1e3; };
  return ms(usage.ru_utime) + ms(usage.ru_stime);
}

struct Figures {
  double min = 0;
  double median = 0;
};

Figures Measure(const std::vector<std::string>& args, const std::string& preload, int runs) {
  std::vector<double> cpu;
  for (int i = 0; i < runs; ++i) cpu.push_back(RunCpuMs(args, preload));
  return Figures{*std::min_element(cpu.begin(), cpu.end()), Median(cpu)};
}

}  // namespace
}  // namespace trackctl::bench

int main(int argc, char** argv) {
  using namespace trackctl::bench;
  int runs = 200;
  if (argc == 3 && std::string(argv[1]) == "--runs") runs = std::atoi(argv[2]);
  try {
    const Figures floor = Measure({TRACKCTL_BASELINE}, "", runs);
    const Figures version = Measure({TRACKCTL_BINARY, "--version"}, "", runs);
    const Figures withClient = Measure({TRACKCTL_BINARY, "--version"}, TRACKCTL_LIBPQ, runs);
    std::printf("| Start-up (CPU of one run) | Runs | Minimum | Median | Minimum / floor |\n|---|---|---|---|---|\n");
    const auto row = [&](const char* what, const Figures& figures) {
      std::printf("| %s | %d | %.2f ms | %.2f ms | %.2f |\n", what, runs, figures.min, figures.median,
                  figures.min / floor.min);
    };
    row("a program that does nothing, with SQLite (the floor)", floor);
    row("`trackctl --version`", version);
    row("`trackctl --version`, libpq loaded at start (as when linked)", withClient);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "startup_bench: %s\n", error.what());
    return 1;
  }
  return 0;
}
