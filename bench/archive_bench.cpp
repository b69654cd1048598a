// How fast a 1 MiB sector's logger file (47,662 records) goes into the archive,
// and in how many bytes, beside GDAL's ogr2ogr writing the same points. Each
// run does, one after the other: the in-process import (the same calls as
// `trackctl import`: file read, lines parsed, one transaction) into an empty
// archive, the same file again, a later download of the same records (each
// record looked up); the sector into an archive that holds a million records
// already; `trackctl import` of the file into a new archive, and `ogr2ogr -f
// GPKG` of its CSV export into a new GeoPackage with its spatial index, as
// processes. The median of five runs each. The million-record archive is made
// once (the import of 21 devices' sectors) and kept in the bench's work folder,
// build/release/bench/archive_bench_work/ (one per schema version), with the
// files of the last run.
// Prints Markdown tables.
#include <fcntl.h>
#include <spawn.h>
#include <sqlite3.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "archive/download_file_name.h"
#include "archive/import_file.h"
#include "archive/open_archive.h"
#include "archive/sqlite/gpkg_schema.h"
#include "bench/archive_count.h"
#include "bench/bench_figures.h"

extern char** environ;

namespace {

using trackctl::bench::LoadAverage;
using trackctl::bench::Median;
using trackctl::bench::MillisecondsSince;
using trackctl::bench::SectorLoggerText;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr std::size_t kRecords = 47'662;
constexpr int kRuns = 5;
constexpr int kFilledDevices = 21;  // 21 sectors of 47,662: 1,000,902 records

// Milliseconds of one in-process import of `file` into the archive at `path`, or -1 when it failed.
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

// Milliseconds of one run of `arguments` (the program looked up on PATH), its
// output dropped, or -1 when it could not start or failed.
double TimedRun(const std::vector<std::string>& arguments) {
  std::vector<char*> argv;
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  const auto start = Clock::now();
  pid_t pid = 0;
  const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return -1;
  int status = 0;
  if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
  return MillisecondsSince(start);
}

// The file's size with its log written back into it.
std::uintmax_t CheckpointedSize(const std::string& path) {
  sqlite3* db = nullptr;
  if (sqlite3_open(path.c_str(), &db) == SQLITE_OK) {
    sqlite3_exec(db, "PRAGMA wal_checkpoint(TRUNCATE)", nullptr, nullptr, nullptr);
  }
  sqlite3_close(db);
  return fs::file_size(path);
}

void RemoveArchive(const std::string& path) {
  for (const char* suffix : {"", "-wal", "-shm"}) fs::remove(path + suffix);
}

// Makes the archive of a million records at `path` unless it is there whole:
// the sectors of 21 other devices, imported one after the other. False when that failed.
bool MakeMillion(const fs::path& dir, const std::string& path, const std::string& text) {
  const std::string whole = "SELECT count(*) = " + std::to_string(kFilledDevices * kRecords) +
                            " AND (SELECT count(*) FROM downloads) = " + std::to_string(kFilledDevices) +
                            " FROM records";
  if (Count(path, whole.c_str()) == 1) return true;
  RemoveArchive(path);
  const std::string making = path + ".making";
  RemoveArchive(making);
  const auto start = Clock::now();
  for (int device = 0; device < kFilledDevices; ++device) {
    const std::string file = (dir / (std::to_string(3000000000 + device) + "_P20240501220000.dat")).string();
    std::ofstream(file, std::ios::binary) << text;
    const bool imported = TimedImport(making, file) >= 0;
    fs::remove(file);
    if (!imported) return false;
    std::fprintf(stderr, "\rmaking an archive of a million records: %d of %d sectors, %.0f s", device + 1,
                 kFilledDevices, MillisecondsSince(start) / 1000);
  }
  std::fprintf(stderr, "\n");
  CheckpointedSize(making);
  fs::rename(making, path);
  return true;
}

double PerRecord(std::uintmax_t bytes) { return static_cast<double>(bytes) / kRecords; }

}  // namespace

