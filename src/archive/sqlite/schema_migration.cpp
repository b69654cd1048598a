#include "archive/sqlite/schema_migration.h"

#include <cmath>
#include <cstdint>
#include <span>
#include <string_view>

#include "archive/sqlite/gpkg_schema.h"
#include "archive/record_key.h"
#include "archive/sqlite/records_table.h"
#include "archive/sqlite/sqlite_handles.h"

namespace trackctl {
namespace {

std::int64_t SchemaVersion(sqlite3* db) {
  const Statement statement = Prepare(db, "SELECT coalesce(max(version), 0) FROM trackctl_schema");
  Check(db, sqlite3_step(statement.get()), SQLITE_ROW);
  return sqlite3_column_int64(statement.get(), 0);
}

std::string_view ColumnView(sqlite3_stmt* statement, int column) {
  const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
  return {text != nullptr ? text : "", static_cast<std::size_t>(sqlite3_column_bytes(statement, column))};
}

std::optional<std::string_view> OptionalColumnView(sqlite3_stmt* statement, int column) {
  if (sqlite3_column_type(statement, column) == SQLITE_NULL) return std::nullopt;
  return ColumnView(statement, column);
}

// Version 1 found a record by a unique index over all its columns; version 2
// by its key, and keeps a digest of each download's records.
void KeyEveryRecord(sqlite3* db) {
  Execute(db,
          "ALTER TABLE downloads ADD COLUMN records_digest INTEGER;"
          "DROP INDEX records_device_time;"
          "ALTER TABLE records RENAME TO records_v1;");
  Execute(db, kRecordsTableSql);
  const Statement rows = Prepare(db,
      "SELECT fid, geom, device, sector, utc_time, local_time, headCode, headState, flagCode, column4, hours,"
      " minutes, seconds, day, month, year, longitude, latitude, byteValue, wideValue, problem, download_id"
      " FROM records_v1 ORDER BY fid");
  sqlite3_stmt* s = rows.get();
  RecordsTable table(db);
  int code;
  while ((code = sqlite3_step(s)) == SQLITE_ROW) {
    const auto column = [s](int i) { return static_cast<std::uint32_t>(sqlite3_column_int64(s, i)); };
    const auto millionths = [s](int i) {
      return static_cast<std::uint64_t>(std::llround(sqlite3_column_double(s, i) * 1e6));
    };
    RecordRow row;
    row.fid = sqlite3_column_int64(s, 0);
    const auto* geometry = static_cast<const std::uint8_t*>(sqlite3_column_blob(s, 1));
    row.geometry = {geometry, static_cast<std::size_t>(sqlite3_column_bytes(s, 1))};
    row.device = ColumnView(s, 2);
    row.sector = ColumnView(s, 3) == SectorWord(Sector::kSms) ? Sector::kSms : Sector::kDataCall;
    row.utcTime = OptionalColumnView(s, 4);
    row.localTime = ColumnView(s, 5);
    row.line = LoggerLine{column(6),  column(7),  column(8),      column(9),      column(10),
                          column(11), column(12), column(13),     column(14),     column(15),
                          millionths(16), millionths(17), millionths(18), millionths(19)};
    row.problem = OptionalColumnView(s, 20);
    row.downloadId = sqlite3_column_int64(s, 21);
    table.Add(row, RecordKey(row.device, row.sector, row.line));
  }
  Check(db, code, SQLITE_DONE);
  // The old table's triggers go with it; the new table's spatial index keeps
  // the same ids, so it stays as it is.
  Execute(db, "DROP TABLE records_v1;");
  Execute(db, kSpatialIndexInsertTriggerSql);
  Execute(db, kSpatialIndexTriggersSql);
}

}  // namespace

void MigrateArchive(sqlite3* db) {
  Transaction transaction(db);
  const std::int64_t version = SchemaVersion(db);
  if (version >= kArchiveSchemaVersion) return;  // another program migrated it meanwhile
  if (version == 1) KeyEveryRecord(db);
  const Statement update = Prepare(db, "UPDATE trackctl_schema SET version = ?1");
  Check(db, sqlite3_bind_int64(update.get(), 1, kArchiveSchemaVersion));
  Check(db, sqlite3_step(update.get()), SQLITE_DONE);
  transaction.Commit();
}

}  // namespace trackctl
