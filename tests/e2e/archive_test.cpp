// The track archive through the real binary, trackctl.exe under wine too:
// downloads from the simulated device and logger files imported into one
// GeoPackage, read back by GDAL's ogrinfo and ogr2ogr and by SQLite; each record
// once, eight importers at once, an importer killed in the middle, files that are
// no archive refused, an archive named beyond ASCII.
#include <signal.h>
#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>

#include <nlohmann/json.hpp>

#include "tests/e2e/harness.h"

namespace trackctl::e2e {
namespace {

namespace fs = std::filesystem;

// Whether GDAL's tools are there; under CI they must be.
bool HaveGdal() {
  int status = 0;
  Shell("command -v ogrinfo >/dev/null 2>&1 && command -v ogr2ogr >/dev/null 2>&1", status);
  if (status == 0) return true;
  const char* ci = std::getenv("CI");
  if (ci != nullptr && std::string(ci) == "true") ADD_FAILURE() << "ogrinfo and ogr2ogr are not installed, and CI=true";
  return false;
}

// One value of a query, read with SQLite alone ("error: ..." when it fails).
std::string Query(const fs::path& path, const std::string& sql) {
  sqlite3* db = nullptr;
  std::string value = "no row";
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) value = "error: cannot open";
  sqlite3_stmt* statement = nullptr;
  if (db != nullptr && sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
    value = std::string("error: ") + sqlite3_errmsg(db);
  } else if (statement != nullptr && sqlite3_step(statement) == SQLITE_ROW) {
    const unsigned char* text = sqlite3_column_text(statement, 0);
    value = text == nullptr ? "NULL" : reinterpret_cast<const char*>(text);
  }
  sqlite3_finalize(statement);
  sqlite3_close(db);
  return value;
}

// A logger line of the record that is `i` steps of 30 s after 22:00:00 on 12 June 2005.
std::string LoggerLineAt(std::size_t i, std::uint64_t placeSeed = 0) {
  const std::size_t seconds = 22 * 3600 + i * 30;
  const std::size_t day = 12 + seconds / 86400;
  const std::size_t inDay = seconds % 86400;
  const std::size_t place = (i + placeSeed) % 100000;
  char line[160];
  std::snprintf(line, sizeof line, "5,2,1,0,%zu:%zu:%zu.00,%zu:6:2005,77.%06zu,12.%06zu,33.000000,%zu.000000;\n",
                inDay / 3600, inDay / 60 % 60, inDay % 60, day, place, 971640 - place % 1000, i);
  return line;
}

RunOptions WithArchiveVariable(const std::string& archive) {
  RunOptions options;
  options.env = {{"TRACKCTL_ARCHIVE", archive}};
  return options;
}

class ArchiveRun : public E2eTest {
 protected:
  int Run(std::vector<std::string> args, RunOptions options = {}) {
    options.args = std::move(args);
    Program& run = Start("", options);
    const int status = run.WaitExit(120s);
    output = run.Output();
    return status;
  }
  std::vector<std::string> DatFiles() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(workdir())) {
      if (entry.path().extension() == ".dat") names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }
  void Write(const std::string& name, const std::string& text) const {
    std::ofstream(workdir() / name, std::ios::binary) << text;
  }
  std::string output;
};

