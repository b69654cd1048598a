#include "app/offline/archive_export.h"

#include "archive/archive_files.h"
#include "archive/archive_name.h"
#include "archive/archive_time.h"

namespace trackctl {

std::variant<ExportCounts, ExportFailure> RunArchiveExport(Archive& archive, const std::string& archiveName,
                                                           const ExportOptions& options) {
  // The bounds as the options give them, "YYYY-MM-DDThh:mm:ssZ".
  const auto utc = [](const std::optional<std::string>& bound) -> std::optional<UtcTime> {
    if (!bound) return std::nullopt;
    return UtcTime{ParseIsoUtc(*bound).value_or(kFirstArchiveTime.seconds)};
  };
  const TrackQuery query{options.devices, utc(options.since), utc(options.until)};
  const auto feed = [&](TrackConverter& converter) -> std::optional<ExportFailure> {
    std::optional<std::string> track;  // the device whose track is open
    const std::optional<ArchiveError> error = archive.Points(query, [&](const std::string& device,
                                                                        const TrackPoint& point) {
      if (track != device) {
        if (track) converter.EndTrack();
        converter.BeginTrack(device);
        track = device;
      }
      converter.Point(point);
    });
    if (error) return ExportFailure{ExportFailure::Kind::kCannotRead, ShownArchiveName(archiveName), error->detail};
    if (track) converter.EndTrack();
    return std::nullopt;
  };
  // Points from the archive are read already: there are no lines to be refused.
  return RunExportOf(options, ArchiveFiles(archiveName), feed, [](std::size_t) {});
}

}  // namespace trackctl
