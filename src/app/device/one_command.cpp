#include "app/device/one_command.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <variant>

#include "app/device/command_line.h"
#include "app/device/download_archive.h"
#include "app/device/upgrade_run.h"
#include "files/output_place.h"
#include "protocol/firmware_upgrade.h"
#include "protocol/tracking_config.h"

namespace trackctl {
namespace {

int ExitStatus(Outcome outcome) {
  switch (outcome) {
    case Outcome::kDone:
      return 0;
    case Outcome::kRefused:
      return 3;
    case Outcome::kFileProblem:
      return 4;
  }
  return 3;
}

}  // namespace

// Why `name` cannot be read, or nothing when it may be: a FIFO, say, is only
// found out by reading it.
std::optional<std::string> UnreadableFile(const std::string& name) {
  namespace fs = std::filesystem;
  std::error_code error;
  const fs::file_status status = fs::status(name, error);
  if (status.type() == fs::file_type::not_found) return "not found";
  if (status.type() == fs::file_type::directory) return "a folder, not a file";
  if (status.type() == fs::file_type::regular) {
    errno = 0;
    if (std::FILE* file = std::fopen(name.c_str(), "rb")) {
      std::fclose(file);
    } else {
      return std::strerror(errno != 0 ? errno : EACCES);
    }
  }
  return std::nullopt;
}

// A download's -o: an existing name is never overwritten, a missing folder
// never created, and the NAME.partial of a download that did not end is kept.
std::optional<std::string> UncreatableFile(const std::string& name) {
  namespace fs = std::filesystem;
  std::error_code error;
  // A link counts, even one that leads nowhere: it is not followed.
  if (fs::exists(fs::symlink_status(name, error))) return "it exists already";
  if (fs::exists(fs::symlink_status(name + ".partial", error))) {
    return name + ".partial exists already, from a download that did not end";
  }
  const fs::path folder = fs::path(name).parent_path();
  if (!folder.empty() && !fs::is_directory(folder, error)) return "its folder does not exist";
  return std::nullopt;
}

std::optional<int> RefuseBeforeOpening(DeviceCommand& command, ConsoleReport& say) {
  // The archive's name is read once, here, for the whole run.
  const std::optional<std::string> archive = command.row->archive ? DownloadArchiveName(command) : std::nullopt;
  // Erasing what is only in a logger file is what the archive is there to prevent.
  if (command.erase && !archive) {
    return RefuseCommandLine("--erase needs an archive (--archive DB or TRACKCTL_ARCHIVE): the sector is erased "
                             "only once the archive holds its records");
  }
  if (command.row->arguments == CommandArguments::kOptionalImage) {
    if (const std::optional<FileError> problem = ImageProblem(command)) {
      SayImageProblem(say, command.image.value_or(kDefaultImage), *problem);
      return ExitStatus(Outcome::kFileProblem);
    }
  }
  // A device, FIFO or descriptor is written as it is, nothing is overwritten.
  const auto written = [](OutputPlace::Kind kind) {
    return kind == OutputPlace::Kind::kStream || kind == OutputPlace::Kind::kDescriptor;
  };
  if (command.outputFile && !written(PlaceOf(*command.outputFile).kind)) {
    if (const auto problem = UncreatableFile(*command.outputFile)) {
      say.Say("error creating file\n");
      say.Problem(*command.outputFile + ": cannot create the logger file: " + *problem);
      return ExitStatus(Outcome::kFileProblem);
    }
  }
  if (command.row->option == "-c") {
    const std::string name = command.configFile.value_or(kTrackingConfigFile);
    if (const auto problem = UnreadableFile(name)) {
      say.Say("Cannot open input file.\n");
      say.Problem(name + ": cannot read the tracking settings: " + *problem);
      return ExitStatus(Outcome::kFileProblem);
    }
  }
  if (!archive) return std::nullopt;
  // Opened last, so that a refusal above leaves no archive made; kept open for
  // the import and the erase decision.
  auto opened = OpenDownloadArchive(*archive, say);
  if (const int* status = std::get_if<int>(&opened)) return *status;
  command.downloadArchive = std::get<std::shared_ptr<DownloadArchive>>(std::move(opened));
  return std::nullopt;
}

int RunOneCommand(CommandRun& run, const DeviceCommand& command) {
  Outcome outcome = command.row->run(run, command);
  run.say.Say("\n");  // where the menu would go on with "\nPress any key to Continue..."
  // A script that reads the output must not take output that was lost for a success.
  const bool written = std::fflush(stdout) == 0 && std::ferror(stdout) == 0;
  if (outcome == Outcome::kDone && !written) outcome = Outcome::kFileProblem;
  return ExitStatus(outcome);
}

}  // namespace trackctl
