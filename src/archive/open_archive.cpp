#include "archive/open_archive.h"

#ifdef TRACKCTL_HAVE_SQLITE
#include "archive/sqlite/sqlite_archive.h"
#endif

namespace trackctl {

std::variant<std::unique_ptr<Archive>, ArchiveError> OpenArchive(const std::string& path, ArchiveAccess access) {
#ifdef TRACKCTL_HAVE_SQLITE
  return OpenGeoPackageArchive(path, access);
#else
  (void)path, (void)access;
  return ArchiveError{ArchiveError::Kind::kNotBuilt, {}};
#endif
}

}  // namespace trackctl
