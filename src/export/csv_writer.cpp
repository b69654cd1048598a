#include "export/csv_writer.h"

#include "export/export_text.h"

namespace trackctl {

void CsvWriter::Begin() {
  out_.Write(
      "track,headCode,headState,flagCode,column4,hours,minutes,seconds,day,month,year,"
      "longitude,latitude,byteValue,wideValue,utcTime,problem\r\n");
}

void CsvWriter::BeginTrack(std::string_view name) { track_ = CsvField(name); }

void CsvWriter::Row(const TrackPoint& point) {
  const LoggerLine& line = point.line;
  text_ = track_;
  for (const std::uint32_t column : {line.headCode, line.headState, line.flagCode, line.column4, line.hours,
                                     line.minutes, line.seconds, line.day, line.month, line.year}) {
    text_ += ',';
    AppendUnsigned(text_, column);
  }
  for (const std::uint64_t column : {line.longitude, line.latitude, line.byteValue, line.wideValue}) {
    text_ += ',';
    AppendMillionths(text_, column);
  }
  text_ += ',';
  if (point.utc) AppendIsoUtc(text_, *point.utc);
  text_ += ',';
  text_ += ProblemText(point.problem);
  text_ += "\r\n";
  out_.Write(text_);
}

}  // namespace trackctl
