#include "archive/sqlite/sqlite_archive.h"

#include <chrono>
#include <filesystem>
#include <string_view>
#include <thread>

#include "archive/archive_time.h"
#include "archive/fleet_query.h"
#include "archive/sqlite/archive_file.h"
#include "archive/sqlite/gpkg_functions.h"
#include "files/path_name.h"
#include "archive/sqlite/gpkg_schema.h"
#include "archive/sqlite/gpkg_import.h"
#include "archive/sqlite/records_table.h"
#include "archive/stored_text.h"
#include "archive/sqlite/schema_migration.h"
#include "archive/sqlite/sqlite_handles.h"
#include "track/logger_columns.h"
#include "track/utc_time.h"

namespace trackctl::gpkg {
namespace {

using Kind = ArchiveError::Kind;

// How long a writer waits for another one to finish its import.
constexpr int kBusyTimeoutMs = 120'000;
constexpr auto kBusyRetry = std::chrono::milliseconds(20);


// utc_time is "YYYY-MM-DDThh:mm:ss.000Z" (or "...ssZ", see PointsSql).
constexpr FleetDialect kFleet{"", "substr({}, 1, 19) || 'Z'", ""};

std::optional<std::string> ColumnText(sqlite3_stmt* statement, int column) {
  const unsigned char* text = sqlite3_column_text(statement, column);
  if (text == nullptr) return std::nullopt;
  return std::string(reinterpret_cast<const char*>(text));
}


void BindText(sqlite3* db, sqlite3_stmt* statement, int index, std::string_view text) {
  Check(db, sqlite3_bind_text(statement, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT));
}

// A step that gives no row (or, with `row`, one row).
void Step(sqlite3* db, sqlite3_stmt* statement, int expected = SQLITE_DONE) {
  Check(db, sqlite3_step(statement), expected);
}

std::int64_t SingleInteger(sqlite3* db, const char* sql) {
  const Statement statement = Prepare(db, sql);
  Step(db, statement.get(), SQLITE_ROW);
  return sqlite3_column_int64(statement.get(), 0);
}

// The application id, and how many tables, indexes and triggers the file holds.
struct Probe {
  std::int64_t applicationId = 0;
  std::int64_t objects = 0;
  bool Empty() const { return applicationId == 0 && objects == 0; }
};

Probe ProbeFile(sqlite3* db) {
  return Probe{SingleInteger(db, "PRAGMA application_id"), SingleInteger(db, "SELECT count(*) FROM sqlite_master")};
}

// Switches an empty database to WAL, waiting while another program holds it.
void UseWal(sqlite3* db) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kBusyTimeoutMs);
  for (;;) {
    const Statement statement = Prepare(db, "PRAGMA journal_mode = WAL");
    const int code = sqlite3_step(statement.get());
    if (code == SQLITE_ROW) {
      const std::optional<std::string> mode = ColumnText(statement.get(), 0);
      if (mode == "wal") return;
      throw SqliteFailure{SQLITE_ERROR, "the file system does not allow WAL mode"};
    }
    if (code != SQLITE_BUSY && code != SQLITE_LOCKED) Check(db, code);
    if (std::chrono::steady_clock::now() > deadline) Check(db, code);
    std::this_thread::sleep_for(kBusyRetry);
  }
}

void CreateArchive(sqlite3* db) {
  Execute(db, kPageSizeSql);  // before WAL, which keeps the page size it finds
  UseWal(db);
  Transaction transaction(db);
  if (!ProbeFile(db).Empty()) return;  // another program made it meanwhile
  Execute(db, kCreateArchiveSql);
  Execute(db, kRecordsTableSql);
  Execute(db, kRecordsTimeIndexSql);
  Execute(db, kSpatialIndexInsertTriggerSql);
  Execute(db, kSpatialIndexTriggersSql);
  const Statement version = Prepare(db, "INSERT INTO trackctl_schema VALUES (?1)");
  Check(db, sqlite3_bind_int64(version.get(), 1, kArchiveSchemaVersion));
  Step(db, version.get());
  transaction.Commit();
}

// Nothing when the file holds an archive of this schema or, unless `migrate`
// (which migrates it then), of an earlier one; why not otherwise.
std::optional<ArchiveError> CheckArchive(sqlite3* db, bool migrate) {
  const Probe probe = ProbeFile(db);
  if (probe.Empty()) return ArchiveError{Kind::kMissing, "an empty file"};
  if (probe.applicationId != kGpkgApplicationId) return ArchiveError{Kind::kNotArchive, "not a GeoPackage"};
  if (SingleInteger(db, "SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = 'trackctl_schema'") == 0) {
    return ArchiveError{Kind::kNotArchive, "a GeoPackage without trackctl's tables"};
  }
  const std::int64_t version = SingleInteger(db, "SELECT coalesce(max(version), 0) FROM trackctl_schema");
  if (version > kArchiveSchemaVersion) {
    return ArchiveError{Kind::kNewer, "schema version " + std::to_string(version) + ", this program knows " +
                                          std::to_string(kArchiveSchemaVersion)};
  }
  if (version < 1) return ArchiveError{Kind::kNotArchive, "schema version " + std::to_string(version)};
  if (version < kArchiveSchemaVersion && migrate) MigrateArchive(db);
  return std::nullopt;
}

