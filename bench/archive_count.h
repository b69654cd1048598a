// A number that one query of a GeoPackage archive gives, read without a write.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string>

// The first column of the first row of `sql` in the file `path`; -1 when there is none.
inline std::int64_t Count(const std::string& path, const char* sql) {
  sqlite3* db = nullptr;
  std::int64_t count = -1;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) == SQLITE_OK && sqlite3_step(statement) == SQLITE_ROW) {
      count = sqlite3_column_int64(statement, 0);
    }
    sqlite3_finalize(statement);
  }
  sqlite3_close(db);
  return count;
}
