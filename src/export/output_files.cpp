#include "export/output_files.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <random>
#include <system_error>

#include "files/new_file.h"
#include "files/stream_file.h"

namespace trackctl {
namespace {

constexpr std::size_t kBufferSize = 64 * 1024;
constexpr int kNameTries = 16;

std::string RandomSuffix(std::mt19937& random) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string suffix = ".";
  for (int i = 0; i < 8; ++i) suffix += kHex[random() % 16];
  return suffix + ".tmp";
}

// Where the spool of a stream's output goes: the system's folder for temporary
// files, or the working folder when it has none.
std::string SpoolBesideStreams() {
  std::error_code error;
  const std::filesystem::path folder = std::filesystem::temp_directory_path(error);
  return ((error ? std::filesystem::path(".") : folder) / "trackctl-export").string();
}

}  // namespace

TemporaryFile::TemporaryFile(const std::string& target) {
  std::random_device device;
  const auto now = static_cast<std::uint32_t>(std::chrono::steady_clock::now().time_since_epoch().count());
  std::mt19937 random(device() ^ now);
  for (int i = 0; i < kNameTries && file_ == nullptr; ++i) {
    const std::string name = target + RandomSuffix(random);
    errno = 0;
    file_ = CreateNewFile(name, FileMode::kBinary);
    if (file_ != nullptr) {
      name_ = name;
    } else if (errno != EEXIST) {
      break;  // another name fails the same way
    }
  }
  if (file_ == nullptr) {
    Fail();
    return;
  }
  buffer_ = std::make_unique<char[]>(kBufferSize);
  std::setvbuf(file_, buffer_.get(), _IOFBF, kBufferSize);
}

TemporaryFile::~TemporaryFile() {
  if (file_ != nullptr) std::fclose(file_);
  if (!name_.empty() && !renamed_) std::remove(name_.c_str());
}

void TemporaryFile::Write(std::string_view text) {
  if (file_ == nullptr || failed()) return;
  if (std::fwrite(text.data(), 1, text.size(), file_) != text.size()) Fail();
}

void TemporaryFile::Fail() {
  if (error_.empty()) error_ = errno != 0 ? std::strerror(errno) : "input/output error";
}

bool TemporaryFile::RenameTo(const std::string& target) {
  if (file_ == nullptr) return false;
  errno = 0;
  if (std::fflush(file_) != 0 || std::ferror(file_) != 0) Fail();
  if (std::fclose(file_) != 0) Fail();
  file_ = nullptr;
  if (failed()) return false;
  std::error_code error;
  std::filesystem::rename(name_, target, error);
  if (error) error_ = error.message();
  renamed_ = !error;
  return renamed_;
}

OutputFile::OutputFile(const OutputPlace& place, std::FILE* standardOutput, std::uint32_t readerWaitMs)
    : target_(place.path) {
  switch (place.kind) {
    case OutputPlace::Kind::kStandardOutput:
      out_ = standardOutput;
      if (out_ == nullptr) error_ = "no standard output to write to";
      break;
    case OutputPlace::Kind::kStream:
    case OutputPlace::Kind::kDescriptor:
      errno = 0;
      stream_.reset(place.kind == OutputPlace::Kind::kStream
                        ? OpenStream(place.path, FileMode::kBinary, readerWaitMs)
                        : OpenDescriptor(place.descriptor, FileMode::kBinary));
      out_ = stream_.get();
      if (out_ == nullptr && errno == ENXIO && place.kind == OutputPlace::Kind::kStream) {
        error_ = "nothing read it within " + std::to_string(readerWaitMs / 1000) + " s";
      } else if (out_ == nullptr) {
        Fail();
      }
      break;
    default:
      file_.emplace(place.path);
      break;
  }
}

bool OutputFile::IsOpen() const { return file_ ? file_->IsOpen() : out_ != nullptr; }

void OutputFile::Write(std::string_view text) {
  if (file_) return file_->Write(text);
  if (out_ == nullptr || !error_.empty()) return;
  errno = 0;
  if (std::fwrite(text.data(), 1, text.size(), out_) != text.size()) Fail();
}

bool OutputFile::Commit() {
  if (file_) return file_->RenameTo(target_);
  if (out_ == nullptr) return false;
  errno = 0;
  if (std::fflush(out_) != 0 || std::ferror(out_) != 0) Fail();
  if (stream_ && std::fclose(stream_.release()) != 0) Fail();
  out_ = nullptr;
  return error_.empty();
}

void OutputFile::Fail() {
  if (error_.empty()) error_ = errno != 0 ? std::strerror(errno) : "input/output error";
}

SpoolFile::SpoolFile(const OutputPlace& place)
    : file_(place.kind == OutputPlace::Kind::kFile ? place.path : SpoolBesideStreams()) {}

void SpoolFile::Write(std::string_view text) {
  file_.Write(text);
  size_ += text.size();
}

void SpoolFile::MoveTo(TextSink& out) {
  std::FILE* file = file_.get();
  if (file == nullptr || file_.failed()) return;
  errno = 0;
  bool ok = std::fflush(file) == 0 && std::fseek(file, 0, SEEK_SET) == 0;
  char block[kBufferSize];
  for (std::size_t left = size_; ok && left > 0;) {
    const std::size_t got = std::fread(block, 1, std::min(left, sizeof block), file);
    out.Write(std::string_view(block, got));
    left -= got;
    ok = got > 0;
  }
  // What comes next is written over the start; the stale rest is never read.
  size_ = 0;
  if (!ok || std::fseek(file, 0, SEEK_SET) != 0) file_.Fail();
}

}  // namespace trackctl
