// The logger submenu behind main-menu choice 3: either sector downloaded or
// erased; its choice 5 ends the program.
#pragma once

#include "app/device/device_commands.h"

namespace trackctl {

void ShowLoggerMenu(CommandRun& run);

}  // namespace trackctl
