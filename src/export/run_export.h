// `trackctl export`: logger files to one of the export formats. No port is
// opened.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "export/export_options.h"
#include "export/track_converter.h"

namespace trackctl {

// Why an export stopped. No output file is left then, and an older file of
// that name is as it was; a stream has had what was written before.
struct ExportFailure {
  enum class Kind {
    kOutputIsAFolder,  // `file` is the output, or the folder its links lead to
    kOutputIsAnInput,  // `file` is the output, and an input too (a logger file or the archive)
    kCannotCreate,     // no file could be created beside the output `file`
    kCannotRead,       // the input `file`
    kCannotWrite,      // the output `file`
  };
  Kind kind;
  std::string file;
  std::string reason;  // the system's words for it; empty for the first two kinds
};

// A line of an input that is not a logger line, when it is met: the file and
// the line's number (from 1). The export goes on without it.
using NotLoggerLineReport = std::function<void(const std::string& file, std::size_t line)>;

// An input that held no logger line, and so gave no track. The export goes on.
using NoTrackReport = std::function<void(const std::string& file)>;

// Converts the files into the output: what was written, or why it stopped.
std::variant<ExportCounts, ExportFailure> RunExport(const ExportOptions& options,
                                                    const NotLoggerLineReport& notLoggerLine,
                                                    const NoTrackReport& noTrack);

// Feeds the tracks of an export to the converter; a failure stops the export.
using TrackFeed = std::function<std::optional<ExportFailure>(TrackConverter& converter)>;

// The output of `options` written from the tracks that `feed` gives, with the
// same output rules as RunExport; `notLoggerLine` gets the converter's bad lines.
// An output that is one of the files in `inputs`, by name, link or hard link,
// is refused (kOutputIsAnInput) before anything is written.
std::variant<ExportCounts, ExportFailure> RunExportOf(const ExportOptions& options,
                                                      const std::vector<std::string>& inputs, const TrackFeed& feed,
                                                      const TrackConverter::BadLineReport& notLoggerLine);

}  // namespace trackctl
