#include "app/device/download_archive.h"

#include <cstdlib>
#include <vector>

#include "app/offline/archive_messages.h"
#include "archive/archive_name.h"
#include "archive/open_archive.h"
#include "track/machine_zone.h"
#include "track/track_point.h"

namespace trackctl {
namespace {

ArchiveDownload ArchiveDownloadOf(const DownloadFacts& facts) {
  ArchiveDownload download;
  download.fileName = facts.fileName;
  download.device = facts.device;
  download.sector = facts.sector;
  download.downloaded = facts.downloaded;
  download.version = facts.version;
  download.deviceType = facts.deviceType;
  return download;
}

}  // namespace

std::optional<std::string> DownloadArchiveName(const DeviceCommand& command) {
  if (command.archive) return command.archive;
  const char* environment = std::getenv("TRACKCTL_ARCHIVE");
  if (environment == nullptr || *environment == '\0') return std::nullopt;
  return std::string(environment);
}

std::variant<std::shared_ptr<DownloadArchive>, int> OpenDownloadArchive(const std::string& name,
                                                                        ConsoleReport& say) {
  auto opened = OpenArchive(name, ArchiveAccess::kCreate);
  if (const ArchiveError* error = std::get_if<ArchiveError>(&opened)) {
    say.Say("%s; nothing was downloaded\n", ArchiveErrorLine("download", name, *error).c_str());
    return 2;
  }
  return std::make_shared<DownloadArchive>(
      DownloadArchive{name, std::move(std::get<std::unique_ptr<Archive>>(opened))});
}

ArchivedRecords ArchiveDownloadedRecords(ConsoleReport& say, DownloadArchive& archive, const DownloadFacts& facts,
                                         bool erase) {
  MachineZoneRule rule;  // the device's clock was set from this machine's
  std::vector<TrackPoint> points;
  points.reserve(facts.records.size());
  for (const LoggerLine& line : facts.records) points.push_back(MakeTrackPoint(line, rule));
  const auto imported = archive.archive->Import(ArchiveDownloadOf(facts), points);
  if (const ArchiveError* error = std::get_if<ArchiveError>(&imported)) {
    say.Say("%s; %s stays as it is%s\n", ArchiveErrorLine("download", archive.name, *error).c_str(),
            facts.fileName.c_str(), erase ? " and the sector is not erased" : "");
    return {Outcome::kFileProblem, std::nullopt};
  }
  const ImportCounts& counts = std::get<ImportCounts>(imported);
  say.Say("Archived %s in %s: %s\n", facts.fileName.c_str(), ShownArchiveName(archive.name).c_str(),
          ImportCountsText(counts).c_str());
  return {Outcome::kDone, counts};
}

std::optional<std::string> NotAllArchived(const ImportCounts& counts, std::uint32_t announced) {
  const std::size_t held = counts.added + counts.alreadyArchived;
  if (held == announced) return std::nullopt;
  return "the archive holds " + std::to_string(held) + " of the " + std::to_string(announced) +
         " records the device announced";
}

}  // namespace trackctl
