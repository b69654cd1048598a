// info: the handshake has said it all; with --json, as one JSON object.
#pragma once

#include "app/device/device_commands.h"

namespace trackctl {

Outcome ShowDeviceInfo(CommandRun& run, const DeviceCommand& command);

}  // namespace trackctl
