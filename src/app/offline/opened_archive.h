// The archive that a command names, opened or refused in one line.
#pragma once

#include <memory>
#include <string>

#include "archive/open_archive.h"

namespace trackctl {

// The archive at `path`, or nothing after its one line on standard error
// ("trackctl COMMAND: cannot use PATH: ...", the password masked).
std::unique_ptr<Archive> OpenedArchive(const char* command, const std::string& path, ArchiveAccess access);

}  // namespace trackctl
