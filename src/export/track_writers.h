// The writer of each export format.
#pragma once

#include <memory>

#include "export/export_options.h"
#include "export/text_sink.h"
#include "export/track_writer.h"

namespace trackctl {

// A writer of `format` into `out`; KML holds each segment's places in `spool`
// until the segment ends.
std::unique_ptr<TrackWriter> MakeTrackWriter(ExportFormat format, TextSink& out, TextSpool& spool);

}  // namespace trackctl
