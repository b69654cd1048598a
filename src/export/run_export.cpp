#include "export/run_export.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <system_error>
#include <vector>

#include "track/local_time_rule.h"
#include "track/machine_zone.h"
#include "export/output_files.h"
#include "export/track_converter.h"
#include "files/file_handle.h"
#include "files/output_place.h"

namespace trackctl {
namespace {

constexpr std::size_t kReadSize = 64 * 1024;
// How long a FIFO named as the output may go without a reader.
constexpr std::uint32_t kReaderWaitMs = 30'000;

std::string ErrnoText() { return errno != 0 ? std::strerror(errno) : "input/output error"; }

// One file by its identity (through links, or hard links), or one name when
// the file is not there yet.
bool SameFile(const std::string& a, const std::string& b) {
  std::error_code error;
  if (std::filesystem::equivalent(a, b, error) && !error) return true;
  const std::filesystem::path nameA = std::filesystem::weakly_canonical(a, error);
  if (error) return false;
  const std::filesystem::path nameB = std::filesystem::weakly_canonical(b, error);
  return !error && nameA == nameB;
}

// Feeds the whole of `file` to the converter as one track; false when it cannot
// be read, with errno set. `gaveTrack` tells whether it held a logger line.
bool ConvertFile(const std::string& file, TrackConverter& converter, std::vector<char>& buffer, bool& gaveTrack) {
  errno = 0;
  const FileHandle in(std::fopen(file.c_str(), "rb"));
  if (!in) return false;
  converter.BeginTrack(TrackName(file));
  std::size_t got;
  while ((got = std::fread(buffer.data(), 1, buffer.size(), in.get())) > 0) {
    converter.Text(std::string_view(buffer.data(), got));
  }
  if (std::ferror(in.get())) return false;
  gaveTrack = converter.EndTrack();
  return true;
}

}  // namespace

std::variant<ExportCounts, ExportFailure> RunExportOf(const ExportOptions& options,
                                                      const std::vector<std::string>& inputs, const TrackFeed& feed,
                                                      const TrackConverter::BadLineReport& notLoggerLine) {
  using Kind = ExportFailure::Kind;
  const OutputPlace place = PlaceOf(options.output);
  if (place.kind == OutputPlace::Kind::kFolder) return ExportFailure{Kind::kOutputIsAFolder, options.output, {}};
  if (place.kind == OutputPlace::Kind::kLinkLoop) {
    return ExportFailure{Kind::kCannotWrite, options.output, std::strerror(ELOOP)};
  }
  // Standard output may be an input too (`-o - >> input`): it is compared where
  // the system names it.
  const std::string written = place.kind == OutputPlace::Kind::kStandardOutput ? "/dev/stdout" : place.path;
  for (const std::string& file : inputs) {
    if (SameFile(file, written)) {
      return ExportFailure{Kind::kOutputIsAnInput, options.output, {}};
    }
  }
  OutputFile output(place, options.standardOutput, kReaderWaitMs);
  if (!output.IsOpen()) {
    const Kind kind = place.kind == OutputPlace::Kind::kFile ? Kind::kCannotCreate : Kind::kCannotWrite;
    return ExportFailure{kind, options.output, output.error()};
  }
  std::optional<SpoolFile> spoolFile;
  StringSink unusedSpool;
  TextSpool* spool = &unusedSpool;
  if (options.format->spools) {
    spool = &spoolFile.emplace(place);
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
                                                    const NotLoggerLineReport& notLoggerLine,
                                                    const NoTrackReport& noTrack) {
  const std::string* current = nullptr;
  const auto feed = [&](TrackConverter& converter) -> std::optional<ExportFailure> {
    std::vector<char> buffer(kReadSize);
    for (const std::string& file : options.files) {
      current = &file;
      bool gaveTrack = false;
      if (!ConvertFile(file, converter, buffer, gaveTrack)) {
        const std::string reason = ErrnoText();
        return ExportFailure{ExportFailure::Kind::kCannotRead, file, reason};
      }
      if (!gaveTrack) noTrack(file);
    }
    return std::nullopt;
  };
  return RunExportOf(options, options.files, feed, [&](std::size_t line) { notLoggerLine(*current, line); });
}

}  // namespace trackctl
