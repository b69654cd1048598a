// The files that an archive is made of on this machine, which an output of
// trackctl must never be written over.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace trackctl {

// For a GeoPackage: its file, and the rollback journal, write-ahead log and
// shared-memory index that SQLite keeps beside it under its name with "-journal",
// "-wal" and "-shm" added. None for a server's connection string.
std::vector<std::string> ArchiveFiles(std::string_view name);

}  // namespace trackctl
