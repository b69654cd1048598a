// Operator input read from a byte stream, with the rules of scripted use: numbers,
// words and lines taken from the stream, and "the rest of the current line" as
// the unit that discarding drops. The interactive console uses the same reader
// and adds what only a terminal has (single key presses, flushing typed-ahead input).
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>

namespace trackctl {

class LineInput {
 public:
  // Fills `buffer` with up to `size` bytes; returns how many, 0 at the end of input.
  using Source = std::function<std::size_t(char* buffer, std::size_t size)>;

  explicit LineInput(Source source);

  // Skips white space and empty lines, reads an optional sign and digits (saturating
  // at the limits of int), leaves the rest of the line. No number: 0, nothing consumed
  // beyond the white space.
  int ReadInt();
  // Drops the unread rest of the current line, its line end included.
  void DropRestOfLine();
  // Drops everything read from the source and not consumed yet.
  void DropBuffered();
  // Drops the rest of the current line, then reads one line without its line end
  // (CR LF or LF). The end of input reads as an empty line.
  std::string ReadLine();
  // Skips white space across lines, then reads one word. Nothing at the end of input.
  std::optional<std::string> ReadWord();
  bool AtEnd();

 private:
  std::optional<char> Peek();
  char Take();
  bool Fill();
  void Compact();

  Source source_;
  std::string buffer_;
  std::size_t position_ = 0;
  bool end_ = false;
  bool atLineStart_ = true;  // nothing of the current line has been consumed
};

}  // namespace trackctl
