// What trackctl's command line asks for. Without arguments it runs the console;
// the only options are --help and --version; "export" converts logger files.
#pragma once

#include <span>
#include <string>

namespace trackctl {

struct CommandLine {
  enum class Action { kRun, kHelp, kVersion, kRefuse, kExport };
  Action action = Action::kRun;
  std::string error;  // kRefuse: one line, without its line end
  std::span<const char* const> commandArgs;  // kExport: the arguments after "export"
};

// `args` are the arguments after the program name.
CommandLine ParseCommandLine(std::span<const char* const> args);

// What --help prints.
std::string UsageText();
// What --version prints: "trackctl <version>\n".
std::string VersionText();

// Prints what a command line other than kRun asks for and returns the exit
// status: 0 for help and version, 2 for a refused argument.
int ShowCommandLineAnswer(const CommandLine& line);

}  // namespace trackctl
