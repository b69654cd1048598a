// The track archive: every logger record of every download, each once, kept in
// one store that several programs may write at the same time. This is what the
// commands see of it; each store (a GeoPackage file, a database server) is a
// backend behind it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "track/track_point.h"
#include "track/utc_time.h"
#include "logger/sector.h"
#include "protocol/timewords.h"

namespace trackctl {

// Why the archive could not be used. Nothing was written then.
struct ArchiveError {
  enum class Kind {
    kMissing,     // there is no archive of that name (reading commands only)
    kNotArchive,  // the file is no archive of this program: another database, not a database at all
    kNewer,       // written by a newer version of this program
    kFailed,      // the store failed: no room, no permission, locked too long
    kNotBuilt,    // this build of the program has no archive (of the kind named)
  };
  Kind kind;
  std::string detail;  // the store's own words, the version found, or the backend not built in
};

// One download as the archive keeps it.
struct ArchiveDownload {
  std::string fileName;   // the logger file, without its folder
  std::string device;     // the serial key
  Sector sector = Sector::kSms;
  LocalDateTime downloaded;  // the downloading machine's local time
  std::optional<std::string> version;     // "v1:v2:v3" when the handshake was seen
  std::optional<std::string> deviceType;  // likewise
};

struct ImportCounts {
  std::size_t read = 0;             // records in the file
  std::size_t added = 0;            // new to the archive
  std::size_t alreadyArchived = 0;  // the same device, sector and logger columns were there
  std::size_t otherUtc = 0;         // of those, how many were there with another UTC time (an
                                    // import of the file under another time zone, say)
  std::size_t notValid = 0;         // without a valid time or place: kept without a place, with their problem
};

// What the archive holds of one device.
struct DeviceSummary {
  std::string device;
  std::size_t records = 0;
  std::optional<UtcTime> firstUtc;  // of the records with a valid time
  std::optional<UtcTime> lastUtc;
  std::size_t downloads = 0;
  std::string lastDownload;  // "YYYY-MM-DD hh:mm:ss", the downloading machine's local time
  std::optional<std::string> version;     // the last one known
  std::optional<std::string> deviceType;  // likewise
};

// Which records a track query gives: every device when `devices` is empty;
// from `since` to `until`, both included, each end open when not given.
struct TrackQuery {
  std::vector<std::string> devices;
  std::optional<UtcTime> since;
  std::optional<UtcTime> until;
};

// Records handed over a batch at a time, in their order, from the first each
// time they are read: an import may read them twice, so that what it holds
// stays bounded whatever their number.
class RecordBatches {
 public:
  virtual ~RecordBatches() = default;
  using OnBatch = std::function<void(std::span<const TrackPoint> batch)>;
  // Calls onBatch with each batch in turn; false when they could not all be
  // read (the source keeps why).
  virtual bool Read(const OnBatch& onBatch) = 0;
};

class Archive {
 public:
  virtual ~Archive() = default;

  // Adds the download and those of its records that the archive does not hold
  // yet, all or nothing; a download imported before adds no second row.
  // The counts, or why nothing was added.
  std::variant<ImportCounts, ArchiveError> Import(const ArchiveDownload& download,
                                                  std::span<const TrackPoint> records);
  // The same for records read in batches.
  virtual std::variant<ImportCounts, ArchiveError> ImportBatches(const ArchiveDownload& download,
                                                                 RecordBatches& records) = 0;

  // Every device, by serial key.
  virtual std::variant<std::vector<DeviceSummary>, ArchiveError> Fleet() = 0;

  // The records with a valid time and place that `query` selects, by device and
  // then by time: `onPoint` gets each with its device.
  using PointVisitor = std::function<void(const std::string& device, const TrackPoint& point)>;
  virtual std::optional<ArchiveError> Points(const TrackQuery& query, const PointVisitor& onPoint) = 0;
};

}  // namespace trackctl
