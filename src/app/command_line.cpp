#include "app/command_line.h"

#include <cstdio>
#include <string_view>

namespace trackctl {
namespace {

constexpr const char* kUsage =
    "usage: trackctl [--help | --version]\n"
    "       trackctl export [--format gpx|kml|geojson|csv|svg] [-o OUT] [--utc-offset +HH:MM]\n"
    "                       [--split-gap MINUTES] FILE...   logger files to a map or table\n"
    "\n"
    "Service console for a GPS/GSM tracking device on a serial port: read its\n"
    "configuration, download and erase its logger sectors, start and stop\n"
    "tracking with the settings of config15.dat (in the current folder), upload\n"
    "firmware, write its serial key. It asks for a port number, wakes the device\n"
    "and shows a numbered menu.\n"
    "\n"
    "Ports: on Windows port n is COMn. On Linux port n is the path in the\n"
    "environment variable TRACKCTL_COM<n> when set (TRACKCTL_COM1=/dev/ttyUSB0),\n"
    "otherwise /dev/ttyS<n-1>.\n"
    "\n"
    "Scripted use: when standard input is not a terminal, each answer is one line\n"
    "(a key press is an empty line) and the end of the input exits, e.g.\n"
    "  printf '1\\n1\\n\\n0\\n' | trackctl     port 1, read configuration, exit\n"
    "\n"
    "Trace: when TRACKCTL_TRACE names a file, every byte sent to the device (>>)\n"
    "and received from it (<<) is appended to that file as timestamped hex and\n"
    "ASCII lines.\n"
    "\n"
    "  --help     print this text and exit\n"
    "  --version  print the version and exit\n";

}  // namespace

CommandLine ParseCommandLine(std::span<const char* const> args) {
  CommandLine line;
  if (!args.empty() && std::string_view(args[0]) == "export") {
    return CommandLine{CommandLine::Action::kExport, "", args.subspan(1)};
  }
  for (const char* arg : args) {
    const std::string_view text(arg);
    if (text == "--help" || text == "-h") {
      line.action = CommandLine::Action::kHelp;
    } else if (text == "--version") {
      if (line.action != CommandLine::Action::kHelp) line.action = CommandLine::Action::kVersion;
    } else {
      return CommandLine{CommandLine::Action::kRefuse, "trackctl: unknown argument '" + std::string(text) + "'", {}};
    }
  }
  return line;
}

std::string UsageText() { return kUsage; }

std::string VersionText() { return std::string("trackctl ") + TRACKCTL_VERSION + "\n"; }

int ShowCommandLineAnswer(const CommandLine& line) {
  switch (line.action) {
    case CommandLine::Action::kHelp:
      std::fputs(UsageText().c_str(), stdout);
      return 0;
    case CommandLine::Action::kVersion:
      std::fputs(VersionText().c_str(), stdout);
      return 0;
    case CommandLine::Action::kRefuse:
      std::fprintf(stderr, "%s\n%s", line.error.c_str(), UsageText().c_str());
      return 2;
    case CommandLine::Action::kRun:
    case CommandLine::Action::kExport:
      break;
  }
  return 0;
}

}  // namespace trackctl
