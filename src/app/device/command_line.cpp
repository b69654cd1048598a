#include "app/device/command_line.h"

#include <algorithm>
#include <cstdio>
#include <string_view>
#include <vector>

#include "app/given_options.h"
#include "export/export_formats.h"
#include "serial/open_port.h"

namespace trackctl {
namespace {

// The usage text: the names of the export formats between its first two parts,
// the commands' lines between the last two.
constexpr const char* kUsageToFormats =
    "usage: trackctl [-p PORT]                   the menu\n"
    "       trackctl [-p PORT] [--timeout S] [-q] [--json] COMMAND\n"
    "                                            one command, then exit\n"
    "       trackctl export [--format ";
constexpr const char* kUsageFromFormats =
    "] [-o OUT]\n"
    "                       [--utc-offset +HH:MM] [--split-gap MINUTES] FILE...\n"
    "       trackctl export --archive DB [--device KEY]... [--since T] [--until T]\n"
    "                       [--format F] [--split-gap MINUTES] -o OUT\n"
    "       trackctl import [--archive DB] [--utc-offset +HH:MM] FILE...\n"
    "       trackctl archive [--archive DB] [--json]\n"
    "       trackctl --list-ports [--json] | --help | --version\n"
    "\n"
    "Service console for a GPS/GSM tracking device on a serial port: read its\n"
    "configuration, download and erase its logger sectors, start and stop\n"
    "tracking with the settings of config15.dat, upload firmware, write its\n"
    "serial key. Without a command it asks for a port number (unless -p gives\n"
    "the port), wakes the device and shows a numbered menu.\n"
    "\n"
    "Commands (each opens the port, wakes the device, runs, and exits):\n";
constexpr const char* kUsageEnd =
    "\n"
    "export turns logger files into GPX (the default), KML, GeoJSON, CSV or an SVG\n"
    "picture, one track per file, without opening a port; OUT is FILE with the\n"
    "format's extension unless -o names it (- is standard output). Logger times\n"
    "are the device's local time: --utc-offset gives its offset from UTC, else\n"
    "this machine's zone is used.\n"
    "A new segment starts where points are more than --split-gap minutes apart\n"
    "(default 10). Status 0, 1 when a line was not a logger line (the rest is\n"
    "written), 2 when a file cannot be read or written or an argument is refused.\n"
    "\n"
    "The archive (DB: --archive, else TRACKCTL_ARCHIVE, else tracks.gpkg here) is\n"
    "a GeoPackage that GIS programs open as a point layer 'records'. import puts\n"
    "logger files into it, one transaction each, every record once (same device,\n"
    "sector and logger columns); its summary says read / new / already archived /\n"
    "not valid. archive lists per device the records, first and last UTC time,\n"
    "downloads and the last known version and type. export --archive writes one\n"
    "track per device (--device again for more devices), T a UTC date\n"
    "(YYYY-MM-DD, the whole day) or a time with its zone (YYYY-MM-DDThh:mm:ssZ,\n"
    "or +HH:MM or -HH:MM instead of Z); a time without one is refused.\n"
    "A file that is no archive of trackctl, or of a newer one, is refused with\n"
    "status 2 and left as it is.\n"
    "\n"
    "Options:\n"
    "  -p, --port PORT  the port: a number 1-20 as the menu's answer, a device\n"
    "                   name (/dev/ttyUSB0, /dev/serial/by-id/..., COM23), or\n"
    "                   usb:SERIAL, the USB adapter with that serial number (or\n"
    "                   the only one whose serial number starts with it).\n"
    "                   Commands use port 1 without it.\n"
    "  --json           info and read-config print one JSON object; every other\n"
    "                   message goes to standard error; --list-ports one JSON array\n"
    "  --timeout S      the longest silence of the device while a reply is due,\n"
    "                   in seconds (0: wait for ever); commands default to 30 and\n"
    "                   give up after 5 s when the device does not wake up; the\n"
    "                   menu waits for ever unless it is given\n"
    "  -q, --quiet      no progress bar on a terminal\n"
    "  --list-ports     print the serial ports present, one a line, a USB adapter's\n"
    "                   with its vendor:product id, serial number, maker and product\n"
    "  -h, --help       print this text and exit\n"
    "  --version        print the version and exit\n"
    "\n"
    "Ports: on Windows port n is COMn. On Linux port n is the path in the\n"
    "environment variable TRACKCTL_COM<n> when set (TRACKCTL_COM1=/dev/ttyUSB0),\n"
    "otherwise /dev/ttyS<n-1>.\n"
    "\n"
    "Exit status: 0 the device accepted and every file is complete; 1 the port\n"
    "failed or the device did not answer the handshake; 2 a usage error (nothing\n"
    "is sent); 3 the device refused or answered something unexpected; 4 a local\n"
    "file problem (config15.dat or the image missing or unreadable, a logger file\n"
    "that exists already or could not be written whole). The menu ends with 0.\n"
    "\n"
    "Scripted menu: when standard input is not a terminal, each answer is one\n"
    "line (a key press is an empty line) and the end of the input exits, e.g.\n"
    "  printf '1\\n1\\n\\n0\\n' | trackctl     port 1, read configuration, exit\n"
    "\n"
    "Trace: when TRACKCTL_TRACE names a file, every byte sent to the device (>>)\n"
    "and received from it (<<) is appended to that file as timestamped hex and\n"
    "ASCII lines.\n";

// The characters that Windows or Linux does not take in a file name.
constexpr const char* kNotInFileNames = "/\\:*?\"<>|";

// Ends the one line of a refusal.
constexpr const char* kUsageHint = " (usage: trackctl --help)";

// Before a USB adapter's serial number given as the port.
constexpr std::string_view kUsbPrefix = "usb:";

// usb:SERIAL picks an adapter by its serial number; a number 1 to 20 written
// with digits only is a menu number; anything else a name.
PortChoice ReadPortChoice(std::string_view text) {
  if (text.starts_with(kUsbPrefix)) return PortChoice{0, std::string(text.substr(kUsbPrefix.size())), true};
  int number = 0;
  for (const char c : text) {
    if (c < '0' || c > '9' || number > kLastPort) return PortChoice{0, std::string(text)};
    number = number * 10 + (c - '0');
  }
  if (number < kFirstPort || number > kLastPort) return PortChoice{0, std::string(text)};
  return PortChoice{number, {}};
}

// The longest --timeout: a day.
constexpr unsigned kMaxTimeout = 86400;

// Digits only, at most kMaxTimeout.
std::optional<unsigned> ReadSeconds(std::string_view text) {
  if (text.empty()) return std::nullopt;
  unsigned seconds = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    seconds = seconds * 10 + static_cast<unsigned>(c - '0');
    if (seconds > kMaxTimeout) return std::nullopt;
  }
  return seconds;
}

CommandLine Refuse(std::string problem) {
  CommandLine line;
  line.action = CommandLine::Action::kRefuse;
  line.error = "trackctl: " + std::move(problem);
  return line;
}

// The command word and the words after it, checked against what the command takes.
std::optional<std::string> ReadCommand(const std::vector<std::string_view>& words, DeviceCommand& command) {
  const std::string_view word = words.front();
  const DeviceCommandRow* row = FindCommand(word);
  if (row == nullptr) return "unknown command " + QuotedArgument(word);
  const std::size_t count = words.size() - 1;
  const std::size_t maxWords = row->arguments == CommandArguments::kNone ? 0 : 1;
  if (count > maxWords) return "too many arguments for " + std::string(word) + ": " + QuotedArgument(words[maxWords + 1]);
  command.row = row;
  switch (row->arguments) {
    case CommandArguments::kSector:
      if (count == 0) return std::string(word) + " needs the sector: sms or datacall";
      if (words[1] != "sms" && words[1] != "datacall") {
        return "unknown sector " + QuotedArgument(words[1]) + " (sms or datacall)";
      }
      command.sector = words[1] == "sms" ? Sector::kSms : Sector::kDataCall;
      break;
    case CommandArguments::kOptionalImage:
      if (count == 1 && words[1].empty()) return std::string(word) + " needs a file name, not ''";
      if (count == 1) command.image = std::string(words[1]);
      break;
    case CommandArguments::kKey:
      if (count == 0) return std::string(word) + " needs the serial key";
      if (words[1].size() != 10) {
        return "the serial key must be 10 characters, not " + std::to_string(words[1].size()) + ": " +
               QuotedArgument(words[1]);
      }
      // As typed at the menu's prompt: one word of printable characters.
      if (std::any_of(words[1].begin(), words[1].end(), [](char c) { return c < 0x21 || c > 0x7E; })) {
        return "the serial key must be printable characters without spaces: " + QuotedArgument(words[1]);
      }
      // The key names every default-named logger file of the device.
      if (words[1].find_first_of(kNotInFileNames) != std::string_view::npos) {
        return std::string("the serial key must not hold any of ") + kNotInFileNames +
               " (it becomes part of file names): " + QuotedArgument(words[1]);
      }
      command.key = std::string(words[1]);
      break;
    case CommandArguments::kNone:
      break;
  }
  return std::nullopt;
}

// The commands that `takes` says go with an option, as "a or b".
template <typename Takes>
std::string CommandsThat(Takes takes) {
  std::string names;
  for (const DeviceCommandRow& row : DeviceCommands()) {
    if (row.word.empty() || !takes(row)) continue;
    if (!names.empty()) names += " or ";
    names += row.word;
  }
  return names;
}

// A refusal when an option is given without a command that takes it.
std::optional<std::string> RefuseOption(std::string_view option, const DeviceCommandRow* row) {
  if (row != nullptr && row->option == option) return std::nullopt;
  return std::string(option) + " goes with " +
         CommandsThat([option](const DeviceCommandRow& candidate) { return candidate.option == option; }) + " only";
}

// The commands that take their own options after their word, and no port.
struct OwnOptionsCommand {
  std::string_view word;
  CommandLine::Action action;
};
constexpr OwnOptionsCommand kOwnOptionsCommands[] = {
    {"export", CommandLine::Action::kExport},
    {"import", CommandLine::Action::kImport},
    {"archive", CommandLine::Action::kArchive},
};

// Such a command and its arguments, after the options before it: help and
// version, before its word or among its arguments, still answer; an option for
// a device run has no place.
CommandLine ReadOwnOptionsCommand(CommandLine line, const OwnOptionsCommand& command,
                                  std::span<const char* const> ownArgs, bool help, bool version, bool otherOptions) {
  for (const char* arg : ownArgs) {
    const std::string_view text(arg);
    if (text == "--") break;
    help = help || text == "--help" || text == "-h";
    version = version || text == "--version";
  }
  if (help) {
    line.action = CommandLine::Action::kHelp;
  } else if (version) {
    line.action = CommandLine::Action::kVersion;
  } else if (otherOptions) {
    return Refuse(std::string(command.word) + " takes its own options after it, and no port");
  } else {
    line.action = command.action;
    line.ownArgs = ownArgs;
  }
  return line;
}

// The port of -p, or a refusal: usb: needs a serial number after it.
std::optional<std::string> SetPort(CommandLine& line, std::string_view value) {
  line.port = ReadPortChoice(value);
  if (line.port->byUsbSerial && line.port->name.empty()) return "usb: needs the adapter's serial number, or its start";
  return std::nullopt;
}

}  // namespace

