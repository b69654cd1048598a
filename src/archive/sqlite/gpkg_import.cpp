#include "archive/sqlite/gpkg_import.h"

#include <algorithm>
#include <string>
#include <vector>

#include "archive/archive_time.h"
#include "archive/sqlite/gpkg_geometry.h"
#include "archive/sqlite/gpkg_schema.h"
#include "archive/sqlite/packed_rtree.h"
#include "archive/sqlite/records_table.h"
#include "archive/sqlite/sqlite_handles.h"
#include "track/utc_time.h"

namespace trackctl::gpkg {
namespace {

// The spatial index of the layer `records` (GeoPackage names it rtree_<table>_<column>).
const std::string kRtree = "rtree_records_geom";

// An import of more records than a 1 MiB sector holds (47,662) is one of
// several sectors' files joined, or of a file that is no download at all:
// what it holds stays bounded, at the cost of time. Beyond this many records
// the spatial index is no longer packed (the new rows go into it in one
// statement at the end) and SQLite's page cache is cut to kLargeImportCacheSql
// for the rest of the import.
constexpr std::size_t kLargeImport = 48 * 1024;
constexpr const char* kLargeImportCacheSql = "PRAGMA cache_size = -2048";

std::int64_t SingleInteger(sqlite3* db, const char* sql) {
  const Statement statement = Prepare(db, sql);
  Check(db, sqlite3_step(statement.get()), SQLITE_ROW);
  return sqlite3_column_int64(statement.get(), 0);
}

void BindText(sqlite3* db, sqlite3_stmt* statement, int index, std::string_view text) {
  Check(db, sqlite3_bind_text(statement, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT));
}

void BindOptionalText(sqlite3* db, sqlite3_stmt* statement, int index, const std::optional<std::string>& text) {
  if (text) return BindText(db, statement, index, *text);
  Check(db, sqlite3_bind_null(statement, index));
}

void Step(sqlite3* db, sqlite3_stmt* statement) { Check(db, sqlite3_step(statement), SQLITE_DONE); }

// The spatial index takes the new rows at the end, not one trigger run each:
// its insert trigger is dropped when the import begins and made again before
// it commits.
class GpkgImport final : public ImportSession {
 public:
  GpkgImport(sqlite3* db, const ArchiveDownload& download)
      : db_(db),
        download_(download),
        transaction_(db),
        lastFid_(SingleInteger(db, "SELECT coalesce(max(fid), 0) FROM records")),
        cacheSize_(SingleInteger(db, "PRAGMA cache_size")),
        table_((Execute(db, "DROP TRIGGER rtree_records_geom_insert"), db)) {}

  ~GpkgImport() override {
    if (large_) sqlite3_exec(db_, ("PRAGMA cache_size = " + std::to_string(cacheSize_)).c_str(), nullptr, nullptr, nullptr);
  }

  ImportDownloadRow FindOrAddDownload() override {
    const std::string downloaded = LocalTimeText(download_.downloaded);
    const Statement find =
        Prepare(db_, "SELECT id, records_digest FROM downloads WHERE device = ?1 AND sector = ?2 AND downloaded = ?3");
    BindText(db_, find.get(), 1, download_.device);
    BindText(db_, find.get(), 2, SectorWord(download_.sector));
    BindText(db_, find.get(), 3, downloaded);
    const int found = sqlite3_step(find.get());
    Check(db_, found, SQLITE_ROW, SQLITE_DONE);
    if (found == SQLITE_ROW) {
      ImportDownloadRow row{sqlite3_column_int64(find.get(), 0), std::nullopt};
      if (sqlite3_column_type(find.get(), 1) == SQLITE_INTEGER) row.digest = sqlite3_column_int64(find.get(), 1);
      return row;
    }
    const Statement insert = Prepare(db_,
        "INSERT INTO downloads (file_name, device, sector, downloaded, version, device_type, records_read,"
        " records_new, imported) VALUES (?1, ?2, ?3, ?4, ?5, ?6, 0, 0, strftime('%Y-%m-%dT%H:%M:%fZ', 'now'))");
    BindText(db_, insert.get(), 1, download_.fileName);
    BindText(db_, insert.get(), 2, download_.device);
    BindText(db_, insert.get(), 3, SectorWord(download_.sector));
    BindText(db_, insert.get(), 4, downloaded);
    BindOptionalText(db_, insert.get(), 5, download_.version);
    BindOptionalText(db_, insert.get(), 6, download_.deviceType);
    Step(db_, insert.get());
    return ImportDownloadRow{sqlite3_last_insert_rowid(db_), std::nullopt};
  }

  void LookUp(std::span<const std::int64_t> keys, HeldRecords& held) override {
    for (const std::int64_t key : keys) {
      const auto [at, added] = held.try_emplace(key);
      if (added) at->second = table_.Find(key);
    }
  }

