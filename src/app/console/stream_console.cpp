#include "app/console/stream_console.h"

#include <cstdio>

namespace trackctl {

StreamConsole::StreamConsole(std::unique_ptr<Terminal> terminal)
    : terminal_(std::move(terminal)), input_([this](char* buffer, std::size_t size) {
        std::fflush(stdout);  // a prompt is on the screen before the program waits
        return terminal_->ReadInput(buffer, size);
      }) {}

int StreamConsole::ReadInt() { return input_.ReadInt(); }

void StreamConsole::DiscardPending() {
  if (terminal_->inputIsTerminal()) {
    input_.DropBuffered();
    terminal_->FlushTypedAhead();
  } else {
    input_.DropRestOfLine();
  }
}

void StreamConsole::WaitKey() {
  std::fflush(stdout);
  if (terminal_->inputIsTerminal()) {
    terminal_->ReadKey();
  } else {
    input_.ReadLine();  // drops the rest of the current line, then takes one line
  }
}

std::string StreamConsole::ReadLine() { return input_.ReadLine(); }

std::optional<std::string> StreamConsole::ReadWord() { return input_.ReadWord(); }

void StreamConsole::Clear() {
  if (terminal_->outputIsTerminal()) {
    std::fflush(stdout);
    terminal_->ClearScreen();
  }
}

}  // namespace trackctl
