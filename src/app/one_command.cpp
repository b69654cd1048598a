#include "app/one_command.h"

#include "app/command_runs.h"
#include "files/output_place.h"
#include "protocol/firmware_upgrade.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

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

std::optional<int> RefuseBeforeOpening(const DeviceCommand& command, ConsoleReport& say) {
  if (command.row->arguments == CommandArguments::kOptionalImage) {
    const std::optional<FileError> problem = ImageProblem(command);
    if (!problem) return std::nullopt;
    SayImageProblem(say, command.image.value_or(kDefaultImage), *problem);
    return ExitStatus(Outcome::kFileProblem);
  }
  if (!command.outputFile) return std::nullopt;
  // A device or FIFO is written as it is, nothing is overwritten. Otherwise a
  // link counts, even one that leads nowhere: it is not followed.
  if (PlaceOf(*command.outputFile).kind == OutputPlace::Kind::kStream) return std::nullopt;
  std::error_code error;
  if (!std::filesystem::exists(std::filesystem::symlink_status(*command.outputFile, error))) return std::nullopt;
  say.Say("error creating file\n");
  return ExitStatus(Outcome::kFileProblem);
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
