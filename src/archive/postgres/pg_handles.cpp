#include "archive/postgres/pg_handles.h"

#include <cctype>

namespace trackctl::pg {

std::string OneLine(const std::string& text) {
  std::string line;
  bool blank = false;
  for (const char c : text) {
    if (c == '\n') {
      if (!line.empty() && line.back() != ';') line += ';';
      blank = true;
    } else if (std::isspace(static_cast<unsigned char>(c)) != 0) {
      blank = true;
    } else {
      if (blank && !line.empty()) line += ' ';
      line += c;
      blank = false;
    }
  }
  while (!line.empty() && line.back() == ';') line.pop_back();
  return line;
}

Result Execute(PGconn* connection, const char* sql, const Params& params, ExecStatusType expected) {
  std::vector<const char*> values;
  values.reserve(params.size());
  for (const std::optional<std::string>& param : params) values.push_back(param ? param->c_str() : nullptr);
  // Without parameters, several statements may stand in `sql`.
  Result result(params.empty() ? PQexec(connection, sql)
                                 : PQexecParams(connection, sql, static_cast<int>(values.size()), nullptr,
                                                values.data(), nullptr, nullptr, 0));
  if (!result || PQresultStatus(result.get()) != expected) {
    throw Failure{OneLine(result ? PQresultErrorMessage(result.get()) : PQerrorMessage(connection))};
  }
  return result;
}

Result Query(PGconn* connection, const char* sql, const Params& params) {
  return Execute(connection, sql, params, PGRES_TUPLES_OK);
}

std::optional<std::string> Text(const PGresult* result, int row, int column) {
  if (PQgetisnull(result, row, column) != 0) return std::nullopt;
  return std::string(PQgetvalue(result, row, column), static_cast<std::size_t>(PQgetlength(result, row, column)));
}

void CopyIn(PGconn* connection, const char* copySql, std::size_t rows,
            const std::function<void(std::string& out, std::size_t row)>& appendRow) {
  constexpr std::size_t kPieceBytes = 1 << 20;
  Execute(connection, copySql, {}, PGRES_COPY_IN);
  std::string piece;
  const auto send = [&] {
    if (PQputCopyData(connection, piece.data(), static_cast<int>(piece.size())) != 1) {
      throw Failure{OneLine(PQerrorMessage(connection))};
    }
    piece.clear();
  };
  for (std::size_t row = 0; row < rows; ++row) {
    appendRow(piece, row);
    if (piece.size() >= kPieceBytes) send();
  }
  if (!piece.empty()) send();
  if (PQputCopyEnd(connection, nullptr) != 1) throw Failure{OneLine(PQerrorMessage(connection))};
  const Result copied(PQgetResult(connection));
  std::optional<Failure> failure;
  if (!copied || PQresultStatus(copied.get()) != PGRES_COMMAND_OK) {
    failure = Failure{OneLine(copied ? PQresultErrorMessage(copied.get()) : PQerrorMessage(connection))};
  }
  // The end of the COPY's results.
  while (PGresult* more = PQgetResult(connection)) PQclear(more);
  if (failure) throw *failure;
}

Transaction::Transaction(PGconn* connection, const char* mode) : connection_(connection) {
  Execute(connection_, (std::string("BEGIN ") + mode).c_str());
}

Transaction::~Transaction() {
  if (open_) PQclear(PQexec(connection_, "ROLLBACK"));
}

void Transaction::Commit() {
  Execute(connection_, "COMMIT");
  open_ = false;
}

}  // namespace trackctl::pg
