#include <conio.h>
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>

#include "app/console/terminal.h"

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

  // Blanks the whole screen buffer in its current colours and puts the cursor home.
  void ClearScreen() override {
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!GetConsoleScreenBufferInfo(out, &info)) return;
    const DWORD cells = static_cast<DWORD>(info.dwSize.X) * static_cast<DWORD>(info.dwSize.Y);
    const COORD home{0, 0};
    DWORD written = 0;
    FillConsoleOutputCharacterA(out, ' ', cells, home, &written);
    FillConsoleOutputAttribute(out, info.wAttributes, cells, home, &written);
    SetConsoleCursorPosition(out, home);
  }

 private:
  bool input_ = _isatty(_fileno(stdin)) != 0;
  bool output_ = _isatty(_fileno(stdout)) != 0;
};

}  // namespace

std::unique_ptr<Terminal> MakeTerminal() { return std::make_unique<Win32Terminal>(); }

bool StreamIsTerminal(std::FILE* stream) { return _isatty(_fileno(stream)) != 0; }

}  // namespace trackctl
