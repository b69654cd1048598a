// Choosing, opening and setting up the serial port.
#pragma once

#include <memory>

#include "app/console.h"
#include "serial/serial_port.h"

namespace trackctl {

inline constexpr int kFirstPort = 1;
inline constexpr int kLastPort = 20;

// Asks the operator for the port number, opens and sets up that port. Every
// failure it reports ends the run with status 1.
std::unique_ptr<SerialPort> OpenComPort(Console& console);

// The platform's part: opens port `number` for exclusive use at 115200 baud, 8N1,
// no flow control, RTS on, DTR off, both directions flushed, the open-time read
// time-outs set; prints "Initializing <path>.......DONE\n".
std::unique_ptr<SerialPort> OpenPlatformPort(int number);

}  // namespace trackctl
