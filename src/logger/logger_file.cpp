#include "logger/logger_file.h"

#include <cerrno>

#include "files/new_file.h"
#include "files/stream_file.h"

namespace trackctl {
namespace {

constexpr std::size_t kBufferSize = 64 * 1024;

}  // namespace

LoggerFile::LoggerFile(const std::string& name) : stream_(false), file_(CreateNewFile(name, FileMode::kText)) {
  Opened();
}

LoggerFile::LoggerFile(const OutputPlace& place, std::uint32_t readerWaitMs)
    : stream_(true),
      file_(place.kind == OutputPlace::Kind::kDescriptor ? OpenDescriptor(place.descriptor, FileMode::kText)
                                                         : OpenStream(place.path, FileMode::kText, readerWaitMs)) {
  Opened();
}

void LoggerFile::Opened() {
  if (file_ == nullptr) {
    error_ = errno;
    nameTaken_ = error_ == EEXIST;
    return;
  }
  // One write call for many lines, whatever the platform's default buffer is.
  buffer_ = std::make_unique<char[]>(kBufferSize);
  std::setvbuf(file_, buffer_.get(), _IOFBF, kBufferSize);
}

LoggerFile::~LoggerFile() {
  if (file_ != nullptr) std::fclose(file_);
}

bool LoggerFile::Write(std::string_view text) {
  if (file_ == nullptr || failed_) return false;
  errno = 0;
  if (std::fwrite(text.data(), 1, text.size(), file_) != text.size()) {
    failed_ = true;
    error_ = errno != 0 ? errno : EIO;
  }
  return !failed_;
}

void LoggerFile::Flush() {
  if (file_ != nullptr && !failed_) std::fflush(file_);
}

bool LoggerFile::Close() {
  if (file_ == nullptr) return false;
  errno = 0;
  const bool flushed = std::fflush(file_) == 0 && std::ferror(file_) == 0;
  const bool closed = std::fclose(file_) == 0;
  file_ = nullptr;
  if (!failed_ && !(flushed && closed)) error_ = errno != 0 ? errno : EIO;
  return !failed_ && flushed && closed;
}

}  // namespace trackctl
