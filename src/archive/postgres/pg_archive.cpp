#include "archive/postgres/pg_archive.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <cstdlib>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "archive/archive_name.h"
#include "archive/archive_time.h"
#include "archive/postgres/pg_copy_rows.h"
#include "archive/postgres/pg_handles.h"
#include "archive/postgres/pg_schema.h"
#include "archive/postgres/pg_schema_migration.h"
#include "archive/record_key.h"
#include "archive/stored_text.h"
#include "track/utc_time.h"

namespace trackctl {
namespace {

using Kind = ArchiveError::Kind;

// How long a server that does not answer is waited for, unless the connection
// string says otherwise.
constexpr const char* kConnectTimeoutSeconds = "10";

constexpr const char* kIncomingSql =
    "CREATE TEMP TABLE IF NOT EXISTS incoming (seq bigint, record_key bigint, utc_time timestamptz, local_time text,"
    " \"headCode\" bigint, \"headState\" bigint, \"flagCode\" bigint, column4 bigint, hours bigint, minutes bigint,"
    " seconds bigint, day bigint, month bigint, year bigint, longitude double precision, latitude double precision,"
    " \"byteValue\" double precision, \"wideValue\" double precision, problem text) ON COMMIT DELETE ROWS";

// The logger columns, as named in both tables.
constexpr const char* kLoggerColumns[] = {"\"headCode\"", "\"headState\"", "\"flagCode\"", "column4", "hours",
                                          "minutes", "seconds", "day", "month", "year", "longitude", "latitude",
                                          "\"byteValue\"", "\"wideValue\""};

// Imports of one device's sector into one archive take turns: only they can
// hold records in common, and one that waits finds the other's records there.
// The lock's first key sets it apart from other programs' locks.
constexpr const char* kImportLockSql =
    "SELECT pg_advisory_xact_lock(1953655651, hashtext($1 || ' ' || $2 || ' ' || $3))";

std::string JoinedColumns() {
  std::string joined;
  for (const char* column : kLoggerColumns) joined += std::string(joined.empty() ? "" : ", ") + column;
  return joined;
}

// Inserts rows of the incoming records with their own keys, or with key $4
// where `where` picks one; in the file's order, so that the first of equal
// records is the one kept and a device's records lie in the order of time.
// $1 device, $2 sector, $3 download id.
std::string InsertRecordsSql(bool geometry, const char* key, const char* where) {
  return std::string("WITH added AS (INSERT INTO {schema}.records (record_key, ") + (geometry ? "geom, " : "") +
         "device, sector, utc_time, local_time, " + JoinedColumns() + ", problem, download_id) SELECT " + key +
         ", " +
         (geometry ? "CASE WHEN problem IS NULL THEN ST_SetSRID(ST_MakePoint(longitude, latitude), 4326) END, " : "") +
         "$1, $2, utc_time, local_time, " + JoinedColumns() + ", problem, $3::bigint FROM pg_temp.incoming " + where +
         " ORDER BY seq ON CONFLICT (record_key) DO NOTHING RETURNING 1) SELECT count(*) FROM added";
}

// The columns that make a record the same record, for SameRecord.
std::string IdentitySql() { return "record_key, device, sector, " + JoinedColumns(); }

// Whether `row` of `result` (IdentitySql's columns) holds the record `line` of
// `device`'s `sector`. The decimal columns are compared as the doubles they
// are stored as: beyond 2^53 millionths a double holds no exact millionths.
bool SameRecord(const PGresult* result, int row, const std::string& device, const std::string& sector,
                const LoggerLine& line) {
  if (PQgetvalue(result, row, 1) != device || PQgetvalue(result, row, 2) != sector) return false;
  const LoggerLine held = RowLoggerLine(result, row, 3);
  const std::uint32_t integers[] = {line.headCode, line.headState, line.flagCode, line.column4, line.hours,
                                    line.minutes,  line.seconds,   line.day,      line.month,   line.year};
  const std::uint32_t heldIntegers[] = {held.headCode, held.headState, held.flagCode, held.column4, held.hours,
                                        held.minutes,  held.seconds,   held.day,      held.month,   held.year};
  if (!std::equal(std::begin(integers), std::end(integers), std::begin(heldIntegers))) return false;
  const std::uint64_t decimals[] = {line.longitude, line.latitude, line.byteValue, line.wideValue};
  for (int i = 0; i < 4; ++i) {
    if (std::strtod(PQgetvalue(result, row, 13 + i), nullptr) != static_cast<double>(decimals[i]) / 1e6) return false;
  }
  return true;
}

constexpr const char* kFleetSql =
    "WITH r AS (SELECT device, count(*) AS n, min(utc_time) AS first, max(utc_time) AS last"
    "           FROM {schema}.records GROUP BY device),"
    " d AS (SELECT device, count(*) AS n, max(downloaded) AS last FROM {schema}.downloads GROUP BY device),"
    " v AS (SELECT device, version, device_type,"
    "       row_number() OVER (PARTITION BY device ORDER BY downloaded DESC, id DESC) AS k"
    "       FROM {schema}.downloads WHERE version IS NOT NULL)"
    " SELECT d.device, coalesce(r.n, 0), to_char(r.first AT TIME ZONE 'UTC', 'YYYY-MM-DD\"T\"HH24:MI:SS\"Z\"'),"
    " to_char(r.last AT TIME ZONE 'UTC', 'YYYY-MM-DD\"T\"HH24:MI:SS\"Z\"'), d.n, d.last, v.version, v.device_type"
    " FROM d LEFT JOIN r USING (device) LEFT JOIN v ON v.device = d.device AND v.k = 1"
    " ORDER BY d.device COLLATE \"C\"";

constexpr const char* kPointsSql =
    "SELECT to_char(utc_time AT TIME ZONE 'UTC', 'YYYY-MM-DD\"T\"HH24:MI:SS\"Z\"'), \"headCode\", \"headState\","
    " \"flagCode\", column4, hours, minutes, seconds, day, month, year, longitude, latitude, \"byteValue\","
    " \"wideValue\" FROM {schema}.records"
    " WHERE device = $1 AND utc_time BETWEEN $2::timestamptz AND $3::timestamptz AND problem IS NULL"
    " ORDER BY utc_time, fid";

std::size_t Count(const PGresult* result, int row, int column) {
  return static_cast<std::size_t>(std::strtoull(Text(result, row, column).value_or("0").c_str(), nullptr, 10));
}

// libpq says nothing on the program's own streams: its notices are dropped.
void DropNotice(void*, const char*) {}

class PostgresArchive : public Archive {
 public:
  PostgresArchive(PgConnection connection, PgSchema schema, bool geometry, std::vector<std::string> secrets)
      : connection_(std::move(connection)),
        schema_(std::move(schema)),
        geometry_(geometry),
        secrets_(std::move(secrets)) {}

