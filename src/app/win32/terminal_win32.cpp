#include <conio.h>
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "app/terminal.h"

namespace trackctl {
namespace {

class Win32Terminal : public Terminal {
 public:
  Win32Terminal() {
    // Input bytes as they are; line ends are handled by the reader. Output stays
    // in text mode, so every "\n" reaches the console as CR LF.
    _setmode(_fileno(stdin), _O_BINARY);
  }

  bool inputIsTerminal() const override { return input_; }
  bool outputIsTerminal() const override { return output_; }

  std::size_t ReadInput(char* buffer, std::size_t size) override {
    const int n = _read(_fileno(stdin), buffer, static_cast<unsigned>(size));
    return n > 0 ? static_cast<std::size_t>(n) : 0;
  }

  void FlushTypedAhead() override { FlushConsoleInputBuffer(GetStdHandle(STD_INPUT_HANDLE)); }

  void ReadKey() override { _getch(); }

  void ClearScreen() override { std::system("cls"); }

 private:
  bool input_ = _isatty(_fileno(stdin)) != 0;
  bool output_ = _isatty(_fileno(stdout)) != 0;
};

}  // namespace

std::unique_ptr<Terminal> MakeTerminal() { return std::make_unique<Win32Terminal>(); }

}  // namespace trackctl
