// The archive on a PostgreSQL server, through libpq: the same records, each
// once, for several benches at once. Each import is one transaction (see
// pg_import.h).
#pragma once

#include <memory>
#include <string>
#include <variant>

#include "archive/archive.h"
#include "archive/open_archive.h"

namespace trackctl::pg {

// Connects with the connection string `name` (the password from libpq's own
// sources: PGPASSWORD, ~/.pgpass, a service file, or the string itself). kCreate
// makes the schema when the database has none. No message carries the password.
std::variant<std::unique_ptr<Archive>, ArchiveError> OpenPostgresArchive(const std::string& name,
                                                                          ArchiveAccess access);

}  // namespace trackctl::pg
