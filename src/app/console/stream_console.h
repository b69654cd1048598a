// The operator's console over a platform terminal: interactive when standard input
// is a terminal, scripted (line by line) when it is a pipe or a file.
#pragma once

#include <memory>

#include "app/console/console.h"
#include "app/console/line_input.h"
#include "app/console/terminal.h"

namespace trackctl {

class StreamConsole : public Console {
 public:
  explicit StreamConsole(std::unique_ptr<Terminal> terminal);

  int ReadInt() override;
  void DiscardPending() override;
  void WaitKey() override;
  std::string ReadLine() override;
  std::optional<std::string> ReadWord() override;
  void Clear() override;

 private:
  std::unique_ptr<Terminal> terminal_;
  LineInput input_;
};

}  // namespace trackctl
