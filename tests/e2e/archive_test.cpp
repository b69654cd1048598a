// The track archive through the real binary, trackctl.exe under wine too:
// downloads from the simulated device and logger files imported into one
// GeoPackage and into a PostgreSQL database (the same scenarios for both), read
// back by GDAL's ogrinfo and ogr2ogr, SQLite and psql; each record once,
// importers at once, an importer killed or its server stopped in the middle,
// stores that are no archive, a server that cannot be reached or refuses the
// password, an archive named beyond ASCII.
#include <signal.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <iomanip>
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

// Whether GDAL's GeoPackage validator (Debian's python3-gdal) is there; under CI it must be.
bool HaveGpkgValidator() {
  int status = 0;
  Shell("/usr/bin/python3 -c 'import osgeo_utils.samples.validate_gpkg' >/dev/null 2>&1", status);
  if (status == 0) return true;
  const char* ci = std::getenv("CI");
  if (ci != nullptr && std::string(ci) == "true") ADD_FAILURE() << "python3-gdal is not installed, and CI=true";
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

// One value of `sql` (or an error's text) through psql, with the archive's
// schema and PostGIS's on the search path.
std::string Psql(const std::string& server, const std::string& sql) {
  int status = 0;
  std::string value = Shell("psql -X -q -At \"" + server + " options='-csearch_path=trackctl,public'\" 2>&1 <<'SQL'\n" +
                            sql + "\nSQL\n", status);
  while (!value.empty() && value.back() == '\n') value.pop_back();
  return value;
}

// The folder of the test cluster's socket, from TRACKCTL_TEST_POSTGRES ("host=DIR user=trackctl").
std::string TestServerDir() {
  const char* server = std::getenv("TRACKCTL_TEST_POSTGRES");
  const std::string text = server != nullptr ? server : "";
  const std::size_t host = text.find("host=");
  return host == std::string::npos ? "" : text.substr(host + 5, text.find(' ', host) - host - 5);
}

// The cluster that ctest started for these runs ("host=DIR user=trackctl"), or
// nothing (the test is skipped then; under CI=true it fails). trackctl.exe
// under wine reaches it over TCP, TLS as the cluster asks, with the
// superuser's password from PGPASSWORD (psql reads it too).
std::optional<std::string> TestServer() {
  const std::string dir = TestServerDir();
  std::string port;
  if (!dir.empty() && fs::exists(dir + "/.s.PGSQL.5432")) {
    if (!UnderWine()) return std::string(std::getenv("TRACKCTL_TEST_POSTGRES"));
    std::ifstream portFile(dir + "/port");
    if (std::getline(portFile, port)) {
      ::setenv("PGPASSWORD", "trackctl-secret", 1);
      return "host=127.0.0.1 port=" + port + " user=trackctl";
    }
  }
  const char* ci = std::getenv("CI");
  if (ci != nullptr && std::string(ci) == "true") ADD_FAILURE() << "no PostgreSQL test cluster, and CI=true";
  return std::nullopt;
}

// A new empty database of the test cluster (owned by `owner`): its connection string.
std::string NewDatabase(const std::string& server, const std::string& owner = "trackctl") {
  static int made = 0;
  const std::string name = "t" + std::to_string(::getpid()) + "_" + std::to_string(++made);
  EXPECT_EQ(Psql(server + " dbname=postgres", "CREATE DATABASE " + name + " OWNER " + owner), "");
  return server + " dbname=" + name;
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
    options.env.insert(options.env.begin(), env.begin(), env.end());
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
  std::vector<std::pair<std::string, std::string>> env;  // in every Run's environment, before its own
};

// The rows of a CSV export, without its header, each split into its cells.
std::vector<std::vector<std::string>> CsvRows(const std::string& text) {
  std::vector<std::vector<std::string>> rows;
  for (const std::string& line : Split(text, "\r\n")) {
    if (!line.empty()) rows.push_back(Split(line, ","));
  }
  if (!rows.empty()) rows.erase(rows.begin());
  return rows;
}

// The trigger that makes the archive refuse every record of `device`.
std::string RefusingTrigger(bool postgres, const std::string& device) {
  if (!postgres) {
    return "CREATE TRIGGER refuse BEFORE INSERT ON records WHEN NEW.device = '" + device +
           "' BEGIN SELECT RAISE(ABORT, 'refused by the test'); END";
  }
  return "CREATE FUNCTION refuse() RETURNS trigger LANGUAGE plpgsql AS $$BEGIN IF NEW.device = '" + device +
         "' THEN RAISE EXCEPTION 'refused by the test'; END IF; RETURN NEW; END$$;"
         " CREATE TRIGGER refuse BEFORE INSERT ON records FOR EACH ROW EXECUTE FUNCTION refuse()";
}

enum class Store { kGeoPackage, kPostgres };

// The scenarios that hold for every store: `archive` is the one of the test.
// trackctl runs in one zone and the server in another, neither of them UTC,
// so that a time written or read in either instead of UTC shows.
class ArchiveStores : public ArchiveRun, public ::testing::WithParamInterface<Store> {
 protected:
  void SetUp() override {
    ArchiveRun::SetUp();
    if (IsSkipped()) return;
    if (!UnderWine()) env = {{"TZ", "IST-5:30"}};  // +05:30, without a zone database
    if (!Postgres()) return;
    const std::optional<std::string> server = TestServer();
    if (!server) GTEST_SKIP() << "no PostgreSQL test cluster";
    archive = NewDatabase(*server);
    ASSERT_EQ(Psql(archive, "ALTER DATABASE " + archive.substr(archive.rfind('=') + 1) +
                                " SET TimeZone = 'America/New_York'"),  // -04:00 in June
              "");
  }
  bool Postgres() const { return GetParam() == Store::kPostgres; }
  // One value of `sql` (GeoPackage) or `pgSql` (PostgreSQL, the same when not given).
  std::string Value(const std::string& sql, const std::string& pgSql = "") const {
    return Postgres() ? Psql(archive, pgSql.empty() ? sql : pgSql) : Query(workdir() / archive, sql);
  }
  // How GDAL names the records layer.
  std::string OgrLayer() const {
    return Postgres() ? "'PG:" + archive + "' trackctl.records" : "'" + (workdir() / archive).string() + "' records";
  }
  RunOptions WithArchive() const { return WithArchiveVariable(archive); }
  std::string archive = "fleet.gpkg";
};

INSTANTIATE_TEST_SUITE_P(, ArchiveStores, ::testing::Values(Store::kGeoPackage, Store::kPostgres),
                         [](const ::testing::TestParamInfo<Store>& store) {
                           return store.param == Store::kPostgres ? "PostgreSQL" : "GeoPackage";
                         });

TEST_P(ArchiveStores, TwoNightlyDownloadsWithoutEraseHoldEachRecordOnceAndOgrinfoReadsThem) {
  ASSERT_EQ(Run({"download", "sms", "--archive", archive}), 0) << output;
  EXPECT_NE(output.find("in " + archive + ": 300 read, 300 new, 0 already archived, 0 not valid\n"),
            std::string::npos)
      << output;
  ASSERT_EQ(Run({"download", "sms"}, WithArchive()), 0) << output;
  EXPECT_NE(output.find("in " + archive + ": 300 read, 0 new, 300 already archived, 0 not valid\n"),
            std::string::npos)
      << output;
  // Erased, then ten new records logged: the next download adds those ten.
  sim().WithDevice([](tracksim::Device& device) {
    device.state().smsSector = tracksim::DefaultLoggerRecords(310, 5, 30);
    device.state().smsSector.erase(device.state().smsSector.begin(), device.state().smsSector.begin() + 300);
  });
  ASSERT_EQ(Run({"download", "sms", "--archive=" + archive}), 0) << output;
  EXPECT_NE(output.find("in " + archive + ": 10 read, 10 new, 0 already archived, 0 not valid\n"), std::string::npos)
      << output;
  EXPECT_EQ(DatFiles().size(), 3u);  // the raw downloads stay

  EXPECT_EQ(Value("SELECT count(*) FROM records"), "310");
  EXPECT_EQ(Value("SELECT count(*) FROM downloads"), "3");
  EXPECT_EQ(Value("SELECT version || ' ' || device_type FROM downloads LIMIT 1"),
            state.version.substr(0, 2) + ":" + state.version.substr(2, 2) + ":" + state.version.substr(4, 2) + " " +
                state.deviceType);

  ASSERT_EQ(Run({"archive", "--archive", archive, "--json"}), 0) << output;
  const auto fleet = nlohmann::json::parse(output.substr(output.find('[')));
  ASSERT_EQ(fleet.size(), 1u);
  EXPECT_EQ(fleet[0]["device"], state.serialKey);
  EXPECT_EQ(fleet[0]["records"], 310);
  EXPECT_EQ(fleet[0]["downloads"], 3);

  if (!HaveGdal()) return;
  int status = 0;
  const std::string info = Shell("ogrinfo -ro -so " + OgrLayer() + " 2>&1", status);
  ASSERT_EQ(status, 0) << info;
  EXPECT_NE(info.find("Geometry: Point"), std::string::npos) << info;
  EXPECT_NE(info.find("Feature Count: 310"), std::string::npos) << info;
  EXPECT_NE(info.find(R"(ID["EPSG",4326])"), std::string::npos) << info;
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

// A serial key, a version and a type that are not UTF-8 (a byte 0xFF, an
// overlong '/', an encoded surrogate, a lone continuation byte), from the device
// and from the file's name: both stores keep them alike, each such byte as
// \xHH, so that the key is found again and tells the device from others.
TEST_P(ArchiveStores, DeviceTextThatIsNotUtf8IsStoredWithItsBytesEscapedAndFoundAgain) {
  if (UnderWine()) GTEST_SKIP() << "wine reads arguments and file names that are not UTF-8 its own way";
  state.serialKey = "10007\xFF" "2301";
  state.version = "01\xC0\xAF" "03";
  state.deviceType = "\xED\xA0\x80\x80";
  ASSERT_EQ(Run({"download", "sms", "--archive", archive}), 0) << output;
  EXPECT_NE(output.find(": 300 read, 300 new, 0 already archived, 0 not valid\n"), std::string::npos) << output;
  const std::vector<std::string> files = DatFiles();
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(Value("SELECT device || ' ' || version || ' ' || device_type || ' ' || substr(file_name, 1, 15)"
                  " FROM downloads"),
            "10007\\xFF2301 01:\\xC0\\xAF:03 \\xED\\xA0\\x80\\x80 10007\\xFF2301_P");
  EXPECT_EQ(Value("SELECT count(*) FROM records WHERE device = '10007\\xFF2301'"), "300");
  // The same records under the key of the file's name; another key's are others.
  ASSERT_EQ(Run({"import", "--archive", archive, files[0]}), 0) << output;
  EXPECT_NE(output.find(": 300 read, 0 new, 300 already archived, 0 not valid\n"), std::string::npos) << output;
  const std::string other = "10007\xFE" "2301" + files[0].substr(10);
  fs::copy_file(workdir() / files[0], workdir() / other);
  ASSERT_EQ(Run({"import", "--archive", archive, other}), 0) << output;
  EXPECT_NE(output.find(": 300 read, 300 new, 0 already archived, 0 not valid\n"), std::string::npos) << output;

  ASSERT_EQ(Run({"archive", "--archive", archive, "--json"}), 0) << output;
  const auto fleet = nlohmann::json::parse(output);
  ASSERT_EQ(fleet.size(), 2u) << output;
  EXPECT_EQ(fleet[0]["device"], "10007\\xFE2301");
  EXPECT_EQ(fleet[1]["device"], "10007\\xFF2301");
  EXPECT_EQ(fleet[1]["version"], "01:\\xC0\\xAF:03");
  EXPECT_EQ(fleet[1]["deviceType"], "\\xED\\xA0\\x80\\x80");
  // The key as the device gives it, or as the archive shows it.
  for (const std::string& key : {state.serialKey, std::string("10007\\xFF2301")}) {
    ASSERT_EQ(Run({"export", "--archive", archive, "--device", key, "--format", "csv", "-o", "one.csv"}), 0) << output;
    EXPECT_EQ(Lines(ReadFile(workdir() / "one.csv")).size(), 301u);
  }
}

// "2005-06-12T12:30:00-04:00" as "2005-06-12T16:30:00Z".
std::string AsUtc(const std::string& time) {
  std::tm fields{};
  std::istringstream(time.substr(0, 19)) >> std::get_time(&fields, "%Y-%m-%dT%H:%M:%S");
  const int offset = (std::stoi(time.substr(20, 2)) * 60 + std::stoi(time.substr(23, 2))) * (time[19] == '-' ? -1 : 1);
  const std::time_t utc = ::timegm(&fields) - offset * 60;
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", std::gmtime(&utc));
  return text;
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
    if (time.size() == 22 && time.ends_with("+00")) time = time.substr(0, 19) + "Z";   // a timestamptz in UTC
    if (time.size() == 19 && time[10] == 'T') time += 'Z';
    if (time.size() == 25 && (time[19] == '+' || time[19] == '-')) time = AsUtc(time);  // a server's zone
    time[10] = 'T';
    points.insert(point + time);
  }
  return points;
}

TEST_P(ArchiveStores, Ogr2ogrOfTheArchiveGivesThePointsThatTheExportOfTheFilesGives) {
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
  ASSERT_EQ(Run(import, WithArchive()), 0) << output;
  EXPECT_NE(output.find(": 300 read, 300 new, 0 already archived, 2 not valid\n"), std::string::npos) << output;
  EXPECT_EQ(Value("SELECT group_concat(problem, '|') FROM records WHERE geom IS NULL",
                  "SELECT string_agg(problem, '|' ORDER BY fid) FROM records WHERE problem IS NOT NULL"),
            "empty date|hour 24 or more");

  std::vector<std::string> exportFiles = {"export", "--format", "geojson", "--utc-offset", "+05:30", "-o", "files.geojson"};
  exportFiles.insert(exportFiles.end(), files.begin(), files.end());
  ASSERT_EQ(Run(exportFiles), 0) << output;
  const auto expected = GeoJsonPoints(ReadFile(workdir() / "files.geojson"), "time");
  ASSERT_EQ(expected.size(), 548u);

  ASSERT_EQ(Run({"export", "--archive", archive, "--format", "geojson", "-o", "archive.geojson"}), 0) << output;
  EXPECT_EQ(GeoJsonPoints(ReadFile(workdir() / "archive.geojson"), "time"), expected);
  // One device's day: the same points, from the archive.
  ASSERT_EQ(Run({"export", "--device", state.serialKey, "--since", "2005-06-12", "--until", "2005-06-12", "--format",
                 "geojson", "-o", "day.geojson"},
                WithArchive()),
            0)
      << output;
  EXPECT_EQ(GeoJsonPoints(ReadFile(workdir() / "day.geojson"), "time"), expected);
  ASSERT_EQ(Run({"export", "--since", "2005-06-13", "--format", "geojson", "-o", "none.geojson"}, WithArchive()), 0)
      << output;
  EXPECT_TRUE(GeoJsonPoints(ReadFile(workdir() / "none.geojson"), "time").empty());

  if (!HaveGdal()) return;
  int status = 0;
  const std::string converted =
      Shell("cd '" + workdir().string() + "' && ogr2ogr -f GeoJSON ogr.geojson " + OgrLayer() + " 2>&1", status);
  ASSERT_EQ(status, 0) << converted;
  EXPECT_EQ(converted, "");  // no warning about what it read
  EXPECT_EQ(GeoJsonPoints(ReadFile(workdir() / "ogr.geojson"), "utc_time"), expected);
  // A time to GIS programs, not a string: QGIS's temporal controller takes the field itself.
  const std::string info = Shell("ogrinfo -ro -so " + OgrLayer() + " 2>&1", status);
  ASSERT_EQ(status, 0) << info;
  EXPECT_NE(info.find("\nutc_time: DateTime"), std::string::npos) << info;
  EXPECT_NE(info.find("\nlocal_time: String"), std::string::npos) << info;
  if (Postgres() || !HaveGpkgValidator()) return;
  // GDAL's validator, its checks of the tables' content too, every warning an error.
  const std::string validated = Shell("/usr/bin/python3 -m osgeo_utils.samples.validate_gpkg --extra"
                                      " --warning-as-error '" + (workdir() / archive).string() + "' 2>&1", status);
  EXPECT_EQ(status, 0) << validated;
  EXPECT_EQ(validated, "");
}

// Three devices in one archive: --device, given twice, exports those two, a
// track each in the order given, none running into the other; without it, all.
TEST_P(ArchiveStores, TheDevicesGivenAreATrackEachAndNoneRunsIntoAnother) {
  const struct {
    std::string key;
    std::size_t first, records;
  } devices[] = {{"1000752301", 0, 4}, {"1000752302", 2, 3}, {"1000752303", 1, 5}};
  std::vector<std::string> import = {"import", "--utc-offset", "+00:00"};
  for (const auto& device : devices) {
    std::string text;
    for (std::size_t i = device.first; i < device.first + device.records; ++i) text += LoggerLineAt(i, device.records);
    Write(device.key + "_P20050612230000.dat", text);
    import.push_back(device.key + "_P20050612230000.dat");
  }
  ASSERT_EQ(Run(import, WithArchive()), 0) << output;
  ASSERT_EQ(Run({"export", "--archive", archive, "--device", "1000752303", "--device=1000752301", "--format", "csv",
                 "-o", "two.csv"}),
            0)
      << output;
  EXPECT_EQ(output, "trackctl export: two.csv: 9 rows\n");
  // The device and the place of each row, in the order written.
  const auto rows = [this](const std::string& file) {
    std::vector<std::string> found;
    for (const std::string& line : Lines(ReadFile(workdir() / file))) {
      const std::vector<std::string> cells = Split(line, ",");
      if (cells.size() > 12 && cells[0] != "track") found.push_back(cells[0] + " " + cells[11]);
    }
    return found;
  };
  std::vector<std::string> expected;
  for (const std::size_t d : {2u, 0u}) {
    for (std::size_t i = devices[d].first; i < devices[d].first + devices[d].records; ++i) {
      char place[32];
      std::snprintf(place, sizeof place, "77.%06zu", (i + devices[d].records) % 100000);
      expected.push_back(devices[d].key + " " + place);
    }
  }
  EXPECT_EQ(rows("two.csv"), expected);
  ASSERT_EQ(Run({"export", "--archive", archive, "-o", "all.gpx"}), 0) << output;
  EXPECT_EQ(output, "trackctl export: all.gpx: 12 points in 3 tracks and 3 segments\n");
}

// A folder and names beyond ASCII and beyond any one legacy code page, written
// with the platform's own separator: the archive is the file of that name, a
// second import of the same file adds nothing, and the fleet and the export
// read it back.
// Lines that are no logger lines are named by their numbers, CR LF lines and
// empty lines counted; an empty line is passed over, as export passes over it.
TEST_P(ArchiveStores, ImportNamesTheLinesThatAreNoLoggerLinesByNumber) {
  const std::string file = "1000752301_P20050612220000.dat";
  Write(file, "garbage\n" + LoggerLineAt(0) + "\r\n" + LoggerLineAt(1) + "\n" + "5,2,1;\r\n" +
                  LoggerLineAt(2) + "truncated 5,2,1,0,22:0:30.00");
  EXPECT_EQ(Run({"import", file}, WithArchive()), 1) << output;
  EXPECT_EQ(output, file + ":1: not a logger line\n" + file + ":6: not a logger line\n" + file +
                        ":8: not a logger line\ntrackctl import: " + file +
                        ": 3 read, 3 new, 0 already archived, 0 not valid\n");
}

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

TEST_P(ArchiveStores, EightImportsAtOnceAllSucceedAndLoseNothing) {
  // Eight downloads of one sector, each 500 records of its own after 100 that all share.
  for (std::size_t file = 0; file < 8; ++file) {
    std::string text;
    for (std::size_t i = 0; i < 100; ++i) text += LoggerLineAt(i);
    for (std::size_t i = 0; i < 500; ++i) text += LoggerLineAt(100 + file * 500 + i);
    Write("1000752301_P2005061223000" + std::to_string(file) + ".dat", text);
  }
  std::vector<Program*> runs;
  for (std::size_t file = 0; file < 8; ++file) {
    RunOptions options;
    options.args = {"import", "--utc-offset", "+00:00", "--archive", archive,
                    "1000752301_P2005061223000" + std::to_string(file) + ".dat"};
    runs.push_back(&Start("", options));
  }
  for (Program* run : runs) EXPECT_EQ(run->WaitExit(120s), 0) << run->Output();
  EXPECT_EQ(Value("SELECT count(*) FROM records"), "4100");
  EXPECT_EQ(Value("SELECT count(*) FROM downloads"), "8");
  EXPECT_EQ(Value("SELECT sum(records_new) FROM downloads"), "4100");
  if (!Postgres()) {
    EXPECT_EQ(Value("PRAGMA integrity_check"), "ok");
  }
  // A file of one of them imported again with more records: its row counts the file as imported last.
  Write("1000752301_P20050612230000.dat", ReadFile(workdir() / "1000752301_P20050612230000.dat") + LoggerLineAt(9000));
  ASSERT_EQ(Run({"import", "--utc-offset", "+00:00", "--archive", archive, "1000752301_P20050612230000.dat"}), 0)
      << output;
  EXPECT_NE(output.find(": 601 read, 1 new, 600 already archived, 0 not valid\n"), std::string::npos) << output;
  EXPECT_EQ(Value("SELECT records_read || ' ' || records_new FROM downloads WHERE file_name LIKE '%30000.dat'"),
            "601 " + Value("SELECT count(*) FROM records r JOIN downloads d ON d.id = r.download_id"
                           " WHERE d.file_name LIKE '%30000.dat'"));
  EXPECT_EQ(Value("SELECT sum(records_new) FROM downloads"), "4101");
  // The same records from the other sector are other records.
  Write("1000752301_O20050612230000.dat", ReadFile(workdir() / "1000752301_P20050612230000.dat"));
  ASSERT_EQ(Run({"import", "--utc-offset", "+00:00", "--archive", archive, "1000752301_O20050612230000.dat"}), 0)
      << output;
  EXPECT_NE(output.find(": 601 read, 601 new, 0 already archived, 0 not valid\n"), std::string::npos) << output;
}

// 22:00:00 logged in +05:30 is 16:30:00 UTC, whatever zone the server is in;
// each bound of an export includes its own second and not the one beyond it.
// The records keep the keys that every archive holds.
TEST_P(ArchiveStores, StoredTimesAreTheUtcInstantsAndTheBoundsIncludeBothEnds) {
  const std::string readme = "5,2,1,0,22:0:30.00,12:6:2005,77.594680,12.971640,33.000000,74790.000000;\n";
  std::string text = readme;
  for (std::size_t i = 0; i < 5; ++i) text += LoggerLineAt(i);
  Write("1000752301_P20050612230000.dat", text);
  std::vector<std::string> import = {"import", "--archive", archive, "1000752301_P20050612230000.dat"};
  if (UnderWine()) import.insert(import.begin() + 1, {"--utc-offset", "+05:30"});
  ASSERT_EQ(Run(import), 0) << output;
  const std::string utc = "to_char(utc_time AT TIME ZONE 'UTC', 'YYYY-MM-DD\"T\"HH24:MI:SS.MS\"Z\"')";
  EXPECT_EQ(Value("SELECT group_concat(utc_time, ' ') FROM (SELECT utc_time FROM records ORDER BY utc_time, fid)",
                  "SELECT string_agg(" + utc + ", ' ' ORDER BY utc_time, fid) FROM records"),
            "2005-06-12T16:30:00.000Z 2005-06-12T16:30:30.000Z 2005-06-12T16:30:30.000Z 2005-06-12T16:31:00.000Z "
            "2005-06-12T16:31:30.000Z 2005-06-12T16:32:00.000Z");
  EXPECT_EQ(Value("SELECT record_key FROM records WHERE longitude > 77.5"), "-1881385608944523145");
  ASSERT_EQ(Run({"archive", "--archive", archive, "--json"}), 0) << output;
  const auto fleet = nlohmann::json::parse(output);
  ASSERT_EQ(fleet.size(), 1u) << output;
  EXPECT_EQ(fleet[0]["firstUtc"], "2005-06-12T16:30:00Z");
  EXPECT_EQ(fleet[0]["lastUtc"], "2005-06-12T16:32:00Z");

  const struct {
    std::string since, until, times;
  } bounds[] = {
      {"2005-06-12T16:30:30Z", "2005-06-12T16:31:30Z", "16:30:30 16:30:30 16:31:00 16:31:30"},
      {"2005-06-12T22:00:31+05:30", "2005-06-12T16:31:29Z", "16:31:00"},
      {"2005-06-12T16:32:00Z", "2005-06-12T16:32:00Z", "16:32:00"},
      {"2005-06-12", "2005-06-12", "16:30:00 16:30:30 16:30:30 16:31:00 16:31:30 16:32:00"},
      {"2005-06-12T16:32:01Z", "2005-06-13", ""},
  };
  for (const auto& bound : bounds) {
    ASSERT_EQ(Run({"export", "--archive", archive, "--since", bound.since, "--until", bound.until, "--format", "csv",
                   "-o", "bound.csv"}),
              0)
        << output;
    std::string times;
    for (const auto& row : CsvRows(ReadFile(workdir() / "bound.csv"))) {
      ASSERT_EQ(row.size(), 17u);
      EXPECT_TRUE(row[15].starts_with("2005-06-12T") && row[15].ends_with("Z")) << row[15];
      times += (times.empty() ? "" : " ") + row[15].substr(11, 8);
    }
    EXPECT_EQ(times, bound.times) << bound.since << " " << bound.until;
  }
}

// Two, then three devices whose records interleave in time, each file in no
// order at all: each device's track holds its own points alone, in time order.
TEST_P(ArchiveStores, EachDevicesTrackHoldsItsOwnPointsAloneInTimeOrder) {
  const std::vector<std::string> keys = {"1000752301", "1000752302", "1000752303"};
  std::vector<std::vector<std::string>> all;  // each device's rows as its file gives them, one device after the other
  for (std::size_t d = 0; d < keys.size(); ++d) {
    std::string inOrder, shuffled;
    for (std::size_t k = 0; k < 30; ++k) {
      inOrder += LoggerLineAt(3 * k + d, 1000 * d);
      shuffled += LoggerLineAt(3 * ((k * 7) % 30) + d, 1000 * d);
    }
    Write(keys[d] + ".dat", inOrder);
    ASSERT_EQ(Run({"export", "--utc-offset", "+00:00", "--format", "csv", "-o", keys[d] + ".csv", keys[d] + ".dat"}),
              0)
        << output;
    std::vector<std::vector<std::string>> own = CsvRows(ReadFile(workdir() / (keys[d] + ".csv")));
    ASSERT_EQ(own.size(), 30u);
    for (auto& row : own) row[0] = keys[d];
    all.insert(all.end(), own.begin(), own.end());
    Write(keys[d] + "_P20050612230000.dat", shuffled);
    ASSERT_EQ(Run({"import", "--utc-offset", "+00:00", "--archive", archive, keys[d] + "_P20050612230000.dat"}), 0)
        << output;
    if (d == 0) continue;
    ASSERT_EQ(Run({"export", "--archive", archive, "--format", "csv", "-o", "tracks.csv"}), 0) << output;
    EXPECT_EQ(CsvRows(ReadFile(workdir() / "tracks.csv")), all) << d + 1 << " devices";
  }
  ASSERT_EQ(Run({"export", "--archive", archive, "--device", keys[1], "--format", "csv", "-o", "one.csv"}), 0)
      << output;
  EXPECT_EQ(CsvRows(ReadFile(workdir() / "one.csv")), std::vector(all.begin() + 30, all.begin() + 60));
}

// An import of several files goes on after a file that fails; its status is
// the worst of them. A file the archive refuses part way in is archived
// wholly not; the lines that are no logger line are named by their numbers.
TEST_P(ArchiveStores, AnImportOfSeveralFilesArchivesEachWholeOrNotAtAll) {
  std::string five;
  for (std::size_t i = 0; i < 5; ++i) five += LoggerLineAt(i);
  Write("1000752303_P20050612230000.dat", five);
  ASSERT_EQ(Run({"import", "--archive", archive, "1000752303_P20050612230000.dat"}), 0) << output;
  ASSERT_EQ(Value(RefusingTrigger(Postgres(), "1000752302")), Postgres() ? "" : "no row");
  Write("1000752302_P20050612230000.dat", five);
  Write("1000752304_P20050612230000.dat", five);
  const auto crlf = [](std::string line) { return line.insert(line.size() - 1, "\r"); };
  // Problems on the first line, after lines ended by CR LF, in the middle and
  // on the last line, which has no end.
  Write("1000752301_P20050612230000.dat", "not a logger line\n" + crlf(LoggerLineAt(0)) + crlf(LoggerLineAt(1)) +
                                              crlf(LoggerLineAt(9).substr(0, 40) + "\n") + LoggerLineAt(2) + "x" +
                                              LoggerLineAt(9) + LoggerLineAt(3) + "5,2,1,0,22:0:0.00,12:6:2005");
  EXPECT_EQ(Run({"import", "--archive", archive, "1000752309_P20050612230000.dat", "1000752302_P20050612230000.dat",
                 "1000752301_P20050612230000.dat", "1000752304_P20050612230000.dat"}),
            2);
  const std::vector<std::string> lines = Lines(output);
  ASSERT_EQ(lines.size(), 8u) << output;
  EXPECT_TRUE(lines[0].starts_with("trackctl import: cannot read 1000752309_P20050612230000.dat: ")) << output;
  EXPECT_TRUE(lines[1].starts_with("trackctl import: cannot use ")) << output;
  EXPECT_NE(lines[1].find("refused by the test"), std::string::npos) << output;
  EXPECT_TRUE(lines[1].ends_with("; 1000752302_P20050612230000.dat is not imported")) << output;
  EXPECT_EQ(std::vector<std::string>(lines.begin() + 2, lines.end()),
            (std::vector<std::string>{
                "1000752301_P20050612230000.dat:1: not a logger line",
                "1000752301_P20050612230000.dat:4: not a logger line",
                "1000752301_P20050612230000.dat:6: not a logger line",
                "1000752301_P20050612230000.dat:8: not a logger line",
                "trackctl import: 1000752301_P20050612230000.dat: 4 read, 4 new, 0 already archived, 0 not valid",
                "trackctl import: 1000752304_P20050612230000.dat: 5 read, 5 new, 0 already archived, 0 not valid"}));
  EXPECT_EQ(Value("SELECT group_concat(device || ':' || n, ' ') FROM (SELECT device, count(*) AS n FROM records GROUP"
                  " BY device ORDER BY device)",
                  "SELECT string_agg(device || ':' || n, ' ' ORDER BY device) FROM (SELECT device, count(*) AS n FROM"
                  " records GROUP BY device) AS d"),
            "1000752301:4 1000752303:5 1000752304:5");
  EXPECT_EQ(Value("SELECT count(*) FROM downloads WHERE device = '1000752302'"), "0");
  // A file with a problem alone: status 1.
  EXPECT_EQ(Run({"import", "--archive", archive, "1000752301_P20050612230000.dat"}), 1) << output;
}

// Both sectors of one device downloaded in one second, holding the same
// records: two downloads, each archived in full.
TEST_P(ArchiveStores, TheTwoSectorsOfADeviceDownloadedAtOneMomentAreArchivedBoth) {
  state.dataCallSector = state.smsSector;
  const std::string key = state.serialKey;
  ASSERT_EQ(Run({"download", "sms", "-o", key + "_P20050612230000.dat", "--archive", archive}), 0) << output;
  EXPECT_NE(output.find(": 300 read, 300 new, 0 already archived, 0 not valid\n"), std::string::npos) << output;
  ASSERT_EQ(Run({"download", "datacall", "-o", key + "_O20050612230000.dat", "--archive", archive}), 0) << output;
  EXPECT_NE(output.find(": 300 read, 300 new, 0 already archived, 0 not valid\n"), std::string::npos) << output;
  EXPECT_EQ(Value("SELECT group_concat(sector || ':' || records_new, ' ') FROM (SELECT * FROM downloads ORDER BY id)",
                  "SELECT string_agg(sector || ':' || records_new, ' ' ORDER BY id) FROM downloads"),
            "sms:300 datacall:300");
  EXPECT_EQ(Value("SELECT count(*) || ' ' || count(DISTINCT record_key) FROM records"), "600 600");
  ASSERT_EQ(Run({"import", "--archive", archive, key + "_O20050612230000.dat", key + "_P20050612230000.dat"}), 0)
      << output;
  EXPECT_EQ(Occurrences(output, ": 300 read, 0 new, 300 already archived, 0 not valid\n"), 2u) << output;
}

// The archive opened before the download refuses the records when they come:
// the download fails, and its file stays whole under its own name.
TEST_P(ArchiveStores, AnArchiveThatFailsAfterTheDownloadLeavesTheWholeFile) {
  Write("1000752309_P20050612230000.dat", LoggerLineAt(0));
  ASSERT_EQ(Run({"import", "--archive", archive, "1000752309_P20050612230000.dat"}), 0) << output;
  ASSERT_EQ(Run({"download", "sms", "-o", "whole.dat"}), 0) << output;
  knobs.chunkSize = 500;
  knobs.chunkPauseMs = 60;  // the records take most of a second to come
  StartSim();
  RunOptions options;
  options.args = {"download", "sms", "--archive", archive};
  Program& run = Start("", options);
  ASSERT_TRUE(run.WaitForOutput("No of records = 300")) << run.Output();
  ASSERT_EQ(Value(RefusingTrigger(Postgres(), state.serialKey)), Postgres() ? "" : "no row");
  EXPECT_EQ(run.WaitExit(), 4) << run.Output();
  const std::vector<std::string> files = DatFiles();
  ASSERT_EQ(files.size(), 3u);
  const std::string& name = files[0];
  EXPECT_TRUE(name.starts_with(state.serialKey + "_P")) << name;
  EXPECT_EQ(ReadFile(workdir() / name), ReadFile(workdir() / "whole.dat"));
  EXPECT_NE(run.Output().find("trackctl download: cannot use " + archive + ": "), std::string::npos) << run.Output();
  EXPECT_NE(run.Output().find("refused by the test"), std::string::npos) << run.Output();
  EXPECT_NE(run.Output().find("; " + name + " stays as it is\n"), std::string::npos) << run.Output();
  EXPECT_EQ(run.Output().find("Archived"), std::string::npos) << run.Output();
}

// The archive is opened before the port: a GeoPackage replaced while the
// records come is not written behind the new file's back, nor the sector erased.
TEST_F(ArchiveRun, AGeoPackageReplacedDuringTheDownloadTakesNothingAndTheSectorStays) {
  if (UnderWine()) GTEST_SKIP() << "Windows does not let an open file be replaced";
  const std::string archive = (workdir() / "fleet.gpkg").string();
  ASSERT_EQ(Run({"download", "datacall", "--archive", archive}), 0) << output;
  knobs.chunkSize = 500;
  knobs.chunkPauseMs = 60;  // the records take most of a second to come
  StartSim();
  RunOptions options;
  options.args = {"download", "sms", "--archive", archive, "--erase"};
  Program& run = Start("", options);
  ASSERT_TRUE(run.WaitForOutput("No of records = 300")) << run.Output();
  std::filesystem::copy_file(archive, archive + ".copy");
  std::filesystem::rename(archive + ".copy", archive);
  EXPECT_EQ(run.WaitExit(), 4) << run.Output();
  EXPECT_NE(run.Output().find("trackctl download: cannot use " + archive +
                              ": the file was moved, replaced or deleted while it was open"),
            std::string::npos)
      << run.Output();
  EXPECT_EQ(Device([](auto& s) { return s.smsSector.size(); }), 300u);
  EXPECT_EQ(Query(archive, "SELECT count(*) FROM records WHERE sector = 'sms'"), "0");
}

// download --erase: the sector is erased once the archive holds every record
// the device announced, those there before included; the other sector stays.
TEST_P(ArchiveStores, ADownloadThatErasesErasesOnlyOnceTheArchiveHoldsEveryRecord) {
  ASSERT_EQ(Run({"download", "sms", "--archive", archive}), 0) << output;
  ASSERT_EQ(Run({"download", "sms", "--erase"}, WithArchive()), 0) << output;
  EXPECT_TRUE(output.ends_with(": 300 read, 0 new, 300 already archived, 0 not valid\n" + SectorErasedText("SMS") +
                               "\n"))
      << output;
  EXPECT_EQ(Served(), (std::vector<std::string>{"INIT", "PREAD", "INIT", "PREAD", "PDEL"}));
  EXPECT_EQ(Device([](auto& s) { return s.smsSector.size(); }), 0u);
  EXPECT_EQ(Device([](auto& s) { return s.dataCallSector.size(); }), 250u);

  ASSERT_EQ(Run({"download", "datacall", "--erase", "--archive", archive}), 0) << output;
  EXPECT_TRUE(output.ends_with(": 250 read, 250 new, 0 already archived, 0 not valid\n" +
                               SectorErasedText("DataCall") + "\n"))
      << output;
  EXPECT_EQ(Device([](auto& s) { return s.dataCallSector.size(); }), 0u);
  EXPECT_EQ(Value("SELECT count(*) FROM records"), "550");
  EXPECT_EQ(DatFiles().size(), 3u);
}

// A store that fails when the import commits: the download's file stays whole,
// nothing is erased, and the device still holds the sector.
TEST_P(ArchiveStores, ADownloadThatErasesIntoAStoreFailingAtCommitErasesNothing) {
  Write("1000752309_P20050612230000.dat", LoggerLineAt(0));
  ASSERT_EQ(Run({"import", "--archive", archive, "1000752309_P20050612230000.dat"}), 0) << output;
  RunOptions options = WithArchive();
  if (Postgres()) {
    ASSERT_EQ(Value("CREATE FUNCTION refuse() RETURNS trigger LANGUAGE plpgsql AS"
                    " $$BEGIN RAISE EXCEPTION 'refused at commit by the test'; END$$;"
                    " CREATE CONSTRAINT TRIGGER refuse AFTER INSERT ON records DEFERRABLE INITIALLY DEFERRED"
                    " FOR EACH ROW EXECUTE FUNCTION refuse()"),
              "");
  } else {
    if (UnderWine()) GTEST_SKIP() << "wine writes files of its own beyond the limit";
    // The new records' pages go into the write-ahead log when the import
    // commits: room for the logger file and the log's index, not for them.
    options.fileSizeLimit = 48 * 1024;
  }
  EXPECT_EQ(Run({"download", "sms", "--erase"}, options), 4) << output;
  const std::vector<std::string> files = DatFiles();
  ASSERT_EQ(files.size(), 2u);
  EXPECT_NE(output.find("\ntrackctl download: cannot use " + archive + ": "), std::string::npos) << output;
  EXPECT_TRUE(output.ends_with("; " + files[0] + " stays as it is and the sector is not erased\n\n")) << output;
  if (Postgres()) {
    EXPECT_NE(output.find("refused at commit by the test"), std::string::npos) << output;
  }
  EXPECT_EQ(Occurrences(ReadFile(workdir() / files[0]), "\n"), 300u);
  EXPECT_EQ(Served(), (std::vector<std::string>{"INIT", "PREAD"}));
  EXPECT_EQ(Device([](auto& s) { return s.smsSector.size(); }), 300u);
  EXPECT_EQ(Value("SELECT count(*) FROM records"), "1");
}

// The import committed, then the device refuses the erase: the erase's own
// line and status, and the records stay in the archive and in the device.
TEST_P(ArchiveStores, AnEraseRefusedAfterTheImportHasCommittedGivesTheErasesStatus) {
  knobs.loggerEraseFails = true;
  EXPECT_EQ(Run({"download", "datacall", "--archive", archive, "--erase"}), 3) << output;
  EXPECT_TRUE(output.ends_with(": 250 read, 250 new, 0 already archived, 0 not valid\n"
                               "Deleting data in DataCall sector : Started...\n"
                               "\nSending delete initialization command to device...\nDeleting data from device......"
                               "\nERROR RESPONSE...\xEA" "DEL_ERROR\xE4 RETRY\nDeleting data in DataCall sector : Over...\n\n\n"))
      << output;
  EXPECT_EQ(Served(), (std::vector<std::string>{"INIT", "OREAD", "ODEL"}));
  EXPECT_EQ(Device([](auto& s) { return s.dataCallSector.size(); }), 250u);
  EXPECT_EQ(Value("SELECT count(*) FROM records"), "250");
}

// --erase erases only what an archive holds: without one it is a usage error,
// and nothing is sent.
TEST_F(ArchiveRun, ADownloadThatErasesWithoutAnArchiveIsRefusedBeforeAnythingIsSent) {
  for (const RunOptions& options : {RunOptions{}, WithArchiveVariable("")}) {
    EXPECT_EQ(Run({"download", "sms", "--erase"}, options), 2) << output;
    EXPECT_EQ(output, "trackctl: --erase needs an archive (--archive DB or TRACKCTL_ARCHIVE): the sector is erased "
                      "only once the archive holds its records (usage: trackctl --help)\n");
  }
  EXPECT_TRUE(sim().Received().empty());
  EXPECT_TRUE(Files().empty());
}

// An empty TRACKCTL_ARCHIVE is as if it were not set: a download archives
// nothing, import and archive use the default archive.
TEST_F(ArchiveRun, AnEmptyArchiveVariableIsNoArchiveForADownloadAndTheDefaultOneForTheOthers) {
  const RunOptions empty = WithArchiveVariable("");
  ASSERT_EQ(Run({"download", "sms"}, empty), 0) << output;
  EXPECT_EQ(output.find("Archived"), std::string::npos) << output;
  const std::vector<std::string> files = DatFiles();
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(Files(), files);
  ASSERT_EQ(Run({"import", files[0]}, empty), 0) << output;
  EXPECT_EQ(output, "trackctl import: " + files[0] + ": 300 read, 300 new, 0 already archived, 0 not valid\n");
  EXPECT_EQ(Query(workdir() / "tracks.gpkg", "SELECT count(*) FROM records"), "300");
  ASSERT_EQ(Run({"archive", "--json"}, empty), 0) << output;
  EXPECT_EQ(nlohmann::json::parse(output).at(0).at("records"), 300) << output;
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
  ASSERT_EQ(Query(workdir() / "newer.gpkg", "UPDATE trackctl_schema SET version = 5"), "no row");
  ASSERT_EQ(Query(workdir() / "newer.gpkg", "PRAGMA journal_mode = DELETE"), "delete");

  const struct {
    const char* file;
    const char* why;
  } refused[] = {{"plain.db", "not an archive of trackctl (not a GeoPackage)"},
                 {"notes.txt", "not an archive of trackctl (not a database)"},
                 {"newer.gpkg", "written by a newer trackctl (schema version 5, this program knows 4)"}};
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

// An export whose output is the archive it reads, or a file that SQLite keeps
// beside it, by name, link or hard link: one line, status 2, and the archive
// as it was.
TEST_F(ArchiveRun, AnExportOverItsOwnArchiveIsRefusedAndTheArchiveKept) {
  Write("1000752301_P20050612230000.dat", LoggerLineAt(0) + LoggerLineAt(1) + LoggerLineAt(2));
  ASSERT_EQ(Run({"import", "--utc-offset", "+00:00", "--archive", "fleet.gpkg", "1000752301_P20050612230000.dat"}), 0)
      << output;
  std::vector<std::pair<std::string, std::string>> cases = {
      {"fleet.gpkg", "fleet.gpkg"}, {"fleet.gpkg", UnderWine() ? ".\\fleet.gpkg" : "./fleet.gpkg"},
      {"fleet.gpkg", "fleet.gpkg-wal"}, {"fleet.gpkg", "fleet.gpkg-journal"}, {"fleet.gpkg", "fleet.gpkg-shm"}};
  if (!UnderWine()) {
    fs::create_symlink("fleet.gpkg", workdir() / "link.gpkg");
    fs::create_hard_link(workdir() / "fleet.gpkg", workdir() / "hard.gpkg");
    cases.insert(cases.end(), {{"fleet.gpkg", "link.gpkg"}, {"fleet.gpkg", "hard.gpkg"}, {"link.gpkg", "fleet.gpkg"},
                               {"hard.gpkg", (workdir() / "link.gpkg").string()}});
  }
  const std::string before = ReadFile(workdir() / "fleet.gpkg");
  const std::vector<std::string> files = Files();
  for (const auto& [archive, out] : cases) {
    EXPECT_EQ(Run({"export", "--archive", archive, "-o", out}), 2) << archive << " " << out << "\n" << output;
    EXPECT_EQ(output, "trackctl export: " + out + " would be written over its own input\n");
    EXPECT_EQ(ReadFile(workdir() / "fleet.gpkg"), before) << out;
    EXPECT_EQ(Files(), files) << out;
  }
  // Standard output appended to the archive, by "-" or by its descriptor's name.
  if (!UnderWine()) {
    for (const std::string out : {"-", "/dev/stdout"}) {
      int status = -1;
      Shell("cd '" + workdir().string() + "' && " + TRACKCTL_BINARY + " export --archive fleet.gpkg -o " + out +
                " >>fleet.gpkg 2>/dev/null",
            status);
      EXPECT_EQ(WEXITSTATUS(status), 2) << out;
      EXPECT_EQ(ReadFile(workdir() / "fleet.gpkg"), before) << out;
    }
  }
  // A name beside it that is no file of the archive is written.
  ASSERT_EQ(Run({"export", "--archive", "fleet.gpkg", "-o", "fleet.gpkg.gpx"}), 0) << output;
  EXPECT_EQ(Occurrences(ReadFile(workdir() / "fleet.gpkg.gpx"), "<trkpt "), 3u);
  EXPECT_EQ(Query(workdir() / "fleet.gpkg", "SELECT count(*) FROM records"), "3");
}

// An empty TRACKCTL_ARCHIVE is no archive named: a download imports nothing,
// the archive's commands use tracks.gpkg here.
TEST_F(ArchiveRun, AnEmptyArchiveVariableIsAsIfUnset) {
  const RunOptions empty = WithArchiveVariable("");
  ASSERT_EQ(Run({"download", "sms"}, empty), 0) << output;
  EXPECT_EQ(output.find("read,"), std::string::npos) << output;
  const std::vector<std::string> downloaded = DatFiles();
  ASSERT_EQ(downloaded.size(), 1u);
  EXPECT_EQ(Files(), downloaded);
  ASSERT_EQ(Run({"import", "--utc-offset", "+00:00", downloaded[0]}, empty), 0) << output;
  EXPECT_EQ(output, "trackctl import: " + downloaded[0] + ": 300 read, 300 new, 0 already archived, 0 not valid\n");
  EXPECT_EQ(Query(workdir() / "tracks.gpkg", "SELECT count(*) FROM records"), "300");
  ASSERT_EQ(Run({"archive"}, empty), 0) << output;
  EXPECT_NE(output.find("\n" + state.serialKey + "      300  "), std::string::npos) << output;
}

// The PostgreSQL client is loaded only when an archive's name is a connection
// string; a program whose module or client library is missing says which, and
// sends nothing to the device.
TEST_F(ArchiveRun, ThePostgresClientIsLoadedOnlyForAServer) {
  if (UnderWine()) GTEST_SKIP() << "trackctl.exe has the backend linked in, no module";
  const std::string server = "host=" + (workdir() / "no-server").string() + " connect_timeout=2";
  const auto loaded = [&](const std::string& args) {
    int status = -1;
    const std::string libraries = Shell("cd '" + workdir().string() + "' && LD_DEBUG=files " + TRACKCTL_BINARY + " " +
                                            args + " 2>&1 >/dev/null | grep -o 'file=[^ ]*' | sort -u",
                                        status);
    return libraries.find("libpq.so") != std::string::npos;
  };
  Write("1000752301_P20050612230000.dat", LoggerLineAt(0));
  EXPECT_FALSE(loaded("--version"));
  EXPECT_FALSE(loaded("import --utc-offset +00:00 --archive fleet.gpkg 1000752301_P20050612230000.dat"));
  EXPECT_FALSE(loaded("archive --archive fleet.gpkg"));
  EXPECT_TRUE(loaded("archive --archive '" + server + "'"));

  // A copy of the program without its module beside it or where it installs.
  fs::create_directories(workdir() / "bin");
  fs::copy_file(TRACKCTL_BINARY, workdir() / "bin" / "trackctl");
  RunOptions alone;
  alone.binary = (workdir() / "bin" / "trackctl").string();
  alone.args = {"download", "sms", "--archive", server};
  Program& run = Start("", alone);
  EXPECT_EQ(run.WaitExit(), 2);
  EXPECT_EQ(run.Output(), "trackctl download: cannot use " + server +
                              ": the PostgreSQL archive's module trackctl-postgres.so is not installed with this "
                              "trackctl (reinstall the package trackctl); nothing was downloaded\n");
  EXPECT_TRUE(sim().Received().empty());

  // The module there, its client library broken.
  fs::copy_file(fs::path(TRACKCTL_BINARY).parent_path() / "trackctl-postgres.so",
                workdir() / "bin" / "trackctl-postgres.so");
  fs::create_directories(workdir() / "libs");
  Write("libs/libpq.so.5", "");
  alone.env = {{"LD_LIBRARY_PATH", (workdir() / "libs").string()}};
  alone.args = {"archive", "--archive", server};
  Program& broken = Start("", alone);
  EXPECT_EQ(broken.WaitExit(), 2);
  EXPECT_TRUE(broken.Output().starts_with("trackctl archive: cannot use " + server +
                                          ": the PostgreSQL client library cannot be loaded (install the package "
                                          "libpq5): "))
      << broken.Output();
  EXPECT_NE(broken.Output().find("libpq.so.5"), std::string::npos) << broken.Output();
}

// Names of the GeoPackage that are no file to open, or an archive that a
// download could not import into: each command says so in one line, status 2,
// within its deadline (SQLite's open of a FIFO that may not be written blocks
// for ever), and the download asks the device nothing.
TEST_F(ArchiveRun, ArchivesThatCannotBeUsedAreRefusedInOneLineBeforeTheDeviceIsAsked) {
  if (UnderWine()) GTEST_SKIP() << "FIFOs, devices and permission bits of Linux";
  Write("1000752301_P20050612230000.dat", LoggerLineAt(0));
  ASSERT_EQ(mkfifo((workdir() / "pipe.gpkg").c_str(), 0444), 0);
  fs::create_symlink("pipe.gpkg", workdir() / "pipe-link.gpkg");
  fs::create_directory(workdir() / "folder.gpkg");
  // Cut short in the middle of its tables.
  ASSERT_EQ(Run({"import", "--archive", "damaged.gpkg", "1000752301_P20050612230000.dat"}), 0) << output;
  fs::resize_file(workdir() / "damaged.gpkg", fs::file_size(workdir() / "damaged.gpkg") / 2);
  ASSERT_EQ(Run({"import", "--archive", "readonly.gpkg", "1000752301_P20050612230000.dat"}), 0) << output;
  fs::permissions(workdir() / "readonly.gpkg", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  struct Refused {
    std::string archive;
    std::string why;  // for writing; reading commands say the same unless `whyReading`
    std::string whyReading;
  };
  std::vector<Refused> refused = {
      {"pipe.gpkg", "a FIFO, not a file", ""},
      {"pipe-link.gpkg", "a FIFO, not a file", ""},
      {"folder.gpkg", "a folder, not a file", ""},
      {"missing/a.gpkg", "its folder is not there", "no archive there (unable to open database file)"},
      {"damaged.gpkg", "database disk image is malformed", ""},
      {"readonly.gpkg", "attempt to write a readonly database", "-"},
  };
  if (mknod((workdir() / "null").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0) {
    refused.push_back({"null", "a device, not a file", ""});
  }
  RunOptions bound;  // the user may not write what the permission bits forbid
  bound.permissionsBindRoot = true;
  for (const Refused& archive : refused) {
    const std::vector<std::string> commands[] = {
        {"download", "sms", "--archive", archive.archive},
        {"import", "--archive", archive.archive, "1000752301_P20050612230000.dat"},
        {"archive", "--archive", archive.archive},
        {"export", "--archive", archive.archive, "-o", "out.gpx"}};
    for (const std::vector<std::string>& args : commands) {
      const bool reading = args[0] == "archive" || args[0] == "export";
      if (reading && archive.whyReading == "-") continue;  // read as any archive (below)
      RunOptions options = bound;
      options.args = args;
      Program& run = Start("", options);
      EXPECT_EQ(run.WaitExit(20s), 2) << args[0] << " " << archive.archive << ": " << run.Output();
      EXPECT_EQ(Lines(run.Output()).size(), 1u) << run.Output();
      const std::string& why = reading && !archive.whyReading.empty() ? archive.whyReading : archive.why;
      EXPECT_TRUE(run.Output().starts_with("trackctl " + args[0] + ": cannot use " + archive.archive + ": " + why))
          << run.Output();
    }
  }
  EXPECT_TRUE(sim().Received().empty());
  EXPECT_EQ(DatFiles(), std::vector<std::string>{"1000752301_P20050612230000.dat"});
  EXPECT_FALSE(fs::exists(workdir() / "out.gpx"));
  EXPECT_FALSE(fs::exists(workdir() / "missing"));
  for (const char* left : {"readonly.gpkg-wal", "readonly.gpkg-shm", "damaged.gpkg-wal", "damaged.gpkg-shm"}) {
    EXPECT_FALSE(fs::exists(workdir() / left)) << left;
  }
  EXPECT_EQ(fs::status(workdir() / "pipe.gpkg").type(), fs::file_type::fifo);
}

// Reading an archive the user may only read: in a folder where no -wal and -shm
// can be made, and beside them; a name that a URI would read otherwise is the
// file of that name.
TEST_F(ArchiveRun, ReadingCommandsReadAnArchiveTheyMayNotWriteAndLeaveNothingBeside) {
  if (UnderWine()) GTEST_SKIP() << "permission bits of Linux; '?' and ':' in names";
  Write("1000752301_P20050612230000.dat", LoggerLineAt(0) + LoggerLineAt(1) + LoggerLineAt(2));
  fs::create_directory(workdir() / "shelf");
  const std::vector<std::string> import = {"import", "--utc-offset", "+00:00", "--archive", "shelf/fleet.gpkg",
                                           "1000752301_P20050612230000.dat"};
  ASSERT_EQ(Run(import), 0) << output;
  ASSERT_EQ(Run({"export", "--archive", "shelf/fleet.gpkg", "--format", "csv", "-o", "file.csv"}), 0) << output;
  EXPECT_EQ(Lines(ReadFile(workdir() / "file.csv")).size(), 4u);
  RunOptions bound;
  bound.permissionsBindRoot = true;
  const auto readEverything = [&](const std::string& what) {
    ASSERT_EQ(Run({"archive", "--archive", "shelf/fleet.gpkg", "--json"}, bound), 0) << what << ": " << output;
    EXPECT_EQ(nlohmann::json::parse(output).at(0).at("records"), 3) << what;
    ASSERT_EQ(Run({"export", "--archive", "shelf/fleet.gpkg", "--format", "csv", "-o", "archive.csv"}, bound), 0)
        << what << ": " << output;
    EXPECT_EQ(ReadFile(workdir() / "archive.csv"), ReadFile(workdir() / "file.csv")) << what;
    EXPECT_EQ(Files(workdir() / "shelf"), std::vector<std::string>{"fleet.gpkg"}) << what;
  };
  // The archive may not be written, its folder may: the log SQLite makes for
  // the read goes with it.
  fs::permissions(workdir() / "shelf" / "fleet.gpkg", fs::perms::owner_read | fs::perms::others_read);
  readEverything("a read-only file");
  fs::permissions(workdir() / "shelf" / "fleet.gpkg", fs::perms::owner_read | fs::perms::owner_write);
  readEverything("a file that may be written");
  fs::permissions(workdir() / "shelf", fs::perms::owner_read | fs::perms::owner_exec);
  readEverything("a folder that may not be written");
  // Nothing to import into there, and nothing made.
  EXPECT_EQ(Run(import, bound), 2) << output;
  EXPECT_EQ(Lines(output).size(), 1u) << output;
  fs::permissions(workdir() / "shelf", fs::perms::owner_all);
  EXPECT_EQ(Files(workdir() / "shelf"), std::vector<std::string>{"fleet.gpkg"});

  // Names that SQLite would read as URIs: a file of that name, in this folder.
  for (const std::string name : {"file:uri.gpkg?mode=memory", "file:uri.gpkg?immutable=1"}) {
    ASSERT_EQ(Run({"import", "--archive", name, "1000752301_P20050612230000.dat"}), 0) << output;
    EXPECT_NE(output.find(": 3 read, 3 new, "), std::string::npos) << name << ": " << output;
    EXPECT_EQ(Query(workdir() / ("./" + name), "SELECT count(*) FROM records"), "3") << name;
  }
  EXPECT_FALSE(fs::exists(workdir() / "uri.gpkg"));
}

// A file imported again: its download's row counts the file as imported last;
// under another time zone, the import says that the records it finds there
// hold other UTC times.
TEST_F(ArchiveRun, AFileImportedAgainWithMoreRecordsOrInAnotherZoneIsCountedAndTold) {
  const std::string name = "1000752301_P20050612230000.dat";
  Write(name, LoggerLineAt(0) + LoggerLineAt(1) + LoggerLineAt(2));
  ASSERT_EQ(Run({"import", "--utc-offset", "+00:00", name}), 0) << output;
  Write(name, LoggerLineAt(0) + LoggerLineAt(1) + LoggerLineAt(2) + LoggerLineAt(3) + LoggerLineAt(4));
  ASSERT_EQ(Run({"import", "--utc-offset", "+00:00", name}), 0) << output;
  EXPECT_EQ(output, "trackctl import: " + name + ": 5 read, 2 new, 3 already archived, 0 not valid\n");
  const fs::path archive = workdir() / "tracks.gpkg";
  EXPECT_EQ(Query(archive, "SELECT count(*) || ' ' || records_read || ' ' || records_new FROM downloads"), "1 5 5");
  ASSERT_EQ(Run({"import", "--utc-offset", "+05:30", name}), 0) << output;
  EXPECT_EQ(output, "trackctl import: " + name + ": 5 read, 0 new, 5 already archived, 0 not valid\n"
                    "trackctl import: " + name + ": 5 of the records already archived hold other UTC times (imported"
                    " before under another time zone?); the archive keeps its times\n");
  // Under the first zone again: as archived, and said as before.
  ASSERT_EQ(Run({"import", "--utc-offset", "+00:00", name}), 0) << output;
  EXPECT_EQ(output, "trackctl import: " + name + ": 5 read, 0 new, 5 already archived, 0 not valid\n");
  EXPECT_EQ(Query(archive, "SELECT count(*) || ' ' || records_read || ' ' || records_new FROM downloads"), "1 5 5");
  EXPECT_EQ(Query(archive, "SELECT min(utc_time) FROM records"), "2005-06-12T22:00:00.000Z");
}

// The PostgreSQL store alone: several benches at once, a server that goes away,
// logins refused, a schema that is not this program's.
class PostgresArchive : public ArchiveRun {
 protected:
  void SetUp() override {
    ArchiveRun::SetUp();
    if (IsSkipped()) return;
    const std::optional<std::string> found = TestServer();
    if (!found) GTEST_SKIP() << "no PostgreSQL test cluster";
    server = *found;
    dir = TestServerDir();
    uriHost = dir;
    if (UnderWine()) {
      std::ifstream portFile(dir + "/port");
      std::string port;
      std::getline(portFile, port);
      uriHost = "127.0.0.1&port=" + port;
    }
    archive = NewDatabase(server);
  }
  // The file of `records` records of device `key` from record `first` on.
  std::string WriteDownload(const std::string& key, std::size_t first, std::size_t records) {
    std::string text;
    for (std::size_t i = first; i < first + records; ++i) text += LoggerLineAt(i);
    const std::string name = key + "_P20050612230000.dat";
    Write(name, text);
    return name;
  }
  // download sms --archive --erase, its records taking most of a second to
  // come; running once they are announced.
  Program& StartSlowDownloadThatErases() {
    knobs.chunkSize = 500;
    knobs.chunkPauseMs = 60;
    StartSim();
    RunOptions options;
    options.args = {"download", "sms", "--archive", archive, "--erase"};
    Program& run = Start("", options);
    EXPECT_TRUE(run.WaitForOutput("No of records = 300")) << run.Output();
    return run;
  }
  std::string server;   // "host=DIR user=trackctl", over TCP under wine
  std::string dir;      // DIR, where its socket is
  std::string uriHost;  // a URI's host parameter for the cluster: DIR, over TCP under wine
  std::string archive;  // a database of its own
};

TEST_F(PostgresArchive, SixteenImportersOfDifferentDevicesAndTwoOfOneFileAtOnceLoseAndRepeatNothing) {
  // Into a database without the schema yet: the first of them makes it, the others wait.
  std::vector<std::string> files;
  for (int device = 0; device < 16; ++device) files.push_back(WriteDownload("10007523" + std::to_string(10 + device), 0, 3000));
  const std::string shared = WriteDownload("1000752399", 5000, 3000);
  files.push_back(shared);
  files.push_back(shared);
  // Two downloads of one sector that hold the same records in opposite orders.
  std::string forward, backward;
  for (std::size_t i = 0; i < 3000; ++i) forward += LoggerLineAt(i), backward = LoggerLineAt(i) + backward;
  Write("1000752398_P20050612230000.dat", forward);
  Write("1000752398_P20050613230000.dat", backward);
  files.push_back("1000752398_P20050612230000.dat");
  files.push_back("1000752398_P20050613230000.dat");
  std::vector<Program*> runs;
  for (const std::string& file : files) {
    RunOptions options;
    options.args = {"import", "--utc-offset", "+00:00", "--archive", archive, file};
    runs.push_back(&Start("", options));
  }
  std::string outputs;
  for (Program* run : runs) {
    EXPECT_EQ(run->WaitExit(120s), 0) << run->Output();
    outputs += run->Output();
  }
  EXPECT_EQ(Occurrences(outputs, ": 3000 read, 3000 new, 0 already archived, 0 not valid\n"), 18u) << outputs;
  EXPECT_EQ(Occurrences(outputs, ": 3000 read, 0 new, 3000 already archived, 0 not valid\n"), 2u) << outputs;
  EXPECT_EQ(Psql(archive, "SELECT count(*) || ' ' || count(DISTINCT device) FROM records"), "54000 18");
  EXPECT_EQ(Psql(archive, "SELECT count(*) || ' ' || sum(records_new) FROM downloads"), "19 54000");
  // Each found the table empty and built its spatial index after the rows, in turn: it is there, whole.
  EXPECT_EQ(Psql(archive, "SELECT indexdef FROM pg_indexes WHERE indexname = 'records_geom'"),
            "CREATE INDEX records_geom ON trackctl.records USING gist (geom)");
  EXPECT_EQ(Psql(archive, "SET enable_seqscan = off; SELECT count(*) FROM records"
                          " WHERE geom && ST_MakeEnvelope(-180, -90, 180, 90, 4326)"),
            "54000");
  ASSERT_EQ(Run({"archive", "--json"}, WithArchiveVariable(archive)), 0) << output;
  const auto fleet = nlohmann::json::parse(output);
  ASSERT_EQ(fleet.size(), 18u);
  for (const auto& device : fleet) EXPECT_EQ(device["records"], 3000) << device;
  EXPECT_EQ(fleet[16]["downloads"], 2);
  EXPECT_EQ(fleet[17]["device"], "1000752399");
  EXPECT_EQ(fleet[17]["downloads"], 1);
  EXPECT_EQ(fleet[17]["firstUtc"], "2005-06-14T15:40:00Z");
}

TEST_F(PostgresArchive, TwoBenchesDownloadingAtOnceIntoOneServerShowEachDeviceOnce) {
  tracksim::DeviceState other;
  other.serialKey = "1000752302";
  tracksim::PtyServer secondDevice(tracksim::Device(other, {}));
  const fs::path secondBench = outerDir() / "bench-b";
  fs::create_directory(secondBench);
  RunOptions options = WithArchiveVariable(archive);
  options.args = {"download", "sms"};
  Program& first = Start("", options);
  // Port 2 for the second bench: under wine the two share one prefix's COM links.
  options.port = 2;
  options.args = {"-p", "2", "download", "sms"};
  Program second(secondBench, "", secondDevice.slavePath(), options);
  EXPECT_EQ(first.WaitExit(120s), 0) << first.Output();
  EXPECT_EQ(second.WaitExit(120s), 0) << second.Output();
  EXPECT_EQ(DatFiles().size(), 1u);
  EXPECT_EQ(Files(secondBench).size(), 1u);
  ASSERT_EQ(Run({"archive", "--archive", archive, "--json"}), 0) << output;
  const auto fleet = nlohmann::json::parse(output);
  ASSERT_EQ(fleet.size(), 2u) << output;
  for (const auto& device : fleet) {
    EXPECT_EQ(device["records"], 300) << device;
    EXPECT_EQ(device["downloads"], 1) << device;
  }
  EXPECT_EQ(fleet[0]["device"], "1000752301");
  EXPECT_EQ(fleet[1]["device"], "1000752302");
}

// The nightly case: a sector downloaded again before it was erased. Comparing
// every record of the file with every record of the device would take about
// half a minute here (it did: the server's plan for it, while the records were
// new to its statistics).
TEST_F(PostgresArchive, ALaterDownloadOfASectorThatStillHoldsItsRecordsIsImportedAtOnce) {
  WriteDownload("1000752301", 0, 20000);
  // And one whose wide value a double holds only roughly: it is found again as stored.
  std::ofstream(workdir() / "1000752301_P20050612230000.dat", std::ios::app)
      << "5,2,1,0,22:0:0.00,12:6:2005,77.000000,12.971640,33.000000,9999999999.999999;\n";
  ASSERT_EQ(Run({"import", "--archive", archive, "1000752301_P20050612230000.dat"}), 0) << output;
  fs::rename(workdir() / "1000752301_P20050612230000.dat", workdir() / "1000752301_P20050613230000.dat");
  RunOptions options;
  options.args = {"import", "--archive", archive, "1000752301_P20050613230000.dat"};
  Program& later = Start("", options);
  ASSERT_EQ(later.WaitExit(15s), 0) << later.Output();
  EXPECT_NE(later.Output().find(": 20001 read, 0 new, 20001 already archived, 0 not valid\n"), std::string::npos)
      << later.Output();
}

TEST_F(PostgresArchive, RecordsWhoseKeysAnotherRecordHoldsAreEachKeptOnce) {
  // A file of the same name that holds more records than the one imported first.
  WriteDownload("1000752301", 0, 3);
  ASSERT_EQ(Run({"import", "--archive", archive, "1000752301_P20050612230000.dat"}), 0) << output;
  const std::string file = WriteDownload("1000752301", 0, 5);
  ASSERT_EQ(Run({"import", "--archive", archive, file}), 0) << output;
  EXPECT_NE(output.find(": 5 read, 2 new, 3 already archived, 0 not valid\n"), std::string::npos) << output;
  const std::string key = Psql(archive, "SELECT record_key FROM records ORDER BY fid OFFSET 2 LIMIT 1");
  // Another archive where two other records hold the third record's key and the next one.
  const std::string other = NewDatabase(server);
  ASSERT_EQ(Run({"import", "--archive", other, WriteDownload("1000752388", 10, 1)}), 0) << output;
  const std::string copy = "INSERT INTO records (record_key, device, sector, utc_time, local_time, \"headCode\","
                           " \"headState\", \"flagCode\", column4, hours, minutes, seconds, day, month, year, longitude,"
                           " latitude, \"byteValue\", \"wideValue\", download_id) SELECT $K, '1000752301', sector,"
                           " utc_time, local_time, \"headCode\", \"headState\", \"flagCode\", column4, hours, minutes,"
                           " seconds, day, month, year, longitude, latitude, \"byteValue\", \"wideValue\", download_id"
                           " FROM records WHERE device = '1000752388'";
  for (const std::string& taken : {key, key + " + 1"}) {
    std::string sql = copy;
    sql.replace(sql.find("$K"), 2, taken);
    ASSERT_EQ(Psql(other, sql), "");
  }
  ASSERT_EQ(Run({"import", "--archive", other, file}), 0) << output;
  EXPECT_NE(output.find(": 5 read, 5 new, 0 already archived, 0 not valid\n"), std::string::npos) << output;
  EXPECT_EQ(Psql(other, "SELECT (SELECT record_key FROM records WHERE device = '1000752301' AND hours = 22 AND"
                        " minutes = 1 AND seconds = 0) - " + key),
            "2");
  // Found again behind them, under a later download's name.
  std::filesystem::copy_file(workdir() / file, workdir() / "1000752301_P20050613230000.dat");
  ASSERT_EQ(Run({"import", "--archive", other, "1000752301_P20050613230000.dat"}), 0) << output;
  EXPECT_NE(output.find(": 5 read, 0 new, 5 already archived, 0 not valid\n"), std::string::npos) << output;
  EXPECT_EQ(Psql(other, "SELECT count(*) FROM records"), "8");
}

TEST_F(PostgresArchive, EachSchemaNamedInTheArchivesNameIsAnArchiveOfItsOwn) {
  // A name that must be quoted, as a key=value pair and as a URI's parameter.
  const std::string north = archive + " schema='Flotte \"Nord\"'";
  const std::string northUri = "postgresql:///" + archive.substr(archive.rfind('=') + 1) + "?host=" + uriHost +
                               "&user=trackctl&schema=Flotte%20%22Nord%22";
  ASSERT_EQ(Run({"import", "--archive", north, WriteDownload("1000752301", 0, 5)}), 0) << output;
  EXPECT_EQ(output, "trackctl import: 1000752301_P20050612230000.dat: 5 read, 5 new, 0 already archived, 0 not valid\n");
  ASSERT_EQ(Run({"import", "--archive", archive, WriteDownload("1000752302", 0, 3)}), 0) << output;
  ASSERT_EQ(Run({"archive", "--json"}, WithArchiveVariable(northUri)), 0) << output;
  const auto fleet = nlohmann::json::parse(output);
  ASSERT_EQ(fleet.size(), 1u) << output;
  EXPECT_EQ(fleet[0]["device"], "1000752301");
  EXPECT_EQ(fleet[0]["records"], 5);
  ASSERT_EQ(Run({"export", "--archive", northUri, "--format", "csv", "-o", "north.csv"}), 0) << output;
  EXPECT_EQ(Lines(ReadFile(workdir() / "north.csv")).size(), 6u);
  EXPECT_EQ(Psql(archive, "SELECT count(*) FROM \"Flotte \"\"Nord\"\"\".records"), "5");
  EXPECT_EQ(Psql(archive, "SELECT string_agg(device || ':' || n, ' ') FROM (SELECT device, count(*) AS n FROM"
                          " trackctl.records GROUP BY device) AS d"),
            "1000752302:3");
  EXPECT_EQ(Run({"archive", "--archive", archive + " schema=south"}), 2);
  EXPECT_EQ(output, "trackctl archive: cannot use " + archive + " schema=south: no archive there (no schema south in"
                    " this database)\n");
  // Names the server would not hold as written: cut after 63 bytes, or with a
  // line end that could end a comment in the SQL that makes the tables.
  for (const std::string& name : {std::string(64, 'x'), std::string("s\nx")}) {
    EXPECT_EQ(Run({"import", "--archive", archive + " schema='" + name + "'", "1000752301_P20050612230000.dat"}), 2);
    EXPECT_NE(output.find(": a schema name "), std::string::npos) << output;
  }
  // An empty name, in either form; and the longest name the server holds whole.
  for (const std::string& empty : {archive + " schema=''", northUri.substr(0, northUri.find("&schema=")) + "&schema="}) {
    EXPECT_EQ(Run({"import", "--archive", empty, "1000752301_P20050612230000.dat"}), 2) << empty;
    EXPECT_TRUE(output.ends_with(": an empty schema name\n")) << output;
  }
  EXPECT_EQ(Psql(archive, "SELECT count(*) FROM pg_namespace WHERE nspname LIKE 'xxxx%' OR nspname LIKE 's%x'"), "0");
  ASSERT_EQ(Run({"import", "--archive", archive + " schema=" + std::string(63, 'x'), "1000752301_P20050612230000.dat"}),
            0)
      << output;
  EXPECT_EQ(Psql(archive, "SELECT count(*) FROM " + std::string(63, 'x') + ".records"), "5");
}

// An archive that the previous schema's trackctl wrote: 5 records of 1000752301
// from LoggerLineAt(0) on, one of them duplicated here by hand under a unique
// key that lets it in, so that two records hash alike.
TEST_F(PostgresArchive, AnArchiveOfTheFirstSchemaIsMigratedAndItsRecordsFoundAgain) {
  ASSERT_EQ(Psql(archive, "CREATE EXTENSION postgis;\n\\o /dev/null\n\\i " TRACKCTL_E2E_TEST_DATA "/postgres-schema1.sql"), "");
  ASSERT_EQ(Psql(archive, "ALTER TABLE records DROP CONSTRAINT each_record_once, ADD CONSTRAINT each_record_once"
                          " UNIQUE (fid, device); INSERT INTO records (geom, device, sector, utc_time, local_time,"
                          " \"headCode\", \"headState\", \"flagCode\", column4, hours, minutes, seconds, day, month, year,"
                          " longitude, latitude, \"byteValue\", \"wideValue\", problem, download_id) SELECT geom, device,"
                          " sector, utc_time, local_time, \"headCode\", \"headState\", \"flagCode\", column4, hours,"
                          " minutes, seconds, day, month, year, longitude, latitude, \"byteValue\", \"wideValue\", problem,"
                          " download_id FROM records WHERE fid = 2"),
            "");
  ASSERT_EQ(Run({"archive", "--archive", archive}), 0) << output;
  EXPECT_NE(output.find("1000752301"), std::string::npos) << output;
  EXPECT_EQ(Psql(archive, "SELECT version FROM schema_version"), "2");
  EXPECT_EQ(Psql(archive, "SELECT count(*) || ' ' || count(DISTINCT record_key) FROM records"), "6 6");
  EXPECT_EQ(Psql(archive, "SELECT b.record_key - a.record_key FROM records a, records b WHERE a.fid = 2 AND b.fid = 6"),
            "1");
  EXPECT_EQ(Psql(archive, "SELECT pg_get_constraintdef(oid) FROM pg_constraint WHERE conname = 'each_record_once'"),
            "UNIQUE (record_key)");
  ASSERT_EQ(Run({"import", "--archive", archive, "--utc-offset", "+00:00", WriteDownload("1000752301", 0, 6)}), 0)
      << output;
  EXPECT_NE(output.find(": 6 read, 1 new, 5 already archived, 0 not valid\n"), std::string::npos) << output;
}

TEST_F(PostgresArchive, AServerStoppedInTheMiddleOfAnImportLeavesNothingHalfImported) {
  ASSERT_EQ(Run({"import", "--archive", archive, WriteDownload("1000752301", 0, 2)}), 0) << output;
  std::string big;
  for (std::size_t i = 0; i < 200'000; ++i) big += LoggerLineAt(i, 7);
  Write("1000752301_O20050613230000.dat", big);
  RunOptions options;
  options.args = {"import", "--archive", archive, "1000752301_O20050613230000.dat"};
  Program& importer = Start("", options);
  // Stopped while its records are on their way in.
  const auto importing = [this] {
    return Psql(server + " dbname=postgres",
                "SELECT count(*) FROM pg_stat_activity WHERE application_name = 'trackctl' AND state = 'active'"
                " AND (query LIKE 'COPY%' OR query LIKE 'WITH added%' OR query LIKE 'SELECT record_key%')") == "1";
  };
  const auto deadline = std::chrono::steady_clock::now() + 60s;
  while (std::chrono::steady_clock::now() < deadline && !importing()) std::this_thread::sleep_for(5ms);
  ASSERT_TRUE(importing()) << importer.Output();
  const std::string script = std::getenv("TRACKCTL_TEST_POSTGRES_SCRIPT");
  int status = 0;
  Shell(script + " halt " + dir, status);
  EXPECT_EQ(importer.WaitExit(60s), 2);
  const std::string said = importer.Output();
  Shell(script + " start " + dir, status);
  ASSERT_EQ(status, 0);
  ASSERT_EQ(Lines(said).size(), 1u) << said;
  EXPECT_TRUE(said.starts_with("trackctl import: cannot use " + archive + ": ")) << said;
  EXPECT_TRUE(said.ends_with("; 1000752301_O20050613230000.dat is not imported\n")) << said;
  EXPECT_EQ(ReadFile(workdir() / "1000752301_O20050613230000.dat"), big);
  EXPECT_EQ(Psql(archive, "SELECT count(*) FROM records"), "2");
  EXPECT_EQ(Psql(archive, "SELECT count(*) FROM downloads"), "1");
  ASSERT_EQ(Run({"import", "--archive", archive, "1000752301_O20050613230000.dat"}), 0) << output;
  EXPECT_NE(output.find(": 200000 read, 200000 new, 0 already archived, "), std::string::npos) << output;
  EXPECT_EQ(Psql(archive, "SELECT count(*) FROM records"), "200002");
}

// A role that may hold one connection at a time: the download opens its
// archive once, before the port, and that one connection makes the schema,
// takes the records and decides the erase.
TEST_F(PostgresArchive, ARoleOfOneConnectionDownloadsArchivesAndErasesThroughIt) {
  static int made = 0;
  const std::string role = "one_" + std::to_string(::getpid()) + "_" + std::to_string(++made);
  // Under wine over TCP, where logins take the password that PGPASSWORD gives.
  ASSERT_EQ(Psql(server + " dbname=postgres",
                 "CREATE ROLE " + role + " LOGIN CONNECTION LIMIT 1 PASSWORD 'trackctl-secret'"),
            "");
  const std::string owned = NewDatabase(server, role);
  std::string one = owned;
  one.replace(one.find(" user=trackctl"), std::string(" user=trackctl").size(), " user=" + role);
  ASSERT_EQ(Run({"download", "sms", "--archive", one, "--erase"}), 0) << output;
  EXPECT_TRUE(output.ends_with(": 300 read, 300 new, 0 already archived, 0 not valid\n" + SectorErasedText("SMS") +
                               "\n"))
      << output;
  EXPECT_EQ(Served(), (std::vector<std::string>{"INIT", "PREAD", "PDEL"}));
  EXPECT_EQ(Psql(owned, "SELECT count(*) FROM records"), "300");
  EXPECT_EQ(Psql(owned, "SELECT sector || ' ' || device || ' ' || records_new FROM downloads"),
            "sms " + state.serialKey + " 300");
}

// The import has committed, then the server goes away (its connections ended):
// from the commit on the records are the server's, so the erase goes on, and
// nothing after the commit needs the server; they are there when it is back.
TEST_F(PostgresArchive, AServerGoneOnceTheImportHasCommittedLeavesTheEraseToGoOn) {
  RunOptions options;
  options.args = {"download", "datacall", "--archive", archive, "--erase"};
  Program& run = Start("", options);
  ASSERT_TRUE(run.WaitForOutput(": 250 read, 250 new, 0 already archived, 0 not valid\n", 60s)) << run.Output();
  const std::string script = std::getenv("TRACKCTL_TEST_POSTGRES_SCRIPT");
  int status = 0;
  Shell(script + " halt " + dir, status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(run.WaitExit(60s), 0) << run.Output();
  Shell(script + " start " + dir, status);
  ASSERT_EQ(status, 0);
  EXPECT_TRUE(run.Output().ends_with(SectorErasedText("DataCall") + "\n")) << run.Output();
  EXPECT_EQ(Served(), (std::vector<std::string>{"INIT", "OREAD", "ODEL"}));
  EXPECT_EQ(Device([](auto& s) { return s.dataCallSector.size(); }), 0u);
  EXPECT_EQ(Psql(archive, "SELECT count(*) FROM records"), "250");
}

// The server restarted while the records come: the connection opened before
// the port has gone with it. Whatever the import makes of that, the sector is
// erased only when the archive holds its records, and the file stays whole.
TEST_F(PostgresArchive, AServerRestartedDuringTheDownloadNeverCostsTheSector) {
  Program& run = StartSlowDownloadThatErases();
  const std::string script = std::getenv("TRACKCTL_TEST_POSTGRES_SCRIPT");
  int status = 0;
  Shell(script + " halt " + dir + " && " + script + " start " + dir, status);
  ASSERT_EQ(status, 0);
  const int exit = run.WaitExit(60s);
  const std::vector<std::string> files = DatFiles();
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(Occurrences(ReadFile(workdir() / files[0]), "\n"), 300u);
  const std::string held = Psql(archive, "SELECT count(*) FROM records");
  const std::size_t left = Device([](auto& s) { return s.smsSector.size(); });
  if (exit == 0) {
    EXPECT_EQ(held, "300");
    EXPECT_EQ(left, 0u);
  } else {
    EXPECT_EQ(exit, 4) << run.Output();
    EXPECT_NE(run.Output().find(" stays as it is and the sector is not erased\n"), std::string::npos) << run.Output();
    EXPECT_EQ(left, 300u);
  }
}

// The archive is opened before the port; a connection that the server ends
// while the records come is opened again for the import.
TEST_F(PostgresArchive, AConnectionEndedDuringTheDownloadIsOpenedAgainForTheImport) {
  Program& run = StartSlowDownloadThatErases();
  const std::string database = archive.substr(archive.find(" dbname=") + 8);
  EXPECT_EQ(Psql(server + " dbname=postgres", "SELECT count(pg_terminate_backend(pid)) FROM pg_stat_activity"
                                              " WHERE datname = '" + database + "' AND application_name = 'trackctl'"),
            "1");
  EXPECT_EQ(run.WaitExit(60s), 0) << run.Output();
  EXPECT_EQ(Psql(archive, "SELECT count(*) FROM records"), "300");
  EXPECT_EQ(Device([](auto& s) { return s.smsSector.size(); }), 0u);
}

TEST_F(PostgresArchive, AServerThatCannotBeUsedIsOneLineAndNothingIsSentToTheDevice) {
  // Under wine a TCP port that nothing listens on.
  const std::string nowhere =
      (UnderWine() ? "host=127.0.0.1 port=1" : "host=" + (outerDir() / "no-server").string()) + " dbname=fleet";
  const std::string newer = archive;
  ASSERT_EQ(Run({"import", "--archive", newer, WriteDownload("1000752301", 0, 5)}), 0) << output;
  ASSERT_EQ(Psql(newer, "UPDATE schema_version SET version = 3"), "");
  const std::string empty = NewDatabase(server);
  const struct {
    std::string archive;
    std::string why;
  } refused[] = {
      {nowhere, UnderWine() ? "connection to server at \"127.0.0.1\", port 1 failed" : "connection to server on socket"},
      {"postgresql://bench:Wr0ngPassw0rd@/" + archive.substr(archive.rfind('=') + 1) + "?host=" + uriHost,
       "password authentication failed for user \"bench\""},
      // libpq quotes what it cannot decode.
      {"postgresql://bench:Wr0ngPassw0rd%zz@/fleet?host=" + uriHost, "invalid percent-encoded token"},
      {newer, "written by a newer trackctl (schema version 3, this program knows 2)"},
  };
  for (const auto& store : refused) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"download", "sms", "--archive", store.archive},
          std::vector<std::string>{"import", "--archive", store.archive, "1000752301_P20050612230000.dat"},
          std::vector<std::string>{"archive", "--archive", store.archive},
          std::vector<std::string>{"export", "--archive", store.archive, "-o", "out.gpx"}}) {
      EXPECT_EQ(Run(args), 2) << args[0] << " " << store.archive;
      EXPECT_EQ(Lines(output).size(), 1u) << output;
      EXPECT_NE(output.find(store.why), std::string::npos) << output;
      EXPECT_EQ(output.find("Wr0ngPassw0rd"), std::string::npos) << output;
    }
  }
  EXPECT_TRUE(sim().Received().empty());
  EXPECT_EQ(DatFiles(), std::vector<std::string>{"1000752301_P20050612230000.dat"});
  EXPECT_FALSE(fs::exists(workdir() / "out.gpx"));
  EXPECT_EQ(Psql(newer, "SELECT count(*) FROM records"), "5");
  // A reading command on a database without the schema; a download makes it.
  EXPECT_EQ(Run({"archive", "--archive", empty}), 2);
  EXPECT_EQ(output, "trackctl archive: cannot use " + empty + ": no archive there (no schema trackctl in this database)\n");
  ASSERT_EQ(Run({"download", "sms", "--archive", empty}), 0) << output;
  EXPECT_EQ(Psql(empty, "SELECT count(*) FROM records"), "300");
}

TEST_F(PostgresArchive, ARoleWithItsPasswordFromTheEnvironmentAndWithoutPostgisKeepsTwoColumns) {
  const std::string owned = NewDatabase(server, "bench");
  const std::string bench = owned.substr(0, owned.find("user=")) + "user=bench" + owned.substr(owned.find(" dbname="));
  const std::string file = WriteDownload("1000752301", 0, 100);
  RunOptions wrong = WithArchiveVariable(bench);
  wrong.env.push_back({"PGPASSWORD", "An0therWr0ng0ne"});
  EXPECT_EQ(Run({"import", file}, wrong), 2);
  EXPECT_NE(output.find("password authentication failed"), std::string::npos) << output;
  EXPECT_EQ(output.find("An0therWr0ng0ne"), std::string::npos) << output;
  RunOptions right = WithArchiveVariable(bench);
  right.env.push_back({"PGPASSWORD", "bench-secret"});
  ASSERT_EQ(Run({"import", file}, right), 0) << output;
  EXPECT_NE(output.find(": 100 read, 100 new, 0 already archived, 0 not valid\n"), std::string::npos) << output;
  // bench may not make the postgis extension: the place is in longitude and latitude alone.
  EXPECT_EQ(Psql(owned, "SELECT count(*) FROM information_schema.columns WHERE table_name = 'records' AND column_name = 'geom'"), "0");
  ASSERT_EQ(Run({"export", "--archive", bench, "--format", "geojson", "-o", "bench.geojson"}, right), 0) << output;
  ASSERT_EQ(Run({"export", "--format", "geojson", "--utc-offset", "+00:00", "-o", "file.geojson", file}), 0) << output;
  const auto points = GeoJsonPoints(ReadFile(workdir() / "file.geojson"), "time");
  EXPECT_EQ(points.size(), 100u);
  EXPECT_EQ(GeoJsonPoints(ReadFile(workdir() / "bench.geojson"), "time"), points);
  // The superuser's databases have it, and psql reads the points from it.
  ASSERT_EQ(Run({"import", "--archive", archive, file}), 0) << output;
  EXPECT_EQ(Psql(archive, "SELECT ST_AsText(geom) FROM records ORDER BY fid LIMIT 1"), "POINT(77 12.97164)");
  EXPECT_EQ(Psql(archive, "SELECT extnamespace::regnamespace FROM pg_extension WHERE extname = 'postgis'"), "public");
}

// Every byte of `text` that is not unreserved in a URI, as %XX.
std::string PercentEncoded(const std::string& text) {
  std::string encoded;
  for (const char c : text) {
    if (std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '.' || c == '_' || c == '~') {
      encoded += c;
    } else {
      char hex[4];
      std::snprintf(hex, sizeof hex, "%%%02X", static_cast<unsigned char>(c));
      encoded += hex;
    }
  }
  return encoded;
}

// A role that logs in over TCP with scram-sha-256, its password holding each
// character that a URI reserves: written encoded it logs in, and neither the
// password nor its encoded form is ever shown; written raw, an '@' or a '/'
// (where libpq would split the password) is refused before anything is sent
// to the device, while a '?' or a '#' logs in, with the schema of the query.
TEST_F(PostgresArchive, APasswordWithEachReservedCharacterLogsInOverTcpAndIsNeverShown) {
  std::ifstream portFile(dir + "/port");
  std::string port;
  ASSERT_TRUE(std::getline(portFile, port)) << "the cluster in " << dir << " keeps no TCP port";
  ASSERT_EQ(Psql(server + " dbname=postgres",
                 "DO $$BEGIN CREATE ROLE keeper LOGIN; EXCEPTION WHEN duplicate_object THEN NULL; END$$"),
            "");
  const std::string owned = NewDatabase(server, "keeper");
  const std::string database = owned.substr(owned.rfind('=') + 1);
  const std::string at = "@127.0.0.1:" + port + "/" + database;
  RunOptions traced;
  traced.env = {{"TRACKCTL_TRACE", "trace.txt"}};
  int n = 0;
  for (const char reserved : std::string("?#/@:&=% ")) {
    const std::string password = "S3c" + std::string(1, reserved) + "r3t";
    const std::string encoded = PercentEncoded(password);
    const std::string schema = "s" + std::to_string(++n);
    const auto secretShown = [&](const std::string& text) {
      return text.find(password) != std::string::npos || text.find(encoded) != std::string::npos;
    };
    SCOPED_TRACE(password);
    ASSERT_EQ(Psql(server + " dbname=postgres", "ALTER ROLE keeper PASSWORD '" + password + "'"), "");

    ASSERT_EQ(Run({"download", "sms", "--archive", "postgresql://keeper:" + encoded + at + "?schema=" + schema},
                  traced),
              0)
        << output;
    EXPECT_NE(output.find(" in postgresql://keeper" + at + "?schema=" + schema + ": 300 read, 300 new, "),
              std::string::npos)
        << output;
    EXPECT_FALSE(secretShown(output)) << output;
    EXPECT_EQ(Psql(owned, "SELECT count(*) FROM " + schema + ".records"), "300");
    // A wrong password: the line that says so shows neither.
    EXPECT_EQ(Run({"archive", "--archive", "postgresql://keeper:" + encoded + "x" + at}), 2);
    EXPECT_NE(output.find("password authentication failed for user \"keeper\""), std::string::npos) << output;
    EXPECT_FALSE(secretShown(output)) << output;

    const std::string raw = "postgresql://keeper:" + password + at + "?schema=raw" + schema;
    const std::size_t sent = sim().Received().size();
    const int status = Run({"download", "sms", "--archive", raw}, traced);
    EXPECT_FALSE(secretShown(output)) << output;
    EXPECT_EQ(Lines(output).back().find("r3t"), std::string::npos) << output;
    if (reserved == '@' || reserved == '/') {
      EXPECT_EQ(status, 2);
      EXPECT_EQ(output, "trackctl download: cannot use postgresql://keeper" + at + "?schema=raw" + schema +
                            ": libpq would split this URI inside its password: write a '@' of the password as %40"
                            " and a '/' as %2F; nothing was downloaded\n");
      EXPECT_EQ(sim().Received().size(), sent);
    } else if (reserved == '?' || reserved == '#') {
      EXPECT_EQ(status, 0) << output;
      EXPECT_NE(output.find(" in postgresql://keeper" + at + "?schema=raw" + schema + ": 300 read, 300 new, "),
                std::string::npos)
          << output;
      EXPECT_EQ(Psql(owned, "SELECT count(*) FROM raw" + schema + ".records"), "300");
    }
  }
  EXPECT_EQ(Psql(owned, "SELECT count(*) FROM pg_namespace WHERE nspname IN ('raws3', 'raws4')"), "0");
  const std::string trace = ReadFile(workdir() / "trace.txt");
  EXPECT_NE(trace, "");
  EXPECT_EQ(trace.find("r3t"), std::string::npos);
}

}  // namespace
}  // namespace trackctl::e2e
