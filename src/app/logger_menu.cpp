#include "app/logger_menu.h"

#include <cstdio>

#include "logger/logger_download.h"
#include "logger/logger_erase.h"
#include "serial/program_exit.h"

namespace trackctl {

void ShowLoggerMenu(Session& session, Console& console) {
  std::printf("Select\n");
  std::printf("******\n");
  std::printf("\tRead Data in SMS Sector...1\n");
  std::printf("\tRead Data in DataCall Sector...2\n");
  std::printf("\tDelete Logger Data in SMS Sector...3\n");
  std::printf("\tDelete Logger Data in DataCall Sector...4\n");
  std::printf("\tExit this... 5\n");
  console.DiscardPending();
  const int choice = console.ReadInt();

  switch (choice) {
    case 1:
      std::printf("Reading data from SMS sector : Started...\n");
      ReadLoggerSector(session, 1);
      std::printf("Reading data from SMS sector : Done...\n");
      break;
    case 2:
      std::printf("Reading data from DataCall sector : Started...\n");
      ReadLoggerSector(session, 0);
      std::printf("Reading data from DataCall sector : Done...\n");
      break;
    case 3:
      std::printf("Deleting data in SMS sector : Started...\n");
      EraseLoggerSector(session, 1);
      std::printf("Deleting data in SMS sector : Over...\n\n");
      break;
    case 4:
      std::printf("Deleting data in DataCall sector : Started...\n");
      EraseLoggerSector(session, 0);
      std::printf("Deleting data in DataCall sector : Over...\n\n");
      break;
    case 5:
      EndProgram(0);
    default:
      std::printf("Wrong choice...\n\n\n");
      break;
  }
}

}  // namespace trackctl
