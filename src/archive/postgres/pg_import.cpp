#include "archive/postgres/pg_import.h"

#include <cstdlib>
#include <string>

#include "archive/archive_time.h"
#include "archive/postgres/pg_copy_rows.h"
#include "archive/postgres/pg_handles.h"
#include "archive/postgres/pg_schema.h"

namespace trackctl::pg {
namespace {

// Imports of one device's sector into one archive take turns: only they can
// hold records in common, and one that waits finds the other's records there.
// The lock's first key sets it apart from other programs' locks.
constexpr const char* kImportLockSql =
    "SELECT pg_advisory_xact_lock(1953655651, hashtext($1 || ' ' || $2 || ' ' || $3))";

std::string IncomingSql() {
  std::string sql =
      "CREATE TEMP TABLE IF NOT EXISTS incoming (seq bigint, record_key bigint, utc_time timestamptz, local_time text";
  for (const LoggerColumn& column : kLoggerColumns) {
    sql += ", " + QuotedColumn(column) +
           (column.kind == LoggerColumnKind::kInteger ? " bigint" : " double precision");
  }
  return sql + ", problem text) ON COMMIT DELETE ROWS";
}

// Inserts the incoming records in the file's order, so that a device's
// records lie in the order of time. $1 device, $2 sector, $3 download id.
std::string InsertRecordsSql(bool geometry) {
  const std::string columns = LoggerColumnList();
  return std::string("WITH added AS (INSERT INTO {schema}.records (record_key, ") + (geometry ? "geom, " : "") +
         "device, sector, utc_time, local_time, " + columns + ", problem, download_id) SELECT record_key, " +
         (geometry ? "CASE WHEN problem IS NULL THEN ST_SetSRID(ST_MakePoint(longitude, latitude), 4326) END, " : "") +
         "$1, $2, utc_time, local_time, " + columns + ", problem, $3::bigint FROM pg_temp.incoming" +
         " ORDER BY seq ON CONFLICT (record_key) DO NOTHING RETURNING 1) SELECT count(*) FROM added";
}

// The held records of the keys $1 (an array), with their UTC times as seconds.
std::string HeldSql() {
  return "SELECT record_key, device, sector, " + LoggerColumnList() +
         ", extract(epoch FROM utc_time)::bigint FROM {schema}.records WHERE record_key = ANY($1::bigint[])";
}

constexpr int kFirstLoggerColumn = 3;
constexpr int kHeldUtcColumn = kFirstLoggerColumn + static_cast<int>(kLoggerColumns.size());

std::int64_t Integer(const PGresult* result, int row, int column) {
  return std::strtoll(PQgetvalue(result, row, column), nullptr, 10);
}

class PgImport final : public ImportSession {
 public:
  PgImport(PGconn* connection, const Schema& schema, bool geometry, const ArchiveDownload& download)
      : connection_(connection),
        schema_(schema),
        download_(download),
        sector_(SectorWord(download.sector)),
        transaction_(connection),
        insert_(schema.Sql(InsertRecordsSql(geometry))),
        held_(schema.Sql(HeldSql())),
        geometry_(geometry) {
    Execute(connection_, kImportLockSql, {schema_.Name(), download_.device, sector_}, PGRES_TUPLES_OK);
    Execute(connection_, IncomingSql().c_str());
    // Before anything of the records is read: a lock taken on them now would
    // make the table's lock below an upgrade, and two importers a deadlock.
    DecideIndexAfter();
  }

  ImportDownloadRow FindOrAddDownload() override {
    const std::string downloaded = LocalTimeText(download_.downloaded);
    const Result inserted = Query(connection_, schema_.Sql(
        "INSERT INTO {schema}.downloads (file_name, device, sector, downloaded, version, device_type, records_read,"
        " records_new) VALUES ($1, $2, $3, $4, $5, $6, 0, 0)"
        " ON CONFLICT (device, sector, downloaded) DO NOTHING RETURNING id").c_str(),
        {download_.fileName, download_.device, sector_, downloaded, download_.version, download_.deviceType});
    if (PQntuples(inserted.get()) == 1) return ImportDownloadRow{Integer(inserted.get(), 0, 0), std::nullopt};
    const Result found = Query(connection_,
        schema_.Sql("SELECT id, records_digest FROM {schema}.downloads"
                    " WHERE device = $1 AND sector = $2 AND downloaded = $3").c_str(),
        {download_.device, sector_, downloaded});
    if (PQntuples(found.get()) != 1) throw Failure{"the download's row went while it was imported"};
    ImportDownloadRow row{Integer(found.get(), 0, 0), std::nullopt};
    if (!PQgetisnull(found.get(), 0, 1)) row.digest = Integer(found.get(), 0, 1);
    return row;
  }