  std::variant<ImportCounts, ArchiveError> Import(const ArchiveDownload& download,
                                                  std::span<const TrackPoint> records) override {
    try {
      Reconnect();
      return ImportAll(StoredDownload(download), records);
    } catch (const PgFailure& failure) {
      return Failed(failure);
    }
  }

  std::variant<std::vector<DeviceSummary>, ArchiveError> Fleet() override {
    try {
      return ReadFleet();
    } catch (const PgFailure& failure) {
      return Failed(failure);
    }
  }

  std::optional<ArchiveError> Points(const TrackQuery& query, const PointVisitor& onPoint) override {
    try {
      ReadPoints(query, onPoint);
      return std::nullopt;
    } catch (const PgFailure& failure) {
      return Failed(failure);
    }
  }

 private:
  ArchiveError Failed(const PgFailure& failure) const {
    return ArchiveError{Kind::kFailed, MaskedSecrets(failure.message, secrets_)};
  }

  // A connection that the server closed since the last import is opened again.
  void Reconnect() {
    if (PQstatus(connection_.get()) == CONNECTION_OK) return;
    PQreset(connection_.get());
    if (PQstatus(connection_.get()) != CONNECTION_OK) throw PgFailure{OneLine(PQerrorMessage(connection_.get()))};
  }

  // The download's row as far as an import needs it.
  struct DownloadRow {
    std::string id;
    bool isNew = false;
    std::optional<std::string> digest;  // of the records imported with it
  };

