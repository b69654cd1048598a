// The archive on a PostgreSQL server (given as "host=DIR user=NAME", a superuser:
// the bench makes a database of its own for each figure): a 1 MiB sector's
// logger file (47,662 records) into an empty archive, again, and as the next
// night's download, in process through the same calls as `trackctl import`;
// `trackctl import` beside `ogr2ogr -f PostgreSQL` of the file's CSV export;
// sixteen `trackctl import` processes of different devices at once; one
// device's day exported from ten million records through the calls of
// `export --archive` (left out with --no-export). Prints a Markdown table.
#include <libpq-fe.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "archive/archive_time.h"
#include "archive/import_file.h"
#include "archive/download_file_name.h"
#include "archive/open_archive.h"
#include "bench/bench_figures.h"

namespace {

using trackctl::bench::LoadAverage;
using trackctl::bench::Median;
using trackctl::bench::MillisecondsSince;
using trackctl::bench::SectorLoggerText;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr std::size_t kRecords = 47'662;
constexpr int kRuns = 5;
constexpr int kImporters = 16;
constexpr long kBigRecords = 10'000'000;
constexpr long kPerDevice = 10'000;  // 30 s apart: three and a half days per device

// Runs SQL on `conninfo`; false (with libpq's message) when it failed.
bool Sql(const std::string& conninfo, const std::string& sql) {
  PGconn* connection = PQconnectdb(conninfo.c_str());
  PQsetNoticeProcessor(connection, [](void*, const char*) {}, nullptr);
  PGresult* result = PQexec(connection, sql.c_str());
  const ExecStatusType status = PQresultStatus(result);
  const bool ok = status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK;
  if (!ok) std::fprintf(stderr, "postgres_bench: %s", PQerrorMessage(connection));
  PQclear(result);
  PQfinish(connection);
  return ok;
}

// A new database: its connection string.
std::string NewDatabase(const std::string& server, const std::string& name) {
  Sql(server + " dbname=postgres", "DROP DATABASE IF EXISTS " + name);
  Sql(server + " dbname=postgres", "CREATE DATABASE " + name);
  return server + " dbname=" + name;
}

std::unique_ptr<trackctl::Archive> Open(const std::string& conninfo, trackctl::ArchiveAccess access) {
  auto opened = trackctl::OpenArchive(conninfo, access);
  if (const auto* error = std::get_if<trackctl::ArchiveError>(&opened)) {
    std::fprintf(stderr, "postgres_bench: %s\n", error->detail.c_str());
    std::exit(1);
  }
  return std::move(std::get<std::unique_ptr<trackctl::Archive>>(opened));
}

// Milliseconds of one import of `file`, or -1 when it failed.
double TimedImport(trackctl::Archive& archive, const std::string& file) {
  const auto start = Clock::now();
  trackctl::FixedOffsetRule rule(330);
  const auto result = trackctl::ImportLoggerFile(archive, file, *trackctl::DownloadOfFileName(file), rule);
  if (!std::holds_alternative<trackctl::FileImported>(result)) return -1;
  return MillisecondsSince(start);
}

// Milliseconds of one run of `arguments` (the program looked up on PATH), its
// output dropped, or -1 when it could not start or failed.
double TimedRun(const std::vector<std::string>& arguments) {
  std::vector<char*> argv;
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  const auto start = Clock::now();
  const pid_t child = ::fork();
  if (child == 0) {
    std::freopen("/dev/null", "w", stdout);
    std::freopen("/dev/null", "w", stderr);
    ::execvp(argv[0], argv.data());
    ::_exit(127);
  }
  int status = 0;
  if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
  return MillisecondsSince(start);
}

// Runs one `trackctl import` process for each of `files` at once; false when
// one of them failed.
bool ImportAtOnce(const std::string& conninfo, const std::vector<std::string>& files) {
  std::vector<pid_t> children;
  for (const std::string& file : files) {
    const pid_t child = ::fork();
    if (child == 0) {
      std::freopen("/dev/null", "w", stdout);
      std::freopen("/dev/null", "w", stderr);
      ::execl(TRACKCTL_BINARY, "trackctl", "import", "--utc-offset", "+05:30", "--archive", conninfo.c_str(),
              file.c_str(), static_cast<char*>(nullptr));
      ::_exit(127);
    }
    if (child > 0) children.push_back(child);
  }
  bool ok = children.size() == files.size();
  for (const pid_t child : children) {
    int status = 0;
    ok = ::waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0 && ok;
  }
  return ok;
}

std::string WriteSector(const fs::path& dir, const std::string& key) {
  const std::string file = (dir / (key + "_P20240501220000.dat")).string();
  std::ofstream(file, std::ios::binary) << SectorLoggerText(kRecords);
  return file;
}

// Ten million records of a thousand devices, made by the server itself; the
// key and the indexes made after the rows, as a restore would. The keys only
// need to differ here.
constexpr const char* kBigArchiveSql = R"sql(
SET search_path = trackctl, public;
ALTER TABLE records DROP CONSTRAINT each_record_once;
DROP INDEX records_device_time;
INSERT INTO downloads (file_name, device, sector, downloaded, records_read, records_new)
  VALUES ('generated', 'generated', 'sms', '2024-05-01 00:00:00', 0, 0);
INSERT INTO records (device, sector, utc_time, local_time, "headCode", "headState", "flagCode", column4, hours,
                     minutes, seconds, day, month, year, longitude, latitude, "byteValue", "wideValue", download_id,
                     record_key)
SELECT 'D' || lpad((g / 10000)::text, 4, '0'), 'sms', t, to_char(t, 'YYYY-MM-DD HH24:MI:SS'), 9, 2, 1, 0,
       extract(hour FROM t), extract(minute FROM t), extract(second FROM t), extract(day FROM t),
       extract(month FROM t), 2024, 77 + (g % 10000) / 1e6, 12 + (g % 10000) / 1e6, 0, g % 10000, 1, g
FROM generate_series(0, 9999999) AS g, LATERAL (SELECT '2024-05-01'::timestamptz + (g % 10000) * interval '30 s' AS t) AS s;
ALTER TABLE records ADD CONSTRAINT each_record_once UNIQUE (record_key);
CREATE INDEX records_device_time ON records (device, utc_time);
ANALYZE records;
)sql";