TEST_F(ArchiveRun, TwoNightlyDownloadsWithoutEraseHoldEachRecordOnceAndOgrinfoReadsThem) {
  ASSERT_EQ(Run({"download", "sms", "--archive", "fleet.gpkg"}), 0) << output;
  EXPECT_NE(output.find("in fleet.gpkg: 300 read, 300 new, 0 already archived, 0 not valid\n"), std::string::npos)
      << output;
  ASSERT_EQ(Run({"download", "sms"}, WithArchiveVariable("fleet.gpkg")), 0) << output;
  EXPECT_NE(output.find("in fleet.gpkg: 300 read, 0 new, 300 already archived, 0 not valid\n"), std::string::npos)
      << output;
  // Erased, then ten new records logged: the next download adds those ten.
  sim().WithDevice([](tracksim::Device& device) {
    device.state().smsSector = tracksim::DefaultLoggerRecords(310, 5, 30);
    device.state().smsSector.erase(device.state().smsSector.begin(), device.state().smsSector.begin() + 300);
  });
  ASSERT_EQ(Run({"download", "sms", "--archive=fleet.gpkg"}), 0) << output;
  EXPECT_NE(output.find("in fleet.gpkg: 10 read, 10 new, 0 already archived, 0 not valid\n"), std::string::npos)
      << output;
  EXPECT_EQ(DatFiles().size(), 3u);  // the raw downloads stay

  const fs::path archive = workdir() / "fleet.gpkg";
  EXPECT_EQ(Query(archive, "SELECT count(*) FROM records"), "310");
  EXPECT_EQ(Query(archive, "SELECT count(*) FROM downloads"), "3");
  EXPECT_EQ(Query(archive, "SELECT version || ' ' || device_type FROM downloads LIMIT 1"),
            state.version.substr(0, 2) + ":" + state.version.substr(2, 2) + ":" + state.version.substr(4, 2) + " " +
                state.deviceType);

  ASSERT_EQ(Run({"archive", "--archive", "fleet.gpkg", "--json"}), 0) << output;
  const auto fleet = nlohmann::json::parse(output.substr(output.find('[')));
  ASSERT_EQ(fleet.size(), 1u);
  EXPECT_EQ(fleet[0]["device"], state.serialKey);
  EXPECT_EQ(fleet[0]["records"], 310);
  EXPECT_EQ(fleet[0]["downloads"], 3);

  if (!HaveGdal()) return;
  int status = 0;
  const std::string info = Shell("ogrinfo -ro -so '" + archive.string() + "' records 2>&1", status);
  ASSERT_EQ(status, 0) << info;
  EXPECT_NE(info.find("Geometry: Point"), std::string::npos) << info;
  EXPECT_NE(info.find("Feature Count: 310"), std::string::npos) << info;
  EXPECT_NE(info.find("ID[\"EPSG\",4326]"), std::string::npos) << info;
  // The extent of the records' places, from the logger files themselves.
  double minX = 1e9, maxX = -1e9, minY = 1e9, maxY = -1e9;
  for (const std::string& name : DatFiles()) {
    std::istringstream lines(ReadFile(workdir() / name));
    for (std::string line; std::getline(lines, line);) {
      std::vector<std::string> cells;
      std::istringstream split(line);
      for (std::string cell; std::getline(split, cell, ',');) cells.push_back(cell);
      ASSERT_EQ(cells.size(), 10u) << line;
      minX = std::min(minX, std::stod(cells[6])), maxX = std::max(maxX, std::stod(cells[6]));
      minY = std::min(minY, std::stod(cells[7])), maxY = std::max(maxY, std::stod(cells[7]));
    }
  }
  char extent[160];
  std::snprintf(extent, sizeof extent, "Extent: (%.6f, %.6f) - (%.6f, %.6f)", minX, minY, maxX, maxY);
  EXPECT_NE(info.find(extent), std::string::npos) << extent << "\n" << info;
  EXPECT_EQ(info.find("ERROR"), std::string::npos) << info;
  EXPECT_EQ(info.find("Warning"), std::string::npos) << info;
}

// The points of a GeoJSON file: longitude, latitude and UTC time of each, sorted.
std::multiset<std::string> GeoJsonPoints(const std::string& text, const char* timeProperty) {
  std::multiset<std::string> points;
  const nlohmann::json document = nlohmann::json::parse(text);
  for (const auto& feature : document.at("features")) {
    if (feature["geometry"].is_null()) continue;
    char point[96];
    std::snprintf(point, sizeof point, "%.6f %.6f ", feature["geometry"]["coordinates"][0].get<double>(),
                  feature["geometry"]["coordinates"][1].get<double>());
    std::string time = feature["properties"][timeProperty].get<std::string>();
    if (time.size() == 24 && time.ends_with(".000Z")) time = time.substr(0, 19) + "Z";  // GDAL's milliseconds
    if (time.size() == 19 && time[10] == 'T') time += 'Z';
    time[10] = 'T';
    points.insert(point + time);
  }
  return points;
}

