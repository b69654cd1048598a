// Erase of one logger sector in the device.
#pragma once

#include "protocol/outcome.h"
#include "protocol/session.h"

namespace trackctl {

// isSmsSector nonzero: the SMS sector ("PDEL"), else the DataCall sector ("ODEL").
// Done only on the OK reply of that sector.
Outcome EraseLoggerSector(Session& session, int isSmsSector);

}  // namespace trackctl