// Ten million records made by the server, then one device's day exported.
void ExportFigure(const std::string& server) {
  const std::string big = NewDatabase(server, "bench_big");
  Open(big, trackctl::ArchiveAccess::kCreate);
  const auto filled = Clock::now();
  if (!Sql(big, kBigArchiveSql)) std::exit(1);
  const double fillSeconds = MillisecondsSince(filled) / 1000;
  std::vector<double> exports;
  std::size_t points = 0;
  for (int run = 0; run < kRuns; ++run) {
    const auto start = Clock::now();
    auto archive = Open(big, trackctl::ArchiveAccess::kRead);
    points = 0;
    archive->Points(trackctl::TrackQuery{{"D0421"}, trackctl::UtcTime{*trackctl::ParseIsoUtc("2024-05-02T00:00:00Z")},
                                         trackctl::UtcTime{*trackctl::ParseIsoUtc("2024-05-02T23:59:59Z")}},
                    [&points](const std::string&, const trackctl::TrackPoint&) { ++points; });
    exports.push_back(MillisecondsSince(start));
  }

  std::printf("| export of one device's day (%zu points) from %ld records | %d | %.0f ms |\n", points, kBigRecords,
              kRuns, Median(exports));
  std::printf("\n(%ld records made by the server in %.0f s; %ld per device.)\n", kBigRecords, fillSeconds, kPerDevice);
  Sql(server + " dbname=postgres", "DROP DATABASE bench_big");
}

}  // namespace

