#include "archive/postgres/pg_copy_rows.h"

#include <charconv>

#include "export/utc_time.h"

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

}  // namespace trackctl
