// The module's one exported function: everything else in it stays its own.
#include "archive/postgres/pg_archive.h"
#include "archive/server_archive.h"

extern "C" [[gnu::visibility("default")]] std::variant<std::unique_ptr<trackctl::Archive>, trackctl::ArchiveError>
trackctl_open_postgres_archive(const std::string& name, trackctl::ArchiveAccess access) {
  return trackctl::pg::OpenPostgresArchive(name, access);
}

namespace {

// The function has the type that the loader takes it for.
[[maybe_unused]] constexpr trackctl::ServerArchiveOpener kChecked = &trackctl_open_postgres_archive;

}  // namespace
