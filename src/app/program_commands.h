// The commands that read their own arguments after their word, one row each,
// as a program with subcommands keeps them: the word, what the command line
// reports for it, and the run. Every other command line runs on the device's
// port (see device_commands.h).
#pragma once

#include <span>
#include <string_view>

#include "app/device/command_line.h"

namespace trackctl {

struct ProgramCommand {
  std::string_view word;
  CommandLine::Action action;
  // Reads the arguments after the word and runs; the exit status.
  int (*run)(std::span<const char* const> args);
};

// The row of `word`; null when no such command reads its own arguments.
const ProgramCommand* FindProgramCommand(std::string_view word);

}  // namespace trackctl
