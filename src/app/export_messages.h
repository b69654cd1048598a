// The line an export ends with on standard error: what was written where, and
// what was left out and why.
#pragma once

#include <string>
#include <string_view>

#include "export/export_options.h"
#include "export/track_converter.h"

namespace trackctl {

// E.g. "trackctl export: trip.gpx: 548 points in 1 track and 2 segments; 2 left
// out (empty date: 1, hour 24 or more: 1); 1 line not a logger line", without a
// line end. A format of rows (CSV) keeps the points that the others leave out,
// so for it they are counted as rows without a valid time or place.
std::string SummaryLine(const ExportCounts& counts, const ExportFormat& format, std::string_view output);

}  // namespace trackctl
