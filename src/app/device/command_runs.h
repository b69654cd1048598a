// What each device command does at the console: its messages around the
// exchange, the files it reads and writes, its outcome.
#pragma once

#include <optional>
#include <string>

#include "app/device/device_commands.h"
#include "files/whole_file.h"

namespace trackctl {

// info: the handshake has said it all; with --json, as one JSON object.
Outcome ShowDeviceInfo(CommandRun& run, const DeviceCommand& command);

// read-config, menu choice 1: the configuration and status as labelled lines;
// with --json as one JSON object, a reply without them described as on the console.
Outcome ReadConfiguration(CommandRun& run, const DeviceCommand& command);

// start (-c FILE), menu choice 5: the tracking values of the file ("config15.dat"
// by default) go to the device; a file that cannot be read sends nothing.
Outcome StartTracking(CommandRun& run, const DeviceCommand& command);

// stop, menu choice 6.
Outcome StopTracking(CommandRun& run, const DeviceCommand& command);

// download and erase, and the logger submenu behind main-menu choice 3, whose
// choice 5 ends the program.
Outcome DownloadSector(CommandRun& run, const DeviceCommand& command);
Outcome EraseSector(CommandRun& run, const DeviceCommand& command);
void ShowLoggerMenu(CommandRun& run);

// upgrade [FILE]; menu choice 4 asks for the file (RAVU.BIN when the answer is
// empty), and a file that cannot be opened or read ends the run with status 1.
Outcome UpgradeCode(CommandRun& run, const DeviceCommand& command);
void UpgradeCodeFromMenu(CommandRun& run);
// Only a regular file of at most kMaxImageSize bytes is an image. Why the
// upgrade's image cannot be sent, found without opening it; nothing when it can.
std::optional<FileError> ImageProblem(const DeviceCommand& command);
// The console's line for an image that cannot be sent ("FILE not found...",
// "Unable to open the specified file..."); for a file of the wrong kind or size,
// why on standard error.
void SayImageProblem(ConsoleReport& say, const std::string& name, const FileError& error);

// write-key KEY; menu choice 9 shows the key format and reads the key, refuses
// one longer than 10 characters and sends nothing at the end of the input.
Outcome WriteSerialKey(CommandRun& run, const DeviceCommand& command);
void WriteSerialKeyFromMenu(CommandRun& run);

}  // namespace trackctl
