// read-config, and main-menu choice 1: the configuration and status as labelled
// lines; with --json as one JSON object, a reply without them described as on
// the console.
#pragma once

#include "app/device/device_commands.h"

namespace trackctl {

Outcome ReadConfiguration(CommandRun& run, const DeviceCommand& command);

}  // namespace trackctl
