#include "app/device/sector_erase.h"

#include "logger/logger_erase.h"

namespace trackctl {
namespace {

Outcome Erase(CommandRun& run, Sector sector) {
  const EraseAnswer answer = EraseLoggerSector(run.session, sector);
  switch (answer.kind) {
    case EraseAnswer::Kind::kDone:
      run.say.Say("\nDeleting Logger Data in %s Sector Done...", SectorName(sector));
      return Outcome::kDone;
    case EraseAnswer::Kind::kDelError:
      run.say.Say("\nERROR RESPONSE...%s RETRY\n", run.say.Device(answer.reply).c_str());
      break;
    case EraseAnswer::Kind::kUnexpected:
      break;
  }
  return Outcome::kRefused;
}

}  // namespace

Outcome EraseAnnounced(CommandRun& run, Sector sector) {
  run.say.Say("Deleting data in %s sector : Started...\n", SectorName(sector));
  const Outcome outcome = Erase(run, sector);
  run.say.Say("Deleting data in %s sector : Over...\n\n", SectorName(sector));
  return outcome;
}

}  // namespace trackctl
