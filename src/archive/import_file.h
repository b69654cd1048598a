// Logger lines into the archive, from a file read in pieces (up to a bound) or
// from memory: each line a record, all of them imported in one transaction.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "archive/archive.h"
#include "track/local_time_rule.h"
#include "files/whole_file.h"

namespace trackctl {

// Far above the logger file of the largest sector, a few MiB.
inline constexpr std::size_t kMaxLoggerFileBytes = 256u * 1024 * 1024;

struct FileImported {
  ImportCounts counts;
  std::vector<std::size_t> notLoggerLines;  // their numbers, from 1; left out of the import
};

// Imports the logger lines `text` as `download`: what was imported, or why the
// archive took nothing.
std::variant<FileImported, ArchiveError> ImportLoggerText(Archive& archive, std::string_view text,
                                                          const ArchiveDownload& download, LocalTimeRule& rule);

// Imports the file at `path` as `download`, read in pieces (twice when the
// archive holds the download already), so that what is held stays bounded
// whatever the file's size: what was imported, why the file could not be read,
// or why the archive took nothing.
std::variant<FileImported, FileError, ArchiveError> ImportLoggerFile(Archive& archive, const std::string& path,
                                                                     const ArchiveDownload& download,
                                                                     LocalTimeRule& rule);

}  // namespace trackctl
