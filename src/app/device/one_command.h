// A run of one device command, for scripts: the command's messages as the menu
// shows them, without menus, pauses or clearing, and its outcome as the exit status.
#pragma once

#include <optional>

#include "app/device/device_commands.h"

namespace trackctl {

// What a command can tell before the port is opened: a download's -o FILE that
// exists already (and is no device or FIFO) is never overwritten, and an
// upgrade's image must be a regular file not too long for the header, so the
// device is not even woken (status 4). Nothing when the run goes on.
std::optional<int> RefuseBeforeOpening(const DeviceCommand& command, ConsoleReport& say);

// Runs `command`; returns the exit status: 0 done, 3 refused, 4 a file problem.
int RunOneCommand(CommandRun& run, const DeviceCommand& command);

}  // namespace trackctl