std::string QuotedArgument(std::string_view arg) {
  std::string text = "'";
  for (const char c : arg) text += (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) ? '?' : c;
  return text + "'";
}

CommandLine ParseCommandLine(std::span<const char* const> args) {
  CommandLine line;
  bool help = false;
  bool version = false;
  bool listPorts = false;
  bool erase = false;                     // --erase
  std::optional<std::string> outputFile;  // -o
  std::optional<std::string> configFile;  // -c
  std::optional<std::string> archive;     // --archive
  std::vector<std::string_view> words;
  GivenOptions given;
  bool optionsEnded = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg(args[i]);
    if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
      // Everything after "export", "import" or "archive" is its own.
      for (const OwnOptionsCommand& command : kOwnOptionsCommands) {
        if (!words.empty() || arg != command.word) continue;
        const bool otherOptions = line.port || line.json || listPorts || outputFile || configFile || archive ||
                                  erase || line.timeout || line.quiet;
        return ReadOwnOptionsCommand(line, command, args.subspan(i + 1), help, version, otherOptions);
      }
      words.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
    } else if (arg == "--help" || arg == "-h") {
      help = true;
    } else if (arg == "--version") {
      version = true;
    } else if (arg == "--json") {
      if (auto twice = given.Take(arg)) return Refuse(*twice);
      line.json = true;
    } else if (arg == "--list-ports") {
      if (auto twice = given.Take(arg)) return Refuse(*twice);
      listPorts = true;
    } else if (arg == "--erase") {
      if (auto twice = given.Take(arg)) return Refuse(*twice);
      erase = true;
    } else if (arg == "-q" || arg == "--quiet") {
      if (auto twice = given.Take("--quiet")) return Refuse(*twice);
      line.quiet = true;
    } else if (arg == "--timeout") {
      if (i + 1 == args.size()) return Refuse("option --timeout needs a value");
      if (auto twice = given.Take(arg)) return Refuse(*twice);
      line.timeout = ReadSeconds(args[++i]);
      if (!line.timeout) {
        return Refuse("--timeout wants whole seconds from 0 to " + std::to_string(kMaxTimeout) + ", not " +
                      QuotedArgument(args[i]));
      }
    } else if (arg.starts_with("--port=") || (arg.starts_with("-p") && arg != "-p")) {
      // The port joined to its option: --port=COM23, -p/dev/ttyUSB0.
      const std::string_view value = arg.substr(arg[1] == '-' ? 7 : 2);
      if (value.empty()) return Refuse("option --port needs a value");
      if (auto twice = given.Take("--port")) return Refuse(*twice);
      if (auto problem = SetPort(line, value)) return Refuse(*problem);
    } else if (arg.starts_with("--archive=")) {
      if (arg.size() == 10) return Refuse("option --archive needs a value");
      if (auto twice = given.Take("--archive")) return Refuse(*twice);
      archive = std::string(arg.substr(10));
    } else if (arg == "-p" || arg == "--port" || arg == "-o" || arg == "-c" || arg == "--archive") {
      // A port never starts with '-': that is the next option, not the port.
      const bool isPort = arg == "-p" || arg == "--port";
      if (i + 1 == args.size() || *args[i + 1] == '\0' || (isPort && *args[i + 1] == '-')) {
        return Refuse("option " + std::string(arg) + " needs a value");
      }
      const std::string value(args[++i]);
      if (auto twice = given.Take(isPort ? "--port" : arg)) return Refuse(*twice);
      if (isPort) {
        if (auto problem = SetPort(line, value)) return Refuse(*problem);
      } else {
        (arg == "-o" ? outputFile : arg == "-c" ? configFile : archive) = value;
      }
    } else {
      return Refuse("unknown option " + QuotedArgument(arg));
    }
  }

  // Help and version answer whatever else the line holds.
  if (help) {
    line.action = CommandLine::Action::kHelp;
    return line;
  }
  if (version) {
    line.action = CommandLine::Action::kVersion;
    return line;
  }
  if (!words.empty()) {
    if (const std::optional<std::string> problem = ReadCommand(words, line.command)) return Refuse(*problem);
  }
  const bool hasCommand = !words.empty();
  const DeviceCommandRow* row = line.command.row;
  if (outputFile) {
    if (auto problem = RefuseOption("-o", row)) return Refuse(*problem);
    if (*outputFile == "-") return Refuse("-o - is not taken here: standard output carries the run's messages");
  }
  if (configFile) {
    if (auto problem = RefuseOption("-c", row)) return Refuse(*problem);
  }
  if (line.json && !listPorts && !(row != nullptr && row->json)) {
    return Refuse("--json goes with " + CommandsThat([](const DeviceCommandRow& r) { return r.json; }) + " only");
  }
  if (archive && !(row != nullptr && row->archive)) {
    return Refuse("--archive goes with " + CommandsThat([](const DeviceCommandRow& r) { return r.archive; }) +
                  " only");
  }
  if (erase && !(row != nullptr && row->erase)) {
    return Refuse("--erase goes with " + CommandsThat([](const DeviceCommandRow& r) { return r.erase; }) + " only");
  }
  if (listPorts && (hasCommand || line.port)) return Refuse("--list-ports takes no port and no command");
  if (listPorts && (line.timeout || line.quiet)) return Refuse("--list-ports takes no --timeout and no -q");
  if (line.quiet && !hasCommand) return Refuse("-q goes with a command only");
  line.command.outputFile = outputFile;
  line.command.configFile = configFile;
  line.command.archive = archive;
  line.command.erase = erase;

  if (listPorts) {
    line.action = CommandLine::Action::kListPorts;
  } else if (hasCommand) {
    line.action = CommandLine::Action::kCommand;
  }
  return line;
}

std::string UsageText() {
  std::string text = kUsageToFormats + ExportFormatNames("|", "|") + kUsageFromFormats;
  for (const DeviceCommandRow& row : DeviceCommands()) text += row.usage;
  return text + kUsageEnd;
}

std::string VersionText() { return std::string("trackctl ") + TRACKCTL_VERSION + "\n"; }

int ShowCommandLineAnswer(const CommandLine& line) {
  switch (line.action) {
    case CommandLine::Action::kHelp:
    case CommandLine::Action::kVersion: {
      // Text that did not reach its reader is no success (status 4, as for a port list).
      const std::string text = line.action == CommandLine::Action::kHelp ? UsageText() : VersionText();
      std::fputs(text.c_str(), stdout);
      return std::fflush(stdout) == 0 && std::ferror(stdout) == 0 ? 0 : 4;
    }
    case CommandLine::Action::kRefuse:
      std::fprintf(stderr, "%s%s\n", line.error.c_str(), kUsageHint);
      return 2;
    default:
      return 0;
  }
}

int RefuseCommandLine(const std::string& problem) { return ShowCommandLineAnswer(Refuse(problem)); }

}  // namespace trackctl
