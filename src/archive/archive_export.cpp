#include "archive/archive_export.h"

namespace trackctl {

std::variant<ExportCounts, ExportFailure> RunArchiveExport(Archive& archive, const std::string& archivePath,
                                                           const ExportOptions& options) {
  const TrackQuery query{options.devices, options.since, options.until};
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
    if (error) return ExportFailure{ExportFailure::Kind::kCannotRead, archivePath, error->detail};
    if (track) converter.EndTrack();
    return std::nullopt;
  };
  // Points from the archive are read already: there are no lines to be refused.
  return RunExportOf(options, feed, [](std::size_t) {});
}

}  // namespace trackctl
