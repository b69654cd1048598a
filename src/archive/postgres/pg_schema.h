// The archive's tables on a PostgreSQL server, in a schema of their own
// (trackctl unless the archive's name says another): records (a PostGIS point
// where the extension can be had, longitude and latitude in any case),
// downloads, and schema_version for migrations.
#pragma once

#include <libpq-fe.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

#include "archive/archive.h"

namespace trackctl::pg {

// Raised with each change of the tables; a database of a higher version is
// refused.
inline constexpr std::int64_t kPgSchemaVersion = 2;

// The schema that holds an archive.
class Schema {
 public:
  explicit Schema(std::string name);
  // The name as given, e.g. in messages and as a text parameter.
  const std::string& Name() const { return name_; }
  // The name as an SQL identifier, quoted.
  const std::string& Quoted() const { return quoted_; }
  // `sql` with each "{schema}" written as the quoted name.
  std::string Sql(std::string_view sql) const;

 private:
  std::string name_;
  std::string quoted_;
};

// The GiST index of records.geom, where PostGIS gives the column ({schema} for
// Schema::Sql to fill in).
extern const char* const kSpatialIndexSql;

// Makes the schema unless it is there, under a lock that makes programs that
// start at once wait for the first; tries to make the postgis extension and
// does without it when that is refused. Throws a Failure.
void CreatePgSchema(PGconn* connection, const Schema& schema);

// The version of the archive's schema in the database, one this program can
// use or migrate; why not otherwise (kMissing when there is no schema). Throws
// a Failure.
std::variant<std::int64_t, ArchiveError> FindPgSchema(PGconn* connection, const Schema& schema);

// The schema's version as its table says; 0 when it says none.
std::int64_t PgSchemaVersion(PGconn* connection, const Schema& schema);

// Takes, for the rest of the transaction, the lock under which schemas are
// made or migrated.
void LockPgSchema(PGconn* connection);

// Whether the records have a PostGIS geometry column. Throws a Failure.
bool HasGeometry(PGconn* connection, const Schema& schema);

}  // namespace trackctl::pg
