#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "app/terminal.h"

namespace trackctl {
namespace {

// Switches the terminal to single, unechoed key presses for its lifetime.
class KeyMode {
 public:
  explicit KeyMode(int fd) : fd_(fd) {
    saved_ = tcgetattr(fd_, &original_) == 0;
    if (!saved_) return;
    termios raw = original_;
    raw.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    tcsetattr(fd_, TCSANOW, &raw);
  }
  ~KeyMode() {
    if (saved_) tcsetattr(fd_, TCSANOW, &original_);
  }
  KeyMode(const KeyMode&) = delete;
  KeyMode& operator=(const KeyMode&) = delete;

 private:
  int fd_;
  termios original_{};
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

}  // namespace trackctl
