// How fast a 1 MiB sector's logger file (47,662 records) goes into the archive:
// into an empty archive, then the same file again, then a later download that
// holds the same records (each record looked up); and how many bytes the
// archive takes per record. In process, through the same
// calls as `trackctl import` (file read, lines parsed, one transaction), the
// median of five runs each on a fresh archive. Prints a Markdown table.
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "archive/import_file.h"
#include "archive/download_file_name.h"
#include "archive/open_archive.h"
#include "bench/bench_figures.h"

namespace {

using trackctl::bench::Median;
using trackctl::bench::MillisecondsSince;
using trackctl::bench::SectorLoggerText;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr std::size_t kRecords = 47'662;
constexpr int kRuns = 5;

// Milliseconds of one import of `file` into the archive at `path`, or -1 when it failed.
double TimedImport(const std::string& path, const std::string& file) {
  const auto start = Clock::now();
  auto opened = trackctl::OpenArchive(path, trackctl::ArchiveAccess::kCreate);
  if (!std::holds_alternative<std::unique_ptr<trackctl::Archive>>(opened)) return -1;
  trackctl::FixedOffsetRule rule(330);
  const auto result = trackctl::ImportLoggerFile(*std::get<std::unique_ptr<trackctl::Archive>>(opened), file,
                                                 *trackctl::DownloadOfFileName(file), rule);
  if (!std::holds_alternative<trackctl::FileImported>(result)) return -1;
  return MillisecondsSince(start);
}

// The archive's size with its log written back into it.
std::uintmax_t CheckpointedSize(const std::string& path) {
  sqlite3* db = nullptr;
  sqlite3_open(path.c_str(), &db);
  sqlite3_exec(db, "PRAGMA wal_checkpoint(TRUNCATE)", nullptr, nullptr, nullptr);
  sqlite3_close(db);
  return fs::file_size(path);
}

}  // namespace

int main() {
  const fs::path dir = fs::temp_directory_path() / ("archive_bench_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  const std::string file = (dir / "1000752301_P20240501220000.dat").string();
  const std::string later = (dir / "1000752301_P20240502220000.dat").string();
  const std::string text = SectorLoggerText(kRecords);
  std::ofstream(file, std::ios::binary) << text;
  std::ofstream(later, std::ios::binary) << text;
  std::vector<double> empty, again, laterDownload;
  std::uintmax_t size = 0;
  for (int run = 0; run < kRuns; ++run) {
    const std::string archive = (dir / ("run" + std::to_string(run) + ".gpkg")).string();
    empty.push_back(TimedImport(archive, file));
    again.push_back(TimedImport(archive, file));
    laterDownload.push_back(TimedImport(archive, later));
    size = CheckpointedSize(archive);
  }
  std::printf("| Archive import of a 1 MiB sector (%zu records) | Runs | Wall (median) |\n|---|---|---|\n", kRecords);
  std::printf("| into an empty archive | %d | %.0f ms |\n", kRuns, Median(empty));
  std::printf("| the same file again | %d | %.0f ms |\n", kRuns, Median(again));
  std::printf("| a later download of the same records | %d | %.0f ms |\n", kRuns, Median(laterDownload));
  std::printf("\nArchive size: %ju bytes for %zu records, %.0f bytes per record (indexes included).\n", size,
              kRecords, static_cast<double>(size) / kRecords);
  fs::remove_all(dir);
  return 0;
}
