#include "files/new_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace trackctl {

// Both platforms' C libraries create a file only when nothing has its name
// through open() with O_EXCL; fopen() has no portable mode for it. Text mode is
// the C library's default for a descriptor.
std::FILE* CreateNewFile(const std::string& name, FileMode mode) {
  const bool binary = mode == FileMode::kBinary;
  const int fd = open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | (binary ? kBinaryMode : 0), 0666);
  if (fd < 0) return nullptr;
  std::FILE* file = fdopen(fd, binary ? "w+b" : "w+");
  if (file == nullptr) {
    const int error = errno;
    close(fd);
    errno = error;
  }
  return file;
}

}  // namespace trackctl
