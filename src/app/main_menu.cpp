#include "app/main_menu.h"

#include <cstdio>

#include "app/logger_menu.h"
#include "app/menu_prompts.h"
#include "protocol/read_configuration.h"
#include "protocol/start_tracking.h"
#include "protocol/stop_tracking.h"
#include "serial/program_exit.h"

namespace trackctl {
namespace {

// The menu shows each command's outcome in its messages and goes on whatever it is.
using Command = void (*)(Session&, Console&);

void NoAction(Session&, Console&) {}

// Choices 0..9; 0 leaves the program and is handled before the table.
constexpr Command kCommands[10] = {
    nullptr,                                                // 0 Exit this
    [](Session& session, Console&) { ReadConfiguration(session); },  // 1 Read Configuration Parameters
    NoAction,                                               // 2 Set Configuration Parameters
    ShowLoggerMenu,                                         // 3 LoggerRecord Messages
    UpgradeCodeFromMenu,                                    // 4 Upgrade the Code
    [](Session& session, Console&) { StartTracking(session); },      // 5 Start Tracking
    [](Session& session, Console&) { StopTracking(session); },       // 6 Stop Tracking
    NoAction,                                               // 7 Set Waypoints
    NoAction,                                               // 8 Boot Upgrade
    WriteSerialKeyFromMenu,                                 // 9 Write Serial Key
};

}  // namespace

int ShowMainMenu(Console& console) {
  std::printf("Select\n");
  std::printf("******\n");
  std::printf("\tRead Configuration Parameters...1\n");
  std::printf("\tSet Configuration Parameters...2\n");
  std::printf("\tLoggerRecord Messages...3\n");
  std::printf("\tUpgrade the Code...4\n");
  std::printf("\tStart Tracking...5\n");
  std::printf("\tStop Tracking...6\n");
  std::printf("\tSet Waypoints...7\n");
  std::printf("\tBoot Upgrade...8\n");
  std::printf("\tWrite Serial Key...9\n");
  std::printf("\tExit this... 0\n");
  console.DiscardPending();
  return console.ReadInt();
}

void RunMainMenu(Session& session, Console& console) {
  for (;;) {
    const int choice = ShowMainMenu(console);
    if (choice == 0) EndProgram(0);
    if (choice > 0 && choice <= 9) {
      kCommands[choice](session, console);
    } else {
      std::printf("Wrong choice...\n\n\n");
    }
    std::printf("\nPress any key to Continue...");
    console.WaitKey();
    console.Clear();
  }
}

}  // namespace trackctl
