#include "app/device/erase_run.h"

#include "app/device/sector_erase.h"

namespace trackctl {

Outcome EraseSector(CommandRun& run, const DeviceCommand& command) { return EraseAnnounced(run, command.sector); }

}  // namespace trackctl
