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

namespace trackctl::pg {

struct ConnectionFinisher {
  void operator()(PGconn* connection) const { PQfinish(connection); }
};
using Connection = std::unique_ptr<PGconn, ConnectionFinisher>;

struct ResultClearer {
  void operator()(PGresult* result) const { PQclear(result); }
};
using Result = std::unique_ptr<PGresult, ResultClearer>;

// A failed libpq call inside the backend, with libpq's message on one line. The
// backend turns it into an ArchiveError before it reaches its callers.
struct Failure {
  std::string message;
};

// libpq's message of `text` on one line: its lines joined by "; ", blanks
// folded, no line end.
std::string OneLine(const std::string& text);

// Statement parameters as text, NULL where empty.
using Params = std::vector<std::optional<std::string>>;

// Runs `sql` with `params` ($1, $2, ...), all as text (without parameters,
// `sql` may hold several statements); throws a Failure unless the result has
// the status `expected`.
Result Execute(PGconn* connection, const char* sql, const Params& params = {},
                 ExecStatusType expected = PGRES_COMMAND_OK);
// The same for a query whose rows are wanted.
Result Query(PGconn* connection, const char* sql, const Params& params = {});

// The text of row `row`, column `column`; nothing for NULL.
std::optional<std::string> Text(const PGresult* result, int row, int column);

// Runs `copySql` (a COPY ... FROM STDIN) and sends `rows` rows, each written
// by `appendRow(out, row)` in COPY's text format, in pieces of about a
// megabyte; throws a Failure when the server refuses them.
void CopyIn(PGconn* connection, const char* copySql, std::size_t rows,
            const std::function<void(std::string& out, std::size_t row)>& appendRow);

// BEGIN (with `mode`, e.g. "ISOLATION LEVEL REPEATABLE READ") on construction;
// ROLLBACK unless Commit() ran.
class Transaction {
 public:
  explicit Transaction(PGconn* connection, const char* mode = "");
  ~Transaction();
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;
  void Commit();

 private:
  PGconn* connection_;
  bool open_ = true;
};

}  // namespace trackctl::pg
