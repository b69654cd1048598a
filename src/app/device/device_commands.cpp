#include "app/device/device_commands.h"

#include "app/device/device_info_run.h"
#include "app/device/download_run.h"
#include "app/device/erase_run.h"
#include "app/device/logger_menu.h"
#include "app/device/read_config_run.h"
#include "app/device/serial_key_run.h"
#include "app/device/start_tracking_run.h"
#include "app/device/stop_tracking_run.h"
#include "app/device/upgrade_run.h"

namespace trackctl {
namespace {

using Args = CommandArguments;

constexpr DeviceCommandRow kRows[] = {
    {.word = "info",
     .json = true,
     .usage = "  info                            serial key, version and device type\n",
     .run = ShowDeviceInfo},
    {.word = "read-config",
     .menuChoice = 1,
     .menuLabel = "Read Configuration Parameters",
     .json = true,
     .usage = "  read-config                     the device's configuration and status\n",
     .run = ReadConfiguration,
     .menu = [](CommandRun& run) { ReadConfiguration(run, DeviceCommand{}); }},
    {.menuChoice = 2, .menuLabel = "Set Configuration Parameters"},
    {.menuChoice = 3, .menuLabel = "LoggerRecord Messages", .menu = ShowLoggerMenu},
    {.word = "download",
     .arguments = Args::kSector,
     .option = "-o",
     .archive = true,
     .erase = true,
     .usage = "  download sms|datacall [-o FILE] a logger sector into a new logger file\n"
              "           [--archive DB]         (default name: key, sector, date, time);\n"
              "           [--erase]              an existing FILE is never overwritten; with\n"
              "                                  --archive (or TRACKCTL_ARCHIVE) the file goes\n"
              "                                  into the archive DB too; --erase then erases\n"
              "                                  the sector once the archive holds every record\n"
              "                                  the device announced\n",
     .run = DownloadSector},
    {.word = "erase",
     .arguments = Args::kSector,
     .usage = "  erase sms|datacall              erase a logger sector\n",
     .run = EraseSector},
    {.word = "start",
     .menuChoice = 5,
     .menuLabel = "Start Tracking",
     .option = "-c",
     .usage = "  start [-c FILE]                 start tracking with FILE's settings\n"
              "                                  (default config15.dat)\n",
     .run = StartTracking,
     .menu = [](CommandRun& run) { StartTracking(run, DeviceCommand{}); }},
    {.word = "stop",
     .menuChoice = 6,
     .menuLabel = "Stop Tracking",
     .usage = "  stop                            stop tracking\n",
     .run = StopTracking,
     .menu = [](CommandRun& run) { StopTracking(run, DeviceCommand{}); }},
    {.word = "upgrade",
     .menuChoice = 4,
     .menuLabel = "Upgrade the Code",
     .arguments = Args::kOptionalImage,
     .usage = "  upgrade [FILE]                  upload a firmware image (default RAVU.BIN)\n",
     .run = UpgradeCode,
     .menu = UpgradeCodeFromMenu},
    {.menuChoice = 7, .menuLabel = "Set Waypoints"},
    {.menuChoice = 8, .menuLabel = "Boot Upgrade"},
    {.word = "write-key",
     .menuChoice = 9,
     .menuLabel = "Write Serial Key",
     .arguments = Args::kKey,
     .usage = "  write-key KEY                   write a 10-character serial key\n",
     .run = WriteSerialKey,
     .menu = WriteSerialKeyFromMenu},
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
