#include "export/run_export.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <system_error>
#include <vector>

#include "export/local_time_rule.h"
#include "export/machine_zone.h"
#include "export/output_files.h"
#include "export/track_converter.h"
#include "files/file_handle.h"

namespace trackctl {
namespace {

constexpr std::size_t kReadSize = 64 * 1024;

std::string ErrnoText() { return errno != 0 ? std::strerror(errno) : "input/output error"; }

bool SameFile(const std::string& a, const std::string& b) {
  std::error_code error;
  return std::filesystem::equivalent(a, b, error) && !error;
}

// Whether `output` names a folder: one that is there, or any name that ends in
// a folder separator.
bool NamesAFolder(const std::string& output) {
  const std::filesystem::path path(output);
  std::error_code error;
  return !path.has_filename() || std::filesystem::is_directory(path, error);
}

// Feeds the whole of `file` to the converter as one track; false when it cannot
// be read, with errno set.
bool ConvertFile(const std::string& file, TrackConverter& converter, std::vector<char>& buffer) {
  errno = 0;
  const FileHandle in(std::fopen(file.c_str(), "rb"));
  if (!in) return false;
  converter.BeginTrack(TrackName(file));
  std::size_t got;
  while ((got = std::fread(buffer.data(), 1, buffer.size(), in.get())) > 0) {
    converter.Text(std::string_view(buffer.data(), got));
  }
  if (std::ferror(in.get())) return false;
  converter.EndTrack();
  return true;
}

}  // namespace

std::variant<ExportCounts, ExportFailure> RunExportOf(const ExportOptions& options, const TrackFeed& feed,
                                                      const TrackConverter::BadLineReport& notLoggerLine) {
  using Kind = ExportFailure::Kind;
  if (NamesAFolder(options.output)) return ExportFailure{Kind::kOutputIsAFolder, options.output, {}};
  for (const std::string& file : options.files) {
    if (SameFile(file, options.output)) return ExportFailure{Kind::kOutputIsAnInput, options.output, {}};
  }
  OutputFile output(options.output);
  if (!output.IsOpen()) return ExportFailure{Kind::kCannotCreate, options.output, output.error()};
  std::optional<SpoolFile> spoolFile;
  StringSink unusedSpool;
  TextSpool* spool = &unusedSpool;
  if (options.format->spools) {
    spool = &spoolFile.emplace(options.output);
    if (!spoolFile->IsOpen()) return ExportFailure{Kind::kCannotCreate, options.output, spoolFile->error()};
  }

  const std::unique_ptr<TrackWriter> writer = options.format->makeWriter(output, *spool);
  std::unique_ptr<LocalTimeRule> rule;
  if (options.utcOffsetMinutes) {
    rule = std::make_unique<FixedOffsetRule>(*options.utcOffsetMinutes);
  } else {
    rule = std::make_unique<MachineZoneRule>();
  }
  TrackConverter converter(*writer, *rule, std::int64_t{options.splitGapMinutes} * 60, notLoggerLine);
  if (std::optional<ExportFailure> failure = feed(converter)) return std::move(*failure);
  converter.Finish();
  if (spoolFile && !spoolFile->error().empty()) {
    return ExportFailure{Kind::kCannotWrite, options.output, spoolFile->error()};
  }
  if (!output.Commit()) return ExportFailure{Kind::kCannotWrite, options.output, output.error()};
  return converter.counts();
}

std::variant<ExportCounts, ExportFailure> RunExport(const ExportOptions& options,
                                                    const NotLoggerLineReport& notLoggerLine) {
  const std::string* current = nullptr;
  const auto feed = [&](TrackConverter& converter) -> std::optional<ExportFailure> {
    std::vector<char> buffer(kReadSize);
    for (const std::string& file : options.files) {
      current = &file;
      if (!ConvertFile(file, converter, buffer)) {
        const std::string reason = ErrnoText();
        return ExportFailure{ExportFailure::Kind::kCannotRead, file, reason};
      }
    }
    return std::nullopt;
  };
  return RunExportOf(options, feed, [&](std::size_t line) { notLoggerLine(*current, line); });
}

}  // namespace trackctl