TEST_F(ArchiveRun, Ogr2ogrOfTheArchiveGivesThePointsThatTheExportOfTheFilesGives) {
  // A sector with records without a valid time or place among them.
  std::vector<tracksim::LoggerRecordBytes> sector = tracksim::DefaultSmsSector();
  sector[10][5] = sector[10][6] = 0;  // empty date
  sector[20][3] = 0xA8, sector[20][4] = 0xC0;  // 24:00:00
  state.smsSector = sector;
  ASSERT_EQ(Run({"download", "sms"}), 0) << output;
  state.dataCallSector = tracksim::DefaultDataCallSector();
  ASSERT_EQ(Run({"download", "datacall"}), 0) << output;
  const std::vector<std::string> files = DatFiles();
  ASSERT_EQ(files.size(), 2u);

  std::vector<std::string> import = {"import", "--utc-offset", "+05:30"};
  import.insert(import.end(), files.begin(), files.end());
  ASSERT_EQ(Run(import), 0) << output;
  EXPECT_NE(output.find(": 300 read, 300 new, 0 already archived, 2 not valid\n"), std::string::npos) << output;
  EXPECT_EQ(Query(workdir() / "tracks.gpkg", "SELECT group_concat(problem, '|') FROM records WHERE geom IS NULL"),
            "empty date|hour 24 or more");

  std::vector<std::string> exportFiles = {"export", "--format", "geojson", "--utc-offset", "+05:30", "-o", "files.geojson"};
  exportFiles.insert(exportFiles.end(), files.begin(), files.end());
  ASSERT_EQ(Run(exportFiles), 0) << output;
  const auto expected = GeoJsonPoints(ReadFile(workdir() / "files.geojson"), "time");
  ASSERT_EQ(expected.size(), 548u);

  ASSERT_EQ(Run({"export", "--archive", "tracks.gpkg", "--format", "geojson", "-o", "archive.geojson"}), 0) << output;
  EXPECT_EQ(GeoJsonPoints(ReadFile(workdir() / "archive.geojson"), "time"), expected);
  // One device's day: the same points, from the archive.
  ASSERT_EQ(Run({"export", "--device", state.serialKey, "--since", "2005-06-12", "--until", "2005-06-12", "--format",
                 "geojson", "-o", "day.geojson"}),
            0)
      << output;
  EXPECT_EQ(GeoJsonPoints(ReadFile(workdir() / "day.geojson"), "time"), expected);
  ASSERT_EQ(Run({"export", "--since", "2005-06-13", "--format", "geojson", "-o", "none.geojson"}), 0) << output;
  EXPECT_TRUE(GeoJsonPoints(ReadFile(workdir() / "none.geojson"), "time").empty());

  if (!HaveGdal()) return;
  int status = 0;
  const std::string converted = Shell("cd '" + workdir().string() +
                                          "' && ogr2ogr -f GeoJSON ogr.geojson tracks.gpkg records 2>&1",
                                      status);
  ASSERT_EQ(status, 0) << converted;
  EXPECT_EQ(converted, "");  // no warning about what it read
  EXPECT_EQ(GeoJsonPoints(ReadFile(workdir() / "ogr.geojson"), "utc_time"), expected);
}

