#include "serial/posix/restore_on_signal.h"

#include <cstddef>
#include <iterator>

namespace trackctl {
namespace {

constexpr int kEndingSignals[] = {SIGINT, SIGQUIT, SIGTERM, SIGHUP};

// What the handler restores; set before it is installed.
int lineFd = -1;
termios lineSettings{};

extern "C" void RestoreLineAndEnd(int number) {
  tcsetattr(lineFd, TCSANOW, &lineSettings);  // async-signal-safe
  signal(number, SIG_DFL);
  raise(number);  // delivered when the handler returns
}

}  // namespace

RestoreOnSignal::RestoreOnSignal(int fd, const termios& original) {
  lineFd = fd;
  lineSettings = original;
  struct sigaction restore{};
  restore.sa_handler = RestoreLineAndEnd;
  sigemptyset(&restore.sa_mask);
  for (std::size_t i = 0; i < std::size(kEndingSignals); ++i) {
    sigaction(kEndingSignals[i], nullptr, &previous_[i]);
    if (previous_[i].sa_handler != SIG_IGN) sigaction(kEndingSignals[i], &restore, nullptr);
  }
}

RestoreOnSignal::~RestoreOnSignal() {
  for (std::size_t i = 0; i < std::size(kEndingSignals); ++i) sigaction(kEndingSignals[i], &previous_[i], nullptr);
}

}  // namespace trackctl
