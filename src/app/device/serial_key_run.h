// write-key KEY, and main-menu choice 9, which shows the key format and reads
// the key, refuses one longer than 10 characters and sends nothing at the end
// of the input.
#pragma once

#include "app/device/device_commands.h"

namespace trackctl {

Outcome WriteSerialKey(CommandRun& run, const DeviceCommand& command);
void WriteSerialKeyFromMenu(CommandRun& run);

}  // namespace trackctl
