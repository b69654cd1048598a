// How fast logger records become logger lines: decoding and formatting alone,
// no file. Prints one table row, the median of five rounds of about a second.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "logger/logger_record.h"
#include "sim/device.h"

int main() {
  using Clock = std::chrono::steady_clock;
  constexpr std::size_t kRecords = 47'662;
  constexpr int kRounds = 5;
  const std::vector<tracksim::LoggerRecordBytes> records = tracksim::DefaultLoggerRecords(kRecords, 9, 45);

  std::vector<double> perSecond;
  std::size_t characters = 0;  // used, so that no line can be left out
  for (int round = 0; round < kRounds; ++round) {
    std::size_t lines = 0;
    const Clock::time_point start = Clock::now();
    double seconds = 0;
    while (seconds < 1.0) {
      for (const tracksim::LoggerRecordBytes& record : records) {
        const trackctl::LoggerRecord decoded = trackctl::DecodeLoggerRecord(record);
        characters += trackctl::FormatLoggerLine(trackctl::LoggerLineOf(decoded)).size();
      }
      lines += records.size();
      seconds = std::chrono::duration<double>(Clock::now() - start).count();
    }
    perSecond.push_back(static_cast<double>(lines) / seconds);
  }
  std::sort(perSecond.begin(), perSecond.end());
  std::printf("| Logger line formatting (decode and format, no file) | %d | - | - | - | %.2f M lines/s | - |\n", kRounds,
              perSecond[kRounds / 2] / 1e6);
  std::fprintf(stderr, "format_bench: %zu characters formatted\n", characters);
}
