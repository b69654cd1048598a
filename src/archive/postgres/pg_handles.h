// Owners of libpq's handles: a connection is finished and a result cleared
// when they go, a transaction that was not committed rolled back; statements
// that fail throw.
#pragma once

#include <libpq-fe.h>

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace trackctl {

struct PgConnectionFinisher {
  void operator()(PGconn* connection) const { PQfinish(connection); }
};
using PgConnection = std::unique_ptr<PGconn, PgConnectionFinisher>;

struct PgResultClearer {
  void operator()(PGresult* result) const { PQclear(result); }
};
using PgResult = std::unique_ptr<PGresult, PgResultClearer>;

// A failed libpq call inside the backend, with libpq's message on one line. The
// backend turns it into an ArchiveError before it reaches its callers.
struct PgFailure {
  std::string message;
};

// libpq's message of `text` on one line: its lines joined by "; ", blanks
// folded, no line end.
std::string OneLine(const std::string& text);

// Statement parameters as text, NULL where empty.
using PgParams = std::vector<std::optional<std::string>>;

// Runs `sql` with `params` ($1, $2, ...), all as text (without parameters,
// `sql` may hold several statements); throws a PgFailure unless the result has
// the status `expected`.
PgResult Execute(PGconn* connection, const char* sql, const PgParams& params = {},
                 ExecStatusType expected = PGRES_COMMAND_OK);
// The same for a query whose rows are wanted.
PgResult Query(PGconn* connection, const char* sql, const PgParams& params = {});

// The text of row `row`, column `column`; nothing for NULL.
std::optional<std::string> Text(const PGresult* result, int row, int column);

// Runs `copySql` (a COPY ... FROM STDIN) and sends `rows` rows, each written
// by `appendRow(out, row)` in COPY's text format, in pieces of about a
// megabyte; throws a PgFailure when the server refuses them.
void CopyIn(PGconn* connection, const char* copySql, std::size_t rows,
            const std::function<void(std::string& out, std::size_t row)>& appendRow);

// BEGIN (with `mode`, e.g. "ISOLATION LEVEL REPEATABLE READ") on construction;
// ROLLBACK unless Commit() ran.
class PgTransaction {
 public:
  explicit PgTransaction(PGconn* connection, const char* mode = "");
  ~PgTransaction();
  PgTransaction(const PgTransaction&) = delete;
  PgTransaction& operator=(const PgTransaction&) = delete;
  void Commit();

 private:
  PGconn* connection_;
  bool open_ = true;
};

}  // namespace trackctl
