// The logger submenu behind main-menu choice 3.
#pragma once

#include "app/console.h"
#include "protocol/session.h"

namespace trackctl {

// Shows the submenu once and carries out one choice; choice 5 ends the program.
void ShowLoggerMenu(Session& session, Console& console);

}  // namespace trackctl
