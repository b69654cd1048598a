// A download's records into the archive, right after the download completed.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "app/device/device_commands.h"
#include "archive/archive.h"

namespace trackctl {

// The archive that a download goes into: --archive, or TRACKCTL_ARCHIVE when it
// is set and not empty; nothing for a download without one.
std::optional<std::string> DownloadArchivePath(const DeviceCommand& command);

// Before the port is opened: a download into an archive that cannot be used
// (a server that cannot be reached or refuses the login, a file or a schema
// that is no archive of this program, a newer one) is refused with one line
// and status 2, nothing sent to the device. Nothing when it may go on.
std::optional<int> RefuseUnusableArchive(const DeviceCommand& command, ConsoleReport& say);

// What became of a download's records.
struct ArchivedRecords {
  Outcome outcome = Outcome::kDone;
  std::optional<ImportCounts> counts;  // the import has committed
};

// With an archive, imports `lines`, the logger lines of the download that
// wrote the logger file `name`, with the device's serial key, version and type,
// and says so; the file stays. kDone without an archive or when the import
// succeeded; kFileProblem, after one line, when the archive could not take it.
ArchivedRecords ArchiveDownloadedRecords(CommandRun& run, const DeviceCommand& command, const std::string& name,
                                         std::string_view lines);

// Why a sector must not be erased after an import that committed with
// `counts`, when the device announced `announced` records: the archive must
// hold every one of them, added now or there before. Nothing when it may be.
std::optional<std::string> NotAllArchived(const ImportCounts& counts, std::uint32_t announced);

}  // namespace trackctl
