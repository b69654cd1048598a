#include "archive/postgres/pg_copy_rows.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

#include "track/utc_time.h"

namespace trackctl {
namespace {

template <typename Number>
void AppendNumber(std::string& out, Number value) {
  char digits[32];
  const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  out.append(digits, end);
}

}  // namespace

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
  for (const std::uint32_t column : {line.headCode, line.headState, line.flagCode, line.column4, line.hours,
                                     line.minutes, line.seconds, line.day, line.month, line.year}) {
    out += '\t';
    AppendNumber(out, column);
  }
  // The degrees as the GeoPackage computes them, written so that they read back
  // as the same double: the same values, so the same records are the same.
  for (const std::uint64_t millionths : {line.longitude, line.latitude, line.byteValue, line.wideValue}) {
    out += '\t';
    AppendNumber(out, static_cast<double>(millionths) / 1e6);
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
  const auto column = [&](int i) {
    return static_cast<std::uint32_t>(std::strtoull(PQgetvalue(result, row, first + i), nullptr, 10));
  };
  const auto millionths = [&](int i) {
    return static_cast<std::uint64_t>(std::llround(std::strtod(PQgetvalue(result, row, first + i), nullptr) * 1e6));
  };
  return LoggerLine{column(0),      column(1),      column(2),      column(3),  column(4),
                    column(5),      column(6),      column(7),      column(8),  column(9),
                    millionths(10), millionths(11), millionths(12), millionths(13)};
}

}  // namespace trackctl