  void Add(std::span<const NewRecord> records, std::int64_t downloadId) override {
    std::string utc, local;
    addedAny_ = addedAny_ || !records.empty();
    for (const NewRecord& record : records) {
      const TrackPoint& point = *record.point;
      const LoggerLine& line = point.line;
      const double longitude = StoredDecimal(line.longitude);
      const double latitude = StoredDecimal(line.latitude);
      const bool valid = point.problem == PointProblem::kNone;
      const auto blob = GpkgPoint(longitude, latitude, kWgs84SrsId);
      utc.clear();
      if (point.utc) {
        // "YYYY-MM-DDThh:mm:ss.000Z", the form of a GeoPackage DATETIME.
        AppendIsoUtc(utc, *point.utc);
        utc.insert(utc.size() - 1, ".000");
      }
      local.clear();
      AppendDateTime(local,
                     LocalDateTime{static_cast<int>(line.year), static_cast<int>(line.month),
                                   static_cast<int>(line.day), static_cast<int>(line.hours),
                                   static_cast<int>(line.minutes), static_cast<int>(line.seconds)},
                     ' ');
      RecordRow row;
      if (valid) row.geometry = blob;
      row.device = download_.device;
      row.sector = download_.sector;
      if (point.utc) row.utcTime = utc;
      row.localTime = local;
      row.line = line;
      if (!valid) row.problem = ProblemText(point.problem);
      row.downloadId = downloadId;
      table_.Insert(row, record.key);
      if (valid) Index(sqlite3_last_insert_rowid(db_), longitude, latitude);
    }
  }

  // A download imported again from a file that holds more: its row counts the
  // records of the file as imported last, and every record that came with it.
  void FinishDownload(std::int64_t downloadId, const ImportCounts& counts, std::int64_t digest) override {
    const Statement update = Prepare(db_,
        "UPDATE downloads SET records_read = ?1, records_new = records_new + ?2, records_digest = ?3 WHERE id = ?4");
    Check(db_, sqlite3_bind_int64(update.get(), 1, static_cast<sqlite3_int64>(counts.read)));
    Check(db_, sqlite3_bind_int64(update.get(), 2, static_cast<sqlite3_int64>(counts.added)));
    Check(db_, sqlite3_bind_int64(update.get(), 3, digest));
    Check(db_, sqlite3_bind_int64(update.get(), 4, downloadId));
    Step(db_, update.get());
  }

  void Commit() override {
    FillIndex();
    Execute(db_, kSpatialIndexInsertTriggerSql);
    WidenExtent();
    transaction_.Commit();
    // An archive that this import filled from empty is written anew once, its
    // indexes in key order: pages full, not split as the rows came. Nothing is
    // lost when it cannot be: the import is committed. Not after a large
    // import: VACUUM may build its copy in memory, the whole archive.
    if (lastFid_ == 0 && addedAny_ && !large_) sqlite3_exec(db_, "VACUUM", nullptr, nullptr, nullptr);
  }

 private:
  void Index(std::int64_t fid, double longitude, double latitude) {
    if (!large_ && ++indexedCount_ > kLargeImport) {
      large_ = true;
      packIndex_ = false;
      indexed_ = {};
      Execute(db_, kLargeImportCacheSql);
    }
    if (packIndex_) indexed_.push_back(IndexedPoint{fid, longitude, latitude});
    if (!added_) added_ = GpkgBounds{longitude, longitude, latitude, latitude};
    added_->minX = std::min(added_->minX, longitude), added_->maxX = std::max(added_->maxX, longitude);
    added_->minY = std::min(added_->minY, latitude), added_->maxY = std::max(added_->maxY, latitude);
  }

  void FillIndex() {
    // Packed (see packed_rtree.h), or where that cannot be in one statement.
    if (packIndex_ && WritePackedRtree(db_, kRtree, indexed_)) return;
    const Statement index = Prepare(db_,
        "INSERT INTO rtree_records_geom SELECT fid, ST_MinX(geom), ST_MaxX(geom), ST_MinY(geom), ST_MaxY(geom)"
        " FROM records WHERE fid > ?1 AND geom NOT NULL AND NOT ST_IsEmpty(geom)");
    Check(db_, sqlite3_bind_int64(index.get(), 1, lastFid_));
    Step(db_, index.get());
  }

  void WidenExtent() {
    if (!added_) return;
    const Statement extent = Prepare(db_,
        "UPDATE gpkg_contents SET min_x = min(coalesce(min_x, ?1), ?1), max_x = max(coalesce(max_x, ?2), ?2),"
        " min_y = min(coalesce(min_y, ?3), ?3), max_y = max(coalesce(max_y, ?4), ?4),"
        " last_change = strftime('%Y-%m-%dT%H:%M:%fZ', 'now') WHERE table_name = 'records'");
    Check(db_, sqlite3_bind_double(extent.get(), 1, added_->minX));
    Check(db_, sqlite3_bind_double(extent.get(), 2, added_->maxX));
    Check(db_, sqlite3_bind_double(extent.get(), 3, added_->minY));
    Check(db_, sqlite3_bind_double(extent.get(), 4, added_->maxY));
    Step(db_, extent.get());
  }

  sqlite3* db_;
  const ArchiveDownload& download_;
  Transaction transaction_;
  std::int64_t lastFid_;
  bool packIndex_ = true;
  bool addedAny_ = false;
  std::int64_t cacheSize_;  // the connection's, given back after a large import
  bool large_ = false;
  std::size_t indexedCount_ = 0;
  RecordsTable table_;
  std::vector<IndexedPoint> indexed_;
  std::optional<GpkgBounds> added_;
};

}  // namespace

std::unique_ptr<ImportSession> BeginImport(sqlite3* db, const ArchiveDownload& download) {
  return std::make_unique<GpkgImport>(db, download);
}

}  // namespace trackctl::gpkg
