#include "archive/import_file.h"

#include <string_view>

#include "track/logger_file_reader.h"

namespace trackctl {

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
  auto bytes = ReadWholeFile(path, kMaxLoggerFileBytes);
  if (const FileError* error = std::get_if<FileError>(&bytes)) return *error;
  const std::vector<std::uint8_t>& text = std::get<std::vector<std::uint8_t>>(bytes);
  auto imported = ImportLoggerText(
      archive, std::string_view(reinterpret_cast<const char*>(text.data()), text.size()), download, rule);
  if (const ArchiveError* error = std::get_if<ArchiveError>(&imported)) return *error;
  return std::get<FileImported>(std::move(imported));
}

}  // namespace trackctl
