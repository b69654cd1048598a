// upgrade [FILE], and main-menu choice 4, which asks for the file (RAVU.BIN
// when the answer is empty); a file that cannot be opened or read ends the
// menu's run with status 1.
#pragma once

#include <optional>
#include <string>

#include "app/device/device_commands.h"
#include "files/whole_file.h"

namespace trackctl {

Outcome UpgradeCode(CommandRun& run, const DeviceCommand& command);
void UpgradeCodeFromMenu(CommandRun& run);

// Only a regular file of at most kMaxImageSize bytes is an image. Why the
// upgrade's image cannot be sent, found without opening it; nothing when it can.
std::optional<FileError> ImageProblem(const DeviceCommand& command);
// The console's line for an image that cannot be sent ("FILE not found...",
// "Unable to open the specified file..."); for a file of the wrong kind or size,
// why on standard error.
void SayImageProblem(ConsoleReport& say, const std::string& name, const FileError& error);

}  // namespace trackctl
