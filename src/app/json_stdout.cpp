#include "app/json_stdout.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace trackctl {

// dup() and dup2() are in both platforms' C libraries.
JsonStdout::JsonStdout() {
  std::fflush(stdout);
  saved_ = dup(1);
  if (saved_ >= 0) dup2(2, 1);
}

JsonStdout::~JsonStdout() {
  if (saved_ < 0) return;
  std::fflush(stdout);
  dup2(saved_, 1);
  close(saved_);
}

bool JsonStdout::Write(std::string_view text) {
  std::fflush(stdout);
  const int fd = saved_ >= 0 ? saved_ : 1;
  while (!text.empty()) {
    const auto n = write(fd, text.data(), static_cast<unsigned>(text.size()));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    text.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

}  // namespace trackctl
