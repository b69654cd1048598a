// `trackctl archive`: what the archive holds per device.
#pragma once

#include <span>

namespace trackctl {

// A table of the devices on standard output, or with --json one JSON array.
// Status 0; 2 when an argument or the archive is refused; 4 when standard
// output cannot take the text.
int RunArchiveCommand(std::span<const char* const> args);

}  // namespace trackctl
