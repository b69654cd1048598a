// An export from the archive: one track per device, by time, in any export
// format, with the same segments and output rules as an export of files.
#pragma once

#include <variant>

#include "archive/archive.h"
#include "export/run_export.h"

namespace trackctl {

// Writes the points that the options' devices, since and until select from
// `archive`, opened from `archiveName`. An output that is one of the archive's
// files is refused before anything is written; an archive that fails while it
// is read stops the export as an input that cannot be read (named without a
// password).
std::variant<ExportCounts, ExportFailure> RunArchiveExport(Archive& archive, const std::string& archiveName,
                                                           const ExportOptions& options);

}  // namespace trackctl
