#include "track/logger_file_reader.h"

namespace trackctl {

LoggerFileRecords ReadLoggerFileRecords(std::string_view text, LocalTimeRule& rule) {
  LoggerFileRecords file;
  LoggerFileReader reader(rule);
  reader.Feed(text, file);
  reader.Finish(file);
  return file;
}

void LoggerFileReader::Feed(std::string_view text, LoggerFileRecords& out) {
  splitter_.Feed(text, [&](std::string_view line) { Line(line, out); });
}

void LoggerFileReader::Finish(LoggerFileRecords& out) {
  splitter_.Finish([&](std::string_view line) { Line(line, out); });
}

void LoggerFileReader::Line(std::string_view line, LoggerFileRecords& out) {
  ++number_;
  if (line.empty()) return;  // an empty line holds no record, and is no fault
  if (const std::optional<LoggerLine> parsed = ParseLoggerLine(line)) {
    out.records.push_back(MakeTrackPoint(*parsed, rule_));
  } else {
    out.notLoggerLines.push_back(number_);
  }
}

}  // namespace trackctl