  // The download's row: the one there, or a new one.
  DownloadRow FindOrAddDownload(const ArchiveDownload& download, std::size_t read) {
    PGconn* connection = connection_.get();
    const std::string downloaded = LocalTimeText(download.downloaded);
    const PgResult inserted = Query(connection, schema_.Sql(
        "INSERT INTO {schema}.downloads (file_name, device, sector, downloaded, version, device_type, records_read,"
        " records_new) VALUES ($1, $2, $3, $4, $5, $6, $7::bigint, 0)"
        " ON CONFLICT (device, sector, downloaded) DO NOTHING RETURNING id").c_str(),
        {download.fileName, download.device, SectorWord(download.sector), downloaded, download.version,
         download.deviceType, std::to_string(read)});
    if (PQntuples(inserted.get()) == 1) return DownloadRow{*Text(inserted.get(), 0, 0), true, std::nullopt};
    const PgResult found = Query(connection,
        schema_.Sql("SELECT id, records_digest FROM {schema}.downloads"
                    " WHERE device = $1 AND sector = $2 AND downloaded = $3").c_str(),
        {download.device, SectorWord(download.sector), downloaded});
    if (PQntuples(found.get()) != 1) throw PgFailure{"the download's row went while it was imported"};
    return DownloadRow{*Text(found.get(), 0, 0), false, Text(found.get(), 0, 1)};
  }

  // Records whose key holds another record: each takes the next key that is
  // free or holds the record itself. Which they are is found by the keys
  // alone, so that no plan of the server's can compare every record of the
  // file with every record of the device. Returns how many were added.
  std::size_t AddRecordsWhoseKeysAreTaken(const ArchiveDownload& download, std::span<const TrackPoint> records,
                                          const std::vector<std::int64_t>& keys, const std::string& downloadId) {
    PGconn* connection = connection_.get();
    const std::string sector = SectorWord(download.sector);
    std::string keyArray = "{";
    for (const std::int64_t key : keys) keyArray += (keyArray.size() > 1 ? "," : "") + std::to_string(key);
    keyArray += '}';
    const PgResult held = Query(connection,
        schema_.Sql("SELECT " + IdentitySql() + " FROM {schema}.records WHERE record_key = ANY($1::bigint[])").c_str(),
        {keyArray});
    std::unordered_map<std::int64_t, int> rowOfKey;
    for (int row = 0; row < PQntuples(held.get()); ++row) {
      rowOfKey.emplace(std::strtoll(PQgetvalue(held.get(), row, 0), nullptr, 10), row);
    }
    const std::string insert = schema_.Sql(InsertRecordsSql(geometry_, "$4::bigint", "WHERE seq = $5::bigint"));
    const std::string find =
        schema_.Sql("SELECT " + IdentitySql() + " FROM {schema}.records WHERE record_key = $1::bigint");
    std::size_t added = 0;
    for (std::size_t i = 0; i < records.size(); ++i) {
      const LoggerLine& line = records[i].line;
      const auto at = rowOfKey.find(keys[i]);
      if (at != rowOfKey.end() && SameRecord(held.get(), at->second, download.device, sector, line)) continue;
      for (std::int64_t key = keys[i];; key = NextRecordKey(key)) {
        const PgParams keyed{download.device, sector, downloadId, std::to_string(key), std::to_string(i)};
        if (Count(Query(connection, insert.c_str(), keyed).get(), 0, 0) == 1) {
          ++added;
          break;
        }
        const PgResult there = Query(connection, find.c_str(), {std::to_string(key)});
        if (PQntuples(there.get()) == 1 && SameRecord(there.get(), 0, download.device, sector, line)) break;
      }
    }
    return added;
  }

  // Whether no one has written a row of the records yet (not even one not committed yet).
  bool RecordsUnwritten() {
    const PgResult size = Query(connection_.get(), "SELECT pg_relation_size($1) = 0", {schema_.Quoted() + ".records"});
    return Text(size.get(), 0, 0) == "t";
  }

