#include "app/offline/opened_archive.h"

#include <cstdio>

#include "app/offline/archive_messages.h"

namespace trackctl {

std::unique_ptr<Archive> OpenedArchive(const char* command, const std::string& path, ArchiveAccess access) {
  auto opened = OpenArchive(path, access);
  if (const ArchiveError* error = std::get_if<ArchiveError>(&opened)) {
    std::fprintf(stderr, "%s\n", ArchiveErrorLine(command, path, *error).c_str());
    return nullptr;
  }
  return std::move(std::get<std::unique_ptr<Archive>>(opened));
}

}  // namespace trackctl
