// The erase of a logger sector as the menu and the commands show it: the
// device's answer between the operation's start and end lines.
#pragma once

#include "app/device/device_commands.h"
#include "logger/sector.h"

namespace trackctl {

// "Deleting data in SMS sector : Started...", the exchange, "... : Over...";
// kDone when the device erased the sector, kRefused otherwise.
Outcome EraseAnnounced(CommandRun& run, Sector sector);

}  // namespace trackctl
