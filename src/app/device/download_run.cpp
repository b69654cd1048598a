#include "app/device/download_run.h"

#include <optional>
#include <string>

#include "app/device/download_archive.h"
#include "app/device/sector_download.h"
#include "app/device/sector_erase.h"

namespace trackctl {

// With an archive, the records go into it as they were received, whatever the
// file is: it is never read back. --erase (which needs an archive) sends the
// erase only after the import has committed with every record announced: that
// commit is what the erase rests on, the archive is not asked again.
Outcome DownloadSector(CommandRun& run, const DeviceCommand& command) {
  DownloadArchive* archive = command.downloadArchive.get();
  const DownloadedSector download = DownloadAnnounced(run, command.sector, command.outputFile, archive != nullptr);
  if (download.outcome != Outcome::kDone || archive == nullptr) return download.outcome;
  const ArchivedRecords records = ArchiveDownloadedRecords(run.say, *archive, download.facts, command.erase);
  if (!command.erase || !records.counts) return records.outcome;
  if (const std::optional<std::string> why = NotAllArchived(*records.counts, download.facts.announced)) {
    run.say.Say("trackctl download: not erased: %s\n", why->c_str());
    return Outcome::kFileProblem;
  }
  return EraseAnnounced(run, command.sector);
}

}  // namespace trackctl
