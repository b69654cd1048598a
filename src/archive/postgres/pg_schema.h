// The archive's tables on a PostgreSQL server, in their own schema `trackctl`:
// records (a PostGIS point where the extension can be had, longitude and
// latitude in any case), downloads, and schema_version for migrations.
#pragma once

#include <libpq-fe.h>

#include <cstdint>
#include <variant>

#include "archive/archive.h"

namespace trackctl {

// Raised with each change of the tables; a database of a higher version is
// refused.
inline constexpr std::int64_t kPgSchemaVersion = 2;

// Makes the schema unless it is there, under a lock that makes programs that
// start at once wait for the first; tries to make the postgis extension and
// does without it when that is refused. Throws a PgFailure.
void CreatePgSchema(PGconn* connection);

// The version of the archive's schema in the database, one this program can
// use or migrate; why not otherwise (kMissing when there is no schema). Throws
// a PgFailure.
std::variant<std::int64_t, ArchiveError> FindPgSchema(PGconn* connection);

// The schema's version as its table says; 0 when it says none.
std::int64_t PgSchemaVersion(PGconn* connection);

// Takes, for the rest of the transaction, the lock under which the schema is
// made or migrated.
void LockPgSchema(PGconn* connection);

// Whether the records have a PostGIS geometry column. Throws a PgFailure.
bool HasGeometry(PGconn* connection);

}  // namespace trackctl
