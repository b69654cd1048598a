// The USB identity of the COM ports that SetupAPI knows on Windows.
#pragma once

#include <map>
#include <string>

#include "serial/usb_identity.h"

namespace trackctl {

// The present devices of the Ports class that are USB devices, by their port
// name ("COM3"); empty when SetupAPI knows none.
std::map<std::string, UsbIdentity> UsbIdentitiesByPortName();

}  // namespace trackctl
