// What an export says on standard error: the line it ends with, what was
// written where and what was left out and why, or why it stopped.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "export/export_formats.h"
#include "export/run_export.h"
#include "export/track_converter.h"

namespace trackctl {

// E.g. "trackctl export: trip.gpx: 548 points in 1 track and 2 segments; 2 left
// out (empty date: 1, hour 24 or more: 1); 1 line not a logger line", without a
// line end. A format of rows (CSV) keeps the points that the others leave out,
// so for it they are counted as rows without a valid time or place.
std::string SummaryLine(const ExportCounts& counts, const ExportFormat& format, std::string_view output);

// E.g. "trackctl export: cannot read trip.dat: No such file or directory",
// without a line end.
std::string FailureLine(const ExportFailure& failure);

// "trackctl export: FILE: no logger line, so no track", without a line end.
std::string NoTrackLine(std::string_view file);

// The warning of `command` ("export", "import") when the environment's TZ names
// a zone that the C library does not know, which it takes as UTC; nothing when
// TZ is unset or known. Control characters of the name are shown as '?'.
std::optional<std::string> UnknownZoneLine(std::string_view command);

}  // namespace trackctl