int main() {
  const fs::path dir = fs::path(TRACKCTL_BENCH_DIR) / "archive_bench_work";
  fs::create_directories(dir);
  const std::string file = (dir / "1000752301_P20240501220000.dat").string();
  const std::string later = (dir / "1000752301_P20240502220000.dat").string();
  const std::string csv = (dir / "sector.csv").string();
  // Of this schema: an archive of an earlier one would be migrated in the timed import.
  const std::string million = (dir / ("million-v" + std::to_string(trackctl::kArchiveSchemaVersion) + ".gpkg")).string();
  const std::string text = SectorLoggerText(kRecords);
  std::ofstream(file, std::ios::binary) << text;
  std::ofstream(later, std::ios::binary) << text;
  if (!MakeMillion(dir, million, text)) {
    std::fprintf(stderr, "archive_bench: could not make %s\n", million.c_str());
    return 1;
  }
  fs::remove(csv);
  if (TimedRun({TRACKCTL_BINARY, "export", "--format", "csv", "--utc-offset", "+05:30", "-o", csv, file}) < 0) {
    std::fprintf(stderr, "archive_bench: the CSV export failed\n");
    return 1;
  }

  const double loadBefore = LoadAverage();
  std::vector<double> empty, again, laterDownload, intoMillion, process, ogr;
  std::uintmax_t size = 0, ogrSize = 0;
  for (int run = 0; run < kRuns; ++run) {
    const std::string archive = (dir / "run.gpkg").string();
    RemoveArchive(archive);
    empty.push_back(TimedImport(archive, file));
    again.push_back(TimedImport(archive, file));
    laterDownload.push_back(TimedImport(archive, later));
    size = CheckpointedSize(archive);

    const std::string filled = (dir / "run-million.gpkg").string();
    RemoveArchive(filled);
    fs::copy_file(million, filled);
    intoMillion.push_back(TimedImport(filled, file));

    const std::string fresh = (dir / "process.gpkg").string();
    RemoveArchive(fresh);
    process.push_back(TimedRun({TRACKCTL_BINARY, "import", "--utc-offset", "+05:30", "--archive", fresh, file}));

    const std::string ogrFile = (dir / "ogr2ogr.gpkg").string();
    RemoveArchive(ogrFile);
    ogr.push_back(TimedRun({"ogr2ogr", "-f", "GPKG", ogrFile, csv, "-nln", "records", "-a_srs", "EPSG:4326", "-oo",
                            "X_POSSIBLE_NAMES=longitude", "-oo", "Y_POSSIBLE_NAMES=latitude", "-oo",
                            "AUTODETECT_TYPE=YES"}));
    ogrSize = ogr.back() < 0 ? 0 : CheckpointedSize(ogrFile);
  }
  const double loadAfter = LoadAverage();
  std::printf("| Archive import of a 1 MiB sector (%zu records) | Runs | Wall (median) |\n|---|---|---|\n", kRecords);
  std::printf("| into an empty archive | %d | %.0f ms |\n", kRuns, Median(empty));
  std::printf("| the same file again | %d | %.0f ms |\n", kRuns, Median(again));
  std::printf("| a later download of the same records | %d | %.0f ms |\n", kRuns, Median(laterDownload));
  std::printf("| into an archive of %zu records | %d | %.0f ms (%.2f of the empty archive's) |\n",
              kFilledDevices * kRecords, kRuns, Median(intoMillion), Median(intoMillion) / Median(empty));
  std::printf("| `trackctl import` into a new archive (process) | %d | %.0f ms |\n", kRuns, Median(process));
  if (Median(ogr) < 0) {
    std::printf("\n(ogr2ogr did not run: GDAL is not installed.)\n");
  } else {
    std::printf("| `ogr2ogr -f GPKG` of its CSV export into a new GeoPackage (process) | %d | %.0f ms |\n", kRuns,
                Median(ogr));
    std::printf("\n`trackctl import` took %.2f of ogr2ogr's time.\n", Median(process) / Median(ogr));
  }
  std::printf("\nArchive size: %ju bytes for %zu records, %.1f bytes per record (indexes included)",
              size, kRecords, PerRecord(size));
  if (ogrSize > 0) std::printf("; ogr2ogr's GeoPackage %.1f", PerRecord(ogrSize));
  std::printf(".\nLoad average (1 minute) %.1f before the runs, %.1f after (%d cores).\n", loadBefore, loadAfter,
              static_cast<int>(std::thread::hardware_concurrency()));
  return 0;
}
