// The archive on a PostgreSQL server comes from a module of trackctl's own
// (trackctl-postgres.so, linked against libpq), loaded only when an archive's
// name is a connection string: a run that names no server does not load the
// client library, nor the many libraries it brings. On Windows the backend is
// linked into trackctl.exe (win32/), and the opener is its own.
#pragma once

#include <memory>
#include <string>
#include <variant>

#include "archive/archive.h"
#include "archive/open_archive.h"

namespace trackctl {

// What the module gives: the server archive that a connection string names.
using ServerArchiveOpener = std::variant<std::unique_ptr<Archive>, ArchiveError> (*)(const std::string& name,
                                                                                    ArchiveAccess access);

// The module's file name, and the name of its one exported function.
inline constexpr const char* kServerArchiveModule = "trackctl-postgres.so";
inline constexpr const char* kServerArchiveEntry = "trackctl_open_postgres_archive";

// The module's opener, loaded at the first call and kept for the run; when the
// module or the client library cannot be loaded, why (kNotBuilt, its detail
// what is missing and the package that holds it).
std::variant<ServerArchiveOpener, ArchiveError> LoadServerArchive();

}  // namespace trackctl
