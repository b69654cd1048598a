// One import, whatever the store: the records are keyed (record_key.h), the
// download's row found or added, a download whose records were all imported
// before left as it is, each record looked up by its key and compared with
// what is there, the new ones added, and the download's counts and digest
// written; all in one transaction of the store's.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>

#include "archive/archive.h"
#include "track/logger_columns.h"

namespace trackctl {

// How many records an import looks up and adds at a time.
inline constexpr std::size_t kImportBatch = 4096;

// A record as a store holds it, as far as telling it from another one needs:
// each logger column as the store keeps it (an integer, or a decimal column's
// double), and its UTC time in seconds since 1970 (none when it has none, or
// one that this program did not write).
struct HeldRecord {
  std::string device;
  std::string sector;
  std::array<std::int64_t, kLoggerColumns.size()> integers{};  // the integer columns', by column
  std::array<double, kLoggerColumns.size()> decimals{};        // the decimal columns', by column
  std::optional<std::int64_t> utc;
};

// `point` of `device`'s `sector` (both as stored) as a store would hold it.
HeldRecord HeldOf(std::string_view device, std::string_view sector, const TrackPoint& point);

enum class HeldMatch {
  kOther,         // another record
  kSame,          // the same record, at the same UTC time
  kSameOtherUtc,  // the same record with another UTC time (or with none, or without this one's)
};

// Whether `held` is the record `point` of `device`'s `sector` (as stored).
HeldMatch MatchHeld(const HeldRecord& held, std::string_view device, std::string_view sector,
                    const TrackPoint& point);

// The record under each key looked up, or none where the key is free.
using HeldRecords = std::unordered_map<std::int64_t, std::optional<HeldRecord>>;

// A record to add under its key; `seq` is its place among the download's records.
struct NewRecord {
  std::int64_t key;
  std::size_t seq;
  const TrackPoint* point;
};

// The download's row, as far as an import needs it.
struct ImportDownloadRow {
  std::int64_t id = 0;
  std::optional<std::int64_t> digest;  // of the records imported with it
};

// A failure of the import itself, not of its store (the records changed
// between the import's two reads of them).
struct ImportFailure {
  std::string message;
};

// What a store does for one import, inside one transaction that it begins
// when it is made and rolls back when it goes without Commit.
class ImportSession {
 public:
  virtual ~ImportSession() = default;
  // The row of the session's download: the one there, or a new one.
  virtual ImportDownloadRow FindOrAddDownload() = 0;
  // Enters each of `keys` into `held`: the record under it, or none.
  virtual void LookUp(std::span<const std::int64_t> keys, HeldRecords& held) = 0;
  // Adds `records`, each under a key that LookUp found free, to the download `downloadId`.
  virtual void Add(std::span<const NewRecord> records, std::int64_t downloadId) = 0;
  // Writes the download's counts (`counts.read` read now, `counts.added` more
  // came with it) and the digest of its records.
  virtual void FinishDownload(std::int64_t downloadId, const ImportCounts& counts, std::int64_t digest) = 0;
  virtual void Commit() = 0;
};

// Imports `records` as `download` (its texts as stored) through `session`.
// Throws ImportFailure, or what the store throws.
ImportCounts RunImport(ImportSession& session, const ArchiveDownload& download, RecordBatches& records);

}  // namespace trackctl
