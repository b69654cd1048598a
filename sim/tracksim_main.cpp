// tracksim: a simulated tracking device on a pseudo-terminal.
//
//   tracksim                 serve until interrupted; prints the port's path
//   tracksim -- CMD ARGS...  run CMD with TRACKCTL_COM1 set to the port, in this terminal
//   --baud N                 the line's speed both ways, as an 8N1 line at N baud
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <vector>

#include "sim/pty_server.h"

extern char** environ;

namespace {

constexpr const char* kUsage =
    "usage: tracksim [--help] [--baud N] [-- COMMAND [ARGS...]]\n"
    "\n"
    "Simulates a GPS/GSM tracking device on a pseudo-terminal and prints its path.\n"
    "With a COMMAND, runs it with TRACKCTL_COM1 set to that path (so trackctl's\n"
    "port 1 is the simulated device) and exits with the command's status.\n"
    "Without one, serves until interrupted; set TRACKCTL_COM<n> to the printed\n"
    "path and run trackctl with port n.\n"
    "\n"
    "  --baud N   carry bytes both ways no faster than an 8N1 line at N baud\n"
    "             (N/10 bytes a second), e.g. 115200; default: unpaced\n";

// A baud rate: decimal digits only, 1 to 100000000.
bool ParseBaud(const char* text, unsigned& baud) {
  if (*text < '0' || *text > '9') return false;
  char* end = nullptr;
  errno = 0;
  const unsigned long value = std::strtoul(text, &end, 10);
  if (errno != 0 || *end != '\0' || value == 0 || value > 100'000'000) return false;
  baud = static_cast<unsigned>(value);
  return true;
}

int RunCommand(const std::string& port, char** argv) {
  setenv("TRACKCTL_COM1", port.c_str(), 1);
  pid_t child = 0;
  if (posix_spawnp(&child, argv[0], nullptr, nullptr, argv, environ) != 0) {
    std::fprintf(stderr, "tracksim: cannot start %s: %s\n", argv[0], std::strerror(errno));
    return 127;
  }
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  return 128 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
}

int ServeUntilInterrupted(unsigned baud) {
  sigset_t stop;
  sigemptyset(&stop);
  sigaddset(&stop, SIGINT);
  sigaddset(&stop, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stop, nullptr);  // the serving thread inherits the mask
  int signal = 0;
  tracksim::PtyServer server{tracksim::Device{}, baud};
  std::printf("%s\n", server.slavePath().c_str());
  std::fflush(stdout);
  sigwait(&stop, &signal);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  unsigned baud = 0;
  int arg = 1;
  for (; arg < argc; ++arg) {
    if (std::strcmp(argv[arg], "--baud") == 0) {
      if (++arg >= argc || !ParseBaud(argv[arg], baud)) {
        std::fprintf(stderr, "tracksim: --baud needs a rate in baud, e.g. 115200\n%s", kUsage);
        return 2;
      }
      continue;
    }
    if (std::strcmp(argv[arg], "--help") == 0 || std::strcmp(argv[arg], "-h") == 0) {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (std::strcmp(argv[arg], "--") == 0) {
      ++arg;
      break;
    }
    std::fprintf(stderr, "tracksim: unknown argument '%s'\n%s", argv[arg], kUsage);
    return 2;
  }
  try {
    if (arg >= argc) return ServeUntilInterrupted(baud);
    tracksim::PtyServer server{tracksim::Device{}, baud};
    std::fprintf(stderr, "tracksim: device on %s\n", server.slavePath().c_str());
    return RunCommand(server.slavePath(), argv + arg);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "tracksim: %s\n", error.what());
    return 1;
  }
}
