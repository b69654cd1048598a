#include "archive/sqlite/records_table.h"

#include <cstring>

#include "archive/record_key.h"

namespace trackctl {
namespace {

constexpr const char* kFindSql =
    "SELECT device, sector, headCode, headState, flagCode, column4, hours, minutes, seconds, day, month, year,"
    " longitude, latitude, byteValue, wideValue, utc_time FROM records WHERE record_key = ?1";

constexpr int kFoundUtcColumn = 16;

constexpr const char* kInsertSql =
    "INSERT INTO records (fid, geom, device, sector, utc_time, local_time, headCode, headState, flagCode,"
    " column4, hours, minutes, seconds, day, month, year, longitude, latitude, byteValue, wideValue, problem,"
    " download_id, record_key) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14, ?15, ?16,"
    " ?17, ?18, ?19, ?20, ?21, ?22, ?23)";

double Millionths(std::uint64_t value) { return static_cast<double>(value) / 1e6; }

bool SameText(sqlite3_stmt* statement, int column, std::string_view text) {
  const auto* stored = sqlite3_column_text(statement, column);
  const auto size = static_cast<std::size_t>(sqlite3_column_bytes(statement, column));
  return stored != nullptr && size == text.size() && std::memcmp(stored, text.data(), size) == 0;
}

void BindText(sqlite3* db, sqlite3_stmt* statement, int index, std::optional<std::string_view> text) {
  if (!text) return Check(db, sqlite3_bind_null(statement, index));
  Check(db, sqlite3_bind_text(statement, index, text->data(), static_cast<int>(text->size()), SQLITE_STATIC));
}

}  // namespace

RecordsTable::RecordsTable(sqlite3* db) : db_(db), find_(Prepare(db, kFindSql)), insert_(Prepare(db, kInsertSql)) {}

RecordAdded RecordsTable::Add(const RecordRow& row, std::int64_t key) {
  sqlite3_stmt* find = find_.get();
  for (;;) {
    const StatementUse use(find);
    Check(db_, sqlite3_bind_int64(find, 1, key));
    const int code = sqlite3_step(find);
    Check(db_, code, SQLITE_ROW, SQLITE_DONE);
    if (code == SQLITE_DONE) break;
    if (SameRecord(row)) {
      const bool sameUtc = row.utcTime ? SameText(find, kFoundUtcColumn, *row.utcTime)
                                       : sqlite3_column_type(find, kFoundUtcColumn) == SQLITE_NULL;
      return sameUtc ? RecordAdded::kThere : RecordAdded::kThereWithOtherUtc;
    }
    key = NextRecordKey(key);
  }
  Insert(row, key);
  return RecordAdded::kAdded;
}

bool RecordsTable::SameRecord(const RecordRow& row) const {
  sqlite3_stmt* s = find_.get();
  const LoggerLine& line = row.line;
  if (!SameText(s, 0, row.device) || !SameText(s, 1, SectorWord(row.sector))) return false;
  int column = 2;
  for (const std::uint32_t value : {line.headCode, line.headState, line.flagCode, line.column4, line.hours,
                                    line.minutes, line.seconds, line.day, line.month, line.year}) {
    if (sqlite3_column_type(s, column) != SQLITE_INTEGER || sqlite3_column_int64(s, column) != value) return false;
    ++column;
  }
  for (const std::uint64_t value : {line.longitude, line.latitude, line.byteValue, line.wideValue}) {
    if (sqlite3_column_double(s, column) != Millionths(value)) return false;
    ++column;
  }
  return true;
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
  const LoggerLine& line = row.line;
  int index = 7;
  for (const std::uint32_t column : {line.headCode, line.headState, line.flagCode, line.column4, line.hours,
                                     line.minutes, line.seconds, line.day, line.month, line.year}) {
    Check(db_, sqlite3_bind_int64(s, index++, column));
  }
  for (const std::uint64_t column : {line.longitude, line.latitude, line.byteValue, line.wideValue}) {
    Check(db_, sqlite3_bind_double(s, index++, Millionths(column)));
  }
  BindText(db_, s, 21, row.problem);
  Check(db_, sqlite3_bind_int64(s, 22, row.downloadId));
  Check(db_, sqlite3_bind_int64(s, 23, key));
  Check(db_, sqlite3_step(s), SQLITE_DONE);
}

}  // namespace trackctl
