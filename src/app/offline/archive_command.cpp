#include "app/offline/archive_command.h"

#include <cstdio>
#include <exception>
#include <memory>

#include "app/console/terminal.h"
#include "app/offline/archive_arguments.h"
#include "app/offline/archive_messages.h"
#include "app/offline/opened_archive.h"

namespace trackctl {

int RunArchiveCommand(std::span<const char* const> args) {
  const auto parsed = ParseArchiveArguments(args);
  if (const std::string* error = std::get_if<std::string>(&parsed)) {
    std::fprintf(stderr, "%s (usage: trackctl --help)\n", error->c_str());
    return 2;
  }
  const ArchiveOptions& options = std::get<ArchiveOptions>(parsed);
  try {
    const std::string path = ArchivePath(options.archive);
    const std::unique_ptr<Archive> archive = OpenedArchive("archive", path, ArchiveAccess::kRead);
    if (!archive) return 2;
    const auto fleet = archive->Fleet();
    if (const ArchiveError* error = std::get_if<ArchiveError>(&fleet)) {
      std::fprintf(stderr, "%s\n", ArchiveErrorLine("archive", path, *error).c_str());
      return 2;
    }
    const auto& devices = std::get<std::vector<DeviceSummary>>(fleet);
    const std::string text =
        options.json ? FleetJson(devices)
                     : FleetTable(devices, StreamIsTerminal(stdout) ? DeviceTextMode::kEscaped : DeviceTextMode::kAsItIs);
    std::fputs(text.c_str(), stdout);
    return std::fflush(stdout) == 0 && std::ferror(stdout) == 0 ? 0 : 4;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "trackctl archive: %s\n", error.what());
    return 2;
  }
}

}  // namespace trackctl
