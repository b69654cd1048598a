#include "export/csv_writer.h"

#include "export/export_text.h"
#include "track/logger_columns.h"

namespace trackctl {

void CsvWriter::Begin() {
  std::string header = "track";
  for (const LoggerColumn& column : kLoggerColumns) (header += ',') += column.name;
  out_.Write(header + ",utcTime,problem\r\n");
}

void CsvWriter::BeginTrack(std::string_view name) { track_ = CsvField(name); }

void CsvWriter::Row(const TrackPoint& point) {
  const LoggerLine& line = point.line;
  text_ = track_;
  for (const LoggerColumn& column : kLoggerColumns) {
    text_ += ',';
    if (column.kind == LoggerColumnKind::kInteger) {
      AppendUnsigned(text_, column.get(line));
    } else {
      AppendMillionths(text_, column.get(line));
    }
  }
  text_ += ',';
  if (point.utc) AppendIsoUtc(text_, *point.utc);
  text_ += ',';
  text_ += ProblemText(point.problem);
  text_ += "\r\n";
  out_.Write(text_);
}

}  // namespace trackctl
