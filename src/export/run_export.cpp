#include "export/run_export.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <system_error>
#include <vector>

#include "export/export_summary.h"
#include "export/local_time_rule.h"
#include "export/machine_zone.h"
#include "export/output_files.h"
#include "export/track_converter.h"
#include "files/file_handle.h"

namespace trackctl {
namespace {

constexpr std::size_t kReadSize = 64 * 1024;

std::string ErrnoText() { return errno != 0 ? std::strerror(errno) : "input/output error"; }

int Refuse(const std::string& what, const std::string& file, const std::string& reason) {
  std::fprintf(stderr, "trackctl export: %s %s: %s\n", what.c_str(), file.c_str(), reason.c_str());
  return 2;
}

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

int RunExport(const ExportOptions& options) {
  if (NamesAFolder(options.output)) return Refuse("cannot write", options.output, "a folder, not a file");
  for (const std::string& file : options.files) {
    if (SameFile(file, options.output)) {
      std::fprintf(stderr, "trackctl export: %s would be written over its own input\n", options.output.c_str());
      return 2;
    }
  }
  OutputFile output(options.output);
  if (!output.IsOpen()) return Refuse("cannot create a file beside", options.output, output.error());
  std::optional<SpoolFile> spoolFile;
  StringSink unusedSpool;
  TextSpool* spool = &unusedSpool;
  if (options.format->spools) {
    spool = &spoolFile.emplace(options.output);
    if (!spoolFile->IsOpen()) return Refuse("cannot create a file beside", options.output, spoolFile->error());
  }

  const std::unique_ptr<TrackWriter> writer = options.format->makeWriter(output, *spool);
  std::unique_ptr<LocalTimeRule> rule;
  if (options.utcOffsetMinutes) {
    rule = std::make_unique<FixedOffsetRule>(*options.utcOffsetMinutes);
  } else {
    rule = std::make_unique<MachineZoneRule>();
  }
  const std::string* current = nullptr;
  TrackConverter converter(*writer, *rule, std::int64_t{options.splitGapMinutes} * 60, [&current](std::size_t line) {
    std::fprintf(stderr, "%s:%zu: not a logger line\n", current->c_str(), line);
  });

  std::vector<char> buffer(kReadSize);
  for (const std::string& file : options.files) {
    current = &file;
    if (!ConvertFile(file, converter, buffer)) return Refuse("cannot read", file, ErrnoText());
  }
  converter.Finish();
  if (spoolFile && !spoolFile->error().empty()) return Refuse("cannot write", options.output, spoolFile->error());
  if (!output.Commit()) return Refuse("cannot write", options.output, output.error());

  std::fprintf(stderr, "%s\n", SummaryLine(converter.counts(), *options.format, options.output).c_str());
  return converter.counts().notLoggerLines > 0 ? 1 : 0;
}

}  // namespace trackctl
