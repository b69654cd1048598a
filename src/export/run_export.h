// `trackctl export`: logger files to one of the export formats. No port is
// opened.
#pragma once

#include "export/export_options.h"

namespace trackctl {

// Converts the files into the output and prints, on standard error, each line
// that is not a logger line ("FILE:LINE: not a logger line") and a summary.
// Returns the exit status: 0, 1 when some line was not a logger line (the rest
// is written), 2 when a file cannot be read or the output names a folder or
// cannot be written (one line says which; no output file is left).
int RunExport(const ExportOptions& options);

}  // namespace trackctl
