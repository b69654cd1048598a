// On Windows the PostgreSQL backend is linked into trackctl.exe with libpq and
// OpenSSL (static libraries): one file to ship, no module to look for.
#include "archive/postgres/pg_archive.h"
#include "archive/server_archive.h"

namespace trackctl {

std::variant<ServerArchiveOpener, ArchiveError> LoadServerArchive() { return &pg::OpenPostgresArchive; }

}  // namespace trackctl
