// How fast `trackctl export --archive` gives one device's day from a fleet's
// archive of 10 million records (210 devices, a 1 MiB sector each: 16 days of a
// record every 30 s). The archive is made once, through the same calls as
// `trackctl import`, and kept in build/release/bench/ for later runs (2.8 GB;
// 25 minutes to make on a busy 2-core machine). The real binary, started afresh for each run,
// writes the day as GPX; the median of five runs. Prints a Markdown table.
#include <sqlite3.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "archive/open_archive.h"
#include "bench/archive_count.h"
#include "logger/logger_record.h"
#include "sim/device.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr std::size_t kRecordsPerDevice = 47'662;
constexpr int kDevices = 210;
constexpr int kRuns = 5;

std::string Device(int number) { return std::to_string(2000000000 + number); }

// Makes the fleet's archive at `path` unless it is there whole; false when that failed.
bool MakeFleet(const std::string& path) {
  if (Count(path, "SELECT count(*) FROM downloads") == kDevices) return true;
  for (const char* suffix : {"", "-wal", "-shm"}) fs::remove(path + suffix);
  auto opened = trackctl::OpenArchive(path, trackctl::ArchiveAccess::kCreate);
  if (!std::holds_alternative<std::unique_ptr<trackctl::Archive>>(opened)) return false;
  trackctl::Archive& archive = *std::get<std::unique_ptr<trackctl::Archive>>(opened);
  trackctl::FixedOffsetRule rule(330);
  std::vector<trackctl::TrackPoint> points;
  for (const auto& record : tracksim::DefaultLoggerRecords(kRecordsPerDevice, 5, 30)) {
    points.push_back(trackctl::MakeTrackPoint(trackctl::LoggerLineOf(trackctl::DecodeLoggerRecord(record)), rule));
  }
  const auto start = Clock::now();
  for (int device = 0; device < kDevices; ++device) {
    trackctl::ArchiveDownload download;
    download.device = Device(device);
    download.fileName = download.device + "_P20240501220000.dat";
    download.downloaded = trackctl::LocalDateTime{2024, 5, 1, 22, 0, 0};
    if (!std::holds_alternative<trackctl::ImportCounts>(archive.Import(download, points))) return false;
    std::fprintf(stderr, "\rmaking the fleet's archive: %d of %d devices, %.0f s", device + 1, kDevices,
                 std::chrono::duration<double>(Clock::now() - start).count());
  }
  std::fprintf(stderr, "\n");
  return true;
}

// Seconds of one run of `arguments`, or -1 when it failed.
double TimedRun(const std::vector<std::string>& arguments) {
  std::vector<char*> argv;
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  const auto start = Clock::now();
  pid_t pid = 0;
  if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
  int status = 0;
  if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
  return std::chrono::duration<double>(Clock::now() - start).count();
}

}  // namespace

int main() {
  const std::string path = (fs::path(TRACKCTL_BENCH_DIR) / "fleet-10m.gpkg").string();
  if (!MakeFleet(path)) {
    std::fprintf(stderr, "archive_fleet_bench: could not make %s\n", path.c_str());
    return 1;
  }
  const std::int64_t records = Count(path, "SELECT count(*) FROM records");
  const std::string device = Device(kDevices / 2);
  const std::string day = (fs::temp_directory_path() / "archive_fleet_bench_day.gpx").string();
  // The second whole day of the device's records.
  const std::vector<std::string> exportDay = {TRACKCTL_BINARY, "export", "--archive", path, "--device", device,
                                              "--since", "2005-06-13T00:00:00Z", "--until", "2005-06-13T23:59:59Z",
                                              "--format", "gpx", "-o", day};
  std::vector<double> times;
  for (int run = 0; run < kRuns; ++run) times.push_back(TimedRun(exportDay));
  std::sort(times.begin(), times.end());
  std::printf("| Export of one device's day from an archive of %lld records | Runs | Wall (median) |\n|---|---|---|\n",
              static_cast<long long>(records));
  std::printf("| `trackctl export --archive … --device … --since … --until …` to GPX | %d | %.0f ms |\n", kRuns,
              times[kRuns / 2] * 1000);
  std::error_code ignored;
  std::printf("\nThe day's GPX: %ju bytes; the archive: %.1f bytes per record.\n", fs::file_size(day, ignored),
              static_cast<double>(fs::file_size(path, ignored)) / static_cast<double>(records));
  fs::remove(day);
  return times.front() < 0 ? 1 : 0;
}
