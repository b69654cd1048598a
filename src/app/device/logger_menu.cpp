#include "app/device/logger_menu.h"

#include <optional>

#include "app/device/sector_download.h"
#include "app/device/sector_erase.h"
#include "app/program_exit.h"

namespace trackctl {

void ShowLoggerMenu(CommandRun& run) {
  run.say.Say("Select\n");
  run.say.Say("******\n");
  run.say.Say("\tRead Data in SMS Sector...1\n");
  run.say.Say("\tRead Data in DataCall Sector...2\n");
  run.say.Say("\tDelete Logger Data in SMS Sector...3\n");
  run.say.Say("\tDelete Logger Data in DataCall Sector...4\n");
  run.say.Say("\tExit this... 5\n");
  run.console->DiscardPending();
  const int choice = run.console->ReadInt();

  switch (choice) {
    case 1:
    case 2:
      DownloadAnnounced(run, choice == 1 ? Sector::kSms : Sector::kDataCall, std::nullopt, false);
      break;
    case 3:
    case 4:
      EraseAnnounced(run, choice == 3 ? Sector::kSms : Sector::kDataCall);
      break;
    case 5:
      EndProgram(0);
    default:
      run.say.Say("Wrong choice...\n\n\n");
      break;
  }
}

}  // namespace trackctl