  ImportCounts ImportAll(const ArchiveDownload& download, std::span<const TrackPoint> records) {
    PGconn* connection = connection_.get();
    const KeyedRecords keyed = KeyRecords(download.device, download.sector, records);
    const std::string digestText = std::to_string(keyed.digest);
    ImportCounts counts;
    counts.read = records.size();
    counts.notValid = keyed.notValid;

    PgTransaction transaction(connection);
    const std::string sector = SectorWord(download.sector);
    Execute(connection, kImportLockSql, {schema_.Name(), download.device, sector}, PGRES_TUPLES_OK);
    const DownloadRow downloadRow = FindOrAddDownload(download, records.size());
    if (downloadRow.digest == digestText) {
      // This download was imported whole before: every one of its records is here.
      counts.alreadyArchived = records.size();
      return counts;
    }
    Execute(connection, kIncomingSql);
    CopyIn(connection, "COPY pg_temp.incoming FROM STDIN", records.size(),
           [&](std::string& out, std::size_t i) { AppendCopyRow(out, i, keyed.keys[i], records[i]); });
    // Into a table that no one has written yet, the spatial index is built
    // after the rows in one pass, not entry by entry (a third of the import).
    // Its size is asked without a lock kept, then again under the table's lock:
    // of importers that find it empty at once, the first drops and builds the
    // index, the others wait for it and add their rows to the index as it is.
    bool indexAfter = geometry_ && RecordsUnwritten();
    if (indexAfter) {
      Execute(connection, schema_.Sql("LOCK TABLE {schema}.records IN ACCESS EXCLUSIVE MODE").c_str());
      indexAfter = RecordsUnwritten();
    }
    if (indexAfter) Execute(connection, schema_.Sql("DROP INDEX {schema}.records_geom").c_str());
    const PgParams params{download.device, sector, downloadRow.id};
    const std::string insert = schema_.Sql(InsertRecordsSql(geometry_, "record_key", ""));
    counts.added = Count(Query(connection, insert.c_str(), params).get(), 0, 0);
    if (counts.added < records.size()) {
      counts.added += AddRecordsWhoseKeysAreTaken(download, records, keyed.keys, downloadRow.id);
    }
    if (indexAfter) Execute(connection, schema_.Sql(kSpatialIndexSql).c_str());
    counts.alreadyArchived = counts.read - counts.added;
    // A download imported again from a file that holds more: its row counts the
    // records of the file as imported last, and every record that came with it.
    Execute(connection,
            schema_.Sql("UPDATE {schema}.downloads SET records_digest = $1::bigint, records_read = $3::bigint,"
                        " records_new = records_new + $4::bigint WHERE id = $2::bigint").c_str(),
            {digestText, downloadRow.id, std::to_string(counts.read), std::to_string(counts.added)});
    transaction.Commit();
    return counts;
  }

  std::vector<DeviceSummary> ReadFleet() {
    const PgResult rows = Query(connection_.get(), schema_.Sql(kFleetSql).c_str());
    std::vector<DeviceSummary> fleet;
    for (int row = 0; row < PQntuples(rows.get()); ++row) {
      const PGresult* r = rows.get();
      fleet.push_back(DeviceSummary{*Text(r, row, 0), Count(r, row, 1), Text(r, row, 2), Text(r, row, 3),
                                    Count(r, row, 4), Text(r, row, 5).value_or(""), Text(r, row, 6),
                                    Text(r, row, 7)});
    }
    return fleet;
  }

  // The rows of `sql` one by one, as the server sends them: an export of many
  // records never holds them all.
  template <typename OnRow>
  void ForEachRow(const char* sql, const PgParams& params, OnRow onRow) {
    PGconn* connection = connection_.get();
    std::vector<const char*> values;
    for (const std::optional<std::string>& param : params) values.push_back(param ? param->c_str() : nullptr);
    if (PQsendQueryParams(connection, sql, static_cast<int>(values.size()), nullptr, values.data(), nullptr, nullptr,
                          0) != 1 ||
        PQsetSingleRowMode(connection) != 1) {
      throw PgFailure{OneLine(PQerrorMessage(connection))};
    }
    std::optional<PgFailure> failure;
    while (PgResult result{PQgetResult(connection)}) {
      const ExecStatusType status = PQresultStatus(result.get());
      if (status == PGRES_SINGLE_TUPLE) {
        if (!failure) onRow(result.get());
      } else if (status != PGRES_TUPLES_OK && !failure) {
        failure = PgFailure{OneLine(PQresultErrorMessage(result.get()))};
      }
    }
    if (failure) throw *failure;
  }

