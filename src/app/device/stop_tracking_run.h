// stop, and main-menu choice 6.
#pragma once

#include "app/device/device_commands.h"

namespace trackctl {

Outcome StopTracking(CommandRun& run, const DeviceCommand& command);

}  // namespace trackctl
