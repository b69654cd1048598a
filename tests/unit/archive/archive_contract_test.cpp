// What every store of the archive does, checked through the archive's own
// interface against the GeoPackage and, where a test server is given
// (TRACKCTL_TEST_POSTGRES), against PostgreSQL: imports in many batches, a
// download seen before, records that change between the import's two reads,
// other UTC times, and every logger column given back as it came.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <map>
#include <random>

#include "archive/import_file.h"
#include "archive/import_run.h"
#include "archive/open_archive.h"
#include "logger/logger_line.h"
#include "tests/unit/work_dir.h"
#include "track/local_time_rule.h"
#ifdef TRACKCTL_HAVE_POSTGRES
#include "archive/postgres/pg_archive.h"
#endif

namespace trackctl {
namespace {

using testing::WorkDir;

enum class Store { kGeoPackage, kPostgres };

// The `i`th of a day's records, one a second from 00:00:00 on 1 June 2005.
LoggerLine RecordAt(std::size_t i) {
  const auto at = static_cast<std::uint32_t>(i);
  return LoggerLine{5, 2, 1, 0, at / 3600 % 24, at / 60 % 60, at % 60, 1 + at / 86400, 6, 2005,
                    77'000'000 + i, 12'000'000 + i, 33'000'000, 74'790'000'000 + i};
}

ArchiveDownload Download(int hour) {
  ArchiveDownload download;
  download.fileName = "1000752301_P200506" + std::to_string(10 + hour) + "230000.dat";
  download.device = "1000752301";
  download.sector = Sector::kSms;
  download.downloaded = LocalDateTime{2005, 6, 10 + hour, 23, 0, 0};
  return download;
}

// Records whose second read differs from the first in one record.
class ChangingBatches : public RecordBatches {
 public:
  explicit ChangingBatches(std::vector<TrackPoint> records) : records_(std::move(records)) {}
  bool Read(const OnBatch& onBatch) override {
    if (reads_++ == 1) records_.back().line.byteValue += 1;
    onBatch(records_);
    return true;
  }

 private:
  std::vector<TrackPoint> records_;
  int reads_ = 0;
};

class ArchiveContract : public ::testing::TestWithParam<Store> {
 protected:
  void SetUp() override {
    if (GetParam() == Store::kGeoPackage) {
      archive_ = Opened(OpenArchive("a.gpkg", ArchiveAccess::kCreate));
      return;
    }
#ifdef TRACKCTL_HAVE_POSTGRES
    const char* server = std::getenv("TRACKCTL_TEST_POSTGRES");
    if (server == nullptr || *server == '\0') GTEST_SKIP() << "no test server (TRACKCTL_TEST_POSTGRES)";
    // A schema of its own for each test: the cluster is thrown away after the tests.
    const std::string schema = "contract_" + std::to_string(std::random_device()()) + "_" +
                               std::to_string(std::chrono::steady_clock::now().time_since_epoch().count());
    archive_ = Opened(pg::OpenPostgresArchive(std::string(server) + " dbname=postgres schema=" + schema,
                                              ArchiveAccess::kCreate));
#else
    GTEST_SKIP() << "built without PostgreSQL";
#endif
  }

  static std::unique_ptr<Archive> Opened(std::variant<std::unique_ptr<Archive>, ArchiveError> opened) {
    if (const auto* error = std::get_if<ArchiveError>(&opened)) {
      ADD_FAILURE() << "archive refused: " << error->detail;
      return nullptr;
    }
    return std::move(std::get<std::unique_ptr<Archive>>(opened));
  }

  std::vector<TrackPoint> Points(std::size_t count, int offsetMinutes = 330) {
    FixedOffsetRule rule(offsetMinutes);
    std::vector<TrackPoint> points;
    for (std::size_t i = 0; i < count; ++i) points.push_back(MakeTrackPoint(RecordAt(i), rule));
    return points;
  }

  ImportCounts Imported(std::variant<ImportCounts, ArchiveError> imported) {
    if (const auto* error = std::get_if<ArchiveError>(&imported)) {
      ADD_FAILURE() << "import failed: " << error->detail;
      return {};
    }
    return std::get<ImportCounts>(imported);
  }

  // The one device's records and downloads, as the fleet gives them.
  std::pair<std::size_t, std::size_t> RecordsAndDownloads() {
    auto fleet = archive_->Fleet();
    if (std::holds_alternative<ArchiveError>(fleet)) return {0, 0};
    const auto& devices = std::get<std::vector<DeviceSummary>>(fleet);
    if (devices.size() != 1) return {devices.size(), 0};
    return {devices[0].records, devices[0].downloads};
  }

  WorkDir dir_;
  std::unique_ptr<Archive> archive_;
  std::size_t next_ = 0;  // imports made
};

std::string StoreName(const ::testing::TestParamInfo<Store>& store) {
  return store.param == Store::kGeoPackage ? "GeoPackage" : "PostgreSQL";
}

INSTANTIATE_TEST_SUITE_P(, ArchiveContract, ::testing::Values(Store::kGeoPackage, Store::kPostgres), StoreName);

TEST_P(ArchiveContract, AFileOfManyBatchesIsImportedWholeAndFoundWholeAgain) {
  ASSERT_TRUE(archive_);
  constexpr std::size_t kRecords = 3 * kImportBatch + 7;
  constexpr std::size_t kNotLoggerLine = kImportBatch + 3;  // in the second batch
  {
    std::ofstream file("1000752301_P20050611230000.dat", std::ios::binary);
    for (std::size_t i = 0; i < kRecords; ++i) {
      if (i + 1 == kNotLoggerLine) file << "no logger line\r\n";
      file << FormatLoggerLine(RecordAt(i));
    }
  }
  FixedOffsetRule rule(330);
  // The download, the same again, then a later one with the same records.
  for (const int hour : {1, 1, 2}) {
    const bool first = next_ == 0;
    ++next_;
    auto imported = ImportLoggerFile(*archive_, "1000752301_P20050611230000.dat", Download(hour), rule);
    ASSERT_TRUE(std::holds_alternative<FileImported>(imported)) << imported.index();
    const FileImported& file = std::get<FileImported>(imported);
    EXPECT_EQ(file.notLoggerLines, std::vector<std::size_t>{kNotLoggerLine});
    EXPECT_EQ(file.counts.read, kRecords);
    EXPECT_EQ(file.counts.added, first ? kRecords : 0u);
    EXPECT_EQ(file.counts.alreadyArchived, first ? 0u : kRecords);
    EXPECT_EQ(file.counts.otherUtc, 0u);
  }
  EXPECT_EQ(RecordsAndDownloads(), std::make_pair(kRecords, std::size_t{2}));
  // Every record back, each column as it came, in the order of time.
  std::size_t next = 0;
  const auto failed = archive_->Points(TrackQuery{}, [&](const std::string& device, const TrackPoint& point) {
    EXPECT_EQ(device, "1000752301");
    if (next < kRecords) {
      EXPECT_EQ(point.line, RecordAt(next)) << "record " << next;
    }
    ++next;
  });
  EXPECT_FALSE(failed);
  EXPECT_EQ(next, kRecords);
}

// A later download of the sector adds only its new records, a download
// imported again from a file that holds more adds those, and the same logger
// columns from the other sector or another device are other records.
TEST_P(ArchiveContract, LaterDownloadsAddOnlyTheirNewRecordsAndOtherSectorsAndDevicesTheirOwn) {
  ASSERT_TRUE(archive_);
  const std::vector<TrackPoint> four = Points(4);
  const std::span<const TrackPoint> two(four.data(), 2);
  const std::span<const TrackPoint> three(four.data(), 3);
  EXPECT_EQ(Imported(archive_->Import(Download(1), two)).added, 2u);
  const ImportCounts later = Imported(archive_->Import(Download(2), three));
  EXPECT_EQ(later.added, 1u);
  EXPECT_EQ(later.alreadyArchived, 2u);
  EXPECT_EQ(Imported(archive_->Import(Download(3), two)).added, 0u);
  const ImportCounts more = Imported(archive_->Import(Download(3), four));
  EXPECT_EQ(more.added, 1u);
  EXPECT_EQ(more.alreadyArchived, 3u);
  EXPECT_EQ(RecordsAndDownloads(), std::make_pair(std::size_t{4}, std::size_t{3}));
  ArchiveDownload otherSector = Download(4);
  otherSector.sector = Sector::kDataCall;
  EXPECT_EQ(Imported(archive_->Import(otherSector, two)).added, 2u);
  ArchiveDownload otherDevice = Download(4);
  otherDevice.device = "1000752302";
  EXPECT_EQ(Imported(archive_->Import(otherDevice, three)).added, 3u);
  std::map<std::string, std::size_t> points;
  EXPECT_FALSE(archive_->Points(TrackQuery{}, [&](const std::string& device, const TrackPoint&) { ++points[device]; }));
  EXPECT_EQ(points, (std::map<std::string, std::size_t>{{"1000752301", 6}, {"1000752302", 3}}));
}

TEST_P(ArchiveContract, RecordsThatChangeBetweenTheImportsTwoReadsAreRefusedAndNothingIsWritten) {
  ASSERT_TRUE(archive_);
  const std::vector<TrackPoint> first = Points(10);
  EXPECT_EQ(Imported(archive_->Import(Download(1), first)).added, 10u);
  // The same download again, now with one more record: read twice, and the second read differs.
  ChangingBatches changing(Points(11));
  auto imported = archive_->ImportBatches(Download(1), changing);
  ASSERT_TRUE(std::holds_alternative<ArchiveError>(imported));
  EXPECT_EQ(std::get<ArchiveError>(imported).detail, "the records changed while they were imported");
  EXPECT_EQ(RecordsAndDownloads(), std::make_pair(std::size_t{10}, std::size_t{1}));
}

TEST_P(ArchiveContract, RecordsReadUnderAnotherZoneAreCountedWithTheirOtherUtcTimes) {
  ASSERT_TRUE(archive_);
  EXPECT_EQ(Imported(archive_->Import(Download(1), Points(20))).added, 20u);
  const ImportCounts again = Imported(archive_->Import(Download(1), Points(20, 60)));
  EXPECT_EQ(again.added, 0u);
  EXPECT_EQ(again.alreadyArchived, 20u);
  EXPECT_EQ(again.otherUtc, 20u);
  const ImportCounts same = Imported(archive_->Import(Download(2), Points(20)));
  EXPECT_EQ(same.alreadyArchived, 20u);
  EXPECT_EQ(same.otherUtc, 0u);
}

}  // namespace
}  // namespace trackctl
