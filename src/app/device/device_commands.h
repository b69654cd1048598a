// The device commands, one row each: the word that names it on the command
// line, its choice in the main menu, what it takes and what it runs.
#pragma once

#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "app/console/console.h"
#include "app/console/console_report.h"
#include "logger/sector.h"
#include "protocol/handshake.h"
#include "protocol/outcome.h"
#include "protocol/session.h"

namespace trackctl {

struct DeviceCommandRow;
struct DownloadArchive;

// One device command as the command line gives it.
struct DeviceCommand {
  const DeviceCommandRow* row = nullptr;
  Sector sector = Sector::kSms;           // download, erase
  std::optional<std::string> outputFile;  // download -o
  std::optional<std::string> configFile;  // start -c
  std::optional<std::string> archive;     // download --archive
  bool erase = false;                     // download --erase: the sector once the archive holds it
  // download: the archive, opened before the port (RefuseBeforeOpening) when one is named
  std::shared_ptr<DownloadArchive> downloadArchive;
  std::optional<std::string> image;       // upgrade
  std::string key;                        // write-key: exactly 10 printable characters
};

// What a command runs with.
struct CommandRun {
  Session& session;
  ConsoleReport& say;        // its messages
  Console* console;          // the operator's answers; null for a command line run
  const InitFields& device;  // what the handshake reported
  bool json = false;         // info and read-config: the result as one JSON document on standard output
};

// What follows a command's word on the command line.
enum class CommandArguments {
  kNone,
  kSector,         // sms or datacall
  kOptionalImage,  // an image file name, or none
  kKey,            // the serial key
};

struct DeviceCommandRow {
  std::string_view word{};          // on the command line; empty: the menu's only
  int menuChoice = 0;               // 1 to 9; 0: the command line's only
  const char* menuLabel = nullptr;  // its line of the main menu, before "...<choice>"
  CommandArguments arguments = CommandArguments::kNone;
  std::string_view option{};  // the one option that goes with it ("-o", "-c"), or none
  bool json = false;        // takes --json
  bool archive = false;     // takes --archive
  bool erase = false;       // takes --erase
  const char* usage = "";   // its lines in the usage text
  Outcome (*run)(CommandRun&, const DeviceCommand&) = nullptr;  // a command line run
  void (*menu)(CommandRun&) = nullptr;                          // the menu's; null: no operation
};

std::span<const DeviceCommandRow> DeviceCommands();

// The row of a command line word; null when none has it.
const DeviceCommandRow* FindCommand(std::string_view word);

// The row of a main-menu choice; null when none has it.
const DeviceCommandRow* FindMenuChoice(int choice);

}  // namespace trackctl
