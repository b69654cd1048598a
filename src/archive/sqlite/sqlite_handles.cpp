#include "archive/sqlite/sqlite_handles.h"

#include "archive/sqlite/archive_file.h"

namespace trackctl::gpkg {

void ConnectionCloser::operator()(sqlite3* db) const {
  sqlite3_close_v2(db);
  if (leftLogOf.empty() || !HasWriteAheadLog(leftLogOf)) return;
  sqlite3* writer = nullptr;
  const int opened = sqlite3_open_v2(FileUri(leftLogOf, "").c_str(), &writer,
                                     SQLITE_OPEN_READWRITE | SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX, nullptr);
  if (opened == SQLITE_OK && sqlite3_db_readonly(writer, "main") == 0) {
    sqlite3_exec(writer, "PRAGMA schema_version", nullptr, nullptr, nullptr);
  }
  sqlite3_close_v2(writer);
}

void Check(sqlite3* db, int code, int ok, int alsoOk) {
  if (code != ok && code != alsoOk) throw SqliteFailure{code, sqlite3_errmsg(db)};
}

Statement Prepare(sqlite3* db, const char* sql) {
  sqlite3_stmt* statement = nullptr;
  Check(db, sqlite3_prepare_v2(db, sql, -1, &statement, nullptr));
  return Statement(statement);
}

void Execute(sqlite3* db, const char* sql) { Check(db, sqlite3_exec(db, sql, nullptr, nullptr, nullptr)); }

Transaction::Transaction(sqlite3* db) : db_(db) { Execute(db_, "BEGIN IMMEDIATE"); }

Transaction::~Transaction() {
  if (open_) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
}

void Transaction::Commit() {
  Execute(db_, "COMMIT");
  open_ = false;
}

}  // namespace trackctl::gpkg