int main(int argc, char** argv) {
  const bool exportToo = !(argc == 3 && std::string(argv[2]) == "--no-export");
  if (argc != 2 && exportToo) {
    std::fprintf(stderr, "usage: postgres_bench 'host=DIR user=SUPERUSER' [--no-export]\n");
    return 2;
  }
  const std::string server = argv[1];
  const fs::path dir = fs::temp_directory_path() / ("postgres_bench_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  const std::string file = WriteSector(dir, "1000752301");

  // The same records in the next night's download, before the sector was erased.
  const std::string nextNight = (dir / "1000752301_P20240502220000.dat").string();
  fs::copy_file(file, nextNight);

  // The same points for ogr2ogr: the file's CSV export.
  const std::string csv = (dir / "sector.csv").string();
  if (TimedRun({TRACKCTL_BINARY, "export", "--format", "csv", "--utc-offset", "+05:30", "-o", csv, file}) < 0) {
    std::fprintf(stderr, "postgres_bench: the CSV export failed\n");
    return 1;
  }

  // Side by side in each run: in process, then `trackctl import` and ogr2ogr as
  // processes, each into a database whose tables (or PostGIS, for ogr2ogr) are
  // there already.
  const double loadBefore = LoadAverage();
  std::vector<double> schema, empty, again, later, process, ogr;
  for (int run = 0; run < kRuns; ++run) {
    const std::string conninfo = NewDatabase(server, "bench_import");
    const auto start = Clock::now();
    auto archive = Open(conninfo, trackctl::ArchiveAccess::kCreate);
    schema.push_back(MillisecondsSince(start));
    empty.push_back(TimedImport(*archive, file));
    again.push_back(TimedImport(*archive, file));
    later.push_back(TimedImport(*archive, nextNight));

    const std::string fresh = NewDatabase(server, "bench_process");
    Open(fresh, trackctl::ArchiveAccess::kCreate);
    process.push_back(TimedRun({TRACKCTL_BINARY, "import", "--utc-offset", "+05:30", "--archive", fresh, file}));

    const std::string ogrDatabase = NewDatabase(server, "bench_ogr");
    Sql(ogrDatabase, "CREATE EXTENSION postgis");
    ogr.push_back(TimedRun({"ogr2ogr", "-f", "PostgreSQL", "PG:" + ogrDatabase, csv, "-nln", "records", "-a_srs",
                            "EPSG:4326", "-oo", "X_POSSIBLE_NAMES=longitude", "-oo", "Y_POSSIBLE_NAMES=latitude",
                            "-oo", "AUTODETECT_TYPE=YES"}));
  }

  const double loadAfter = LoadAverage();

  std::vector<std::string> files;
  for (int i = 0; i < kImporters; ++i) files.push_back(WriteSector(dir, "20007523" + std::to_string(10 + i)));
  std::vector<double> rates;
  for (int run = 0; run < 3; ++run) {
    const std::string conninfo = NewDatabase(server, "bench_parallel");
    Open(conninfo, trackctl::ArchiveAccess::kCreate);
    const auto start = Clock::now();
    if (!ImportAtOnce(conninfo, files)) {
      std::fprintf(stderr, "postgres_bench: an import failed\n");
      return 1;
    }
    rates.push_back(static_cast<double>(kImporters * kRecords) / (MillisecondsSince(start) / 1000));
  }

  std::printf("| PostgreSQL archive (local socket) | Runs | Wall (median) |\n|---|---|---|\n");
  std::printf("| connect and make the schema | %d | %.0f ms |\n", kRuns, Median(schema));
  std::printf("| import of a 1 MiB sector (%zu records) into an empty archive | %d | %.0f ms |\n", kRecords, kRuns,
              Median(empty));
  std::printf("| again, every record archived already | %d | %.0f ms |\n", kRuns, Median(again));
  std::printf("| the next night's download of the same records | %d | %.0f ms |\n", kRuns, Median(later));
  std::printf("| `trackctl import` into an empty archive (process) | %d | %.0f ms |\n", kRuns, Median(process));
  if (Median(ogr) < 0) {
    std::printf("| `ogr2ogr -f PostgreSQL` of its CSV export | %d | did not run (GDAL not installed?) |\n", kRuns);
  } else {
    std::printf("| `ogr2ogr -f PostgreSQL` of its CSV export into a new table with its spatial index (process) | %d |"
                " %.0f ms (`trackctl import` %.2f of it) |\n",
                kRuns, Median(ogr), Median(process) / Median(ogr));
  }
  std::printf("| %d `trackctl import` processes of different devices at once | 3 | %.0f records/s in all |\n",
              kImporters, Median(rates));
  std::printf("\nLoad average (1 minute) %.1f before the single imports, %.1f after them.\n", loadBefore, loadAfter);
  if (exportToo) ExportFigure(server);
  fs::remove_all(dir);
  return 0;
}
