// Records as rows of COPY's text format, for the import's temporary table:
// seq, record_key, utc_time, local_time, the ten integer logger columns, the four decimal
// ones, problem.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "export/track_point.h"

namespace trackctl {

// `text` as a COPY text field: backslash, tab, line feed and carriage return
// escaped.
void AppendCopyText(std::string& out, std::string_view text);

// One row for `point`, the `seq`th of its file, under `key`, with its line end.
void AppendCopyRow(std::string& out, std::size_t seq, std::int64_t key, const TrackPoint& point);

}  // namespace trackctl
