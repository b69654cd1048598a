#include "archive/postgres/pg_copy_rows.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

#include "track/utc_time.h"

namespace trackctl::pg {
namespace {

template <typename Number>
void AppendNumber(std::string& out, Number value) {
  char digits[32];
  const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  out.append(digits, end);
}

}  // namespace

std::string QuotedColumn(const LoggerColumn& column) { return "\"" + std::string(column.name) + "\""; }

std::string LoggerColumnList() {
  std::string list;
  for (const LoggerColumn& column : kLoggerColumns) list += (list.empty() ? "" : ", ") + QuotedColumn(column);
  return list;
}

void AppendCopyText(std::string& out, std::string_view text) {
  for (const char c : text) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\t': out += "\\t"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      default: out += c;
    }
  }
}

void AppendCopyRow(std::string& out, std::size_t seq, std::int64_t key, const TrackPoint& point) {
  const LoggerLine& line = point.line;
  AppendNumber(out, seq);
  out += '\t';
  AppendNumber(out, key);
  out += '\t';
  if (point.utc) {
    AppendIsoUtc(out, *point.utc);
  } else {
    out += "\\N";
  }
  out += '\t';
  std::string local;
  AppendDateTime(local,
                 LocalDateTime{static_cast<int>(line.year), static_cast<int>(line.month), static_cast<int>(line.day),
                               static_cast<int>(line.hours), static_cast<int>(line.minutes),
                               static_cast<int>(line.seconds)},
                 ' ');
  AppendCopyText(out, local);
  // The decimal columns as the GeoPackage computes them, written so that they
  // read back as the same double: the same values, so the same records are the same.
  for (const LoggerColumn& column : kLoggerColumns) {
    out += '\t';
    if (column.kind == LoggerColumnKind::kInteger) {
      AppendNumber(out, column.get(line));
    } else {
      AppendNumber(out, StoredDecimal(column.get(line)));
    }
  }
  out += '\t';
  if (point.problem == PointProblem::kNone) {
    out += "\\N";
  } else {
    AppendCopyText(out, ProblemText(point.problem));
  }
  out += '\n';
}

LoggerLine RowLoggerLine(const PGresult* result, int row, int first) {
  LoggerLine line;
  for (std::size_t c = 0; c < kLoggerColumns.size(); ++c) {
    const char* text = PQgetvalue(result, row, first + static_cast<int>(c));
    kLoggerColumns[c].set(line, kLoggerColumns[c].kind == LoggerColumnKind::kInteger
                                    ? std::strtoull(text, nullptr, 10)
                                    : static_cast<std::uint64_t>(std::llround(std::strtod(text, nullptr) * 1e6)));
  }
  return line;
}

}  // namespace trackctl::pg
