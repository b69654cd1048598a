// The start-up question for the port number.
#pragma once

#include "app/console/console.h"
#include "app/console/console_report.h"
#include "serial/open_port.h"

namespace trackctl {

// Asks the operator for the port number, opens and sets up that port. A number
// outside the menu's range ends the run with status 1; a port that fails throws
// PortFailure.
// `path` is the port's path once it is known.
OpenedPort OpenComPort(ConsoleReport& say, Console& console, std::string& path);

}  // namespace trackctl
