#include "app/device/command_line.h"

#include <algorithm>
#include <cstdio>
#include <string_view>
#include <vector>

#include "app/option_reader.h"
#include "app/program_commands.h"
#include "serial/open_port.h"

namespace trackctl {
namespace {

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

// What the options of a device run give, and its words: the command and its arguments.
struct LineSettings {
  std::optional<PortChoice> port;
  bool json = false;
  std::optional<unsigned> timeout;
  bool quiet = false;
  bool help = false;
  bool version = false;
  bool listPorts = false;
  bool erase = false;                     // --erase
  std::optional<std::string> outputFile;  // -o
  std::optional<std::string> configFile;  // -c
  std::optional<std::string> archive;     // --archive
  std::vector<std::string_view> words;
  const ProgramCommand* program = nullptr;  // a command that reads its own arguments
  std::span<const char* const> ownArgs;     // the arguments after its word

  // Whether an option for a device run is given (help and version are not).
  bool DeviceOptionsGiven() const {
    return port || json || listPorts || outputFile || configFile || archive || erase || timeout || quiet;
  }
};

using Refusal = std::optional<std::string>;

// The port of -p, or a refusal: usb: needs a serial number after it.
Refusal SetPort(LineSettings& given, std::string_view value) {
  given.port = ReadPortChoice(value);
  if (given.port->byUsbSerial && given.port->name.empty()) return "usb: needs the adapter's serial number, or its start";
  return std::nullopt;
}

Refusal SetTimeout(LineSettings& given, std::string_view value) {
  given.timeout = ReadSeconds(value);
  if (given.timeout) return std::nullopt;
  return "--timeout wants whole seconds from 0 to " + std::to_string(kMaxTimeout) + ", not " + QuotedArgument(value);
}

// The options of a device run, before and after the command's word. A port
// never begins with '-': that is the next option, not the port.
constexpr OptionRow<LineSettings> kLineOptions[] = {
    {{.name = "--help", .alias = "-h", .repeat = Repeat::kAny}, SetSwitch<&LineSettings::help>},
    {{.name = "--version", .repeat = Repeat::kAny}, SetSwitch<&LineSettings::version>},
    {{.name = "--json"}, SetSwitch<&LineSettings::json>},
    {{.name = "--list-ports"}, SetSwitch<&LineSettings::listPorts>},
    {{.name = "--erase"}, SetSwitch<&LineSettings::erase>},
    {{.name = "--quiet", .alias = "-q"}, SetSwitch<&LineSettings::quiet>},
    {{.name = "--timeout", .value = Value::kAny}, SetTimeout},
    {{.name = "--port", .alias = "-p", .value = Value::kNoOption, .equals = true, .attached = true}, SetPort},
    {{.name = "--archive", .value = Value::kNotEmpty, .equals = true}, SetValue<&LineSettings::archive>},
    {{.name = "-o", .value = Value::kNotEmpty}, SetValue<&LineSettings::outputFile>},
    {{.name = "-c", .value = Value::kNotEmpty}, SetValue<&LineSettings::configFile>},
};

// The command line with the port and the options that every device run takes.
CommandLine LineOf(const LineSettings& given) {
  CommandLine line;
  line.port = given.port;
  line.json = given.json;
  line.timeout = given.timeout;
  line.quiet = given.quiet;
  return line;
}

// A word: the command, or one of its arguments. Everything after "export",
// "import" or "archive" as the first word is that command's own.
OperandTaken TakeWord(LineSettings& given, std::span<const char* const> from) {
  const std::string_view word(from.front());
  if (given.words.empty()) {
    if (const ProgramCommand* program = FindProgramCommand(word)) {
      given.program = program;
      given.ownArgs = from.subspan(1);
      return {.endsReading = true};
    }
  }
  given.words.push_back(word);
  return {};
}

constexpr OptionTable<LineSettings> kLineTable{{.program = true}, kLineOptions, TakeWord};

// A command that reads its own arguments, after the options before it: help
// and version, before its word or among its arguments, still answer; an option
// for a device run has no place.
CommandLine ReadOwnOptionsCommand(const LineSettings& given) {
  bool help = given.help;
  bool version = given.version;
  for (const char* arg : given.ownArgs) {
    const std::string_view text(arg);
    if (text == "--") break;
    help = help || text == "--help" || text == "-h";
    version = version || text == "--version";
  }
  CommandLine line = LineOf(given);
  if (help) {
    line.action = CommandLine::Action::kHelp;
  } else if (version) {
    line.action = CommandLine::Action::kVersion;
  } else if (given.DeviceOptionsGiven()) {
    return Refuse(std::string(given.program->word) + " takes its own options after it, and no port");
  } else {
    line.action = given.program->action;
    line.program = given.program;
    line.ownArgs = given.ownArgs;
  }
  return line;
}

// A refusal when an option is given without the command that takes it, or
// with a value that the command does not take.
Refusal RefuseMisplacedOption(const LineSettings& given, const DeviceCommand& command) {
  const DeviceCommandRow* row = command.row;
  if (given.outputFile) {
    if (auto problem = RefuseOption("-o", row)) return problem;
    if (*given.outputFile == "-") return "-o - is not taken here: standard output carries the run's messages";
  }
  if (given.configFile) {
    if (auto problem = RefuseOption("-c", row)) return problem;
  }
  if (given.json && !given.listPorts && !(row != nullptr && row->json)) {
    return "--json goes with " + CommandsThat([](const DeviceCommandRow& r) { return r.json; }) + " only";
  }
  if (given.archive && !(row != nullptr && row->archive)) {
    return "--archive goes with " + CommandsThat([](const DeviceCommandRow& r) { return r.archive; }) + " only";
  }
  if (given.erase && !(row != nullptr && row->erase)) {
    return "--erase goes with " + CommandsThat([](const DeviceCommandRow& r) { return r.erase; }) + " only";
  }
  const bool hasCommand = !given.words.empty();
  if (given.listPorts && (hasCommand || given.port)) return "--list-ports takes no port and no command";
  if (given.listPorts && (given.timeout || given.quiet)) return "--list-ports takes no --timeout and no -q";
  if (given.quiet && !hasCommand) return "-q goes with a command only";
  return std::nullopt;
}

}  // namespace

CommandLine ParseCommandLine(std::span<const char* const> args) {
  LineSettings given;
  if (const Refusal problem = ReadOptions(args, kLineTable, given)) return Refuse(*problem);
  if (given.program != nullptr) return ReadOwnOptionsCommand(given);

  CommandLine line = LineOf(given);
  // Help and version answer whatever else the line holds.
  if (given.help || given.version) {
    line.action = given.help ? CommandLine::Action::kHelp : CommandLine::Action::kVersion;
    return line;
  }
  if (!given.words.empty()) {
    if (const Refusal problem = ReadCommand(given.words, line.command)) return Refuse(*problem);
  }
  if (const Refusal problem = RefuseMisplacedOption(given, line.command)) return Refuse(*problem);
  line.command.outputFile = given.outputFile;
  line.command.configFile = given.configFile;
  line.command.archive = given.archive;
  line.command.erase = given.erase;
  if (given.listPorts) {
    line.action = CommandLine::Action::kListPorts;
  } else if (!given.words.empty()) {
    line.action = CommandLine::Action::kCommand;
  }
  return line;
}

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
