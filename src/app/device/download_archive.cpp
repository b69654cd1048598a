#include "app/device/download_archive.h"

#include <cstdlib>
#include <memory>

#include "app/offline/archive_messages.h"
#include "archive/archive_name.h"
#include "archive/import_file.h"
#include "archive/download_file_name.h"
#include "archive/open_archive.h"
#include "track/machine_zone.h"

namespace trackctl {
namespace {

// The download as the file's name tells it, or, for a name that -o chose,
// from the session: its key, the sector and this second.
ArchiveDownload DownloadOf(CommandRun& run, const DeviceCommand& command, const std::string& name) {
  ArchiveDownload download;
  if (const std::optional<ArchiveDownload> named = DownloadOfFileName(name)) {
    download = *named;
  } else {
    download.fileName = name;
    download.device = run.device.serialKey;
    download.sector = command.sector;
    download.downloaded = run.session.clock.Now();
  }
  const InitFields& device = run.device;
  download.version = device.version[0] + ":" + device.version[1] + ":" + device.version[2];
  download.deviceType = device.deviceType;
  return download;
}

}  // namespace

std::optional<std::string> DownloadArchivePath(const DeviceCommand& command) {
  const char* environment = std::getenv("TRACKCTL_ARCHIVE");
  if (!command.archive && (environment == nullptr || *environment == '\0')) return std::nullopt;
  return ArchivePath(command.archive);
}

std::optional<int> RefuseUnusableArchive(const DeviceCommand& command, ConsoleReport& say) {
  if (!command.row->archive) return std::nullopt;
  const std::optional<std::string> path = DownloadArchivePath(command);
  if (!path) return std::nullopt;
  // Without a write: an archive that is not there yet is made by the import.
  const auto opened = OpenArchive(*path, ArchiveAccess::kCheck);
  const ArchiveError* error = std::get_if<ArchiveError>(&opened);
  if (error == nullptr || error->kind == ArchiveError::Kind::kMissing) return std::nullopt;
  say.Say("%s; nothing was downloaded\n", ArchiveErrorLine("download", *path, *error).c_str());
  return 2;
}

ArchivedRecords ArchiveDownloadedRecords(CommandRun& run, const DeviceCommand& command, const std::string& name,
                                         std::string_view lines) {
  const std::optional<std::string> archivePath = DownloadArchivePath(command);
  if (!archivePath) return {};
  const std::string& path = *archivePath;
  const auto refused = [&](const ArchiveError& error) {
    run.say.Say("%s; %s stays as it is%s\n", ArchiveErrorLine("download", path, error).c_str(), name.c_str(),
                command.erase ? " and the sector is not erased" : "");
    return ArchivedRecords{Outcome::kFileProblem, std::nullopt};
  };
  auto opened = OpenArchive(path, ArchiveAccess::kCreate);
  if (const ArchiveError* error = std::get_if<ArchiveError>(&opened)) return refused(*error);
  MachineZoneRule rule;  // the device's clock was set from this machine's
  const auto result =
      ImportLoggerText(*std::get<std::unique_ptr<Archive>>(opened), lines, DownloadOf(run, command, name), rule);
  if (const ArchiveError* error = std::get_if<ArchiveError>(&result)) return refused(*error);
  const ImportCounts& counts = std::get<FileImported>(result).counts;
  run.say.Say("Archived %s in %s: %s\n", name.c_str(), ShownArchiveName(path).c_str(),
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
