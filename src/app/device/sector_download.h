// The download of a logger sector into a new logger file, as the menu and the
// commands show it: the exchange between the operation's start and end lines.
#pragma once

#include <optional>
#include <string>

#include "app/device/device_commands.h"
#include "logger/download_facts.h"
#include "logger/sector.h"

namespace trackctl {

// What a download did, and what it downloaded.
struct DownloadedSector {
  Outcome outcome = Outcome::kFileProblem;
  DownloadFacts facts;  // whole when the outcome is kDone
};

// "Reading data from SMS sector : Started...", the download, "... : Done...".
// The file is created first, so that nothing is asked of the device when it
// cannot be: under `fileName` when given, else under the default name. The
// records go into it as they arrive, and into the facts' records when
// `keepRecords` says so.
DownloadedSector DownloadAnnounced(CommandRun& run, Sector sector, const std::optional<std::string>& fileName,
                                   bool keepRecords);

}  // namespace trackctl
