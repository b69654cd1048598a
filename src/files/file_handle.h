// A C library file that is closed when its handle ends.
#pragma once

#include <cstdio>
#include <memory>

namespace trackctl {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

}  // namespace trackctl
