#include "archive/open_archive.h"

#include "archive/archive_name.h"
#ifdef TRACKCTL_HAVE_SQLITE
#include "archive/sqlite/sqlite_archive.h"
#endif
#ifdef TRACKCTL_HAVE_POSTGRES
#include "archive/server_archive.h"
#endif

namespace trackctl {

std::variant<std::unique_ptr<Archive>, ArchiveError> OpenArchive(const std::string& path, ArchiveAccess access) {
  if (IsServerArchiveName(path)) {
#ifdef TRACKCTL_HAVE_POSTGRES
    const auto loaded = LoadServerArchive();
    if (const ArchiveError* error = std::get_if<ArchiveError>(&loaded)) return *error;
    return std::get<ServerArchiveOpener>(loaded)(path, access);
#else
    return ArchiveError{ArchiveError::Kind::kNotBuilt, "PostgreSQL"};
#endif
  }
#ifdef TRACKCTL_HAVE_SQLITE
  return gpkg::OpenGeoPackageArchive(path, access);
#else
  (void)access;
  return ArchiveError{ArchiveError::Kind::kNotBuilt, {}};
#endif
}

}  // namespace trackctl
