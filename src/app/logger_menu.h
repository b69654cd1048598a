// The logger submenu behind main-menu choice 3, and its operations with the lines
// that announce them, which a command run shows too.
#pragma once

#include <optional>
#include <string>

#include "app/console.h"
#include "protocol/outcome.h"
#include "protocol/session.h"

namespace trackctl {

// Shows the submenu once and carries out one choice; choice 5 ends the program.
void ShowLoggerMenu(Session& session, Console& console);

// A sector's download between "Reading data from ... sector : Started/Done" lines.
Outcome DownloadSector(Session& session, int isSmsSector, const std::optional<std::string>& fileName = std::nullopt);

// A sector's erase between "Deleting data in ... sector : Started/Over" lines.
Outcome EraseSector(Session& session, int isSmsSector);

}  // namespace trackctl
