// Menu choice 1: asks the device for its configuration and status and prints them.
#pragma once

#include "protocol/session.h"

namespace trackctl {

void ReadConfiguration(Session& session);

}  // namespace trackctl
