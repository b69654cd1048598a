// Owners of SQLite's handles: a connection is closed, a statement finalized,
// and a transaction that was not committed rolled back when they go.
#pragma once

#include <sqlite3.h>

#include <memory>
#include <string>

namespace trackctl::gpkg {

// Closes a connection. For a connection that may not write, `leftLogOf` names
// its file when it had no -wal before: SQLite makes the -wal and -shm of a WAL
// file for every connection and leaves them when the last one may not write,
// so a connection that may opens the file then, reads its header and closes,
// and SQLite removes them unless another connection holds the file. That
// connection writes nothing of the file.
struct ConnectionCloser {
  std::string leftLogOf;
  void operator()(sqlite3* db) const;
};
using Connection = std::unique_ptr<sqlite3, ConnectionCloser>;

struct StatementFinalizer {
  void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using Statement = std::unique_ptr<sqlite3_stmt, StatementFinalizer>;

// A failed SQLite call inside the backend, with the connection's message. The
// backend turns it into an ArchiveError before it reaches its callers.
struct SqliteFailure {
  int code;
  std::string message;
};

// Throws a SqliteFailure unless `code` is one of the two that `ok` and `alsoOk` name.
void Check(sqlite3* db, int code, int ok = SQLITE_OK, int alsoOk = SQLITE_OK);

Statement Prepare(sqlite3* db, const char* sql);
// Runs SQL without results (one or more statements).
void Execute(sqlite3* db, const char* sql);

// BEGIN IMMEDIATE on construction; ROLLBACK unless Commit() ran.
class Transaction {
 public:
  explicit Transaction(sqlite3* db);
  ~Transaction();
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;
  void Commit();

 private:
  sqlite3* db_;
  bool open_ = true;
};

// Resets the statement (and clears its bindings) when it goes.
class StatementUse {
 public:
  explicit StatementUse(sqlite3_stmt* statement) : statement_(statement) {}
  ~StatementUse() {
    sqlite3_reset(statement_);
    sqlite3_clear_bindings(statement_);
  }
  StatementUse(const StatementUse&) = delete;
  StatementUse& operator=(const StatementUse&) = delete;

 private:
  sqlite3_stmt* statement_;
};

}  // namespace trackctl::gpkg
