// Standard output reserved for one JSON document: while a JsonStdout lives,
// everything the program prints goes to standard error, and only what is
// written through it reaches the original standard output.
#pragma once

#include <string_view>

namespace trackctl {

class JsonStdout {
 public:
  JsonStdout();
  // Puts standard output back.
  ~JsonStdout();
  JsonStdout(const JsonStdout&) = delete;
  JsonStdout& operator=(const JsonStdout&) = delete;

  // Writes `text` to the original standard output; false when it could not be written whole.
  bool Write(std::string_view text);

 private:
  int saved_ = -1;  // the original standard output
};

}  // namespace trackctl
