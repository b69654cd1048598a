// A logger file as the archive takes it: the download its name tells of, and
// its records with their UTC times and problems.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

#include "archive/archive.h"
#include "export/local_time_rule.h"
#include "export/track_point.h"

namespace trackctl {

// The device, sector and time of download of a file that a download named
// (its folder, if any, is left aside); nothing for any other name.
std::optional<ArchiveDownload> DownloadOfFileName(std::string_view path);

struct LoggerFileRecords {
  std::vector<TrackPoint> records;
  std::vector<std::size_t> notLoggerLines;  // their numbers, from 1
};

// The records of a logger file's text, each line a record (LF or CR LF ends).
LoggerFileRecords ReadLoggerFileRecords(std::string_view text, LocalTimeRule& rule);

}  // namespace trackctl
