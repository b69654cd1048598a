#include "archive/postgres/pg_schema.h"

#include <string>
#include <utility>

#include "archive/postgres/pg_handles.h"

namespace trackctl::pg {
namespace {

// The key of the advisory lock under which a schema is made ("trackctl").
constexpr const char* kSchemaLockKey = "7526466656434431340";

// The logger columns carry the names the export gives them; local_time is the
// date and time as logged (text: it may be no date at all), utc_time its UTC
// time when valid, `downloaded` the downloading machine's local time as the
// logger file's name gives it. A record without a valid time or place has a
// problem and no geometry. A record is found by its record_key (see
// record_key.h); a download's records_digest tells whether a file of it holds
// the records imported with it. download_id is no foreign key: its check on
// every row took as long as the rest of an import's inserts.
constexpr const char* kTablesSql = R"sql(
CREATE TABLE {schema}.schema_version (version integer NOT NULL);
CREATE TABLE {schema}.downloads (
  id bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY,
  file_name text NOT NULL,
  device text NOT NULL,
  sector text NOT NULL,
  downloaded text NOT NULL,
  imported timestamptz NOT NULL DEFAULT now(),
  version text,
  device_type text,
  records_read bigint NOT NULL,
  records_new bigint NOT NULL,
  records_digest bigint,
  UNIQUE (device, sector, downloaded)
);
CREATE TABLE {schema}.records (
  fid bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY,
  device text NOT NULL,
  sector text NOT NULL,
  utc_time timestamptz,
  local_time text NOT NULL,
  "headCode" bigint NOT NULL,
  "headState" bigint NOT NULL,
  "flagCode" bigint NOT NULL,
  column4 bigint NOT NULL,
  hours bigint NOT NULL,
  minutes bigint NOT NULL,
  seconds bigint NOT NULL,
  day bigint NOT NULL,
  month bigint NOT NULL,
  year bigint NOT NULL,
  longitude double precision NOT NULL,
  latitude double precision NOT NULL,
  "byteValue" double precision NOT NULL,
  "wideValue" double precision NOT NULL,
  problem text,
  download_id bigint NOT NULL,  -- the downloads row written in the same transaction
  record_key bigint NOT NULL,
  CONSTRAINT each_record_once UNIQUE (record_key)
);
CREATE INDEX records_device_time ON {schema}.records (device, utc_time);
)sql";

constexpr const char* kGeometrySql = "ALTER TABLE {schema}.records ADD COLUMN geom geometry(Point, 4326)";

bool SchemaThere(PGconn* connection, const Schema& schema) {
  const Result found =
      Query(connection, "SELECT to_regclass($1) IS NOT NULL", {schema.Quoted() + ".schema_version"});
  return Text(found.get(), 0, 0) == "t";
}

// Makes the postgis extension, or finds it there; false when it cannot be had
// (not installed on the server, or no right to make it). It goes into public,
// never into the archive's schema (where a role of the schema's name would otherwise
// get it), so that the archive's schema holds the archive alone.
bool TryPostgis(PGconn* connection) {
  Execute(connection, "SAVEPOINT postgis");
  try {
    Execute(connection, "CREATE EXTENSION IF NOT EXISTS postgis SCHEMA public");
    Execute(connection, "RELEASE SAVEPOINT postgis");
    return true;
  } catch (const Failure&) {
    Execute(connection, "ROLLBACK TO SAVEPOINT postgis");
    return false;
  }
}

}  // namespace

const char* const kSpatialIndexSql = "CREATE INDEX records_geom ON {schema}.records USING gist (geom)";

Schema::Schema(std::string name) : name_(std::move(name)), quoted_("\"") {
  for (const char c : name_) quoted_ += c == '"' ? std::string("\"\"") : std::string(1, c);
  quoted_ += '"';
}

std::string Schema::Sql(std::string_view sql) const {
  constexpr std::string_view kPlace = "{schema}";
  std::string written;
  for (std::size_t at = sql.find(kPlace); at != std::string_view::npos; at = sql.find(kPlace)) {
    written.append(sql.substr(0, at)).append(quoted_);
    sql.remove_prefix(at + kPlace.size());
  }
  return written.append(sql);
}

std::int64_t PgSchemaVersion(PGconn* connection, const Schema& schema) {
  const Result found =
      Query(connection, schema.Sql("SELECT coalesce(max(version), 0) FROM {schema}.schema_version").c_str());
  return std::stoll(Text(found.get(), 0, 0).value_or("0"));
}

void LockPgSchema(PGconn* connection) {
  Execute(connection, "SELECT pg_advisory_xact_lock($1::bigint)", {kSchemaLockKey}, PGRES_TUPLES_OK);
}

void CreatePgSchema(PGconn* connection, const Schema& schema) {
  Transaction transaction(connection);
  LockPgSchema(connection);
  if (SchemaThere(connection, schema)) return;  // another program made it meanwhile
  // A schema of that name that holds tables of another program is left alone (and refused).
  const Result others = Query(connection,
      "SELECT count(*) FROM pg_class c JOIN pg_namespace n ON n.oid = c.relnamespace WHERE n.nspname = $1",
      {schema.Name()});
  if (Text(others.get(), 0, 0) != "0") return;
  Execute(connection, schema.Sql("CREATE SCHEMA IF NOT EXISTS {schema}").c_str());
  Execute(connection, schema.Sql(kTablesSql).c_str());
  if (TryPostgis(connection)) {
    Execute(connection, schema.Sql(kGeometrySql).c_str());
    Execute(connection, schema.Sql(kSpatialIndexSql).c_str());
  }
  Execute(connection, schema.Sql("INSERT INTO {schema}.schema_version VALUES ($1)").c_str(),
          {std::to_string(kPgSchemaVersion)});
  transaction.Commit();
}

std::variant<std::int64_t, ArchiveError> FindPgSchema(PGconn* connection, const Schema& schema) {
  const Result found = Query(connection, "SELECT to_regnamespace($1) IS NOT NULL", {schema.Quoted()});
  if (Text(found.get(), 0, 0) != "t") {
    return ArchiveError{ArchiveError::Kind::kMissing, "no schema " + schema.Name() + " in this database"};
  }
  if (!SchemaThere(connection, schema)) {
    return ArchiveError{ArchiveError::Kind::kNotArchive, "a schema " + schema.Name() + " without trackctl's tables"};
  }
  const std::int64_t version = PgSchemaVersion(connection, schema);
  if (version > kPgSchemaVersion) {
    return ArchiveError{ArchiveError::Kind::kNewer, "schema version " + std::to_string(version) +
                                                        ", this program knows " + std::to_string(kPgSchemaVersion)};
  }
  if (version < 1) {
    return ArchiveError{ArchiveError::Kind::kNotArchive, "schema version " + std::to_string(version)};
  }
  return version;
}

bool HasGeometry(PGconn* connection, const Schema& schema) {
  const Result found = Query(connection,
      "SELECT EXISTS (SELECT 1 FROM information_schema.columns WHERE table_schema = $1"
      " AND table_name = 'records' AND column_name = 'geom')",
      {schema.Name()});
  return Text(found.get(), 0, 0) == "t";
}

}  // namespace trackctl::pg
