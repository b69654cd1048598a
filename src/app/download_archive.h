// A download's file into the archive, right after the download completed.
#pragma once

#include <string>

#include "app/device_commands.h"

namespace trackctl {

// With --archive, or TRACKCTL_ARCHIVE set, imports the logger file `name` with
// the device's serial key, version and type, and says so; the file stays.
// kDone without an archive or when the import succeeded; kFileProblem, after
// one line, when the archive could not take it.
Outcome ArchiveDownloadedFile(CommandRun& run, const DeviceCommand& command, const std::string& name);

}  // namespace trackctl
