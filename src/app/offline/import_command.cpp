#include "app/offline/import_command.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>

#include "app/offline/archive_arguments.h"
#include "app/offline/archive_messages.h"
#include "app/offline/export_messages.h"
#include "app/offline/opened_archive.h"
#include "archive/download_file_name.h"
#include "archive/import_file.h"
#include "track/machine_zone.h"

namespace trackctl {
namespace {

// 0 imported, 1 imported without some lines, 2 not imported.
int ImportOne(Archive& archive, const std::string& archivePath, const std::string& file, LocalTimeRule& rule) {
  const std::optional<ArchiveDownload> download = DownloadOfFileName(file);
  if (!download) {
    std::fprintf(stderr, "trackctl import: %s: not named as a download names it (KEY_P or KEY_O, then "
                 "YYYYMMDDhhmmss.dat)\n", file.c_str());
    return 2;
  }
  const auto result = ImportLoggerFile(archive, file, *download, rule);
  if (const FileError* error = std::get_if<FileError>(&result)) {
    std::fprintf(stderr, "trackctl import: cannot read %s: %s\n", file.c_str(), std::strerror(error->number));
    return 2;
  }
  if (const ArchiveError* error = std::get_if<ArchiveError>(&result)) {
    std::fprintf(stderr, "%s; %s is not imported\n", ArchiveErrorLine("import", archivePath, *error).c_str(),
                 file.c_str());
    return 2;
  }
  const FileImported& imported = std::get<FileImported>(result);
  for (const std::size_t line : imported.notLoggerLines) {
    std::fprintf(stderr, "%s:%zu: not a logger line\n", file.c_str(), line);
  }
  std::fprintf(stderr, "trackctl import: %s: %s\n", file.c_str(), ImportCountsText(imported.counts).c_str());
  if (imported.counts.otherUtc > 0) {
    std::fprintf(stderr, "trackctl import: %s: %s\n", file.c_str(), OtherUtcText(imported.counts).c_str());
  }
  return imported.notLoggerLines.empty() ? 0 : 1;
}

}  // namespace

int RunImportCommand(std::span<const char* const> args) {
  const auto parsed = ParseImportArguments(args);
  if (const std::string* error = std::get_if<std::string>(&parsed)) {
    std::fprintf(stderr, "%s (usage: trackctl --help)\n", error->c_str());
    return 2;
  }
  const ImportOptions& options = std::get<ImportOptions>(parsed);
  try {
    const std::string path = ArchivePath(options.archive);
    const std::unique_ptr<Archive> archive = OpenedArchive("import", path, ArchiveAccess::kCreate);
    if (!archive) return 2;
    std::unique_ptr<LocalTimeRule> rule;
    if (options.utcOffsetMinutes) {
      rule = std::make_unique<FixedOffsetRule>(*options.utcOffsetMinutes);
    } else {
      if (const std::optional<std::string> warning = UnknownZoneLine("import")) {
        std::fprintf(stderr, "%s\n", warning->c_str());
      }
      rule = std::make_unique<MachineZoneRule>();
    }
    int status = 0;
    for (const std::string& file : options.files) status = std::max(status, ImportOne(*archive, path, file, *rule));
    return status;
  } catch (const std::exception& error) {  // no memory
    std::fprintf(stderr, "trackctl import: %s\n", error.what());
    return 2;
  }
}

}  // namespace trackctl
