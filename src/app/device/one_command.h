// A run of one device command, for scripts: the command's messages as the menu
// shows them, without menus, pauses or clearing, and its outcome as the exit status.
#pragma once

#include <optional>

#include "app/device/device_commands.h"

namespace trackctl {

// What a command can tell before the port is opened: a download's -o FILE that
// exists already (and is no device or FIFO) is never overwritten, and an
// upgrade's image must be a regular file not too long for the header, so the
// device is not even woken (status 4); a download's archive that cannot be
// used is refused (status 2). Nothing when the run goes on: a download's
// archive is then open in `command`, for the run's import.
std::optional<int> RefuseBeforeOpening(DeviceCommand& command, ConsoleReport& say);

// Runs `command`; returns the exit status: 0 done, 3 refused, 4 a file problem.
int RunOneCommand(CommandRun& run, const DeviceCommand& command);

}  // namespace trackctl
