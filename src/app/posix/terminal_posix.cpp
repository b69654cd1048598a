#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstddef>
#include <cstdio>
#include <iterator>

#include "app/console/terminal.h"

namespace trackctl {
namespace {

// The signals that the terminal's keys (Ctrl-C, Ctrl-\) or another program send
// to end the program.
constexpr int kEndingSignals[] = {SIGINT, SIGQUIT, SIGTERM};
constexpr std::size_t kEndingSignalCount = std::size(kEndingSignals);

// The terminal and its settings from before the key wait, and the handlers it
// found, for a signal that ends the program in the middle of it. Set before the
// handler is installed.
int keyWaitFd = -1;
termios modeBeforeKeyWait{};
struct sigaction handlersBeforeKeyWait[kEndingSignalCount] = {};

// Puts the terminal back as it was, then lets the handler found before (the
// serial port's, which puts the line back) or the default end the program.
extern "C" void RestoreTerminalAndEnd(int number) {
  tcsetattr(keyWaitFd, TCSANOW, &modeBeforeKeyWait);
  for (std::size_t i = 0; i < kEndingSignalCount; ++i) {
    const auto found = handlersBeforeKeyWait[i].sa_handler;
    const bool plain = (handlersBeforeKeyWait[i].sa_flags & SA_SIGINFO) == 0;
    if (kEndingSignals[i] == number && plain && found != SIG_DFL && found != SIG_IGN) {
      found(number);
      return;
    }
  }
  std::signal(number, SIG_DFL);
  std::raise(number);  // delivered when the handler returns
}

// Switches the terminal to single, unechoed key presses for its lifetime. A
// signal that ends the program meanwhile leaves the terminal as it was found.
class KeyMode {
 public:
  explicit KeyMode(int fd) : fd_(fd) {
    saved_ = tcgetattr(fd_, &original_) == 0;
    if (!saved_) return;
    keyWaitFd = fd_;
    modeBeforeKeyWait = original_;
    struct sigaction restore{};
    restore.sa_handler = RestoreTerminalAndEnd;
    sigemptyset(&restore.sa_mask);
    for (std::size_t i = 0; i < kEndingSignalCount; ++i) {
      // A signal that is ignored is left so; one that is handled is handed on.
      sigaction(kEndingSignals[i], nullptr, &previous_[i]);
      handlersBeforeKeyWait[i] = previous_[i];
      if (previous_[i].sa_handler != SIG_IGN) sigaction(kEndingSignals[i], &restore, nullptr);
    }
    termios raw = original_;
    raw.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    tcsetattr(fd_, TCSANOW, &raw);
  }
  ~KeyMode() {
    if (!saved_) return;
    tcsetattr(fd_, TCSANOW, &original_);
    for (std::size_t i = 0; i < kEndingSignalCount; ++i) sigaction(kEndingSignals[i], &previous_[i], nullptr);
  }
  KeyMode(const KeyMode&) = delete;
  KeyMode& operator=(const KeyMode&) = delete;

 private:
  int fd_;
  termios original_{};
  struct sigaction previous_[kEndingSignalCount] = {};
  bool saved_ = false;
};

class PosixTerminal : public Terminal {
 public:
  bool inputIsTerminal() const override { return input_; }
  bool outputIsTerminal() const override { return output_; }

  std::size_t ReadInput(char* buffer, std::size_t size) override {
    for (;;) {
      const ssize_t n = read(STDIN_FILENO, buffer, size);
      if (n >= 0) return static_cast<std::size_t>(n);
      if (errno != EINTR) return 0;
    }
  }

  void FlushTypedAhead() override { tcflush(STDIN_FILENO, TCIFLUSH); }

  void ReadKey() override {
    KeyMode mode(STDIN_FILENO);
    char key = 0;
    while (read(STDIN_FILENO, &key, 1) < 0 && errno == EINTR) {
    }
  }

  void ClearScreen() override { std::fputs("\x1b[H\x1b[2J\x1b[3J", stdout); }

 private:
  bool input_ = isatty(STDIN_FILENO) != 0;
  bool output_ = isatty(STDOUT_FILENO) != 0;
};

}  // namespace

std::unique_ptr<Terminal> MakeTerminal() { return std::make_unique<PosixTerminal>(); }

bool StreamIsTerminal(std::FILE* stream) { return isatty(fileno(stream)) != 0; }

}  // namespace trackctl
