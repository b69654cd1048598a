// A logger file's text as track points, each line a record.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "logger/logger_line.h"
#include "track/line_splitter.h"
#include "track/local_time_rule.h"
#include "track/track_point.h"

namespace trackctl {

struct LoggerFileRecords {
  std::vector<TrackPoint> records;
  std::vector<std::size_t> notLoggerLines;  // their numbers, from 1
};

// The records of a logger file's text, each line a record (LF or CR LF ends).
LoggerFileRecords ReadLoggerFileRecords(std::string_view text, LocalTimeRule& rule);

// The same for text that arrives in pieces: each piece's records (and the
// numbers of its lines that are none) are added to `out`, which the caller
// may empty between pieces.
class LoggerFileReader {
 public:
  explicit LoggerFileReader(LocalTimeRule& rule) : rule_(rule) {}
  void Feed(std::string_view text, LoggerFileRecords& out);
  // After the last piece: the last line, when it has no line end.
  void Finish(LoggerFileRecords& out);

 private:
  void Line(std::string_view line, LoggerFileRecords& out);

  LocalTimeRule& rule_;
  LineSplitter splitter_{kMaxLoggerLineLength};
  std::size_t number_ = 0;
};

}  // namespace trackctl
