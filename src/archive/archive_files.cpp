#include "archive/archive_files.h"

#include "archive/archive_name.h"

namespace trackctl {

std::vector<std::string> ArchiveFiles(std::string_view name) {
  if (IsServerArchiveName(name)) return {};
  const std::string file(name);
  return {file, file + "-journal", file + "-wal", file + "-shm"};
}

}  // namespace trackctl
