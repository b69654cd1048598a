#include "archive/postgres/pg_schema_migration.h"

#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "archive/postgres/pg_copy_rows.h"
#include "archive/postgres/pg_handles.h"
#include "archive/postgres/pg_schema.h"
#include "archive/record_key.h"

namespace trackctl::pg {
namespace {

// Rows are keyed this many at a time: what the program holds stays bounded
// whatever the archive's size.
constexpr const char* kBatch = "50000";

struct KeyedRow {
  std::string fid;
  std::int64_t key = 0;
};

// Version 1 found a record by a unique key over all its columns; version 2 by
// its record_key, and keeps a digest of each download's records. Each record
// takes the key of its hash; records whose hashes are alike take the next free
// keys, in the order they were archived, as an import would have given them.
void KeyEveryRecord(PGconn* connection, const Schema& schema) {
  Execute(connection, schema.Sql(
          "ALTER TABLE {schema}.downloads ADD COLUMN records_digest bigint;"
          "ALTER TABLE {schema}.records ADD COLUMN record_key bigint;"
          "CREATE TEMP TABLE record_keys (fid bigint, record_key bigint) ON COMMIT DROP;"
          "DECLARE old_records NO SCROLL CURSOR FOR SELECT fid, device, sector, " + LoggerColumnList() +
          " FROM {schema}.records ORDER BY fid").c_str());
  const std::string fetch = std::string("FETCH ") + kBatch + " FROM old_records";
  for (;;) {
    const Result batch = Query(connection, fetch.c_str());
    const PGresult* r = batch.get();
    const int rows = PQntuples(r);
    if (rows == 0) break;
    std::vector<KeyedRow> keyed;
    keyed.reserve(static_cast<std::size_t>(rows));
    for (int row = 0; row < rows; ++row) {
      const LoggerLine line = RowLoggerLine(r, row, 3);
      const Sector sector =
          std::string_view(PQgetvalue(r, row, 2)) == SectorWord(Sector::kSms) ? Sector::kSms : Sector::kDataCall;
      keyed.push_back(KeyedRow{PQgetvalue(r, row, 0), RecordKey(PQgetvalue(r, row, 1), sector, line)});
    }
    CopyIn(connection, "COPY pg_temp.record_keys FROM STDIN", keyed.size(), [&keyed](std::string& out, std::size_t i) {
      char digits[24];
      out += keyed[i].fid;
      out += '\t';
      out.append(digits, std::to_chars(digits, digits + sizeof digits, keyed[i].key).ptr);
      out += '\n';
    });
  }
  Execute(connection, schema.Sql(
          "CLOSE old_records;"
          "UPDATE {schema}.records r SET record_key = k.record_key FROM pg_temp.record_keys k WHERE r.fid = k.fid;"
          "ALTER TABLE {schema}.records DROP CONSTRAINT each_record_once;"
          "CREATE INDEX records_key_v1 ON {schema}.records (record_key)").c_str());
  // Records that hash alike: each after the first (by fid) takes the next key
  // that no record holds.
  const Result alike = Query(connection, schema.Sql(
      "SELECT fid, record_key FROM (SELECT fid, record_key, row_number() OVER (PARTITION BY record_key ORDER BY fid)"
      " AS n FROM {schema}.records) AS r WHERE n > 1 ORDER BY fid").c_str());
  const std::string held = schema.Sql("SELECT 1 FROM {schema}.records WHERE record_key = $1::bigint");
  const std::string move = schema.Sql("UPDATE {schema}.records SET record_key = $1::bigint WHERE fid = $2::bigint");
  for (int row = 0; row < PQntuples(alike.get()); ++row) {
    std::int64_t key = std::strtoll(PQgetvalue(alike.get(), row, 1), nullptr, 10);
    for (;;) {
      key = NextRecordKey(key);
      if (PQntuples(Query(connection, held.c_str(), {std::to_string(key)}).get()) == 0) break;
    }
    Execute(connection, move.c_str(), {std::to_string(key), Text(alike.get(), row, 0)});
  }
  Execute(connection, schema.Sql(
          "DROP INDEX {schema}.records_key_v1;"
          "ALTER TABLE {schema}.records ALTER COLUMN record_key SET NOT NULL,"
          " ADD CONSTRAINT each_record_once UNIQUE (record_key)").c_str());
}

}  // namespace

void MigratePgSchema(PGconn* connection, const Schema& schema) {
  Transaction transaction(connection);
  LockPgSchema(connection);
  const std::int64_t version = PgSchemaVersion(connection, schema);
  if (version >= kPgSchemaVersion) return;  // another program migrated it meanwhile
  if (version == 1) KeyEveryRecord(connection, schema);
  Execute(connection, schema.Sql("UPDATE {schema}.schema_version SET version = $1::integer").c_str(),
          {std::to_string(kPgSchemaVersion)});
  transaction.Commit();
}

}  // namespace trackctl::pg
