// What the benchmarks share: the median of their runs, the time since a start,
// the machine's load, and the logger file text of a sector as the simulated
// device fills it.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <fstream>
#include <string>
#include <vector>

#include "logger/logger_line.h"
#include "logger/logger_record.h"
#include "sim/device.h"

namespace trackctl::bench {

// The middle value of an odd number of runs (the upper middle of an even one).
inline double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

inline double MillisecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// The load average of the last minute (the first figure of /proc/loadavg), or
// -1 where there is none.
inline double LoadAverage() {
  std::ifstream file("/proc/loadavg");
  double load = -1;
  file >> load;
  return file ? load : -1;
}

// The logger lines of a sector of `records` records (47,662 make 1 MiB).
inline std::string SectorLoggerText(std::size_t records) {
  std::string text;
  for (const tracksim::LoggerRecordBytes& record : tracksim::DefaultLoggerRecords(records, 9, 45)) {
    text += FormatLoggerLine(LoggerLineOf(DecodeLoggerRecord(record)));
  }
  return text;
}

}  // namespace trackctl::bench
