#include "app/offline/export_command.h"

#include <cstdio>
#include <exception>
#include <optional>

#include "app/offline/archive_export.h"
#include "app/offline/archive_messages.h"
#include "app/offline/export_arguments.h"
#include "app/offline/export_messages.h"
#include "app/process_setup.h"
#include "archive/open_archive.h"
#include "export/run_export.h"

namespace trackctl {
namespace {

// The export from the archive, its summary or why it stopped; the status.
int RunArchiveExportCommand(const ExportOptions& options) {
  const std::string path = ArchivePath(options.archive);
  auto opened = OpenArchive(path, ArchiveAccess::kRead);
  if (const ArchiveError* error = std::get_if<ArchiveError>(&opened)) {
    std::fprintf(stderr, "%s\n", ArchiveErrorLine("export", path, *error).c_str());
    return 2;
  }
  const auto result =
      RunArchiveExport(*std::get<std::unique_ptr<Archive>>(opened), path, options);
  if (const ExportFailure* failure = std::get_if<ExportFailure>(&result)) {
    std::fprintf(stderr, "%s\n", FailureLine(*failure).c_str());
    return 2;
  }
  std::fprintf(stderr, "%s\n", SummaryLine(std::get<ExportCounts>(result), *options.format, options.output).c_str());
  return 0;
}

}  // namespace

int RunExportCommand(std::span<const char* const> args) {
  const auto parsed = ParseExportArguments(args);
  if (const std::string* error = std::get_if<std::string>(&parsed)) {
    std::fprintf(stderr, "%s (usage: trackctl --help)\n", error->c_str());
    return 2;
  }
  ExportOptions options = std::get<ExportOptions>(parsed);
  options.standardOutput = stdout;
  if (!options.utcOffsetMinutes) {
    if (const std::optional<std::string> warning = UnknownZoneLine("export")) std::fprintf(stderr, "%s\n", warning->c_str());
  }
  if (options.output == "-") MakeStandardOutputBinary();
  try {
    if (options.fromArchive) return RunArchiveExportCommand(options);
    std::size_t withoutTrack = 0;
    const auto result = RunExport(
        options,
        [](const std::string& file, std::size_t line) {
          std::fprintf(stderr, "%s:%zu: not a logger line\n", file.c_str(), line);
        },
        [&withoutTrack](const std::string& file) {
          ++withoutTrack;
          std::fprintf(stderr, "%s\n", NoTrackLine(file).c_str());
        });
    if (const ExportFailure* failure = std::get_if<ExportFailure>(&result)) {
      std::fprintf(stderr, "%s\n", FailureLine(*failure).c_str());
      return 2;
    }
    const ExportCounts& counts = std::get<ExportCounts>(result);
    std::fprintf(stderr, "%s\n", SummaryLine(counts, *options.format, options.output).c_str());
    return counts.notLoggerLines > 0 || withoutTrack > 0 ? 1 : 0;
  } catch (const std::exception& error) {  // no memory, or a name the system cannot take
    std::fprintf(stderr, "trackctl export: %s\n", error.what());
    return 2;
  }
}

}  // namespace trackctl
