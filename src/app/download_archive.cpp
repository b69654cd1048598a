#include "app/download_archive.h"

#include <cstdlib>
#include <cstring>
#include <memory>

#include "app/archive_messages.h"
#include "archive/import_file.h"
#include "archive/logger_file_records.h"
#include "archive/open_archive.h"
#include "export/machine_zone.h"

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

Outcome ArchiveDownloadedFile(CommandRun& run, const DeviceCommand& command, const std::string& name) {
  const char* environment = std::getenv("TRACKCTL_ARCHIVE");
  if (!command.archive && (environment == nullptr || *environment == '\0')) return Outcome::kDone;
  const std::string path = ArchivePath(command.archive);
  auto opened = OpenArchive(path, ArchiveAccess::kCreate);
  if (const ArchiveError* error = std::get_if<ArchiveError>(&opened)) {
    run.say.Say("%s; %s stays as it is\n", ArchiveErrorLine("download", path, *error).c_str(), name.c_str());
    return Outcome::kFileProblem;
  }
  MachineZoneRule rule;  // the device's clock was set from this machine's
  const auto result =
      ImportLoggerFile(*std::get<std::unique_ptr<Archive>>(opened), name, DownloadOf(run, command, name), rule);
  if (const ArchiveError* error = std::get_if<ArchiveError>(&result)) {
    run.say.Say("%s; %s stays as it is\n", ArchiveErrorLine("download", path, *error).c_str(), name.c_str());
    return Outcome::kFileProblem;
  }
  if (const FileError* error = std::get_if<FileError>(&result)) {
    run.say.Say("trackctl download: cannot read %s back for the archive: %s\n", name.c_str(),
                std::strerror(error->number));
    return Outcome::kFileProblem;
  }
  run.say.Say("Archived %s in %s: %s\n", name.c_str(), path.c_str(),
              ImportCountsText(std::get<FileImported>(result).counts).c_str());
  return Outcome::kDone;
}

}  // namespace trackctl
