#include "files/whole_file.h"

#include <cerrno>
#include <filesystem>
#include <system_error>

#include "files/file_handle.h"

namespace trackctl {
namespace {

constexpr std::size_t kChunkSize = 64 * 1024;

// errno, or EIO when the C library failed without setting it.
int LastError() { return errno != 0 ? errno : EIO; }

// False for a file that says it is empty and yet has bytes to read: the
// system's own files (/proc/self/pagemap) that are made as they are read, and
// may be endless.
bool ReallyEmpty(const std::string& name) {
  const FileHandle file(std::fopen(name.c_str(), "rb"));
  return !file || std::fgetc(file.get()) == EOF;
}

}  // namespace

std::variant<std::vector<std::uint8_t>, FileError> ReadWholeFile(const std::string& name, std::size_t maxBytes) {
  errno = 0;
  const FileHandle file(std::fopen(name.c_str(), "rb"));
  if (!file) return FileError{FileError::Step::kOpen, LastError()};
  std::vector<std::uint8_t> bytes;
  std::uint8_t chunk[kChunkSize];
  std::size_t got = 0;
  errno = 0;
  while ((got = std::fread(chunk, 1, sizeof chunk, file.get())) > 0) {
    if (got > maxBytes - bytes.size()) return FileError{FileError::Step::kRead, EFBIG};
    bytes.insert(bytes.end(), chunk, chunk + got);
  }
  if (std::ferror(file.get())) return FileError{FileError::Step::kRead, LastError()};
  return bytes;
}

std::optional<FileError> RegularFileProblem(const std::string& name, std::size_t maxBytes) {
  std::error_code error;
  const std::filesystem::file_status status = std::filesystem::status(name, error);
  if (status.type() == std::filesystem::file_type::not_found) return FileError{FileError::Step::kOpen, ENOENT};
  // A name that cannot be looked at is left to the open, which says why.
  if (error) return std::nullopt;
  if (status.type() != std::filesystem::file_type::regular) return FileError{FileError::Step::kNotRegular, 0};
  const std::uintmax_t size = std::filesystem::file_size(name, error);
  if (!error && size > maxBytes) return FileError{FileError::Step::kRead, EFBIG};
  if (!error && size == 0 && !ReallyEmpty(name)) return FileError{FileError::Step::kNotRegular, 0};
  return std::nullopt;
}

std::variant<std::vector<std::uint8_t>, FileError> ReadWholeRegularFile(const std::string& name,
                                                                       std::size_t maxBytes) {
  if (const std::optional<FileError> problem = RegularFileProblem(name, maxBytes)) return *problem;
  return ReadWholeFile(name, maxBytes);
}

}  // namespace trackctl
