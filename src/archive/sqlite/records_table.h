// Rows of the layer `records`, each record once: a row is added under the
// record's key unless the record is there already (see record_key.h).
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "archive/sqlite/sqlite_handles.h"
#include "logger/logger_line.h"
#include "logger/sector.h"

namespace trackctl {

// One record as the layer keeps it; the texts and the geometry are only read
// while Add runs.
struct RecordRow {
  std::optional<std::int64_t> fid;         // chosen by the table when not given
  std::span<const std::uint8_t> geometry;  // none: no place
  std::string_view device;
  Sector sector = Sector::kSms;
  std::optional<std::string_view> utcTime;
  std::string_view localTime;
  LoggerLine line;
  std::optional<std::string_view> problem;
  std::int64_t downloadId = 0;
};

// What Add did with a row.
enum class RecordAdded {
  kAdded,
  kThere,              // the record was there
  kThereWithOtherUtc,  // the record was there with another UTC time (or with none, or without this one's)
};

class RecordsTable {
 public:
  explicit RecordsTable(sqlite3* db);

  // Adds `row` unless the record is there. `key` is RecordKey of the row's
  // device, sector and line.
  RecordAdded Add(const RecordRow& row, std::int64_t key);

 private:
  // Whether the row under `key` holds the record of `row`.
  bool SameRecord(const RecordRow& row) const;
  void Insert(const RecordRow& row, std::int64_t key);

  sqlite3* db_;
  Statement find_;
  Statement insert_;
};

}  // namespace trackctl
