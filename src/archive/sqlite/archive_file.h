// The file that a GeoPackage archive's name gives: what the name is before
// SQLite opens it, and how SQLite is given it.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "archive/archive.h"

namespace trackctl::gpkg {

// Why `path` cannot hold an archive before SQLite opens it: a folder, a FIFO, a
// device or a socket (a link is followed), which an open could block on or
// write into; with `needFolder`, a name that is not there in a folder that is
// not there. Nothing for a regular file, or for no file in a folder.
std::optional<ArchiveError> RefusedArchiveFile(const std::string& path, bool needFolder);

// Whether `path` + "-wal" is there: a connection holds the archive in WAL mode,
// or one ended without cleaning up.
bool HasWriteAheadLog(const std::string& path);

// The URI that names the file `path` and nothing else, with `query` ("mode=ro",
// say) after it: every byte of the name that a URI could read otherwise
// ("file:", '?', '#', '%') is escaped, so a name is always a file's name.
std::string FileUri(std::string_view path, std::string_view query);

}  // namespace trackctl::gpkg
