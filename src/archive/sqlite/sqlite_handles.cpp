#include "archive/sqlite/sqlite_handles.h"

namespace trackctl {

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

}  // namespace trackctl