ArchiveError FailureError(const SqliteFailure& failure) {
  const int primary = failure.code & 0xFF;
  if (primary == SQLITE_NOTADB) return ArchiveError{Kind::kNotArchive, "not a database"};
  return ArchiveError{Kind::kFailed, failure.message};
}

bool Exists(const std::string& path) {
  std::error_code error;
  return std::filesystem::exists(PathOf(path), error);
}

// Whether this user may write the file `path`, found out without a read.
bool MayWrite(const std::string& path) {
  sqlite3* raw = nullptr;
  const int opened = sqlite3_open_v2(FileUri(path, "").c_str(), &raw,
                                     SQLITE_OPEN_READWRITE | SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX, nullptr);
  const Connection db(raw);
  return opened == SQLITE_OK && sqlite3_db_readonly(raw, "main") == 0;
}

// A connection to the file `path`, never to what a URI in the name would say,
// set up for this program's use. With SQLITE_OPEN_READWRITE, a file that may
// not be written is refused before a read, which would leave a -wal and -shm
// that a connection that may not write cannot remove.
Connection Connect(const std::string& path, int flags, std::string_view query, std::string leftLogOf = {}) {
  sqlite3* raw = nullptr;
  // One connection, used by one thread: no need for SQLite's own locks around each call.
  const int opened =
      sqlite3_open_v2(FileUri(path, query).c_str(), &raw, flags | SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX, nullptr);
  Connection db(raw, ConnectionCloser{std::move(leftLogOf)});
  if (opened != SQLITE_OK) throw SqliteFailure{opened, raw != nullptr ? sqlite3_errmsg(raw) : "out of memory"};
  if ((flags & SQLITE_OPEN_READWRITE) != 0 && sqlite3_db_readonly(raw, "main") == 1) {
    throw SqliteFailure{SQLITE_READONLY, sqlite3_errstr(SQLITE_READONLY)};
  }
  Check(db.get(), sqlite3_busy_timeout(db.get(), kBusyTimeoutMs));
  // An import inserts into four B-trees at once (the table, its two indexes
  // and the spatial index): statement journals in memory and a cache that
  // holds a sector's pages spare it the file's writes and reads back.
  Execute(db.get(), "PRAGMA temp_store = MEMORY");
  Execute(db.get(), "PRAGMA cache_size = -65536");
  Check(db.get(), sqlite3_extended_result_codes(db.get(), 1));
  Check(db.get(), RegisterGeometryFunctions(db.get()));
  return db;
}

// A connection that cannot write, its first read done: mode=ro; or, where the
// file has no -wal and this user could not remove the -wal and -shm that SQLite
// makes for a read of a WAL file (the file or its folder may not be written),
// immutable: no connection is writing the file then. (Left there, they would
// hold the file's mode with this user as their owner: its owner's next import
// could not write them.)
Connection ConnectForReading(const std::string& path) {
  const bool hadLog = HasWriteAheadLog(path);
  if (!hadLog && !MayWrite(path)) return Connect(path, SQLITE_OPEN_READONLY, "immutable=1");
  try {
    Connection db = Connect(path, SQLITE_OPEN_READONLY, "mode=ro", hadLog ? std::string() : path);
    ProbeFile(db.get());
    return db;
  } catch (const SqliteFailure& failure) {
    const int primary = failure.code & 0xFF;
    if ((primary != SQLITE_READONLY && primary != SQLITE_CANTOPEN) || hadLog || HasWriteAheadLog(path)) throw;
  }
  return Connect(path, SQLITE_OPEN_READONLY, "immutable=1");
}

class GeoPackageArchive : public Archive {
 public:
  explicit GeoPackageArchive(Connection db) : db_(std::move(db)) {}

  std::variant<ImportCounts, ArchiveError> ImportBatches(const ArchiveDownload& download,
                                                         RecordBatches& records) override {
    try {
      // The archive may have been open for minutes (a download): a file moved,
      // replaced or deleted since would take the records where no one finds
      // them again.
      int moved = 0;
      if (sqlite3_file_control(db_.get(), "main", SQLITE_FCNTL_HAS_MOVED, &moved) == SQLITE_OK && moved != 0) {
        return ArchiveError{Kind::kFailed, "the file was moved, replaced or deleted while it was open"};
      }
      const ArchiveDownload stored = StoredDownload(download);
      return RunImport(*BeginImport(db_.get(), stored), stored, records);
    } catch (const SqliteFailure& failure) {
      return FailureError(failure);
    } catch (const ImportFailure& failure) {
      return ArchiveError{Kind::kFailed, failure.message};
    }
  }

