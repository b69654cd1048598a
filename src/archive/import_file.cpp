#include "archive/import_file.h"

#include <cerrno>
#include <cstdio>
#include <optional>
#include <string_view>

#include "archive/import_run.h"
#include "files/file_handle.h"
#include "track/logger_file_reader.h"

namespace trackctl {
namespace {

constexpr std::size_t kChunkBytes = 64 * 1024;

// errno, or EIO when the C library failed without setting it.
int LastError() { return errno != 0 ? errno : EIO; }

// A logger file's records, read from its first byte each time; the numbers of
// the lines that are no logger lines, from the first read.
class LoggerFileBatches : public RecordBatches {
 public:
  LoggerFileBatches(std::FILE* file, LocalTimeRule& rule) : file_(file), rule_(rule) {}

  bool Read(const OnBatch& onBatch) override {
    errno = 0;
    if (reads_++ > 0 && std::fseek(file_, 0, SEEK_SET) != 0) return Failed(FileError::Step::kRead, LastError());
    LoggerFileReader reader(rule_);
    LoggerFileRecords pending;
    char chunk[kChunkBytes];
    std::size_t total = 0;
    std::size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, file_)) > 0) {
      if (got > kMaxLoggerFileBytes - total) return Failed(FileError::Step::kRead, EFBIG);
      total += got;
      reader.Feed(std::string_view(chunk, got), pending);
      Hand(pending, onBatch, kImportBatch);
    }
    if (std::ferror(file_)) return Failed(FileError::Step::kRead, LastError());
    reader.Finish(pending);
    Hand(pending, onBatch, 1);
    return true;
  }

  const std::optional<FileError>& Error() const { return error_; }
  std::vector<std::size_t> TakeNotLoggerLines() { return std::move(notLoggerLines_); }

 private:
  // Hands the records read so far on once there are at least `least`.
  void Hand(LoggerFileRecords& pending, const OnBatch& onBatch, std::size_t least) {
    if (reads_ == 1) notLoggerLines_.insert(notLoggerLines_.end(), pending.notLoggerLines.begin(),
                                            pending.notLoggerLines.end());
    pending.notLoggerLines.clear();
    if (pending.records.size() < least) return;
    onBatch(pending.records);
    pending.records.clear();
  }

  bool Failed(FileError::Step step, int number) {
    error_ = FileError{step, number};
    return false;
  }

  std::FILE* file_;
  LocalTimeRule& rule_;
  int reads_ = 0;
  std::optional<FileError> error_;
  std::vector<std::size_t> notLoggerLines_;
};

}  // namespace

std::variant<FileImported, ArchiveError> ImportLoggerText(Archive& archive, std::string_view text,
                                                          const ArchiveDownload& download, LocalTimeRule& rule) {
  LoggerFileRecords file = ReadLoggerFileRecords(text, rule);
  auto imported = archive.Import(download, file.records);
  if (const ArchiveError* error = std::get_if<ArchiveError>(&imported)) return *error;
  return FileImported{std::get<ImportCounts>(imported), std::move(file.notLoggerLines)};
}

std::variant<FileImported, FileError, ArchiveError> ImportLoggerFile(Archive& archive, const std::string& path,
                                                                     const ArchiveDownload& download,
                                                                     LocalTimeRule& rule) {
  errno = 0;
  const FileHandle file(std::fopen(path.c_str(), "rb"));
  if (!file) return FileError{FileError::Step::kOpen, LastError()};
  LoggerFileBatches batches(file.get(), rule);
  auto imported = archive.ImportBatches(download, batches);
  if (batches.Error()) return *batches.Error();
  if (const ArchiveError* error = std::get_if<ArchiveError>(&imported)) return *error;
  return FileImported{std::get<ImportCounts>(imported), batches.TakeNotLoggerLines()};
}

}  // namespace trackctl
