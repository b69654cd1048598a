#include "app/device/download_run.h"

#include <cstdint>
#include <optional>
#include <string>

#include "app/device/download_archive.h"
#include "app/device/sector_download.h"
#include "app/device/sector_erase.h"

namespace trackctl {

// With an archive, the records go into it as they were received, whatever the
// file is: it is never read back. --erase (which needs an archive) sends the
// erase only after the import has committed with every record announced.
Outcome DownloadSector(CommandRun& run, const DeviceCommand& command) {
  std::string name;
  std::string lines;
  std::uint32_t announced = 0;
  const bool archived = DownloadArchivePath(command).has_value();
  const Outcome outcome =
      DownloadAnnounced(run, command.sector, command.outputFile, name, archived ? &lines : nullptr, announced);
  if (outcome != Outcome::kDone) return outcome;
  const ArchivedRecords records = ArchiveDownloadedRecords(run, command, name, lines);
  if (!command.erase || !records.counts) return records.outcome;
  if (const std::optional<std::string> why = NotAllArchived(*records.counts, announced)) {
    run.say.Say("trackctl download: not erased: %s\n", why->c_str());
    return Outcome::kFileProblem;
  }
  return EraseAnnounced(run, command.sector);
}

}  // namespace trackctl
