// Erase of one logger sector in the device.
#pragma once

#include "protocol/session.h"

namespace trackctl {

// isSmsSector nonzero: the SMS sector ("PDEL"), else the DataCall sector ("ODEL").
void EraseLoggerSector(Session& session, int isSmsSector);

}  // namespace trackctl
