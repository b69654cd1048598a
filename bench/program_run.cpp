#include "bench/program_run.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <stdexcept>

extern char** environ;

namespace trackctl::bench {
namespace {

[[noreturn]] void Fail(const std::string& what) { throw std::runtime_error(what + ": " + std::strerror(errno)); }

// Closes both ends that are still open.
struct Pipe {
  int fds[2] = {-1, -1};
  Pipe() {
    if (pipe2(fds, O_CLOEXEC) != 0) Fail("pipe2");
  }
  ~Pipe() {
    for (int fd : fds) {
      if (fd >= 0) close(fd);
    }
  }
  void Close(int end) {
    close(fds[end]);
    fds[end] = -1;
  }
};

double Seconds(const timeval& time) { return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6; }

// "VmHWM:" of /proc/<pid>/status, in KiB; 0 when it cannot be read.
long PeakResidentKiB(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.starts_with("VmHWM:")) return std::atol(line.c_str() + 6);
  }
  return 0;
}

}  // namespace

std::optional<Clock::time_point> ProgramRun::TimeOf(std::string_view text, std::size_t after) const {
  const std::size_t at = output.find(text, after);
  if (at == std::string::npos) return std::nullopt;
  for (const auto& [length, when] : pieces) {
    if (length >= at + text.size()) return when;
  }
  return std::nullopt;
}

double ProgramRun::SecondsBetween(std::string_view from, std::string_view to) const {
  const std::size_t at = output.find(from);
  const std::optional<Clock::time_point> start = TimeOf(from);
  const std::optional<Clock::time_point> end = at == std::string::npos ? std::nullopt : TimeOf(to, at);
  if (!start || !end) throw std::runtime_error("no \"" + std::string(to) + "\" after \"" + std::string(from) + "\"");
  return std::chrono::duration<double>(*end - *start).count();
}

ProgramRun RunProgram(const std::string& binary, const std::string& input, std::string_view waiting,
                      const std::filesystem::path& workdir, const std::string& portPath, std::chrono::seconds limit) {
  Pipe in;
  Pipe out;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in.fds[0], STDIN_FILENO);
  posix_spawn_file_actions_adddup2(&actions, out.fds[1], STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, out.fds[1], STDERR_FILENO);
  posix_spawn_file_actions_addchdir_np(&actions, workdir.c_str());

  std::vector<std::string> env;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    if (!std::string_view(*entry).starts_with("TRACKCTL_COM")) env.emplace_back(*entry);
  }
  env.push_back("TRACKCTL_COM1=" + portPath);
  std::vector<char*> envp;
  for (std::string& entry : env) envp.push_back(entry.data());
  envp.push_back(nullptr);
  std::string program = binary;
  char* argv[] = {program.data(), nullptr};

  ProgramRun run;
  run.started = Clock::now();
  pid_t pid = -1;
  const int spawned = posix_spawn(&pid, binary.c_str(), &actions, nullptr, argv, envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) {
    errno = spawned;
    Fail("cannot start " + binary);
  }
  in.Close(0);
  out.Close(1);
  // The script is far smaller than a pipe's buffer.
  if (write(in.fds[1], input.data(), input.size()) != static_cast<ssize_t>(input.size())) Fail("writing the script");

  const Clock::time_point deadline = run.started + limit;
  char buffer[4096];
  bool killed = false;
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    pollfd ready{out.fds[0], POLLIN, 0};
    if (left <= 0 || poll(&ready, 1, static_cast<int>(left)) == 0) {
      kill(pid, SIGKILL);
      killed = true;
      break;
    }
    const ssize_t n = read(out.fds[0], buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    run.output.append(buffer, static_cast<std::size_t>(n));
    run.pieces.emplace_back(run.output.size(), Clock::now());
    if (in.fds[1] >= 0 && run.output.find(waiting) != std::string::npos) {
      run.maxRssKiB = PeakResidentKiB(pid);
      in.Close(1);  // the end of the input: the program exits
    }
  }
  int status = 0;
  rusage usage{};
  while (wait4(pid, &status, 0, &usage) < 0) {
    if (errno != EINTR) Fail("wait4");
  }
  if (killed) throw std::runtime_error(binary + " ran longer than its limit; output:\n" + run.output);
  if (in.fds[1] >= 0) throw std::runtime_error(binary + " ended early; output:\n" + run.output);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.cpuSeconds = Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
  return run;
}

}  // namespace trackctl::bench
