// The export formats, a row each. A new format is a row here and its writer.
#pragma once

#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "export/text_sink.h"
#include "export/track_writer.h"

namespace trackctl {

struct ExportFormat {
  std::string_view name;       // as --format takes it
  std::string_view extension;  // of an output named after its input
  // A writer into `out`; one that holds text until a segment ends keeps it in `spool`.
  std::unique_ptr<TrackWriter> (*makeWriter)(TextSink& out, TextSpool& spool) = nullptr;
  bool spools = false;  // the writer uses the spool, a file beside the output
  bool rows = false;    // a row per logger line, the points left out too: the summary counts rows
};

// Every format, the default first.
std::span<const ExportFormat> ExportFormats();

// The format of that name; nullptr when there is none.
const ExportFormat* ExportFormatNamed(std::string_view name);

// The names in order, `between` each two and `beforeLast` before the last:
// ("|", "|") gives "gpx|kml|...".
std::string ExportFormatNames(std::string_view between, std::string_view beforeLast);

}  // namespace trackctl
