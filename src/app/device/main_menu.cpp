#include "app/device/main_menu.h"

#include "app/program_exit.h"

namespace trackctl {
namespace {

constexpr int kLastChoice = 9;

}  // namespace

int ShowMainMenu(ConsoleReport& say, Console& console) {
  say.Say("Select\n");
  say.Say("******\n");
  for (int choice = 1; choice <= kLastChoice; ++choice) {
    if (const DeviceCommandRow* row = FindMenuChoice(choice)) say.Say("\t%s...%d\n", row->menuLabel, choice);
  }
  say.Say("\tExit this... 0\n");
  console.DiscardPending();
  return console.ReadInt();
}

void RunMainMenu(CommandRun& run) {
  for (;;) {
    const int choice = ShowMainMenu(run.say, *run.console);
    if (choice == 0) EndProgram(0);
    if (const DeviceCommandRow* row = FindMenuChoice(choice)) {
      // The menu shows each command's outcome in its messages and goes on whatever it is.
      if (row->menu != nullptr) row->menu(run);
    } else {
      run.say.Say("Wrong choice...\n\n\n");
    }
    run.say.Say("\nPress any key to Continue...");
    run.console->WaitKey();
    run.console->Clear();
  }
}

}  // namespace trackctl
