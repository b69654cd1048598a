#include "archive/sqlite/schema_migration.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "archive/sqlite/gpkg_schema.h"
#include "archive/sqlite/records_table.h"
#include "archive/sqlite/sqlite_handles.h"

namespace trackctl::gpkg {
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

// The stored utc_time of schemas 1 and 2, "YYYY-MM-DDThh:mm:ssZ", as a
// GeoPackage DATETIME.
constexpr std::string_view kDateTimeOfUtcTime =
    "CASE WHEN length(utc_time) = 20 THEN substr(utc_time, 1, 19) || '.000Z' ELSE utc_time END";

// Drops the table the records were copied from, and with it its triggers, and
// gives the new table its own. The spatial index holds the same ids as the
// fids have kept, so it stays as it is.
void ReplaceRecordsTable(sqlite3* db, const char* dropOldTable) {
  Execute(db, dropOldTable);
  Execute(db, kSpatialIndexInsertTriggerSql);
  Execute(db, kSpatialIndexTriggersSql);
}

// Version 1 found a record by a unique index over all its columns; version 2
// by its key, and keeps a digest of each download's records.
void KeyEveryRecord(sqlite3* db) {
  Execute(db,
          "ALTER TABLE downloads ADD COLUMN records_digest INTEGER;"
          "DROP INDEX records_device_time;"
          "ALTER TABLE records RENAME TO records_v1;");
  Execute(db, kRecordsTableSql);
  Execute(db, kRecordsTimeIndexSql);
  const std::string select = "SELECT fid, geom, device, sector, " + std::string(kDateTimeOfUtcTime) +
                             ", local_time, " + LoggerColumnNames() + ", problem, download_id"
                             " FROM records_v1 ORDER BY fid";
  const Statement rows = Prepare(db, select.c_str());
  sqlite3_stmt* s = rows.get();
  RecordsTable table(db);
  int code;
  while ((code = sqlite3_step(s)) == SQLITE_ROW) {
    RecordRow row;
    row.fid = sqlite3_column_int64(s, 0);
    const auto* geometry = static_cast<const std::uint8_t*>(sqlite3_column_blob(s, 1));
    row.geometry = {geometry, static_cast<std::size_t>(sqlite3_column_bytes(s, 1))};
    row.device = ColumnView(s, 2);
    row.sector = ColumnView(s, 3) == SectorWord(Sector::kSms) ? Sector::kSms : Sector::kDataCall;
    row.utcTime = OptionalColumnView(s, 4);
    row.localTime = ColumnView(s, 5);
    row.line = ColumnLoggerLine(s, 6);
    constexpr int kAfterLine = 6 + static_cast<int>(kLoggerColumns.size());
    row.problem = OptionalColumnView(s, kAfterLine);
    row.downloadId = sqlite3_column_int64(s, kAfterLine + 1);
    table.Add(row);
  }
  Check(db, code, SQLITE_DONE);
  ReplaceRecordsTable(db, "DROP TABLE records_v1;");
}

// Version 2 declared utc_time TEXT and wrote "YYYY-MM-DDThh:mm:ssZ"; version 3
// declares it DATETIME, which GIS programs read as a time, in the GeoPackage's
// form "YYYY-MM-DDThh:mm:ss.000Z". SQLite cannot change a column's type: the
// rows are copied into the table as it is now declared, each with its fid.
void DeclareUtcTimeDatetime(sqlite3* db) {
  Execute(db,
          "DROP INDEX records_device_time;"
          "ALTER TABLE records RENAME TO records_v2;");
  Execute(db, kRecordsTableSql);
  Execute(db, kRecordsTimeIndexSql);
  const std::string copy = "INSERT INTO records SELECT fid, geom, device, sector, " + std::string(kDateTimeOfUtcTime) +
                           ", local_time, " + LoggerColumnNames() + ", problem, download_id,"
                           " record_key FROM records_v2 ORDER BY fid";
  Execute(db, copy.c_str());
  // The next fid stays the one the old table would have given.
  Execute(db,
          "UPDATE sqlite_sequence SET seq = max(seq, coalesce((SELECT seq FROM sqlite_sequence"
          " WHERE name = 'records_v2'), 0)) WHERE name = 'records';");
  ReplaceRecordsTable(db, "DROP TABLE records_v2;");
}

// Version 3 indexed a device's records by the text of utc_time; version 4 by
// its UTC second, an integer. The index is made anew from the rows.
void IndexUtcSeconds(sqlite3* db) {
  Execute(db, "DROP INDEX records_device_time;");
  Execute(db, kRecordsTimeIndexSql);
}

}  // namespace

void MigrateArchive(sqlite3* db) {
  Transaction transaction(db);
  const std::int64_t version = SchemaVersion(db);
  if (version >= kArchiveSchemaVersion) return;  // another program migrated it meanwhile
  // Each step builds the records table as this version declares it.
  if (version == 1) KeyEveryRecord(db);
  if (version == 2) DeclareUtcTimeDatetime(db);
  if (version == 3) IndexUtcSeconds(db);
  // Schemas 1 and 2 wrote downloads.imported without milliseconds. The column's
  // default in an archive they made still does, so each import writes the time.
  if (version <= 2) {
    Execute(db, "UPDATE downloads SET imported = substr(imported, 1, 19) || '.000Z' WHERE length(imported) = 20");
  }
  const Statement update = Prepare(db, "UPDATE trackctl_schema SET version = ?1");
  Check(db, sqlite3_bind_int64(update.get(), 1, kArchiveSchemaVersion));
  Check(db, sqlite3_step(update.get()), SQLITE_DONE);
  transaction.Commit();
}

}  // namespace trackctl::gpkg
