// The archive that a download goes into: named once (--archive, else
// TRACKCTL_ARCHIVE), opened once before the port is opened, and that same open
// archive takes the download's records and decides the erase.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <variant>

#include "app/console/console_report.h"
#include "app/device/device_commands.h"
#include "archive/archive.h"
#include "logger/download_facts.h"

namespace trackctl {

struct DownloadArchive {
  std::string name;                  // as the command line or the environment gave it
  std::unique_ptr<Archive> archive;  // open for writing
};

// The name of the archive that a download goes into: --archive, or
// TRACKCTL_ARCHIVE when it is set and not empty; nothing for a download
// without one.
std::optional<std::string> DownloadArchiveName(const DeviceCommand& command);

// Opens the archive `name` for a download, made empty when there is none yet.
// One that cannot be used (a server that cannot be reached or refuses the
// login, a file or a schema that is no archive of this program, a newer one, a
// file that may not be written) is refused with one line: its status (2) then.
std::variant<std::shared_ptr<DownloadArchive>, int> OpenDownloadArchive(const std::string& name,
                                                                        ConsoleReport& say);

// What became of a download's records.
struct ArchivedRecords {
  Outcome outcome = Outcome::kDone;
  std::optional<ImportCounts> counts;  // the import has committed
};

// Imports the records of the download `facts` into `archive`, as they were
// received, and says so; the logger file stays. kDone when the import
// committed; kFileProblem, after one line, when the archive could not take
// them (`erase`: the line says that the sector is not erased either).
ArchivedRecords ArchiveDownloadedRecords(ConsoleReport& say, DownloadArchive& archive, const DownloadFacts& facts,
                                         bool erase);

// Why a sector must not be erased after an import that committed with
// `counts`, when the device announced `announced` records: the archive must
// hold every one of them, added now or there before. Nothing when it may be.
std::optional<std::string> NotAllArchived(const ImportCounts& counts, std::uint32_t announced);

}  // namespace trackctl
