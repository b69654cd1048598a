// The start-up question for the port number.
#pragma once

#include <memory>

#include "app/console.h"
#include "serial/serial_port.h"

namespace trackctl {

// Asks the operator for the port number, opens and sets up that port. Every
// failure it reports ends the run with status 1.
std::unique_ptr<SerialPort> OpenComPort(Console& console);

}  // namespace trackctl
