// The download of a logger sector into a new logger file, as the menu and the
// commands show it: the exchange between the operation's start and end lines.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "app/device/device_commands.h"
#include "logger/sector.h"

namespace trackctl {

// "Reading data from SMS sector : Started...", the download, "... : Done...".
// The file is created first, so that nothing is asked of the device when it
// cannot be: under `fileName` when given, else under the default name. The
// records go into it as they arrive, and into `lines` when given. `name` is
// the file's name, `announced` the records the device's count announced.
Outcome DownloadAnnounced(CommandRun& run, Sector sector, const std::optional<std::string>& fileName,
                          std::string& name, std::string* lines, std::uint32_t& announced);

}  // namespace trackctl