// A folder and names beyond ASCII and beyond any one legacy code page, written
// with the platform's own separator: the archive is the file of that name, a
// second import of the same file adds nothing, and the fleet and the export
// read it back.
TEST_F(ArchiveRun, AnArchiveNamedBeyondAsciiInAFolderIsTheFileOfThatName) {
  const std::string folder = "Flotte Müller";
  const std::string archive = folder + (UnderWine() ? "\\" : "/") + "車両.gpkg";
  fs::create_directory(workdir() / folder);
  Write("1000752301_P20050612230000.dat", LoggerLineAt(0) + LoggerLineAt(1) + LoggerLineAt(2));
  RunOptions utf8;  // arguments in UTF-8, as wine reads them in this locale
  utf8.env = {{"LC_ALL", "C.UTF-8"}};

  const std::vector<std::string> import = {"import", "--utc-offset", "+00:00", "--archive", archive,
                                           "1000752301_P20050612230000.dat"};
  ASSERT_EQ(Run(import, utf8), 0) << output;
  EXPECT_EQ(output, "trackctl import: 1000752301_P20050612230000.dat: 3 read, 3 new, 0 already archived, 0 not valid\n");
  ASSERT_EQ(Run(import, utf8), 0) << output;
  EXPECT_EQ(output, "trackctl import: 1000752301_P20050612230000.dat: 3 read, 0 new, 3 already archived, 0 not valid\n");
  const fs::path file = workdir() / folder / "車両.gpkg";
  EXPECT_EQ(Query(file, "SELECT count(*) FROM records"), "3");
  EXPECT_EQ(Query(file, "PRAGMA journal_mode"), "wal");

  ASSERT_EQ(Run({"archive", "--archive", archive, "--json"}, utf8), 0) << output;
  const auto fleet = nlohmann::json::parse(output);
  ASSERT_EQ(fleet.size(), 1u);
  EXPECT_EQ(fleet[0]["device"], "1000752301");
  EXPECT_EQ(fleet[0]["records"], 3);
  EXPECT_EQ(fleet[0]["downloads"], 1);  // the same file, one download

  ASSERT_EQ(Run({"export", "--utc-offset", "+00:00", "--format", "geojson", "-o", "file.geojson",
                 "1000752301_P20050612230000.dat"}),
            0)
      << output;
  ASSERT_EQ(Run({"export", "--archive", archive, "--format", "geojson", "-o", "archive.geojson"}, utf8), 0) << output;
  const auto points = GeoJsonPoints(ReadFile(workdir() / "archive.geojson"), "time");
  EXPECT_EQ(points.size(), 3u);
  EXPECT_EQ(points, GeoJsonPoints(ReadFile(workdir() / "file.geojson"), "time"));
  EXPECT_FALSE(fs::exists(workdir() / "tracks.gpkg"));

  // A file of such a name that is no archive: refused, named as it was given.
  const std::string notes = folder + (UnderWine() ? "\\" : "/") + "Notizen 車両.txt";
  Write(folder + "/Notizen 車両.txt", "not a database at all\n");
  EXPECT_EQ(Run({"archive", "--archive", notes}, utf8), 2);
  EXPECT_EQ(output, "trackctl archive: cannot use " + notes + ": not an archive of trackctl (not a database)\n");
}

TEST_F(ArchiveRun, EightImportsAtOnceAllSucceedAndLoseNothing) {
  // Eight downloads of one sector, each 500 records of its own after 100 that all share.
  std::vector<std::string> args = {"import", "--utc-offset", "+00:00", "--archive", "shared.gpkg"};
  for (std::size_t file = 0; file < 8; ++file) {
    std::string text;
    for (std::size_t i = 0; i < 100; ++i) text += LoggerLineAt(i);
    for (std::size_t i = 0; i < 500; ++i) text += LoggerLineAt(100 + file * 500 + i);
    Write("1000752301_P2005061223000" + std::to_string(file) + ".dat", text);
  }
  std::vector<Program*> runs;
  for (std::size_t file = 0; file < 8; ++file) {
    RunOptions options;
    options.args = {"import", "--utc-offset", "+00:00", "--archive", "shared.gpkg",
                    "1000752301_P2005061223000" + std::to_string(file) + ".dat"};
    runs.push_back(&Start("", options));
  }
  for (Program* run : runs) EXPECT_EQ(run->WaitExit(120s), 0) << run->Output();
  const fs::path archive = workdir() / "shared.gpkg";
  EXPECT_EQ(Query(archive, "SELECT count(*) FROM records"), "4100");
  EXPECT_EQ(Query(archive, "SELECT count(*) FROM downloads"), "8");
  EXPECT_EQ(Query(archive, "SELECT sum(records_new) FROM downloads"), "4100");
  EXPECT_EQ(Query(archive, "PRAGMA integrity_check"), "ok");
}

