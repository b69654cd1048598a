// Records as rows: in COPY's text format for the import's temporary table
// (seq, record_key, utc_time, local_time, the ten integer logger columns, the
// four decimal ones, problem), and a record's logger columns read back from a
// query's row.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include <libpq-fe.h>

#include "track/logger_columns.h"
#include "track/track_point.h"

namespace trackctl::pg {

// The column's name as an SQL identifier, quoted.
std::string QuotedColumn(const LoggerColumn& column);

// The logger columns' names, quoted, joined by ", ".
std::string LoggerColumnList();

// `text` as a COPY text field: backslash, tab, line feed and carriage return
// escaped.
void AppendCopyText(std::string& out, std::string_view text);

// One row for `point`, the `seq`th of its file, under `key`, with its line end.
void AppendCopyRow(std::string& out, std::size_t seq, std::int64_t key, const TrackPoint& point);

// The logger columns that stand in `row` of `result` from column `first` on,
// in the table's order; the decimal ones as the millionths they were made from.
LoggerLine RowLoggerLine(const PGresult* result, int row, int first);

}  // namespace trackctl::pg
