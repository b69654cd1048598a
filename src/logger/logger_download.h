// Download of one logger sector into a logger file in the working folder.
#pragma once

#include "protocol/session.h"

namespace trackctl {

// isSmsSector nonzero: the SMS sector ('P'), else the DataCall sector ('O').
void ReadLoggerSector(Session& session, int isSmsSector);

}  // namespace trackctl