  void LookUp(std::span<const std::int64_t> keys, HeldRecords& held) override {
    std::string keyArray = "{";
    for (const std::int64_t key : keys) keyArray += (keyArray.size() > 1 ? "," : "") + std::to_string(key);
    keyArray += '}';
    const Result rows = Query(connection_, held_.c_str(), {keyArray});
    const PGresult* r = rows.get();
    for (int row = 0; row < PQntuples(r); ++row) {
      HeldRecord record{PQgetvalue(r, row, 1), PQgetvalue(r, row, 2), {}, {}, std::nullopt};
      for (std::size_t c = 0; c < kLoggerColumns.size(); ++c) {
        const int column = kFirstLoggerColumn + static_cast<int>(c);
        if (kLoggerColumns[c].kind == LoggerColumnKind::kInteger) {
          record.integers[c] = Integer(r, row, column);
        } else {
          record.decimals[c] = std::strtod(PQgetvalue(r, row, column), nullptr);
        }
      }
      if (!PQgetisnull(r, row, kHeldUtcColumn)) record.utc = Integer(r, row, kHeldUtcColumn);
      held.insert_or_assign(Integer(r, row, 0), std::move(record));
    }
    for (const std::int64_t key : keys) held.try_emplace(key, std::nullopt);
  }

  void Add(std::span<const NewRecord> records, std::int64_t downloadId) override {
    if (records.empty()) return;
    CopyIn(connection_, "COPY pg_temp.incoming FROM STDIN", records.size(), [&](std::string& out, std::size_t i) {
      AppendCopyRow(out, records[i].seq, records[i].key, *records[i].point);
    });
    const Result added =
        Query(connection_, insert_.c_str(), {download_.device, sector_, std::to_string(downloadId)});
    // Each key was free when it was looked up; another device's import may have taken one since.
    if (Integer(added.get(), 0, 0) != static_cast<std::int64_t>(records.size())) {
      throw Failure{"a record's key was taken by another import meanwhile; import the file again"};
    }
    Execute(connection_, "TRUNCATE pg_temp.incoming");
  }

  // A download imported again from a file that holds more: its row counts the
  // records of the file as imported last, and every record that came with it.
  void FinishDownload(std::int64_t downloadId, const ImportCounts& counts, std::int64_t digest) override {
    Execute(connection_,
            schema_.Sql("UPDATE {schema}.downloads SET records_digest = $1::bigint, records_read = $3::bigint,"
                        " records_new = records_new + $4::bigint WHERE id = $2::bigint").c_str(),
            {std::to_string(digest), std::to_string(downloadId), std::to_string(counts.read),
             std::to_string(counts.added)});
  }

  void Commit() override {
    if (indexAfter_) Execute(connection_, schema_.Sql(kSpatialIndexSql).c_str());
    transaction_.Commit();
  }

 private:
  // Whether no one has written a row of the records yet (not even one not committed yet).
  bool RecordsUnwritten() {
    const Result size = Query(connection_, "SELECT pg_relation_size($1) = 0", {schema_.Quoted() + ".records"});
    return Text(size.get(), 0, 0) == "t";
  }

  // Into a table that no one has written yet, the spatial index is built after
  // the rows in one pass, not entry by entry (a third of the import). Its size
  // is asked without a lock kept, then again under the table's lock: of
  // importers that find it empty at once, the first drops and builds the index,
  // the others wait for it and add their rows to the index as it is.
  void DecideIndexAfter() {
    indexAfter_ = geometry_ && RecordsUnwritten();
    if (indexAfter_) {
      Execute(connection_, schema_.Sql("LOCK TABLE {schema}.records IN ACCESS EXCLUSIVE MODE").c_str());
      indexAfter_ = RecordsUnwritten();
    }
    if (indexAfter_) Execute(connection_, schema_.Sql("DROP INDEX {schema}.records_geom").c_str());
  }

  PGconn* connection_;
  const Schema& schema_;
  const ArchiveDownload& download_;
  std::string sector_;
  Transaction transaction_;
  std::string insert_;
  std::string held_;
  bool geometry_;
  bool indexAfter_ = false;
};

}  // namespace

std::unique_ptr<ImportSession> BeginImport(PGconn* connection, const Schema& schema, bool geometry,
                                             const ArchiveDownload& download) {
  return std::make_unique<PgImport>(connection, schema, geometry, download);
}

}  // namespace trackctl::pg
