// Operator input, in one of two modes: interactive (a terminal) or scripted
// (a pipe or a file, read line by line so that a script can drive the tool).
#pragma once

#include <optional>
#include <string>

namespace trackctl {

class Console {
 public:
  virtual ~Console() = default;

  // "%d": skips white space and empty lines, reads an optional sign and digits and
  // leaves the rest of the line pending. No number, or the end of the input: 0.
  virtual int ReadInt() = 0;
  // Drops input typed earlier and not read yet.
  virtual void DiscardPending() = 0;
  // Waits for one key press (a line in scripted mode); returns at once at the end of input.
  virtual void WaitKey() = 0;
  // One line without its line end; the end of input reads as an empty line.
  virtual std::string ReadLine() = 0;
  // One word after any white space, line ends included; nothing at the end of input.
  virtual std::optional<std::string> ReadWord() = 0;
  // Clears the console window.
  virtual void Clear() = 0;
};

}  // namespace trackctl
