// What a platform's console offers beneath the operator's input.
#pragma once

#include <cstddef>
#include <cstdio>
#include <memory>

namespace trackctl {

class Terminal {
 public:
  virtual ~Terminal() = default;
  virtual bool inputIsTerminal() const = 0;
  virtual bool outputIsTerminal() const = 0;
  // Reads raw input bytes; 0 at the end of input or on an error.
  virtual std::size_t ReadInput(char* buffer, std::size_t size) = 0;
  // Drops what was typed ahead and is still queued in the terminal.
  virtual void FlushTypedAhead() = 0;
  // Waits for one key press, not echoed, straight from the terminal.
  virtual void ReadKey() = 0;
  virtual void ClearScreen() = 0;
};

std::unique_ptr<Terminal> MakeTerminal();

// Whether `stream` (standard output or standard error) is a terminal.
bool StreamIsTerminal(std::FILE* stream);

}  // namespace trackctl
