#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <cerrno>

#include "files/stream_file.h"

namespace trackctl {
namespace {

void CloseKeepingErrno(int fd, int error) {
  _close(fd);
  errno = error;
}

FILE* Opened(int fd, FileMode mode) {
  std::FILE* file = _fdopen(fd, mode == FileMode::kBinary ? "wb" : "w");
  if (file == nullptr) CloseKeepingErrno(fd, errno);
  return file;
}

}  // namespace

// Windows has no FIFOs: a device opens at once or not at all.
std::FILE* OpenStream(const std::string& name, FileMode mode, std::uint32_t /*readerWaitMs*/) {
  const int fd = _open(name.c_str(), _O_WRONLY | (mode == FileMode::kBinary ? _O_BINARY : 0));
  if (fd < 0) return nullptr;
  // What was a stream when it was looked at may be a file by now: it is not written over.
  struct _stat64 info {};
  if (_fstat64(fd, &info) != 0) {
    CloseKeepingErrno(fd, errno);
    return nullptr;
  }
  if ((info.st_mode & _S_IFMT) == _S_IFREG || (info.st_mode & _S_IFMT) == _S_IFDIR) {
    CloseKeepingErrno(fd, EEXIST);
    return nullptr;
  }
  return Opened(fd, mode);
}

std::FILE* OpenDescriptor(int descriptor, FileMode mode) {
  const int fd = _dup(descriptor);
  if (fd < 0) return nullptr;
  if (mode == FileMode::kBinary) _setmode(fd, _O_BINARY);
  return Opened(fd, mode);
}

}  // namespace trackctl
