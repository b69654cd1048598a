// What trackctl's command line asks for: without arguments the menu, as it always
// was; otherwise one device command per run, an export of logger files, an
// import into the archive or its summary, the port list, help or version.
#pragma once

#include <optional>
#include <span>
#include <string>

#include "app/device_commands.h"

namespace trackctl {

// The port given with -p: a menu number (1 to 20) or a device name used as given.
struct PortChoice {
  int number = 0;    // 0: by name
  std::string name;  // when number is 0
};

struct CommandLine {
  enum class Action { kMenu, kCommand, kExport, kImport, kArchive, kListPorts, kHelp, kVersion, kRefuse };
  Action action = Action::kMenu;
  std::string error;                // kRefuse: one line naming the problem, without its line end
  std::optional<PortChoice> port;   // kMenu, kCommand: -p
  bool json = false;                // kCommand: --json (info and read-config)
  DeviceCommand command;            // kCommand
  std::span<const char* const> ownArgs;  // kExport, kImport, kArchive: the arguments after its word
};

// `args` are the arguments after the program name.
CommandLine ParseCommandLine(std::span<const char* const> args);

// What --help prints.
std::string UsageText();
// What --version prints: "trackctl <version>\n".
std::string VersionText();

// Prints what help, version or a refused command line asks for and returns the
// exit status: 0 for help and version (4 when standard output cannot take them), 2
// for a refused command line.
int ShowCommandLineAnswer(const CommandLine& line);

}  // namespace trackctl
