// start (-c FILE), and main-menu choice 5: the tracking values of the file
// ("config15.dat" by default) go to the device; a file that cannot be read
// sends nothing.
#pragma once

#include "app/device/device_commands.h"

namespace trackctl {

Outcome StartTracking(CommandRun& run, const DeviceCommand& command);

}  // namespace trackctl
