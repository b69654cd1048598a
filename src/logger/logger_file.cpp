#include "logger/logger_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace trackctl {
namespace {

constexpr std::size_t kBufferSize = 64 * 1024;

// Both platforms' C libraries create a file only when it does not exist yet
// through open() with O_EXCL (fopen() has no portable mode for it). On Windows
// the descriptor is in text mode, the C library's default, so "\n" is written
// as CR LF.
std::FILE* CreateNew(const std::string& name, bool& nameTaken) {
  const int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666);
  if (fd < 0) {
    nameTaken = errno == EEXIST;
    return nullptr;
  }
  std::FILE* file = fdopen(fd, "w");
  if (file == nullptr) close(fd);
  return file;
}

}  // namespace

LoggerFile::LoggerFile(const std::string& name) : file_(CreateNew(name, nameTaken_)) {
  if (file_ == nullptr) return;
  // One write call for many lines, whatever the platform's default buffer is.
  buffer_ = std::make_unique<char[]>(kBufferSize);
  std::setvbuf(file_, buffer_.get(), _IOFBF, kBufferSize);
}

LoggerFile::~LoggerFile() {
  if (file_ != nullptr) std::fclose(file_);
}

bool LoggerFile::Write(std::string_view text) {
  if (file_ == nullptr || failed_) return false;
  if (std::fwrite(text.data(), 1, text.size(), file_) != text.size()) failed_ = true;
  return !failed_;
}

bool LoggerFile::Close() {
  if (file_ == nullptr) return false;
  const bool flushed = std::fflush(file_) == 0 && std::ferror(file_) == 0;
  const bool closed = std::fclose(file_) == 0;
  file_ = nullptr;
  return !failed_ && flushed && closed;
}

}  // namespace trackctl
