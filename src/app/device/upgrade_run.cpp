#include "app/device/upgrade_run.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <variant>
#include <vector>

#include "app/program_exit.h"
#include "protocol/firmware_upgrade.h"

namespace trackctl {
namespace {

// Reads the image whole, then uploads that one copy. A file that cannot be
// opened or read is a file problem, and nothing is sent.
Outcome UpgradeFromFile(CommandRun& run, const std::string& name) {
  const auto file = ReadWholeRegularFile(name, kMaxImageSize);
  if (const auto* error = std::get_if<FileError>(&file)) {
    SayImageProblem(run.say, name, *error);
    return Outcome::kFileProblem;
  }
  const auto& image = std::get<std::vector<std::uint8_t>>(file);
  run.say.Say("Filelength in bytes is %lld\n", static_cast<long long>(image.size()));
  const UpgradeAnswer answer = UpgradeCode(run.session, image);
  switch (answer.kind) {
    case UpgradeAnswer::Kind::kDone:
      run.say.Say("Upgrade Code : Done...\n");
      return Outcome::kDone;
    case UpgradeAnswer::Kind::kHeaderRefused:
      run.say.Say("\nThe device refused the code upgrade : %s\nNo data sent...\n",
                  run.say.Device(answer.reply).c_str());
      return Outcome::kRefused;
    case UpgradeAnswer::Kind::kImageRefused:
      run.say.Say("Received Response ... %s\n", run.say.Device(answer.reply).c_str());
      return Outcome::kRefused;
  }
  return Outcome::kRefused;
}

void AnnounceDefaultImage(ConsoleReport& say) {
  say.Say("Upgrading the code from the default file : %s...\n", kDefaultImage);
}

}  // namespace

void SayImageProblem(ConsoleReport& say, const std::string& name, const FileError& error) {
  say.Say(error.step == FileError::Step::kRead ? "Unable to open the specified file...\n" : "FILE not found...\n");
  // What those lines leave unsaid goes to standard error: the file and why.
  const std::string shown = ShownDeviceText(name, DeviceTextMode::kEscaped);
  if (error.step == FileError::Step::kNotRegular) {
    say.Problem(shown + " is not a regular file; an image is read from a regular file only");
  } else if (error.step == FileError::Step::kRead && error.number == EFBIG) {
    say.Problem(shown + " is longer than an image can be (" + std::to_string(kMaxImageSize) + " bytes)");
  } else {
    say.Problem(shown + ": cannot read the firmware image: " + std::strerror(error.number));
  }
}

std::optional<FileError> ImageProblem(const DeviceCommand& command) {
  return RegularFileProblem(command.image.value_or(kDefaultImage), kMaxImageSize);
}

Outcome UpgradeCode(CommandRun& run, const DeviceCommand& command) {
  run.say.Say("Upgrade Code : Started...\n");
  if (!command.image) AnnounceDefaultImage(run.say);
  return UpgradeFromFile(run, command.image.value_or(kDefaultImage));
}

void UpgradeCodeFromMenu(CommandRun& run) {
  run.say.Say("Upgrade Code : Started...\n");
  run.say.Say("Enter the file name [Default : %s]:\n", kDefaultImage);
  run.console->DiscardPending();
  std::string name = run.console->ReadLine();
  if (name.empty()) {
    name = kDefaultImage;
    AnnounceDefaultImage(run.say);
  }
  if (UpgradeFromFile(run, name) == Outcome::kFileProblem) EndProgram(1);
}

}  // namespace trackctl
