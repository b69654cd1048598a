// What trackctl's command line asks for: without arguments the menu, as it always
// was; otherwise one device command per run, an export of logger files, an
// import into the archive or its summary, the port list, help or version.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "app/device/device_commands.h"
#include "app/device/usage_text.h"
#include "app/option_reader.h"

namespace trackctl {

struct ProgramCommand;

// The port given with -p: a menu number (1 to 20), a device name used as given,
// or usb:SERIAL, a USB adapter's serial number or its start.
struct PortChoice {
  int number = 0;            // 0: by name
  std::string name;          // when number is 0: the name, or the serial number
  bool byUsbSerial = false;  // name is a serial number (given as usb:SERIAL)
};

struct CommandLine {
  enum class Action { kMenu, kCommand, kExport, kImport, kArchive, kListPorts, kHelp, kVersion, kRefuse };
  Action action = Action::kMenu;
  std::string error;                // kRefuse: one line naming the problem, without its line end
  std::optional<PortChoice> port;   // kMenu, kCommand: -p
  bool json = false;                // kCommand: --json (info and read-config); kListPorts: as JSON
  std::optional<unsigned> timeout;  // kMenu, kCommand: --timeout, in seconds; 0: wait for ever
  bool quiet = false;               // kCommand: -q, no progress bar
  DeviceCommand command;            // kCommand
  const ProgramCommand* program = nullptr;  // kExport, kImport, kArchive: the command's row
  std::span<const char* const> ownArgs;     // kExport, kImport, kArchive: the arguments after its word
};

// `args` are the arguments after the program name.
CommandLine ParseCommandLine(std::span<const char* const> args);

// Prints what help, version or a refused command line asks for and returns the
// exit status: 0 for help and version (4 when standard output cannot take them), 2
// for a refused command line.
int ShowCommandLineAnswer(const CommandLine& line);

// Prints "trackctl: <problem>" and the usage hint as one line on standard
// error and returns status 2: a usage error found after the parsing.
int RefuseCommandLine(const std::string& problem);

}  // namespace trackctl
