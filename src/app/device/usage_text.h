// The texts that --help and --version print.
#pragma once

#include <string>

namespace trackctl {

// What --help prints: the command lines, each device command's lines, the options,
// ports, exit statuses, the scripted menu and the trace.
std::string UsageText();
// What --version prints: "trackctl <version>\n".
std::string VersionText();

}  // namespace trackctl
