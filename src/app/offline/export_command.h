// `trackctl export`: logger files, or tracks from the archive, into one of the
// export formats.
#pragma once

#include <span>

namespace trackctl {

// Parses the arguments and runs the export. Standard error gets each line that is
// not a logger line ("FILE:LINE: not a logger line") when it is met, then the
// summary, or one line that says why the export stopped. Returns the exit
// status: 0, 1 when some line was not a logger line (the rest is written), 2
// when an argument is refused, a file cannot be read, the output names a folder
// or cannot be written, or on an exception.
int RunExportCommand(std::span<const char* const> args);

}  // namespace trackctl
