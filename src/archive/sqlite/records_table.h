// Rows of the layer `records`, each record once: a row is added under the
// record's key unless the record is there already (see record_key.h).
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "archive/import_run.h"
#include "archive/sqlite/sqlite_handles.h"
#include "logger/logger_line.h"
#include "logger/sector.h"

namespace trackctl::gpkg {

// One record as the layer keeps it; the texts and the geometry are only read
// while Add runs.
struct RecordRow {
  std::optional<std::int64_t> fid;         // chosen by the table when not given
  std::span<const std::uint8_t> geometry;  // none: no place
  std::string_view device;
  Sector sector = Sector::kSms;
  std::optional<std::string_view> utcTime;  // "YYYY-MM-DDThh:mm:ss.000Z"
  std::string_view localTime;
  LoggerLine line;
  std::optional<std::string_view> problem;
  std::int64_t downloadId = 0;
};

// The logger columns' names, joined by ", ".
std::string LoggerColumnNames();

// The logger columns that stand in the row of `statement` from column `first`
// on, in the table's order; the decimal ones as the millionths they were made from.
LoggerLine ColumnLoggerLine(sqlite3_stmt* statement, int first);

class RecordsTable {
 public:
  explicit RecordsTable(sqlite3* db);

  // The record under `key`, if any.
  std::optional<HeldRecord> Find(std::int64_t key);

  // Adds `row` under `key`, which holds no record.
  void Insert(const RecordRow& row, std::int64_t key);

  // Adds `row` unless the record is there: under its key (RecordKey of the
  // row's device, sector and line), or the next free one. kOther when it was added.
  HeldMatch Add(const RecordRow& row);

 private:
  sqlite3* db_;
  Statement find_;
  Statement insert_;
};

}  // namespace trackctl::gpkg
