#include "app/device/command_line.h"

#include <gtest/gtest.h>

#include <regex>
#include <vector>

namespace trackctl {
namespace {

using Action = CommandLine::Action;

CommandLine Parse(std::vector<const char*> args) { return ParseCommandLine(args); }

// The command line word of the parsed command.
std::string_view Word(const DeviceCommand& command) { return command.row != nullptr ? command.row->word : ""; }

TEST(CommandLine, WithoutACommandTheMenuRunsOnThePortGivenOrAsked) {
  EXPECT_EQ(Parse({}).action, Action::kMenu);
  EXPECT_FALSE(Parse({}).port.has_value());
  const CommandLine numbered = Parse({"-p", "20"});
  EXPECT_EQ(numbered.action, Action::kMenu);
  EXPECT_EQ(numbered.port->number, 20);
  // Only 1 to 20 written in digits are menu numbers; anything else is a device name.
  for (const char* name : {"21", "0", "/dev/ttyUSB0", "COM23", "+3", "3x", "007000000000000000000000000"}) {
    const CommandLine named = Parse({"--port", name});
    EXPECT_EQ(named.port->number, 0) << name;
    EXPECT_EQ(named.port->name, name);
  }
  EXPECT_EQ(Parse({"-p", "05"}).port->number, 5);
  EXPECT_EQ(Parse({"--port=COM23"}).port->name, "COM23");
  EXPECT_EQ(Parse({"-p/dev/ttyUSB1", "info"}).port->name, "/dev/ttyUSB1");
  EXPECT_EQ(Parse({"-p7"}).port->number, 7);
}

TEST(CommandLine, AUsbAdapterByItsSerialNumberAndThePortListAsJson) {
  for (const std::vector<const char*>& args : std::vector<std::vector<const char*>>{
           {"-p", "usb:A12345", "info"}, {"--port=usb:A12345", "info"}, {"-pusb:A12345", "info"}}) {
    const CommandLine line = Parse(args);
    EXPECT_EQ(line.action, Action::kCommand) << args[0];
    EXPECT_TRUE(line.port->byUsbSerial) << args[0];
    EXPECT_EQ(line.port->name, "A12345") << args[0];
  }
  EXPECT_FALSE(Parse({"-p", "/dev/usb:A1"}).port->byUsbSerial);
  EXPECT_FALSE(Parse({"-p", "USB:A1"}).port->byUsbSerial);
  const CommandLine empty = Parse({"-p", "usb:", "info"});
  EXPECT_EQ(empty.action, Action::kRefuse);
  EXPECT_EQ(empty.error, "trackctl: usb: needs the adapter's serial number, or its start");

  const CommandLine json = Parse({"--json", "--list-ports"});
  EXPECT_EQ(json.action, Action::kListPorts);
  EXPECT_TRUE(json.json);
  EXPECT_FALSE(Parse({"--list-ports"}).json);
}

TEST(CommandLine, EachCommandTakesItsOwnArguments) {
  const CommandLine download = Parse({"download", "sms", "-o", "out.dat", "-p", "/dev/ttyACM0"});
  EXPECT_EQ(download.action, Action::kCommand);
  EXPECT_EQ(Word(download.command), "download");
  EXPECT_EQ(download.command.sector, Sector::kSms);
  EXPECT_EQ(download.command.outputFile, "out.dat");
  EXPECT_EQ(download.port->name, "/dev/ttyACM0");

  const CommandLine erase = Parse({"erase", "datacall"});
  EXPECT_EQ(Word(erase.command), "erase");
  EXPECT_EQ(erase.command.sector, Sector::kDataCall);
  EXPECT_FALSE(erase.port.has_value());

  EXPECT_EQ(Parse({"start", "-c", "bench.dat"}).command.configFile, "bench.dat");
  EXPECT_FALSE(Parse({"start"}).command.configFile.has_value());
  EXPECT_EQ(Parse({"upgrade", "IMAGE.BIN"}).command.image, "IMAGE.BIN");
  EXPECT_EQ(Parse({"--", "upgrade", "-image.bin"}).command.image, "-image.bin");
  EXPECT_EQ(Parse({"write-key", "1000752301"}).command.key, "1000752301");
  EXPECT_TRUE(Parse({"--json", "read-config"}).json);
  EXPECT_EQ(Word(Parse({"info", "--json"}).command), "info");
  EXPECT_EQ(Word(Parse({"stop"}).command), "stop");
  EXPECT_EQ(Parse({"--list-ports"}).action, Action::kListPorts);

  // Everything after "export" is the export's own, the options of a device run included.
  const std::vector<const char*> exportLine = {"export", "-o", "trip.gpx", "a.dat", "-p"};
  const CommandLine exported = ParseCommandLine(exportLine);  // refers to the arguments, as to argv
  EXPECT_EQ(exported.action, Action::kExport);
  EXPECT_EQ(exported.ownArgs.data(), exportLine.data() + 1);
  EXPECT_EQ(exported.ownArgs.size(), 4u);
  EXPECT_EQ(Parse({"export"}).ownArgs.size(), 0u);
  EXPECT_EQ(Parse({"export", "--", "--help"}).action, Action::kExport);
}

TEST(CommandLine, HelpWinsThenVersion) {
  EXPECT_EQ(Parse({"--help"}).action, Action::kHelp);
  EXPECT_EQ(Parse({"-h"}).action, Action::kHelp);
  EXPECT_EQ(Parse({"--version"}).action, Action::kVersion);
  EXPECT_EQ(Parse({"--help", "--version"}).action, Action::kHelp);
  EXPECT_EQ(Parse({"--version", "--help"}).action, Action::kHelp);
  EXPECT_EQ(Parse({"download", "--help"}).action, Action::kHelp);
  EXPECT_EQ(Parse({"export", "a.dat", "--help"}).action, Action::kHelp);
}

TEST(CommandLine, BadInputIsRefusedWithOneLineNamingTheProblem) {
  const std::vector<std::pair<std::vector<const char*>, std::string>> cases = {
      {{"COM1"}, "unknown command 'COM1'"},
      {{"info\n\x1b[2J"}, "unknown command 'info??[2J'"},
      {{"--versions"}, "unknown option '--versions'"},
      {{"-p"}, "option -p needs a value"},
      {{"-p", ""}, "option -p needs a value"},
      {{"-p", "--json", "info"}, "option -p needs a value"},
      {{"--port="}, "option --port needs a value"},
      {{"write-key", "10007 2301"}, "the serial key must be printable characters without spaces: '10007 2301'"},
      {{"write-key", "1000\xEA" "52301"}, "the serial key must be printable characters without spaces: '1000\xEA" "52301'"},
      {{"download", "-o"}, "option -o needs a value"},
      {{"--help", "--port"}, "option --port needs a value"},
      {{"download"}, "download needs the sector: sms or datacall"},
      {{"erase", "all"}, "unknown sector 'all' (sms or datacall)"},
      {{"info", "now"}, "too many arguments for info: 'now'"},
      {{"upgrade", "A.BIN", "B.BIN"}, "too many arguments for upgrade: 'B.BIN'"},
      {{"write-key"}, "write-key needs the serial key"},
      {{"write-key", "1000752"}, "the serial key must be 10 characters, not 7: '1000752'"},
      {{"write-key", "10007523011"}, "the serial key must be 10 characters, not 11: '10007523011'"},
      {{"--json", "stop"}, "--json goes with info or read-config only"},
      {{"--json"}, "--json goes with info or read-config only"},
      {{"erase", "sms", "-o", "x"}, "-o goes with download only"},
      {{"-c", "x"}, "-c goes with start only"},
      {{"--list-ports", "info"}, "--list-ports takes no port and no command"},
      {{"-p", "1", "--list-ports"}, "--list-ports takes no port and no command"},
      {{"-p", "1", "export", "a.dat"}, "export takes its own options after it, and no port"},
      {{"info", "export"}, "too many arguments for info: 'export'"},
      {{"-p", "1", "-p", "2", "info"}, "option --port is given twice"},
      {{"--port=1", "-p/dev/ttyS0", "info"}, "option --port is given twice"},
      {{"-p", "1", "info", "--port", "1"}, "option --port is given twice"},
      {{"download", "sms", "-o", "a", "-o", "b"}, "option -o is given twice"},
      {{"start", "-c", "a", "-c", "a"}, "option -c is given twice"},
      {{"--timeout", "5", "info", "--timeout", "5"}, "option --timeout is given twice"},
      {{"-q", "download", "sms", "--quiet"}, "option --quiet is given twice"},
      {{"--json", "info", "--json"}, "option --json is given twice"},
      {{"--list-ports", "--list-ports"}, "option --list-ports is given twice"},
      {{"--list-ports", "--json", "--json"}, "option --json is given twice"},
      {{"download", "sms", "--archive=a", "--archive", "a"}, "option --archive is given twice"},
      {{"download", "sms", "--erase", "--archive", "a", "--erase"}, "option --erase is given twice"},
      {{"erase", "sms", "--erase"}, "--erase goes with download only"},
      {{"--erase", "export", "a.dat"}, "export takes its own options after it, and no port"},
      {{"download", "sms", "-o", "-"}, "-o - is not taken here: standard output carries the run's messages"},
      {{"upgrade", ""}, "upgrade needs a file name, not ''"},
      {{"--", "upgrade", ""}, "upgrade needs a file name, not ''"},
  };
  for (const auto& [args, problem] : cases) {
    const CommandLine line = Parse(args);
    EXPECT_EQ(line.action, Action::kRefuse) << problem;
    EXPECT_EQ(line.error, "trackctl: " + problem);
  }
}

// Each limit from both sides: the last value taken, and the first refused.
TEST(CommandLine, EachLimitTakesItsLastValueAndRefusesTheNext) {
  EXPECT_EQ(Parse({"-p", "1"}).port->number, 1);
  EXPECT_EQ(Parse({"-p", "20"}).port->number, 20);
  EXPECT_EQ(Parse({"-p", "0"}).port->name, "0");  // a name, not a menu number
  EXPECT_EQ(Parse({"-p", "21"}).port->name, "21");
  // Ten printable characters, from '!' to '~', and no space or DEL among them.
  EXPECT_EQ(Parse({"write-key", "!~!~!~!~!~"}).command.key, "!~!~!~!~!~");
  for (const char* key : {"!~!~!~!~!", "!~!~!~!~!~!", "!~!~ !~!~!", "!~!~\x7F!~!~!", "!~!~!~!~!\x7F"}) {
    EXPECT_EQ(Parse({"write-key", key}).action, Action::kRefuse) << key;
  }
  // Each character that cannot stand in a file name, at the start, in the middle and at the end.
  for (const char c : std::string_view("/\\:*?\"<>|")) {
    for (const std::size_t at : {0u, 4u, 9u}) {
      std::string key = "1000752301";
      key[at] = c;
      const CommandLine line = Parse({"write-key", key.c_str()});
      EXPECT_EQ(line.action, Action::kRefuse) << key;
      EXPECT_EQ(line.error, "trackctl: the serial key must not hold any of /\\:*?\"<>| "
                            "(it becomes part of file names): '" + key + "'");
    }
  }
  for (const char* key : {"100!#$%&'(", "1000)+,-.;", "=@[]^_`{}~"}) {
    EXPECT_EQ(Parse({"write-key", key}).command.key, key) << key;
  }
  EXPECT_EQ(Parse({"upgrade", "A.BIN"}).command.image, "A.BIN");
  EXPECT_EQ(Parse({"upgrade", "A.BIN", "B.BIN"}).action, Action::kRefuse);
  EXPECT_EQ(Parse({"upgrade", " "}).command.image, " ");
  EXPECT_EQ(Parse({"erase", "sms"}).action, Action::kCommand);
  EXPECT_EQ(Parse({"erase", "sms", "sms"}).action, Action::kRefuse);
  EXPECT_EQ(Parse({"write-key", "1000752301", "x"}).action, Action::kRefuse);
  // DEL is hidden in a refusal's quote like the control characters; the byte above is not.
  EXPECT_EQ(Parse({"a\x1F\x7F\x80~"}).error, "trackctl: unknown command 'a??\x80~'");
}

TEST(CommandLine, OptionValuesMayBeginWithADashExceptAPort) {
  EXPECT_EQ(Parse({"download", "sms", "-o", "-out.dat"}).command.outputFile, "-out.dat");
  EXPECT_EQ(Parse({"start", "-c", "--json"}).command.configFile, "--json");
  EXPECT_EQ(Parse({"-c", "-p", "start"}).command.configFile, "-p");
  for (const auto& args : {std::vector<const char*>{"-p", "-5", "info"}, {"--port", "-"}, {"--port", "--list-ports"}}) {
    EXPECT_EQ(Parse(args).error, std::string("trackctl: option ") + args[0] + " needs a value") << args[1];
  }
}

TEST(CommandLine, EveryDeviceOptionBeforeExportIsRefusedAndHelpOrVersionAnswerAnywhere) {
  for (const auto& before : {std::vector<const char*>{"-p", "1"}, {"--port", "COM3"}, {"--port=3"}, {"-p3"},
                             {"--json"}, {"--list-ports"}, {"-o", "x.dat"}, {"-c", "x.dat"}}) {
    std::vector<const char*> args = before;
    args.insert(args.end(), {"export", "a.dat"});
    EXPECT_EQ(Parse(args).error, "trackctl: export takes its own options after it, and no port") << args[0];
  }
  EXPECT_EQ(Parse({"--", "export", "a.dat"}).action, Action::kExport);
  const std::pair<std::vector<const char*>, Action> answers[] = {
      {{"--help", "export", "a.dat"}, Action::kHelp},    {{"export", "a.dat", "-h"}, Action::kHelp},
      {{"--version", "export", "a.dat"}, Action::kVersion}, {{"export", "a.dat", "--version"}, Action::kVersion},
      {{"--version", "export", "--help"}, Action::kHelp}, {{"export", "--version", "-h"}, Action::kHelp},
      {{"-p", "1", "export", "--help"}, Action::kHelp},   {{"--json", "--version", "export"}, Action::kVersion},
      {{"export", "--", "--version"}, Action::kExport},
  };
  for (const auto& [args, action] : answers) EXPECT_EQ(Parse(args).action, action) << args.back();
}

TEST(CommandLine, UsageNamesCommandsPortsStatusesScriptingAndTrace) {
  const std::string usage = UsageText();
  for (const char* part : {"TRACKCTL_COM<n>", "/dev/ttyS<n-1>", "COMn", "TRACKCTL_TRACE", "standard input", "--help",
                           "--version", "--list-ports", "--json", "usb:SERIAL", "download sms|datacall [-o FILE]",
                           "write-key KEY", "Exit status: 0", "4 a local"}) {
    EXPECT_NE(usage.find(part), std::string::npos) << part;
  }
  EXPECT_TRUE(std::regex_match(VersionText(), std::regex("trackctl [0-9]+\\.[0-9]+\\.[0-9]+\n"))) << VersionText();
}

}  // namespace
}  // namespace trackctl
