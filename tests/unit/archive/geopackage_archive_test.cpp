// The GeoPackage archive through its interface, checked with SQLite itself:
// the required tables and header, each record once, one transaction per
// import, and files that are no archive refused and left as they were.
#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "archive/archive_time.h"
#include "archive/open_archive.h"
#include "archive/sqlite/gpkg_functions.h"
#include "archive/sqlite/gpkg_schema.h"
#include "archive/record_key.h"
#include "archive/sqlite/records_table.h"
#include "archive/sqlite/sqlite_handles.h"
#include "track/logger_columns.h"
#include "track/local_time_rule.h"
#include "tests/unit/work_dir.h"

namespace trackctl::gpkg {
namespace {

using testing::WorkDir;

LoggerLine Line(std::uint32_t hours, std::uint32_t minutes, std::uint32_t seconds, std::uint64_t longitude) {
  return LoggerLine{5, 2, 1, 0, hours, minutes, seconds, 12, 6, 2005, longitude, 12'971'640, 33'000'000, 74'790'000'000};
}

std::vector<TrackPoint> Points(const std::vector<LoggerLine>& lines) {
  FixedOffsetRule rule(330);  // +05:30
  std::vector<TrackPoint> points;
  for (const LoggerLine& line : lines) points.push_back(MakeTrackPoint(line, rule));
  return points;
}

ArchiveDownload Download(int minute) {
  ArchiveDownload download;
  download.fileName = "1000752301_P200506122300" + std::to_string(minute) + ".dat";
  download.device = "1000752301";
  download.sector = Sector::kSms;
  download.downloaded = LocalDateTime{2005, 6, 12, 23, minute, 0};
  return download;
}

std::unique_ptr<Archive> OpenOrFail(const std::string& path, ArchiveAccess access = ArchiveAccess::kCreate) {
  auto opened = OpenArchive(path, access);
  if (auto* error = std::get_if<ArchiveError>(&opened)) {
    ADD_FAILURE() << "archive refused: " << error->detail;
    return nullptr;
  }
  return std::move(std::get<std::unique_ptr<Archive>>(opened));
}

ImportCounts ImportOrFail(Archive& archive, const ArchiveDownload& download, const std::vector<TrackPoint>& points) {
  auto imported = archive.Import(download, points);
  if (auto* error = std::get_if<ArchiveError>(&imported)) {
    ADD_FAILURE() << "import failed: " << error->detail;
    return {};
  }
  return std::get<ImportCounts>(imported);
}

UtcTime Utc(std::string_view iso) { return UtcTime{ParseIsoUtc(iso).value_or(-1)}; }

// One value of a query, as text ("NULL" for none), read with SQLite alone.
std::string Query(const std::string& path, const std::string& sql) {
  sqlite3* raw = nullptr;
  sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READONLY, nullptr);
  const Connection db(raw);
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_prepare_v2(db.get(), sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
    return std::string("error: ") + sqlite3_errmsg(db.get());
  }
  const Statement owned(statement);
  if (sqlite3_step(statement) != SQLITE_ROW) return "no row";
  const unsigned char* text = sqlite3_column_text(statement, 0);
  return text == nullptr ? "NULL" : reinterpret_cast<const char*>(text);
}

void RunSql(const std::string& path, const char* sql) {
  sqlite3* raw = nullptr;
  ASSERT_EQ(sqlite3_open(path.c_str(), &raw), SQLITE_OK);
  const Connection db(raw);
  ASSERT_EQ(sqlite3_exec(db.get(), sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db.get());
}

std::string Bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// How SQLite runs `sql` on the archive at `path`: the details of its plan, one a line.
std::string QueryPlan(const std::string& path, const std::string& sql) {
  sqlite3* raw = nullptr;
  sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READONLY, nullptr);
  const Connection db(raw);
  sqlite3_stmt* statement = nullptr;
  const std::string explain = "EXPLAIN QUERY PLAN " + sql;
  if (sqlite3_prepare_v2(db.get(), explain.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
    return std::string("error: ") + sqlite3_errmsg(db.get());
  }
  const Statement owned(statement);
  std::string plan;
  while (sqlite3_step(statement) == SQLITE_ROW) {
    plan += reinterpret_cast<const char*>(sqlite3_column_text(statement, 3));
    plan += '\n';
  }
  return plan;
}

TEST(GeoPackageArchive, ANewArchiveIsAGeoPackageWithItsRequiredTables) {
  WorkDir dir;
  ASSERT_TRUE(OpenOrFail("a.gpkg"));
  EXPECT_EQ(Query("a.gpkg", "PRAGMA application_id"), "1196444487");
  EXPECT_EQ(Query("a.gpkg", "PRAGMA user_version"), "10300");
  EXPECT_EQ(Query("a.gpkg", "PRAGMA journal_mode"), "wal");
  EXPECT_EQ(Query("a.gpkg", "SELECT group_concat(srs_id) FROM (SELECT srs_id FROM gpkg_spatial_ref_sys ORDER BY srs_id)"),
            "-1,0,4326");
  EXPECT_EQ(Query("a.gpkg", "SELECT data_type || ' ' || srs_id FROM gpkg_contents WHERE table_name = 'records'"),
            "features 4326");
  EXPECT_EQ(Query("a.gpkg", "SELECT geometry_type_name || ' ' || column_name FROM gpkg_geometry_columns"), "POINT geom");
  EXPECT_EQ(Query("a.gpkg", "SELECT extension_name FROM gpkg_extensions WHERE table_name = 'records'"),
            "gpkg_rtree_index");
  EXPECT_EQ(Query("a.gpkg", "SELECT count(*) FROM sqlite_master WHERE type = 'trigger' AND name LIKE 'rtree_records_geom_%'"),
            "6");
  EXPECT_EQ(Query("a.gpkg", "SELECT version FROM trackctl_schema"), "4");
  EXPECT_EQ(Query("a.gpkg", "SELECT type FROM pragma_table_info('records') WHERE name = 'utc_time'"), "DATETIME");
  EXPECT_EQ(Query("a.gpkg", "PRAGMA integrity_check"), "ok");
  EXPECT_EQ(Query("a.gpkg", "PRAGMA page_size"), "8192");
  // A device's points in time order straight from the index, no sort.
  EXPECT_EQ(QueryPlan("a.gpkg", PointsSql()),
            "SEARCH records USING INDEX records_device_time (device=? AND <expr>>? AND <expr><?)\n");
  // The default as GeoPackage gives it, byte for byte: validators compare the text.
  EXPECT_NE(Query("a.gpkg", "SELECT sql FROM sqlite_master WHERE name = 'gpkg_contents'")
                .find("last_change DATETIME NOT NULL DEFAULT (strftime('%Y-%m-%dT%H:%M:%fZ','now'))"),
            std::string::npos);
}

TEST(GeoPackageArchive, ImportingTheSameDownloadTwiceAddsEachRecordOnce) {
  WorkDir dir;
  const auto archive = OpenOrFail("a.gpkg");
  ASSERT_TRUE(archive);
  const auto points = Points({Line(22, 0, 30, 77'594'680), Line(22, 1, 0, 77'594'700), Line(24, 0, 0, 77'594'720)});
  const ImportCounts first = ImportOrFail(*archive, Download(10), points);
  EXPECT_EQ(first.read, 3u);
  EXPECT_EQ(first.added, 3u);
  EXPECT_EQ(first.alreadyArchived, 0u);
  EXPECT_EQ(first.notValid, 1u);
  const ImportCounts second = ImportOrFail(*archive, Download(10), points);
  EXPECT_EQ(second.read, 3u);
  EXPECT_EQ(second.added, 0u);
  EXPECT_EQ(second.alreadyArchived, 3u);
  EXPECT_EQ(second.notValid, 1u);
  EXPECT_EQ(Query("a.gpkg", "SELECT count(*) FROM records"), "3");
  EXPECT_EQ(Query("a.gpkg", "SELECT count(*) FROM rtree_records_geom"), "2");
  EXPECT_EQ(Query("a.gpkg", "SELECT count(*) || ' ' || records_read || ' ' || records_new FROM downloads"), "1 3 3");
  // What was stored of the first record, and of the one without a valid time.
  EXPECT_EQ(Query("a.gpkg", "SELECT utc_time || ' ' || local_time || ' ' || longitude || ' ' || latitude || ' ' ||"
                            " sector || ' ' || device FROM records WHERE fid = 1"),
            "2005-06-12T16:30:30.000Z 2005-06-12 22:00:30 77.59468 12.97164 sms 1000752301");
  EXPECT_EQ(Query("a.gpkg", "SELECT quote(geom) || ' ' || quote(utc_time) || ' ' || problem FROM records WHERE hours = 24"),
            "NULL NULL hour 24 or more");
  EXPECT_EQ(Query("a.gpkg", "SELECT min_x || ' ' || max_x || ' ' || min_y || ' ' || max_y FROM gpkg_contents"
                            " WHERE table_name = 'records'"),
            "77.59468 77.5947 12.97164 12.97164");
}

// `count` valid records from `first` on, spread over a 1 x 1 degree square on a 0.001 degree grid.
std::vector<TrackPoint> SpreadPoints(std::uint32_t first, std::uint32_t count) {
  std::vector<LoggerLine> lines;
  for (std::uint32_t i = first; i < first + count; ++i) {
    const std::uint64_t longitude = 77'000'000 + (i * 7'919u % 1'000) * 1'000;
    const std::uint64_t latitude = 12'000'000 + (i * 104'729u % 997) * 1'000;
    lines.push_back(LoggerLine{5, 2, 1, 0, 10 + i / 3'600, i / 60 % 60, i % 60, 12, 6, 2005, longitude, latitude,
                               33'000'000, 74'790'000'000});
  }
  return Points(lines);
}

// The spatial index answers boxes as a scan of the records does; bounds fall between grid points.
void ExpectIndexAnswersAsTheRecords(const std::string& path) {
  EXPECT_EQ(Query(path, "SELECT rtreecheck('rtree_records_geom')"), "ok");
  for (const auto& [west, east, south, north] : {std::array<double, 4>{76.9, 78.1, 11.9, 13.1},
                                                 std::array<double, 4>{77.1005, 77.3005, 12.4005, 12.9005},
                                                 std::array<double, 4>{77.5005, 77.5105, 12.0005, 12.9995},
                                                 std::array<double, 4>{77.9005, 77.9995, 12.9005, 12.9995}}) {
    const std::string indexed = Query(path, "SELECT count(*) FROM rtree_records_geom WHERE minx >= " +
                                                std::to_string(west) + " AND maxx <= " + std::to_string(east) +
                                                " AND miny >= " + std::to_string(south) +
                                                " AND maxy <= " + std::to_string(north));
    const std::string scanned = Query(path, "SELECT count(*) FROM records WHERE geom NOT NULL AND longitude BETWEEN " +
                                                std::to_string(west) + " AND " + std::to_string(east) +
                                                " AND latitude BETWEEN " + std::to_string(south) + " AND " +
                                                std::to_string(north));
    EXPECT_EQ(indexed, scanned) << west << " " << east << " " << south << " " << north;
    EXPECT_NE(scanned, "0");
  }
}

TEST(GeoPackageArchive, AnImportIntoAnEmptyArchiveBuildsItsSpatialIndexPacked) {
  WorkDir dir;
  const auto archive = OpenOrFail("a.gpkg");
  ASSERT_TRUE(archive);
  EXPECT_EQ(ImportOrFail(*archive, Download(10), SpreadPoints(0, 3'000)).added, 3'000u);
  // 3,000 entries, 51 to a node: 59 full leaves but the last, 2 nodes above them and the root, 2 levels up.
  EXPECT_EQ(Query("a.gpkg", "SELECT count(*) FROM rtree_records_geom_node"), "62");
  EXPECT_EQ(Query("a.gpkg", "SELECT hex(substr(data, 1, 2)) FROM rtree_records_geom_node WHERE nodeno = 1"), "0002");
  EXPECT_EQ(Query("a.gpkg", "SELECT count(*) FROM records JOIN rtree_records_geom ON id = fid WHERE minx <= longitude"
                            " AND longitude <= maxx AND miny <= latitude AND latitude <= maxy"),
            "3000");
  ExpectIndexAnswersAsTheRecords("a.gpkg");
  // The next import goes into the tree as it is; the trigger is back for other writers.
  EXPECT_EQ(ImportOrFail(*archive, Download(11), SpreadPoints(3'000, 500)).added, 500u);
  EXPECT_EQ(Query("a.gpkg", "SELECT count(*) FROM records JOIN rtree_records_geom ON id = fid WHERE minx <= longitude"
                            " AND longitude <= maxx AND miny <= latitude AND latitude <= maxy"),
            "3500");
  ExpectIndexAnswersAsTheRecords("a.gpkg");
  EXPECT_EQ(Query("a.gpkg", "SELECT count(*) FROM sqlite_master WHERE name = 'rtree_records_geom_insert'"), "1");
}

// Into a tree that holds entries, an import's points go as a packed tree hung
// under the root: beside its cells while they fit, else under a new root a level
// up; the leaves stay at one depth. An import of fewer points than a leaf holds
// goes in through SQLite's own insert.
TEST(GeoPackageArchive, LaterImportsHangTheirPackedTreesUnderTheRoot) {
  WorkDir dir;
  const auto archive = OpenOrFail("a.gpkg");
  ASSERT_TRUE(archive);
  const std::string rootDepthAndCells =
      "SELECT hex(substr(data, 1, 4)) FROM rtree_records_geom_node WHERE nodeno = 1";
  // 51 x 51 entries: 51 full leaves, all in the root.
  ImportOrFail(*archive, Download(10), SpreadPoints(0, 2'601));
  EXPECT_EQ(Query("a.gpkg", rootDepthAndCells), "00010033");
  // 2 leaves more do not fit: the root's cells move down, the root holds that
  // node and the one above the new leaves.
  EXPECT_EQ(ImportOrFail(*archive, Download(11), SpreadPoints(2'601, 100)).added, 100u);
  EXPECT_EQ(Query("a.gpkg", rootDepthAndCells), "00020002");
  EXPECT_EQ(Query("a.gpkg", "SELECT count(*) FROM rtree_records_geom_node"), "56");
  ExpectIndexAnswersAsTheRecords("a.gpkg");
  // The next one fits beside them.
  EXPECT_EQ(ImportOrFail(*archive, Download(12), SpreadPoints(2'701, 60)).added, 60u);
  EXPECT_EQ(Query("a.gpkg", rootDepthAndCells), "00020003");
  ExpectIndexAnswersAsTheRecords("a.gpkg");
  // Too few for a leaf of their own.
  EXPECT_EQ(ImportOrFail(*archive, Download(13), SpreadPoints(2'761, 50)).added, 50u);
  EXPECT_EQ(Query("a.gpkg", "SELECT count(*) FROM rtree_records_geom"), "2811");
  ExpectIndexAnswersAsTheRecords("a.gpkg");
  EXPECT_EQ(Query("a.gpkg", "PRAGMA integrity_check"), "ok");
}

// The first import into an empty archive leaves it as small as SQLite's VACUUM
// would make it; a later one (into the pages an import leaves half full) does not.
TEST(GeoPackageArchive, TheFirstImportLeavesTheArchiveCompact) {
  WorkDir dir;
  const auto archive = OpenOrFail("a.gpkg");
  ASSERT_TRUE(archive);
  ImportOrFail(*archive, Download(10), SpreadPoints(0, 20'000));
  const auto pagesAfterVacuum = [](const std::string& name) {
    RunSql("a.gpkg", ("VACUUM INTO '" + name + "'").c_str());
    return Query(name, "PRAGMA page_count");
  };
  EXPECT_EQ(Query("a.gpkg", "PRAGMA page_count"), pagesAfterVacuum("first.gpkg"));
  ImportOrFail(*archive, Download(11), SpreadPoints(20'000, 20'000));
  EXPECT_NE(Query("a.gpkg", "PRAGMA page_count"), pagesAfterVacuum("second.gpkg"));
}

// More records than a sector holds: the spatial index is filled without
// packing, and holds each of them all the same.
TEST(GeoPackageArchive, AnImportOfMoreRecordsThanASectorHoldsIndexesEachOfThem) {
  WorkDir dir;
  const auto archive = OpenOrFail("a.gpkg");
  ASSERT_TRUE(archive);
  std::vector<LoggerLine> lines;
  for (std::uint32_t i = 0; i < 70'000; ++i) lines.push_back(Line(i / 3600, i / 60 % 60, i % 60, 77'000'000 + i));
  EXPECT_EQ(ImportOrFail(*archive, Download(10), Points(lines)).added, 70'000u);
  EXPECT_EQ(Query("a.gpkg", "SELECT count(*) || ' ' || (SELECT count(*) FROM rtree_records_geom) FROM records"),
            "70000 70000");
  EXPECT_EQ(Query("a.gpkg", "SELECT count(*) FROM rtree_records_geom r JOIN records ON r.id = records.fid"
                            " WHERE r.minx <= longitude AND longitude <= r.maxx"),
            "70000");
}

TEST(GeoPackageArchive, AnImportThatFailsLeavesTheArchiveAsItWas) {
  WorkDir dir;
  {
    const auto archive = OpenOrFail("a.gpkg");
    ASSERT_TRUE(archive);
    ImportOrFail(*archive, Download(10), Points({Line(22, 0, 30, 1)}));
  }
  // The third record's insert fails, after a download row and two records.
  RunSql("a.gpkg", "CREATE TRIGGER planted AFTER INSERT ON records WHEN NEW.minutes = 7 "
                   "BEGIN SELECT RAISE(ABORT, 'planted failure'); END;");
  const auto archive = OpenOrFail("a.gpkg");
  ASSERT_TRUE(archive);
  auto imported = archive->Import(Download(20), Points({Line(22, 5, 0, 1), Line(22, 6, 0, 2), Line(22, 7, 0, 3)}));
  ASSERT_TRUE(std::holds_alternative<ArchiveError>(imported));
  EXPECT_EQ(std::get<ArchiveError>(imported).kind, ArchiveError::Kind::kFailed);
  EXPECT_NE(std::get<ArchiveError>(imported).detail.find("planted failure"), std::string::npos);
  EXPECT_EQ(Query("a.gpkg", "SELECT count(*) FROM records"), "1");
  EXPECT_EQ(Query("a.gpkg", "SELECT count(*) FROM downloads"), "1");
  EXPECT_EQ(Query("a.gpkg", "SELECT count(*) FROM rtree_records_geom"), "1");
  EXPECT_EQ(Query("a.gpkg", "SELECT count(*) FROM sqlite_master WHERE name = 'rtree_records_geom_insert'"), "1");
}

TEST(GeoPackageArchive, ADownloadImportedAgainWithOtherRecordsAddsThem) {
  WorkDir dir;
  const auto archive = OpenOrFail("a.gpkg");
  ASSERT_TRUE(archive);
  ImportOrFail(*archive, Download(10), Points({Line(22, 0, 30, 1), Line(22, 1, 0, 2)}));
  const auto lines = Points({Line(22, 0, 30, 1), Line(22, 1, 0, 2), Line(22, 1, 30, 3)});
  EXPECT_EQ(ImportOrFail(*archive, Download(10), lines).added, 1u);
  const ImportCounts again = ImportOrFail(*archive, Download(10), lines);
  EXPECT_EQ(again.added, 0u);
  EXPECT_EQ(again.alreadyArchived, 3u);
  EXPECT_EQ(Query("a.gpkg", "SELECT count(*) || ' ' || (SELECT count(*) FROM rtree_records_geom) FROM records"), "3 3");
  EXPECT_EQ(Query("a.gpkg", "SELECT count(*) FROM downloads"), "1");
  EXPECT_EQ(Query("a.gpkg", "SELECT count(*) FROM sqlite_master WHERE type = 'trigger' AND tbl_name = 'records'"), "6");
}

TEST(GeoPackageArchive, RecordsWhoseKeysCollideAreEachKeptOnce) {
  WorkDir dir;
  const auto archive = OpenOrFail("a.gpkg");
  ASSERT_TRUE(archive);
  // Another record under the key of the one imported, and under the key after it.
  const std::vector<TrackPoint> points = Points({Line(22, 0, 30, 1)});
  const std::int64_t key = RecordKey("1000752301", Sector::kSms, points[0].line);
  {
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open("a.gpkg", &raw), SQLITE_OK);
    const Connection db(raw);
    ASSERT_EQ(RegisterGeometryFunctions(db.get()), SQLITE_OK);
    RecordsTable table(db.get());
    RecordRow other{std::nullopt, {}, "1000752301", Sector::kSms, std::nullopt, "2005-06-12 22:00:30",
                    Line(22, 0, 30, 2), "no place", 1};
    table.Insert(other, key);
    other.sector = Sector::kDataCall;
    other.line.longitude = 1;  // the same columns, another sector
    table.Insert(other, NextRecordKey(key));
  }
  const ImportCounts first = ImportOrFail(*archive, Download(10), points);
  EXPECT_EQ(first.added, 1u);
  const ImportCounts again = ImportOrFail(*archive, Download(11), points);
  EXPECT_EQ(again.added, 0u);
  EXPECT_EQ(again.alreadyArchived, 1u);
  EXPECT_EQ(Query("a.gpkg", "SELECT group_concat(sector || ':' || longitude, ' ') FROM records WHERE record_key = " +
                                std::to_string(NextRecordKey(NextRecordKey(key)))),
            "sms:1.0e-06");
  EXPECT_EQ(Query("a.gpkg", "SELECT count(*) FROM records"), "3");
}

// A record under the key of the one imported that differs from it in one
// logger column alone is another record, whichever column it is.
TEST(GeoPackageArchive, ARecordUnderTheSameKeyThatDiffersInAnyOneColumnIsAnotherRecord) {
  WorkDir dir;
  const auto archive = OpenOrFail("a.gpkg");
  ASSERT_TRUE(archive);
  for (std::size_t c = 0; c < kLoggerColumns.size(); ++c) {
    const std::vector<TrackPoint> points = Points({Line(22, static_cast<std::uint32_t>(c), 0, 100 + c)});
    {
      sqlite3* raw = nullptr;
      ASSERT_EQ(sqlite3_open("a.gpkg", &raw), SQLITE_OK);
      const Connection db(raw);
      ASSERT_EQ(RegisterGeometryFunctions(db.get()), SQLITE_OK);
      RecordsTable table(db.get());
      RecordRow other{std::nullopt, {}, "1000752301", Sector::kSms, std::nullopt, "2005-06-12 22:00:00",
                      points[0].line, "no place", 1};
      kLoggerColumns[c].set(other.line, kLoggerColumns[c].get(other.line) + 1);
      table.Insert(other, RecordKey("1000752301", Sector::kSms, points[0].line));
    }
    EXPECT_EQ(ImportOrFail(*archive, Download(10 + static_cast<int>(c)), points).added, 1u)
        << kLoggerColumns[c].name;
  }
}

// Every archive holds its records under these keys: a record imported again
// is found by its key, so these values must never change.
TEST(RecordKey, KeysAreTheOnesEveryArchiveHolds) {
  const LoggerLine logged{5, 2, 1, 0, 22, 0, 30, 12, 6, 2005, 77'594'680, 12'971'640, 33'000'000, 74'790'000'000};
  const LoggerLine largest{0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF,
                           0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, ~0ULL, ~0ULL, ~0ULL, ~0ULL};
  EXPECT_EQ(RecordKey("1000752301", Sector::kSms, logged), -1881385608944523145);
  EXPECT_EQ(RecordKey("1000752301", Sector::kDataCall, logged), -6892928035592557561);
  EXPECT_EQ(RecordKey("ABC       ", Sector::kSms, LoggerLine{}), -2634697323229861814);
  EXPECT_EQ(RecordKey("", Sector::kDataCall, largest), 5624593908279189664);

  // Each column alone, in its lowest and its highest bit, makes another key.
  const std::int64_t key = RecordKey("1000752301", Sector::kSms, logged);
  EXPECT_NE(RecordKey("1000752302", Sector::kSms, logged), key);
  EXPECT_NE(RecordKey("100075230", Sector::kSms, logged), key);
  using Narrow = std::uint32_t LoggerLine::*;
  for (const Narrow column : {&LoggerLine::headCode, &LoggerLine::headState, &LoggerLine::flagCode,
                              &LoggerLine::column4, &LoggerLine::hours, &LoggerLine::minutes, &LoggerLine::seconds,
                              &LoggerLine::day, &LoggerLine::month, &LoggerLine::year}) {
    for (const std::uint32_t bit : {1u, 1u << 31}) {
      LoggerLine changed = logged;
      changed.*column ^= bit;
      EXPECT_NE(RecordKey("1000752301", Sector::kSms, changed), key) << bit;
    }
  }
  using Wide = std::uint64_t LoggerLine::*;
  for (const Wide column : {&LoggerLine::longitude, &LoggerLine::latitude, &LoggerLine::byteValue,
                            &LoggerLine::wideValue}) {
    for (const std::uint64_t bit : {1ULL, 1ULL << 63}) {
      LoggerLine changed = logged;
      changed.*column ^= bit;
      EXPECT_NE(RecordKey("1000752301", Sector::kSms, changed), key) << bit;
    }
  }
}

TEST(GeoPackageArchive, AnArchiveOfTheFirstSchemaIsReadAsItIsAndMigratedWithItsRecordsAndSpatialIndex) {
  WorkDir dir;
  std::filesystem::copy_file(TRACKCTL_ARCHIVE_TEST_DATA "/schema1.gpkg", "old.gpkg");
  const std::string before = Bytes("old.gpkg");
  std::vector<TrackPoint> held;
  {
    const auto reader = OpenOrFail("old.gpkg", ArchiveAccess::kRead);
    ASSERT_TRUE(reader);
    ASSERT_FALSE(reader->Points({}, [&](const std::string&, const TrackPoint& point) { held.push_back(point); }));
  }
  EXPECT_EQ(Bytes("old.gpkg"), before);
  EXPECT_EQ(dir.Files("."), std::vector<std::string>{"old.gpkg"});
  const auto archive = OpenOrFail("old.gpkg");
  ASSERT_TRUE(archive);
  EXPECT_EQ(Query("old.gpkg", "SELECT version FROM trackctl_schema"), "4");
  EXPECT_EQ(Query("old.gpkg", "SELECT group_concat(fid || problem) FROM records WHERE problem NOT NULL"),
            "95325invalid date,95326no place");
  EXPECT_EQ(Query("old.gpkg", "SELECT utc_time FROM records WHERE fid = 2"), "2005-06-12T22:00:30.000Z");
  EXPECT_EQ(Query("old.gpkg", "SELECT count(*) || ' ' || count(DISTINCT record_key) FROM records"), "8 8");
  EXPECT_EQ(Query("old.gpkg", "SELECT count(*) FROM records JOIN rtree_records_geom ON id = fid"), "6");
  EXPECT_EQ(Query("old.gpkg", "SELECT count(*) FROM sqlite_master WHERE type = 'trigger' AND tbl_name = 'records'"),
            "6");
  EXPECT_EQ(Query("old.gpkg", "PRAGMA integrity_check"), "ok");
  // The records it held are found again under their keys.
  ASSERT_EQ(held.size(), 6u);
  ArchiveDownload again = Download(10);
  const ImportCounts counts = ImportOrFail(*archive, again, held);
  EXPECT_EQ(counts.added, 0u);
  EXPECT_EQ(counts.alreadyArchived, 6u);
}

// The UTC seconds of the points that a query finds in `archive`, in the order found.
std::vector<std::int64_t> PointTimes(Archive& archive, const TrackQuery& query) {
  std::vector<std::int64_t> times;
  const auto failed = archive.Points(query, [&](const std::string&, const TrackPoint& point) {
    times.push_back(point.utc.value_or(-1));
  });
  EXPECT_FALSE(failed);
  return times;
}

// Schema 2 declared utc_time TEXT, "...ssZ"; schema 3 DATETIME, "...ss.000Z".
TEST(GeoPackageArchive, AnArchiveOfTheSecondSchemaIsReadAsItIsAndMigratedKeepingFidsAndSpatialIndex) {
  WorkDir dir;
  std::filesystem::copy_file(TRACKCTL_ARCHIVE_TEST_DATA "/schema2.gpkg", "old.gpkg");
  const std::string before = Bytes("old.gpkg");
  const TrackQuery halfAnHour{{}, Utc("2005-06-12T16:30:30Z"), Utc("2005-06-12T17:00:00Z")};
  const std::int64_t first = *ParseIsoUtc("2005-06-12T16:30:30Z");
  const std::vector<std::int64_t> found = {first, first + 30, first + 90, first + 1770};
  {
    const auto reader = OpenOrFail("old.gpkg", ArchiveAccess::kRead);
    ASSERT_TRUE(reader);
    EXPECT_EQ(PointTimes(*reader, {}).size(), 6u);
    EXPECT_EQ(PointTimes(*reader, halfAnHour), found);
  }
  EXPECT_EQ(Bytes("old.gpkg"), before);
  const auto archive = OpenOrFail("old.gpkg");
  ASSERT_TRUE(archive);
  EXPECT_EQ(Query("old.gpkg", "SELECT version FROM trackctl_schema"), "4");
  EXPECT_EQ(Query("old.gpkg", "SELECT type FROM pragma_table_info('records') WHERE name = 'utc_time'"), "DATETIME");
  EXPECT_EQ(Query("old.gpkg", "SELECT group_concat(fid || ' ' || ifnull(utc_time, problem), ', ')"
                              " FROM (SELECT * FROM records ORDER BY fid)"),
            "1 2005-06-12T16:30:00.000Z, 2 2005-06-12T16:30:30.000Z, 3 2005-06-12T16:31:00.000Z, 4 hour 24 or more, "
            "5 2005-06-12T16:32:00.000Z, 95001 2005-06-12T17:00:00.000Z, 95002 2005-06-12T17:00:30.000Z, "
            "95003 2005-06-12T17:01:00.000Z");
  EXPECT_EQ(Query("old.gpkg", "SELECT count(*) FROM downloads WHERE imported LIKE '%.000Z' AND length(imported) = 24"), "2");
  // The spatial index answers for the same fids, and its triggers are there.
  EXPECT_EQ(Query("old.gpkg", "SELECT rtreecheck('rtree_records_geom')"), "ok");
  EXPECT_EQ(Query("old.gpkg", "SELECT group_concat(id) FROM (SELECT id FROM rtree_records_geom WHERE minx >= 77.6"
                              " AND maxx <= 77.61 AND miny >= 12.97 AND maxy <= 12.99 ORDER BY id)"),
            "95001,95002");
  EXPECT_EQ(Query("old.gpkg", "SELECT group_concat(name) FROM (SELECT name FROM sqlite_master WHERE type = 'trigger'"
                              " AND tbl_name = 'records' ORDER BY name)"),
            "rtree_records_geom_delete,rtree_records_geom_insert,rtree_records_geom_update1,"
            "rtree_records_geom_update2,rtree_records_geom_update3,rtree_records_geom_update4");
  EXPECT_EQ(Query("old.gpkg", "PRAGMA integrity_check"), "ok");
  EXPECT_EQ(PointTimes(*archive, halfAnHour), found);
  // Known records are found again; a new one takes the next fid, and the index.
  std::vector<TrackPoint> points = Points({Line(22, 0, 30, 77'594'700), Line(23, 0, 0, 77'605'000)});
  points[0].line.latitude = 12'971'700;
  points[1].line.latitude = 12'985'000;
  const ImportCounts counts = ImportOrFail(*archive, Download(40), points);
  EXPECT_EQ(counts.added, 1u);
  EXPECT_EQ(counts.otherUtc, 0u);
  EXPECT_EQ(Query("old.gpkg", "SELECT group_concat(id) FROM (SELECT id FROM rtree_records_geom WHERE minx >= 77.6"
                              " AND maxx <= 77.61 AND miny >= 12.97 AND maxy <= 12.99 ORDER BY id)"),
            "95001,95002,95004");
}

// Schema 3 indexed a device's times by utc_time's text; schema 4 by the UTC
// second. Its points are found alike before and after, through the new index.
TEST(GeoPackageArchive, AnArchiveOfTheThirdSchemaIsReadAsItIsAndMigratedToAnIndexOfUtcSeconds) {
  WorkDir dir;
  std::filesystem::copy_file(TRACKCTL_ARCHIVE_TEST_DATA "/schema3.gpkg", "old.gpkg");
  const std::string before = Bytes("old.gpkg");
  const TrackQuery halfAnHour{{"1000752301"}, Utc("2005-06-12T16:31:00Z"), Utc("2005-06-12T17:30:00Z")};
  const std::int64_t first = *ParseIsoUtc("2005-06-12T16:31:00Z");
  const std::vector<std::int64_t> found = {first, first + 3540};
  {
    const auto reader = OpenOrFail("old.gpkg", ArchiveAccess::kRead);
    ASSERT_TRUE(reader);
    EXPECT_EQ(PointTimes(*reader, {}).size(), 4u);
    EXPECT_EQ(PointTimes(*reader, halfAnHour), found);
  }
  EXPECT_EQ(Bytes("old.gpkg"), before);
  const auto archive = OpenOrFail("old.gpkg");
  ASSERT_TRUE(archive);
  EXPECT_EQ(Query("old.gpkg", "SELECT version FROM trackctl_schema"), "4");
  EXPECT_EQ(QueryPlan("old.gpkg", PointsSql()),
            "SEARCH records USING INDEX records_device_time (device=? AND <expr>>? AND <expr><?)\n");
  EXPECT_EQ(Query("old.gpkg", "SELECT group_concat(fid || ' ' || ifnull(utc_time, problem), ', ')"
                              " FROM (SELECT * FROM records ORDER BY fid)"),
            "1 2005-06-12T16:30:30.000Z, 2 2005-06-12T16:31:00.000Z, 3 hour 24 or more, 4 2005-06-12T17:30:00.000Z, "
            "5 2005-06-12T18:00:00.000Z");
  EXPECT_EQ(Query("old.gpkg", "PRAGMA integrity_check"), "ok");
  EXPECT_EQ(PointTimes(*archive, halfAnHour), found);
  EXPECT_EQ(PointTimes(*archive, {{"2000000001"}, {}, {}}), std::vector<std::int64_t>{first + 5340});
}

// Each of these is refused and its bytes stay as they were.
void ExpectRefused(const std::string& path, ArchiveError::Kind kind, ArchiveAccess access = ArchiveAccess::kCreate) {
  const std::string before = Bytes(path);
  auto opened = OpenArchive(path, access);
  ASSERT_TRUE(std::holds_alternative<ArchiveError>(opened)) << path;
  EXPECT_EQ(std::get<ArchiveError>(opened).kind, kind) << path << ": " << std::get<ArchiveError>(opened).detail;
  EXPECT_EQ(Bytes(path), before) << path;
  EXPECT_FALSE(std::filesystem::exists(path + "-wal")) << path;
}

TEST(GeoPackageArchive, FilesThatAreNoArchiveOfThisProgramAreRefusedUnchanged) {
  WorkDir dir;
  RunSql("plain.db", "CREATE TABLE notes (text TEXT); INSERT INTO notes VALUES ('kept');");
  ExpectRefused("plain.db", ArchiveError::Kind::kNotArchive);
  dir.Write("text.gpkg", "5,2,1,0,22:0:30.00,12:6:2005,77.594680,12.971640,33.000000,74790.000000;\n");
  ExpectRefused("text.gpkg", ArchiveError::Kind::kNotArchive);
  RunSql("other.gpkg", "PRAGMA application_id = 1196444487; CREATE TABLE gpkg_contents (table_name TEXT);");
  ExpectRefused("other.gpkg", ArchiveError::Kind::kNotArchive);
  ExpectRefused("text.gpkg", ArchiveError::Kind::kNotArchive, ArchiveAccess::kRead);
}

TEST(GeoPackageArchive, AnArchiveOfANewerSchemaIsRefusedUnchanged) {
  WorkDir dir;
  ASSERT_TRUE(OpenOrFail("a.gpkg"));
  RunSql("a.gpkg", "PRAGMA wal_checkpoint(TRUNCATE); UPDATE trackctl_schema SET version = version + 1;");
  RunSql("a.gpkg", "PRAGMA wal_checkpoint(TRUNCATE);");
  std::filesystem::remove("a.gpkg-wal");
  std::filesystem::remove("a.gpkg-shm");
  ExpectRefused("a.gpkg", ArchiveError::Kind::kNewer);
  ExpectRefused("a.gpkg", ArchiveError::Kind::kNewer, ArchiveAccess::kRead);
}

TEST(GeoPackageArchive, ReadingAMissingArchiveCreatesNothing) {
  WorkDir dir;
  auto opened = OpenArchive("missing.gpkg", ArchiveAccess::kRead);
  ASSERT_TRUE(std::holds_alternative<ArchiveError>(opened));
  EXPECT_EQ(std::get<ArchiveError>(opened).kind, ArchiveError::Kind::kMissing);
  EXPECT_TRUE(dir.Files(".").empty());
}

TEST(GeoPackageArchive, PointsByDeviceAndTimeAndTheFleet) {
  WorkDir dir;
  const auto archive = OpenOrFail("a.gpkg");
  ASSERT_TRUE(archive);
  ArchiveDownload known = Download(10);
  known.version = "1:2:3";
  known.deviceType = "GT01";
  ImportOrFail(*archive, known, Points({Line(22, 1, 0, 2), Line(22, 0, 30, 1), Line(24, 0, 0, 3)}));
  ArchiveDownload other = Download(20);
  other.device = "0000000007";
  ImportOrFail(*archive, other, Points({Line(23, 0, 0, 5)}));

  std::vector<std::string> seen;
  const TrackQuery all;
  EXPECT_FALSE(archive->Points(all, [&](const std::string& device, const TrackPoint& point) {
    seen.push_back(device + " " + std::to_string(*point.utc) + " " + std::to_string(point.line.longitude));
  }));
  EXPECT_EQ(seen, (std::vector<std::string>{"0000000007 1118597400 5", "1000752301 1118593830 1",
                                            "1000752301 1118593860 2"}));
  seen.clear();
  const TrackQuery one{{"1000752301"}, Utc("2005-06-12T16:31:00Z"), Utc("2005-06-12T16:31:00Z")};
  EXPECT_FALSE(archive->Points(one, [&](const std::string& device, const TrackPoint& point) {
    seen.push_back(device + " " + std::to_string(*point.utc));
  }));
  EXPECT_EQ(seen, (std::vector<std::string>{"1000752301 1118593860"}));

  const auto fleet = archive->Fleet();
  ASSERT_TRUE(std::holds_alternative<std::vector<DeviceSummary>>(fleet));
  const auto& devices = std::get<std::vector<DeviceSummary>>(fleet);
  ASSERT_EQ(devices.size(), 2u);
  EXPECT_EQ(devices[1].device, "1000752301");
  EXPECT_EQ(devices[1].records, 3u);
  EXPECT_EQ(devices[1].firstUtc, Utc("2005-06-12T16:30:30Z"));
  EXPECT_EQ(devices[1].lastUtc, Utc("2005-06-12T16:31:00Z"));
  EXPECT_EQ(devices[1].downloads, 1u);
  EXPECT_EQ(devices[1].lastDownload, "2005-06-12 23:10:00");
  EXPECT_EQ(devices[1].version, "1:2:3");
  EXPECT_EQ(devices[1].deviceType, "GT01");
  EXPECT_EQ(devices[0].version, std::nullopt);
}

}  // namespace
}  // namespace trackctl::gpkg
