// erase sms|datacall: the logger sector erased, as the menu's choices 3 and 4 do.
#pragma once

#include "app/device/device_commands.h"

namespace trackctl {

Outcome EraseSector(CommandRun& run, const DeviceCommand& command);

}  // namespace trackctl
