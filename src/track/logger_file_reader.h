// A logger file's text as track points, each line a record.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "track/local_time_rule.h"
#include "track/track_point.h"

namespace trackctl {

struct LoggerFileRecords {
  std::vector<TrackPoint> records;
  std::vector<std::size_t> notLoggerLines;  // their numbers, from 1
};

// The records of a logger file's text, each line a record (LF or CR LF ends).
LoggerFileRecords ReadLoggerFileRecords(std::string_view text, LocalTimeRule& rule);

}  // namespace trackctl
