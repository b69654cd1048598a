// tracksim: a simulated tracking device on a pseudo-terminal.
//
//   tracksim [OPTIONS]                 serve until interrupted; prints the port's path
//   tracksim [OPTIONS] -- CMD ARGS...  run CMD with TRACKCTL_COM1 set to the port
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

#include "sim/options.h"
#include "sim/pty_server.h"
#include "sim/state_keeping.h"

extern char** environ;

namespace {

using tracksim::Device;
using tracksim::SimOptions;

int RunCommand(const std::string& port, std::vector<std::string> command) {
  setenv("TRACKCTL_COM1", port.c_str(), 1);
  std::vector<char*> argv;
  for (std::string& arg : command) argv.push_back(arg.data());
  argv.push_back(nullptr);
  pid_t child = 0;
  const int error = posix_spawnp(&child, argv[0], nullptr, nullptr, argv.data(), environ);
  if (error != 0) {
    std::fprintf(stderr, "tracksim: cannot start %s: %s\n", argv[0], std::strerror(error));
    return 127;
  }
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  return 128 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
}

int ServeUntilInterrupted(Device device, unsigned baud) {
  sigset_t stop;
  sigemptyset(&stop);
  sigaddset(&stop, SIGINT);
  sigaddset(&stop, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stop, nullptr);  // the serving thread inherits the mask
  int signal = 0;
  tracksim::PtyServer server{std::move(device), baud};
  std::printf("%s\n", server.slavePath().c_str());
  std::fflush(stdout);
  sigwait(&stop, &signal);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const char* const* args = argv + 1;
  const tracksim::ParsedOptions parsed =
      tracksim::ParseSimOptions({args, static_cast<std::size_t>(argc > 0 ? argc - 1 : 0)});
  if (!parsed.error.empty()) {
    std::fprintf(stderr, "%s\n%s", parsed.error.c_str(), tracksim::SimUsageText().c_str());
    return 2;
  }
  const SimOptions& options = parsed.options;
  if (options.help) {
    std::fputs(tracksim::SimUsageText().c_str(), stdout);
    return 0;
  }
  try {
    const tracksim::DeviceState state = tracksim::InitialState(options);
    Device device(state);
    device.ObserveExchanges(tracksim::AfterEachExchange(options, state));
    if (options.command.empty()) return ServeUntilInterrupted(std::move(device), options.baud);
    tracksim::PtyServer server{std::move(device), options.baud};
    std::fprintf(stderr, "tracksim: device on %s\n", server.slavePath().c_str());
    return RunCommand(server.slavePath(), options.command);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "tracksim: %s\n", error.what());
    return 1;
  }
}
