// download sms|datacall [-o FILE] [--archive DB] [--erase]: a logger sector
// into a new logger file, with an archive into it too, and with --erase the
// sector erased once the archive holds it.
#pragma once

#include "app/device/device_commands.h"

namespace trackctl {

Outcome DownloadSector(CommandRun& run, const DeviceCommand& command);

}  // namespace trackctl
