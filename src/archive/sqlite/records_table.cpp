#include "archive/sqlite/records_table.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "archive/archive_time.h"
#include "archive/record_key.h"

namespace trackctl::gpkg {
namespace {

std::string Columns(const char* before, const char* after) {
  std::string sql = before;
  for (const LoggerColumn& column : kLoggerColumns) (sql += column.name) += ", ";
  return sql + after;
}

std::string FindSql() { return Columns("SELECT device, sector, ", "utc_time FROM records WHERE record_key = ?1"); }

// utc_time is "YYYY-MM-DDThh:mm:ss.000Z" (or "...ssZ" in an archive that is
// being migrated): read as its second.
std::optional<std::int64_t> StoredUtc(sqlite3_stmt* statement, int column) {
  const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
  const auto size = static_cast<std::size_t>(sqlite3_column_bytes(statement, column));
  if (text == nullptr || size < 20) return std::nullopt;
  char second[20];
  std::copy(text, text + 19, second);
  second[19] = 'Z';
  return ParseIsoUtc(std::string_view(second, sizeof second));
}

constexpr int kFirstLoggerColumn = 2;
constexpr int kFoundUtcColumn = kFirstLoggerColumn + static_cast<int>(kLoggerColumns.size());

std::string InsertSql() {
  std::string sql = Columns("INSERT INTO records (fid, geom, device, sector, utc_time, local_time, ",
                            "problem, download_id, record_key) VALUES (?1");
  for (std::size_t i = 2; i <= 9 + kLoggerColumns.size(); ++i) sql += ", ?" + std::to_string(i);
  return sql + ")";
}

std::string ColumnText(sqlite3_stmt* statement, int column) {
  const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
  return {text != nullptr ? text : "", static_cast<std::size_t>(sqlite3_column_bytes(statement, column))};
}

void BindText(sqlite3* db, sqlite3_stmt* statement, int index, std::optional<std::string_view> text) {
  if (!text) return Check(db, sqlite3_bind_null(statement, index));
  Check(db, sqlite3_bind_text(statement, index, text->data(), static_cast<int>(text->size()), SQLITE_STATIC));
}

}  // namespace

std::string LoggerColumnNames() {
  std::string names;
  for (const LoggerColumn& column : kLoggerColumns) (names += names.empty() ? "" : ", ") += column.name;
  return names;
}

LoggerLine ColumnLoggerLine(sqlite3_stmt* statement, int first) {
  LoggerLine line;
  for (std::size_t c = 0; c < kLoggerColumns.size(); ++c) {
    const int column = first + static_cast<int>(c);
    kLoggerColumns[c].set(line, kLoggerColumns[c].kind == LoggerColumnKind::kInteger
                                    ? static_cast<std::uint64_t>(sqlite3_column_int64(statement, column))
                                    : static_cast<std::uint64_t>(std::llround(sqlite3_column_double(statement, column) * 1e6)));
  }
  return line;
}

RecordsTable::RecordsTable(sqlite3* db)
    : db_(db), find_(Prepare(db, FindSql().c_str())), insert_(Prepare(db, InsertSql().c_str())) {}

std::optional<HeldRecord> RecordsTable::Find(std::int64_t key) {
  sqlite3_stmt* s = find_.get();
  const StatementUse use(s);
  Check(db_, sqlite3_bind_int64(s, 1, key));
  const int code = sqlite3_step(s);
  Check(db_, code, SQLITE_ROW, SQLITE_DONE);
  if (code == SQLITE_DONE) return std::nullopt;
  HeldRecord held{ColumnText(s, 0), ColumnText(s, 1), {}, {}, std::nullopt};
  for (std::size_t c = 0; c < kLoggerColumns.size(); ++c) {
    const int column = kFirstLoggerColumn + static_cast<int>(c);
    if (kLoggerColumns[c].kind == LoggerColumnKind::kInteger) {
      // A value that is no integer matches no record's.
      held.integers[c] = sqlite3_column_type(s, column) == SQLITE_INTEGER ? sqlite3_column_int64(s, column) : -1;
    } else {
      held.decimals[c] = sqlite3_column_double(s, column);
    }
  }
  held.utc = StoredUtc(s, kFoundUtcColumn);
  return held;
}

HeldMatch RecordsTable::Add(const RecordRow& row) {
  TrackPoint point{row.line, std::nullopt, PointProblem::kNone};
  if (row.utcTime) point.utc = ParseIsoUtc(std::string(row.utcTime->substr(0, 19)) + "Z");
  const std::string sector(SectorWord(row.sector));
  for (std::int64_t key = RecordKey(row.device, row.sector, row.line);; key = NextRecordKey(key)) {
    const std::optional<HeldRecord> held = Find(key);
    if (!held) {
      Insert(row, key);
      return HeldMatch::kOther;
    }
    const HeldMatch match = MatchHeld(*held, row.device, sector, point);
    if (match != HeldMatch::kOther) return match;
  }
}

void RecordsTable::Insert(const RecordRow& row, std::int64_t key) {
  sqlite3_stmt* s = insert_.get();
  const StatementUse use(s);
  if (row.fid) Check(db_, sqlite3_bind_int64(s, 1, *row.fid));
  if (!row.geometry.empty()) {
    Check(db_, sqlite3_bind_blob(s, 2, row.geometry.data(), static_cast<int>(row.geometry.size()), SQLITE_STATIC));
  }
  BindText(db_, s, 3, row.device);
  BindText(db_, s, 4, SectorWord(row.sector));
  BindText(db_, s, 5, row.utcTime);
  BindText(db_, s, 6, row.localTime);
  int index = 7;
  for (const LoggerColumn& column : kLoggerColumns) {
    const std::uint64_t value = column.get(row.line);
    Check(db_, column.kind == LoggerColumnKind::kInteger
                   ? sqlite3_bind_int64(s, index, static_cast<sqlite3_int64>(value))
                   : sqlite3_bind_double(s, index, StoredDecimal(value)));
    ++index;
  }
  BindText(db_, s, index++, row.problem);
  Check(db_, sqlite3_bind_int64(s, index++, row.downloadId));
  Check(db_, sqlite3_bind_int64(s, index, key));
  Check(db_, sqlite3_step(s), SQLITE_DONE);
}

}  // namespace trackctl::gpkg
