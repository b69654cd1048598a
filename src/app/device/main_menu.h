// The main menu: one command per choice, until the operator leaves.
#pragma once

#include "app/device/device_commands.h"

namespace trackctl {

// Prints the menu and returns the number the operator typed (0 when none).
int ShowMainMenu(ConsoleReport& say, Console& console);

// Shows the menu, runs the chosen command, waits for a key and clears the
// console, again and again; choice 0 ends the run with status 0.
[[noreturn]] void RunMainMenu(CommandRun& run);

}  // namespace trackctl