  void ReadPoints(const TrackQuery& query, const PointVisitor& onPoint) {
    PGconn* connection = connection_.get();
    // One snapshot, so that every device is read from the same state.
    PgTransaction transaction(connection, "ISOLATION LEVEL REPEATABLE READ READ ONLY");
    std::vector<std::string> devices = StoredDevices(query.devices);
    if (devices.empty()) {
      const PgResult all =
          Query(connection,
                schema_.Sql("SELECT DISTINCT device COLLATE \"C\" FROM {schema}.downloads ORDER BY 1").c_str());
      for (int row = 0; row < PQntuples(all.get()); ++row) devices.push_back(*Text(all.get(), row, 0));
    }
    const std::string points = schema_.Sql(kPointsSql);
    for (const std::string& device : devices) {
      ForEachRow(points.c_str(), {device, query.since.value_or("-infinity"), query.until.value_or("infinity")},
                 [&](const PGresult* r) {
                   TrackPoint point;
                   point.line = RowLoggerLine(r, 0, 1);
                   point.utc = ParseIsoUtc(PQgetvalue(r, 0, 0));
                   if (point.utc) onPoint(device, point);
                 });
    }
    transaction.Commit();
  }

  PgConnection connection_;
  PgSchema schema_;
  bool geometry_;
  std::vector<std::string> secrets_;  // left out of every message
};

// Every spelling of the passwords in `name`, with the one that libpq reads
// from `conninfo`: none of them is ever shown.
std::vector<std::string> SecretsOf(const std::string& name, const std::string& conninfo) {
  std::vector<std::string> secrets = SecretsInArchiveName(name);
  char* error = nullptr;
  PQconninfoOption* options = PQconninfoParse(conninfo.c_str(), &error);
  PQfreemem(error);
  if (options == nullptr) return secrets;
  for (const PQconninfoOption* option = options; option->keyword != nullptr; ++option) {
    if (std::string_view(option->keyword) == "password" && option->val != nullptr && *option->val != '\0') {
      secrets.insert(secrets.begin(), option->val);
    }
  }
  PQconninfoFree(options);
  std::stable_sort(secrets.begin(), secrets.end(),
                   [](const std::string& a, const std::string& b) { return a.size() > b.size(); });
  return secrets;
}

// Why the server could not hold a schema of this name as it is written: it
// cuts names after 63 bytes, and a control character has no place in one.
std::optional<std::string> RefusedSchemaName(const std::string& name) {
  constexpr std::size_t kLongestName = 63;
  if (name.empty()) return "an empty schema name";
  if (name.size() > kLongestName) return "a schema name longer than 63 bytes";
  const auto control = [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; };
  if (std::any_of(name.begin(), name.end(), control)) return "a schema name with a control character";
  return std::nullopt;
}

}  // namespace

std::variant<std::unique_ptr<Archive>, ArchiveError> OpenPostgresArchive(const std::string& name,
                                                                          ArchiveAccess access) {
  if (const std::optional<std::string> refused = RefusedArchiveName(name)) return ArchiveError{Kind::kFailed, *refused};
  const std::string conninfo = ConnectionString(name);
  const std::vector<std::string> secrets = SecretsOf(name, conninfo);
  const PgSchema schema(ArchiveSchemaName(name));
  if (const std::optional<std::string> refused = RefusedSchemaName(schema.Name())) {
    return ArchiveError{Kind::kFailed, *refused};
  }
  // The connection string's own settings come after these and win.
  const char* keywords[] = {"connect_timeout", "fallback_application_name", "dbname", nullptr};
  const char* values[] = {kConnectTimeoutSeconds, "trackctl", conninfo.c_str(), nullptr};
  PgConnection connection(PQconnectdbParams(keywords, values, 1));
  if (!connection) return ArchiveError{Kind::kFailed, "out of memory"};
  if (PQstatus(connection.get()) != CONNECTION_OK) {
    return ArchiveError{Kind::kFailed, MaskedSecrets(OneLine(PQerrorMessage(connection.get())), secrets)};
  }
  PQsetNoticeProcessor(connection.get(), DropNotice, nullptr);
  try {
    Execute(connection.get(), "SET client_min_messages = warning");
    if (access == ArchiveAccess::kCreate) CreatePgSchema(connection.get(), schema);
    const std::variant<std::int64_t, ArchiveError> version = FindPgSchema(connection.get(), schema);
    if (const auto* refused = std::get_if<ArchiveError>(&version)) return *refused;
    if (std::get<std::int64_t>(version) < kPgSchemaVersion) MigratePgSchema(connection.get(), schema);
    const bool geometry = HasGeometry(connection.get(), schema);
    return std::make_unique<PostgresArchive>(std::move(connection), schema, geometry, secrets);
  } catch (const PgFailure& failure) {
    return ArchiveError{Kind::kFailed, MaskedSecrets(failure.message, secrets)};
  }
}

}  // namespace trackctl
