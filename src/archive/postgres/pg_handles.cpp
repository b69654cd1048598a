#include "archive/postgres/pg_handles.h"

#include <cctype>

namespace trackctl {

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

PgResult Execute(PGconn* connection, const char* sql, const PgParams& params, ExecStatusType expected) {
  std::vector<const char*> values;
  values.reserve(params.size());
  for (const std::optional<std::string>& param : params) values.push_back(param ? param->c_str() : nullptr);
  // Without parameters, several statements may stand in `sql`.
  PgResult result(params.empty() ? PQexec(connection, sql)
                                 : PQexecParams(connection, sql, static_cast<int>(values.size()), nullptr,
                                                values.data(), nullptr, nullptr, 0));
  if (!result || PQresultStatus(result.get()) != expected) {
    throw PgFailure{OneLine(result ? PQresultErrorMessage(result.get()) : PQerrorMessage(connection))};
  }
  return result;
}

PgResult Query(PGconn* connection, const char* sql, const PgParams& params) {
  return Execute(connection, sql, params, PGRES_TUPLES_OK);
}

std::optional<std::string> Text(const PGresult* result, int row, int column) {
  if (PQgetisnull(result, row, column) != 0) return std::nullopt;
  return std::string(PQgetvalue(result, row, column), static_cast<std::size_t>(PQgetlength(result, row, column)));
}

PgTransaction::PgTransaction(PGconn* connection, const char* mode) : connection_(connection) {
  Execute(connection_, (std::string("BEGIN ") + mode).c_str());
}

PgTransaction::~PgTransaction() {
  if (open_) PQclear(PQexec(connection_, "ROLLBACK"));
}

void PgTransaction::Commit() {
  Execute(connection_, "COMMIT");
  open_ = false;
}

}  // namespace trackctl
