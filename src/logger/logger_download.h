// Download of one logger sector into a logger file.
#pragma once

#include <optional>
#include <string>

#include "protocol/outcome.h"
#include "protocol/session.h"

namespace trackctl {

// isSmsSector nonzero: the SMS sector ('P'), else the DataCall sector ('O').
// The records go to `fileName`, or by default to a file in the working folder
// named from the serial key, the sector letter and the clock. An existing file
// is never overwritten: its name counts as a file that cannot be created
// (a default name taken is first tried again with the next second's name).
Outcome ReadLoggerSector(Session& session, int isSmsSector,
                         const std::optional<std::string>& fileName = std::nullopt);

}  // namespace trackctl