TEST_F(ArchiveRun, AnImportKilledInTheMiddleLeavesTheArchiveAsBeforeAndTheNextOneImportsAll) {
  Write("1000752301_P20050612230000.dat", LoggerLineAt(0) + LoggerLineAt(1));
  ASSERT_EQ(Run({"import", "1000752301_P20050612230000.dat"}), 0) << output;
  std::string big;
  for (std::size_t i = 0; i < 200'000; ++i) big += LoggerLineAt(i, 7);
  Write("1000752301_O20050613230000.dat", big);
  RunOptions options;
  options.args = {"import", "1000752301_O20050613230000.dat"};
  Program& killed = Start("", options);
  // In the middle of its transaction: its write-ahead log is growing.
  const auto walSize = [this] {
    std::error_code error;
    const std::uintmax_t size = fs::file_size(workdir() / "tracks.gpkg-wal", error);
    return error ? 0 : size;
  };
  const auto deadline = std::chrono::steady_clock::now() + 60s;
  while (std::chrono::steady_clock::now() < deadline && walSize() < 2u * 1024 * 1024) {
    std::this_thread::sleep_for(5ms);
  }
  ASSERT_GE(walSize(), 2u * 1024 * 1024) << "the import wrote no log";
  killed.Signal(SIGKILL);
  EXPECT_EQ(killed.WaitExit(), -1);
  EXPECT_EQ(killed.endSignal(), SIGKILL);

  ASSERT_EQ(Run({"archive"}), 0) << output;
  EXPECT_EQ(Query(workdir() / "tracks.gpkg", "SELECT count(*) FROM records"), "2");
  EXPECT_EQ(Query(workdir() / "tracks.gpkg", "SELECT count(*) FROM downloads"), "1");
  ASSERT_EQ(Run({"import", "1000752301_O20050613230000.dat"}), 0) << output;
  EXPECT_NE(output.find(": 200000 read, 200000 new, 0 already archived, "), std::string::npos) << output;
  EXPECT_EQ(Query(workdir() / "tracks.gpkg", "PRAGMA integrity_check"), "ok");
}

TEST_F(ArchiveRun, FilesThatAreNoArchiveOfThisProgramAreRefusedUnchanged) {
  Write("1000752301_P20050612230000.dat", LoggerLineAt(0));
  // A plain SQLite database of another program.
  ASSERT_EQ(Query(workdir() / "plain.db", "CREATE TABLE notes (text TEXT)"), "no row");
  Write("notes.txt", "not a database at all\n");
  // An archive that a newer trackctl wrote.
  ASSERT_EQ(Run({"import", "--archive", "newer.gpkg", "1000752301_P20050612230000.dat"}), 0) << output;
  ASSERT_EQ(Query(workdir() / "newer.gpkg", "UPDATE trackctl_schema SET version = 3"), "no row");
  ASSERT_EQ(Query(workdir() / "newer.gpkg", "PRAGMA journal_mode = DELETE"), "delete");

  const struct {
    const char* file;
    const char* why;
  } refused[] = {{"plain.db", "not an archive of trackctl (not a GeoPackage)"},
                 {"notes.txt", "not an archive of trackctl (not a database)"},
                 {"newer.gpkg", "written by a newer trackctl (schema version 3, this program knows 2)"}};
  for (const auto& file : refused) {
    const std::string before = ReadFile(workdir() / file.file);
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"import", "--archive", file.file, "1000752301_P20050612230000.dat"},
          std::vector<std::string>{"archive", "--archive", file.file},
          std::vector<std::string>{"export", "--archive", file.file, "-o", "out.gpx"}}) {
      EXPECT_EQ(Run(args), 2) << args[0] << " " << file.file;
      EXPECT_EQ(output, "trackctl " + args[0] + ": cannot use " + file.file + ": " + file.why + "\n");
    }
    EXPECT_EQ(ReadFile(workdir() / file.file), before) << file.file;
    EXPECT_FALSE(fs::exists(workdir() / (std::string(file.file) + "-wal"))) << file.file;
  }
  EXPECT_FALSE(fs::exists(workdir() / "out.gpx"));
}

}  // namespace
}  // namespace trackctl::e2e
