// --list-ports: the serial ports present, one a line.
#pragma once

namespace trackctl {

// Prints the ports, or one line saying that none was found; returns status 0,
// or 4 when the list could not be written.
int ShowPortList();

}  // namespace trackctl