  std::variant<std::vector<DeviceSummary>, ArchiveError> Fleet() override {
    try {
      return ReadFleet();
    } catch (const SqliteFailure& failure) {
      return FailureError(failure);
    }
  }

  std::optional<ArchiveError> Points(const TrackQuery& query, const PointVisitor& onPoint) override {
    try {
      ReadPoints(query, onPoint);
      return std::nullopt;
    } catch (const SqliteFailure& failure) {
      return FailureError(failure);
    }
  }

 private:
  std::vector<DeviceSummary> ReadFleet() {
    sqlite3* db = db_.get();
    const Statement statement = Prepare(db, FleetSql(kFleet).c_str());
    std::vector<DeviceSummary> fleet;
    int code;
    while ((code = sqlite3_step(statement.get())) == SQLITE_ROW) {
      FleetRow row;
      for (std::size_t i = 0; i < row.size(); ++i) row[i] = ColumnText(statement.get(), static_cast<int>(i));
      fleet.push_back(FleetSummary(row));
    }
    Check(db, code, SQLITE_DONE);
    return fleet;
  }

  std::vector<std::string> AllDevices() {
    sqlite3* db = db_.get();
    const Statement statement = Prepare(db, "SELECT DISTINCT device FROM downloads ORDER BY device");
    std::vector<std::string> devices;
    int code;
    while ((code = sqlite3_step(statement.get())) == SQLITE_ROW) devices.push_back(*ColumnText(statement.get(), 0));
    Check(db, code, SQLITE_DONE);
    return devices;
  }

  void ReadPoints(const TrackQuery& query, const PointVisitor& onPoint) {
    sqlite3* db = db_.get();
    // One read transaction, so that every device is read from the same state.
    Execute(db, "BEGIN");
    const struct EndRead {
      sqlite3* db;
      ~EndRead() { sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr); }
    } endRead{db};
    const std::vector<std::string> devices = query.devices.empty() ? AllDevices() : StoredDevices(query.devices);
    const Statement statement = Prepare(db, PointsSql().c_str());
    sqlite3_stmt* s = statement.get();
    for (const std::string& device : devices) {
      const StatementUse use(s);
      BindText(db, s, 1, device);
      BindText(db, s, 2, IsoUtcText(query.since.value_or(kFirstArchiveTime)));
      BindText(db, s, 3, IsoUtcText(query.until.value_or(kLastArchiveTime)));
      int code;
      while ((code = sqlite3_step(s)) == SQLITE_ROW) {
        TrackPoint point;
        point.line = ColumnLoggerLine(s, 1);
        point.utc = ParseIsoUtc(ColumnText(s, 0).value_or(""));
        if (!point.utc) continue;  // a time that this program did not write
        onPoint(device, point);
      }
      Check(db, code, SQLITE_DONE);
    }
  }

  Connection db_;
};

}  // namespace

std::variant<std::unique_ptr<Archive>, ArchiveError> OpenGeoPackageArchive(const std::string& path,
                                                                            ArchiveAccess access) {
  // A FIFO or a device would block SQLite's open, or take what it writes.
  if (auto refused = RefusedArchiveFile(path, access != ArchiveAccess::kRead)) return *std::move(refused);
  // SQLite names the -wal and -shm after the file that links lead to: so is
  // every name here that looks for them.
  std::error_code unresolved;
  const std::filesystem::path resolved = std::filesystem::canonical(PathOf(path), unresolved);
  const std::string file = unresolved ? path : NameOf(resolved);
  try {
    if (access == ArchiveAccess::kCreate) {
      Connection db = Connect(file, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, "");
      if (ProbeFile(db.get()).Empty()) CreateArchive(db.get());
      if (const std::optional<ArchiveError> refused = CheckArchive(db.get(), true)) return *refused;
      return std::make_unique<GeoPackageArchive>(std::move(db));
    }
    Connection db = ConnectForReading(file);
    if (const std::optional<ArchiveError> refused = CheckArchive(db.get(), false)) return *refused;
    return std::make_unique<GeoPackageArchive>(std::move(db));
  } catch (const SqliteFailure& failure) {
    if (access != ArchiveAccess::kCreate && !Exists(file)) return ArchiveError{Kind::kMissing, failure.message};
    return FailureError(failure);
  }
}

}  // namespace trackctl::gpkg
