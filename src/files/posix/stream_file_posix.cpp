#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "files/stream_file.h"

namespace trackctl {
namespace {

// How often a FIFO is tried again while it has no reader.
constexpr auto kReaderPoll = std::chrono::milliseconds(10);

void CloseKeepingErrno(int fd, int error) {
  close(fd);
  errno = error;
}

// Opened without waiting: a FIFO without a reader answers ENXIO at once and is
// tried again until the limit; a terminal never becomes the controlling one.
int OpenWithin(const std::string& name, std::uint32_t readerWaitMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(readerWaitMs);
  for (;;) {
    const int fd = open(name.c_str(), O_WRONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0 || errno != ENXIO) return fd;
    if (readerWaitMs != 0 && std::chrono::steady_clock::now() >= deadline) return -1;
    std::this_thread::sleep_for(kReaderPoll);
  }
}

}  // namespace

std::FILE* OpenStream(const std::string& name, FileMode mode, std::uint32_t readerWaitMs) {
  const int fd = OpenWithin(name, readerWaitMs);
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
  // Written as any file is from here: a write waits for the reader or the device.
  const int flags = fcntl(fd, F_GETFL);
  if (flags < 0 || fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
    CloseKeepingErrno(fd, errno);
    return nullptr;
  }
  std::FILE* file = fdopen(fd, mode == FileMode::kBinary ? "wb" : "w");
  if (file == nullptr) CloseKeepingErrno(fd, errno);
  return file;
}

std::FILE* OpenDescriptor(int descriptor, FileMode mode) {
  const int fd = fcntl(descriptor, F_DUPFD_CLOEXEC, 0);
  if (fd < 0) return nullptr;
  std::FILE* file = fdopen(fd, mode == FileMode::kBinary ? "wb" : "w");
  if (file == nullptr) CloseKeepingErrno(fd, errno);
  return file;
}

}  // namespace trackctl
