#include "archive/postgres/pg_archive.h"

#include <algorithm>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "archive/archive_name.h"
#include "archive/postgres/connection_string.h"
#include "archive/archive_time.h"
#include "archive/fleet_query.h"
#include "archive/postgres/pg_copy_rows.h"
#include "archive/postgres/pg_handles.h"
#include "archive/postgres/pg_import.h"
#include "archive/postgres/pg_schema.h"
#include "archive/postgres/pg_schema_migration.h"
#include "archive/stored_text.h"
#include "track/utc_time.h"

namespace trackctl::pg {
namespace {

using Kind = ArchiveError::Kind;

// How long a server that does not answer is waited for, unless the connection
// string says otherwise.
constexpr const char* kConnectTimeoutSeconds = "10";

// Devices sorted by their bytes, as the GeoPackage sorts them, whatever the database's collation.
constexpr FleetDialect kFleet{"{schema}.", "to_char({} AT TIME ZONE 'UTC', 'YYYY-MM-DD\"T\"HH24:MI:SS\"Z\"')",
                              " COLLATE \"C\""};

std::string PointsSql() {
  return "SELECT to_char(utc_time AT TIME ZONE 'UTC', 'YYYY-MM-DD\"T\"HH24:MI:SS\"Z\"'), " + LoggerColumnList() +
         " FROM {schema}.records"
         " WHERE device = $1 AND utc_time BETWEEN $2::timestamptz AND $3::timestamptz AND problem IS NULL"
         " ORDER BY utc_time, fid";
}

// libpq says nothing on the program's own streams: its notices are dropped.
void DropNotice(void*, const char*) {}

class PostgresArchive : public Archive {
 public:
  PostgresArchive(Connection connection, Schema schema, bool geometry, std::vector<std::string> secrets)
      : connection_(std::move(connection)),
        schema_(std::move(schema)),
        geometry_(geometry),
        secrets_(std::move(secrets)) {}

  std::variant<ImportCounts, ArchiveError> ImportBatches(const ArchiveDownload& download,
                                                         RecordBatches& records) override {
    try {
      Reconnect();
      const ArchiveDownload stored = StoredDownload(download);
      return RunImport(*BeginImport(connection_.get(), schema_, geometry_, stored), stored, records);
    } catch (const Failure& failure) {
      return Failed(failure);
    } catch (const ImportFailure& failure) {
      return ArchiveError{Kind::kFailed, failure.message};
    }
  }

  std::variant<std::vector<DeviceSummary>, ArchiveError> Fleet() override {
    try {
      return ReadFleet();
    } catch (const Failure& failure) {
      return Failed(failure);
    }
  }

  std::optional<ArchiveError> Points(const TrackQuery& query, const PointVisitor& onPoint) override {
    try {
      ReadPoints(query, onPoint);
      return std::nullopt;
    } catch (const Failure& failure) {
      return Failed(failure);
    }
  }

 private:
  ArchiveError Failed(const Failure& failure) const {
    return ArchiveError{Kind::kFailed, MaskedSecrets(failure.message, secrets_)};
  }

  // A connection that the server closed since it was opened (a restart, an
  // administrator, a network that drops idle connections: a download may take
  // minutes) is opened again. libpq learns of it only when the connection is
  // next used, so an empty query asks first.
  void Reconnect() {
    if (PQstatus(connection_.get()) == CONNECTION_OK) {
      const Result probe{PQexec(connection_.get(), "")};
      if (PQstatus(connection_.get()) == CONNECTION_OK) return;
    }
    PQreset(connection_.get());
    if (PQstatus(connection_.get()) != CONNECTION_OK) throw Failure{OneLine(PQerrorMessage(connection_.get()))};
  }

  std::vector<DeviceSummary> ReadFleet() {
    const Result rows = Query(connection_.get(), schema_.Sql(FleetSql(kFleet)).c_str());
    std::vector<DeviceSummary> fleet;
    for (int row = 0; row < PQntuples(rows.get()); ++row) {
      FleetRow columns;
      for (std::size_t i = 0; i < columns.size(); ++i) columns[i] = Text(rows.get(), row, static_cast<int>(i));
      fleet.push_back(FleetSummary(columns));
    }
    return fleet;
  }

  // The rows of `sql` through a cursor, a batch at a time: an export of many
  // records never holds more than a batch, and each batch is one result, not
  // one result per row (which costs most where sockets and memory are slow to
  // ask for, as under wine).
  template <typename OnRow>
  void ForEachRow(const char* sql, const Params& params, OnRow onRow) {
    static constexpr int kBatch = 4096;
    PGconn* connection = connection_.get();
    Execute(connection, (std::string("DECLARE points NO SCROLL CURSOR FOR ") + sql).c_str(), params);
    const std::string fetch = "FETCH " + std::to_string(kBatch) + " FROM points";
    for (int rows = kBatch; rows == kBatch;) {
      const Result batch = Query(connection, fetch.c_str());
      rows = PQntuples(batch.get());
      for (int row = 0; row < rows; ++row) onRow(batch.get(), row);
    }
    Execute(connection, "CLOSE points");
  }

  void ReadPoints(const TrackQuery& query, const PointVisitor& onPoint) {
    PGconn* connection = connection_.get();
    // One snapshot, so that every device is read from the same state.
    Transaction transaction(connection, "ISOLATION LEVEL REPEATABLE READ READ ONLY");
    std::vector<std::string> devices = StoredDevices(query.devices);
    if (devices.empty()) {
      const Result all =
          Query(connection,
                schema_.Sql("SELECT DISTINCT device COLLATE \"C\" FROM {schema}.downloads ORDER BY 1").c_str());
      for (int row = 0; row < PQntuples(all.get()); ++row) devices.push_back(*Text(all.get(), row, 0));
    }
    const std::string points = schema_.Sql(PointsSql());
    for (const std::string& device : devices) {
      ForEachRow(points.c_str(),
                 {device, IsoUtcText(query.since.value_or(kFirstArchiveTime)),
                  IsoUtcText(query.until.value_or(kLastArchiveTime))},
                 [&](const PGresult* r, int row) {
                   TrackPoint point;
                   point.line = RowLoggerLine(r, row, 1);
                   point.utc = ParseIsoUtc(PQgetvalue(r, row, 0));
                   if (point.utc) onPoint(device, point);
                 });
    }
    transaction.Commit();
  }

  Connection connection_;
  Schema schema_;
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
  const Schema schema(ArchiveSchemaName(name));
  if (const std::optional<std::string> refused = RefusedSchemaName(schema.Name())) {
    return ArchiveError{Kind::kFailed, *refused};
  }
  // The connection string's own settings come after these and win.
  const char* keywords[] = {"connect_timeout", "fallback_application_name", "dbname", nullptr};
  const char* values[] = {kConnectTimeoutSeconds, "trackctl", conninfo.c_str(), nullptr};
  Connection connection(PQconnectdbParams(keywords, values, 1));
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
  } catch (const Failure& failure) {
    return ArchiveError{Kind::kFailed, MaskedSecrets(failure.message, secrets)};
  }
}

}  // namespace trackctl::pg
