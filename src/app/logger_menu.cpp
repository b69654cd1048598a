#include "app/logger_menu.h"

#include <cstdio>

#include "logger/logger_download.h"
#include "logger/logger_erase.h"
#include "serial/program_exit.h"

namespace trackctl {
namespace {

const char* SectorName(int isSmsSector) { return isSmsSector != 0 ? "SMS" : "DataCall"; }

}  // namespace

Outcome DownloadSector(Session& session, int isSmsSector, const std::optional<std::string>& fileName) {
  std::printf("Reading data from %s sector : Started...\n", SectorName(isSmsSector));
  const Outcome outcome = ReadLoggerSector(session, isSmsSector, fileName);
  std::printf("Reading data from %s sector : Done...\n", SectorName(isSmsSector));
  return outcome;
}

Outcome EraseSector(Session& session, int isSmsSector) {
  std::printf("Deleting data in %s sector : Started...\n", SectorName(isSmsSector));
  const Outcome outcome = EraseLoggerSector(session, isSmsSector);
  std::printf("Deleting data in %s sector : Over...\n\n", SectorName(isSmsSector));
  return outcome;
}

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
    case 2:
      DownloadSector(session, choice == 1 ? 1 : 0);
      break;
    case 3:
    case 4:
      EraseSector(session, choice == 3 ? 1 : 0);
      break;
    case 5:
      EndProgram(0);
    default:
      std::printf("Wrong choice...\n\n\n");
      break;
  }
}

}  // namespace trackctl
