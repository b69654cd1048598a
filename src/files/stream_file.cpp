#include "files/stream_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace trackctl {
namespace {

// A terminal opened here never becomes the process's controlling terminal.
#ifdef O_NOCTTY
constexpr int kNoControllingTerminal = O_NOCTTY;
#else
constexpr int kNoControllingTerminal = 0;
#endif

void CloseKeepingErrno(int fd, int error) {
  close(fd);
  errno = error;
}

}  // namespace

std::FILE* OpenStream(const std::string& name, FileMode mode) {
  const bool binary = mode == FileMode::kBinary;
  const int fd = open(name.c_str(), O_WRONLY | kNoControllingTerminal | (binary ? kBinaryMode : 0));
  if (fd < 0) return nullptr;
  // What was a stream when it was looked at may be a file by now: it is not written over.
  struct stat info {};
  if (fstat(fd, &info) != 0) {
    CloseKeepingErrno(fd, errno);
    return nullptr;
  }
  if (S_ISREG(info.st_mode) || S_ISDIR(info.st_mode)) {
    CloseKeepingErrno(fd, EEXIST);
    return nullptr;
  }
  std::FILE* file = fdopen(fd, binary ? "wb" : "w");
  if (file == nullptr) CloseKeepingErrno(fd, errno);
  return file;
}

}  // namespace trackctl
