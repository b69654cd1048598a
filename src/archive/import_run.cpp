#include "archive/import_run.h"

#include <algorithm>
#include <limits>
#include <vector>

#include "archive/record_key.h"

namespace trackctl {
namespace {

// Adds a record's key and UTC time to the digest, so that the file of a
// download read under another time zone is not taken for the one imported.
// (Archives of earlier versions hold digests of the keys alone: a download of
// theirs imported again is compared record by record, once.)
void AddToDigest(RecordsDigest& digest, std::int64_t key, const TrackPoint& point) {
  digest.Add(key);
  digest.Add(point.utc.value_or(std::numeric_limits<std::int64_t>::min()));
}

// What one read of the records tells: how many, how many not valid, and their digest.
struct Reading {
  std::size_t read = 0;
  std::size_t notValid = 0;
  RecordsDigest digest;

  void Take(std::int64_t key, const TrackPoint& point) {
    ++read;
    notValid += point.problem == PointProblem::kNone ? 0 : 1;
    AddToDigest(digest, key, point);
  }
};

class Importer {
 public:
  Importer(ImportSession& session, const ArchiveDownload& download)
      : session_(session), device_(download.device), sector_(SectorWord(download.sector)),
        sectorId_(download.sector) {
    held_.reserve(2 * kImportBatch);
  }

  // A first read of the records, without a write.
  Reading Survey(RecordBatches& records) {
    Reading reading;
    Read(records, [&](std::span<const TrackPoint> batch) {
      for (const TrackPoint& point : batch) reading.Take(RecordKey(device_, sectorId_, point.line), point);
    });
    return reading;
  }

  // Looks up each record of `batch` and adds the new ones; counts into `counts`.
  void ImportBatch(std::span<const TrackPoint> batch, std::int64_t downloadId, ImportCounts& counts) {
    keys_.clear();
    for (const TrackPoint& point : batch) keys_.push_back(RecordKey(device_, sectorId_, point.line));
    held_.clear();
    session_.LookUp(keys_, held_);
    added_.clear();
    for (std::size_t i = 0; i < batch.size(); ++i) {
      reading_.Take(keys_[i], batch[i]);
      switch (Place(keys_[i], batch[i])) {
        case HeldMatch::kOther: ++counts.added; break;
        case HeldMatch::kSameOtherUtc: ++counts.otherUtc; [[fallthrough]];
        case HeldMatch::kSame: ++counts.alreadyArchived; break;
      }
    }
    session_.Add(added_, downloadId);
  }

  const Reading& Done() const { return reading_; }

 private:
  template <typename OnBatch>
  static void Read(RecordBatches& records, OnBatch onBatch) {
    if (!records.Read(onBatch)) throw ImportFailure{"the records could not be read"};
  }

  // Follows the keys from `key` until the record's own (what is held there
  // tells) or a free one, which it takes: kOther when it was added.
  HeldMatch Place(std::int64_t key, const TrackPoint& point) {
    for (;; key = NextRecordKey(key)) {
      auto at = held_.find(key);
      if (at == held_.end()) {
        session_.LookUp(std::span<const std::int64_t>(&key, 1), held_);
        at = held_.find(key);
      }
      if (!at->second) {
        at->second = HeldOf(device_, sector_, point);
        added_.push_back(NewRecord{key, reading_.read - 1, &point});
        return HeldMatch::kOther;
      }
      const HeldMatch match = MatchHeld(*at->second, device_, sector_, point);
      if (match != HeldMatch::kOther) return match;
    }
  }

  ImportSession& session_;
  std::string device_;
  std::string sector_;
  Sector sectorId_;
  Reading reading_;
  std::vector<std::int64_t> keys_;
  HeldRecords held_;
  std::vector<NewRecord> added_;
};

}  // namespace

HeldRecord HeldOf(std::string_view device, std::string_view sector, const TrackPoint& point) {
  HeldRecord held{std::string(device), std::string(sector), {}, {}, point.utc};
  for (std::size_t c = 0; c < kLoggerColumns.size(); ++c) {
    const std::uint64_t value = kLoggerColumns[c].get(point.line);
    if (kLoggerColumns[c].kind == LoggerColumnKind::kInteger) {
      held.integers[c] = static_cast<std::int64_t>(value);
    } else {
      held.decimals[c] = StoredDecimal(value);
    }
  }
  return held;
}

// The decimal columns are compared as the doubles they are stored as: beyond
// 2^53 millionths a double holds no exact millionths.
HeldMatch MatchHeld(const HeldRecord& held, std::string_view device, std::string_view sector,
                    const TrackPoint& point) {
  if (held.device != device || held.sector != sector) return HeldMatch::kOther;
  for (std::size_t c = 0; c < kLoggerColumns.size(); ++c) {
    const std::uint64_t value = kLoggerColumns[c].get(point.line);
    const bool same = kLoggerColumns[c].kind == LoggerColumnKind::kInteger
                          ? held.integers[c] == static_cast<std::int64_t>(value)
                          : held.decimals[c] == StoredDecimal(value);
    if (!same) return HeldMatch::kOther;
  }
  return held.utc == point.utc ? HeldMatch::kSame : HeldMatch::kSameOtherUtc;
}

ImportCounts RunImport(ImportSession& session, const ArchiveDownload& download, RecordBatches& records) {
  Importer importer(session, download);
  const ImportDownloadRow row = session.FindOrAddDownload();
  std::optional<Reading> surveyed;
  if (row.digest) {
    // Read once before a write: a download imported whole before has every one
    // of its records here, at these times, and is left as it is.
    surveyed = importer.Survey(records);
    if (surveyed->digest.Value() == *row.digest) {
      return ImportCounts{surveyed->read, 0, surveyed->read, 0, surveyed->notValid};
    }
  }
  ImportCounts counts;
  if (!records.Read([&](std::span<const TrackPoint> batch) { importer.ImportBatch(batch, row.id, counts); })) {
    throw ImportFailure{"the records could not be read"};
  }
  const Reading& reading = importer.Done();
  if (surveyed && (surveyed->read != reading.read || surveyed->digest.Value() != reading.digest.Value())) {
    throw ImportFailure{"the records changed while they were imported"};
  }
  counts.read = reading.read;
  counts.notValid = reading.notValid;
  session.FinishDownload(row.id, counts, reading.digest.Value());
  session.Commit();
  return counts;
}

// The records in memory, in batches of kImportBatch.
std::variant<ImportCounts, ArchiveError> Archive::Import(const ArchiveDownload& download,
                                                         std::span<const TrackPoint> records) {
  class SpanBatches : public RecordBatches {
   public:
    explicit SpanBatches(std::span<const TrackPoint> records) : records_(records) {}
    bool Read(const OnBatch& onBatch) override {
      for (std::size_t at = 0; at < records_.size(); at += kImportBatch) {
        onBatch(records_.subspan(at, std::min(kImportBatch, records_.size() - at)));
      }
      return true;
    }

   private:
    std::span<const TrackPoint> records_;
  } batches(records);
  return ImportBatches(download, batches);
}

}  // namespace trackctl
