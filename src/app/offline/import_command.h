// `trackctl import`: logger files into the archive.
#pragma once

#include <span>

namespace trackctl {

// Imports each file, one transaction each, into the archive (made when there is
// none). Standard error gets "FILE:LINE: not a logger line" for each such line,
// a summary line per file ("trackctl import: FILE: 300 read, 297 new, 3 already
// archived, 0 not valid") or the line that says why a file was not imported.
// An archive that cannot be used is refused with one line before any file.
// Status 0; 1 when a line was not a logger line; 2 when an argument, the archive
// or a file was refused or could not be read or written.
int RunImportCommand(std::span<const char* const> args);

}  // namespace trackctl
