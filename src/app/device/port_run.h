// A run on the device's port: the menu, or the one command that the command
// line names.
#pragma once

#include "app/device/command_line.h"

namespace trackctl {

// Picks the port (a USB adapter by its serial number too), refuses what can be
// refused before the port is opened, opens it, wakes the device and runs the
// menu or the command; a port that fails or a device that stays silent ends
// the run with its one line. Returns the exit status.
int RunOnPort(CommandLine& line);

}  // namespace trackctl
