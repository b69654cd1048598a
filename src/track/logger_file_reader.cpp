#include "track/logger_file_reader.h"

#include "logger/logger_line.h"
#include "track/line_splitter.h"

namespace trackctl {

LoggerFileRecords ReadLoggerFileRecords(std::string_view text, LocalTimeRule& rule) {
  LoggerFileRecords file;
  LineSplitter splitter(kMaxLoggerLineLength);
  std::size_t number = 0;
  const auto onLine = [&](std::string_view line) {
    ++number;
    if (line.empty()) return;  // an empty line holds no record, and is no fault
    if (const std::optional<LoggerLine> parsed = ParseLoggerLine(line)) {
      file.records.push_back(MakeTrackPoint(*parsed, rule));
    } else {
      file.notLoggerLines.push_back(number);
    }
  };
  splitter.Feed(text, onLine);
  splitter.Finish(onLine);
  return file;
}

}  // namespace trackctl
