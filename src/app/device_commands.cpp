#include "app/device_commands.h"

#include "app/command_runs.h"

namespace trackctl {
namespace {

using Args = CommandArguments;

constexpr DeviceCommandRow kRows[] = {
    {"info", 0, nullptr, Args::kNone, {}, true,
     "  info                            serial key, version and device type\n", ShowDeviceInfo},
    {"read-config", 1, "Read Configuration Parameters", Args::kNone, {}, true,
     "  read-config                     the device's configuration and status\n", ReadConfiguration,
     [](CommandRun& run) { ReadConfiguration(run, DeviceCommand{}); }},
    {{}, 2, "Set Configuration Parameters"},
    {{}, 3, "LoggerRecord Messages", Args::kNone, {}, false, "", nullptr, ShowLoggerMenu},
    {"download", 0, nullptr, Args::kSector, "-o", false,
     "  download sms|datacall [-o FILE] a logger sector into a new logger file\n"
     "                                  (default name: key, sector, date, time);\n"
     "                                  an existing FILE is never overwritten\n",
     DownloadSector},
    {"erase", 0, nullptr, Args::kSector, {}, false,
     "  erase sms|datacall              erase a logger sector\n", EraseSector},
    {"start", 5, "Start Tracking", Args::kNone, "-c", false,
     "  start [-c FILE]                 start tracking with FILE's settings\n"
     "                                  (default config15.dat)\n",
     StartTracking, [](CommandRun& run) { StartTracking(run, DeviceCommand{}); }},
    {"stop", 6, "Stop Tracking", Args::kNone, {}, false,
     "  stop                            stop tracking\n", StopTracking,
     [](CommandRun& run) { StopTracking(run, DeviceCommand{}); }},
    {"upgrade", 4, "Upgrade the Code", Args::kOptionalImage, {}, false,
     "  upgrade [FILE]                  upload a firmware image (default RAVU.BIN)\n", UpgradeCode,
     UpgradeCodeFromMenu},
    {{}, 7, "Set Waypoints"},
    {{}, 8, "Boot Upgrade"},
    {"write-key", 9, "Write Serial Key", Args::kKey, {}, false,
     "  write-key KEY                   write a 10-character serial key\n", WriteSerialKey,
     WriteSerialKeyFromMenu},
};

}  // namespace

std::span<const DeviceCommandRow> DeviceCommands() { return kRows; }

const DeviceCommandRow* FindCommand(std::string_view word) {
  for (const DeviceCommandRow& row : kRows) {
    if (!row.word.empty() && row.word == word) return &row;
  }
  return nullptr;
}

const DeviceCommandRow* FindMenuChoice(int choice) {
  for (const DeviceCommandRow& row : kRows) {
    if (row.menuChoice != 0 && row.menuChoice == choice) return &row;
  }
  return nullptr;
}

}  // namespace trackctl
