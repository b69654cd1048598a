// The archive in a GeoPackage file, written with SQLite: WAL mode and a busy
// timeout, so that several programs can import into one file at once; each
// import one transaction.
#pragma once

#include <memory>
#include <string>
#include <variant>

#include "archive/archive.h"
#include "archive/open_archive.h"

namespace trackctl::gpkg {

// Opens the archive at `path`. kCreate makes an empty archive when there is no
// file or an empty one, and migrates one of an earlier schema; kRead opens it
// read-only. A file that is not an archive of this program, one of a
// newer schema, or a name that is no regular file, is refused without writing
// to it.
std::variant<std::unique_ptr<Archive>, ArchiveError> OpenGeoPackageArchive(const std::string& path,
                                                                            ArchiveAccess access);

}  // namespace trackctl::gpkg
