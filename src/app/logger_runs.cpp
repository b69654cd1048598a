#include <algorithm>
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "app/command_runs.h"
#include "app/program_exit.h"
#include "files/output_place.h"
#include "logger/logger_download.h"
#include "logger/logger_erase.h"
#include "logger/logger_file.h"
#include "logger/logger_file_name.h"

namespace trackctl {
namespace {

// How often, and how long at most, the clock is read while waiting for its next second.
constexpr auto kClockPoll = std::chrono::milliseconds(5);
constexpr int kClockPolls = 400;

const char* SectorName(Sector sector) { return sector == Sector::kSms ? "SMS" : "DataCall"; }

// The clock's next second, read from the same clock that gave `first`.
LocalDateTime NextSecond(Clock& clock, const LocalDateTime& first) {
  LocalDateTime now = clock.Now();
  for (int polls = 0; now == first && polls < kClockPolls; ++polls) {
    std::this_thread::sleep_for(kClockPoll);
    now = clock.Now();
  }
  return now;
}

// Creates the logger file: under `fileName` when given, else under the default
// name of this second or, when that is taken (a download of the same sector
// earlier in the same second), of the next one. Nothing when it cannot be created.
std::unique_ptr<LoggerFile> CreateLoggerFile(Session& session, Sector sector,
                                             const std::optional<std::string>& fileName, std::string& name) {
  if (fileName) {
    name = *fileName;
    // A device or FIFO is written as it is; anything else must be a new name.
    const OutputPlace place = PlaceOf(name);
    const bool stream = place.kind == OutputPlace::Kind::kStream;
    auto file = std::make_unique<LoggerFile>(stream ? place.path : name,
                                             stream ? LoggerFile::Target::kStream : LoggerFile::Target::kNewFile);
    return file->IsOpen() ? std::move(file) : nullptr;
  }
  const SerialKey& buffer = session.serialKey;
  const std::string_view key(buffer.data(),
                             static_cast<std::size_t>(std::find(buffer.begin(), buffer.end(), '\0') - buffer.begin()));
  LocalDateTime moment = session.clock.Now();
  for (int attempt = 0; attempt < 2; ++attempt) {
    if (attempt > 0) moment = NextSecond(session.clock, moment);
    const std::optional<std::string> candidate = LoggerFileName(key, SectorLetter(sector), moment);
    if (!candidate) return nullptr;
    name = *candidate;
    auto file = std::make_unique<LoggerFile>(name);
    if (file->IsOpen()) return file;
    if (!file->NameTaken()) return nullptr;
  }
  return nullptr;
}

// The file first, so that nothing is asked of the device when it cannot be
// created; the records go into it once the whole sector has arrived.
Outcome Download(CommandRun& run, Sector sector, const std::optional<std::string>& fileName) {
  std::string name;
  const std::unique_ptr<LoggerFile> file = CreateLoggerFile(run.session, sector, fileName, name);
  if (!file) {
    run.say.Say("error creating file\n");
    return Outcome::kFileProblem;
  }
  run.say.Say("\nSending Logger Read command to Device");
  const SectorRead read = ReadLoggerSector(run.session, sector);
  if (read.kind != SectorRead::Kind::kRead) return Outcome::kRefused;

  bool written = true;
  for (std::uint32_t i = 0; i < read.records && written; ++i) written = WriteLoggerRecord(*file, read.Record(i));
  if (!file->Close() || !written) {
    run.say.Say("ERROR LOGGER_FILE_INCOMPLETE : %s could not be written completely; "
                "it does not hold every record of the sector\n",
                name.c_str());
    return Outcome::kFileProblem;
  }
  return read.acknowledged ? Outcome::kDone : Outcome::kRefused;
}

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

Outcome DownloadAnnounced(CommandRun& run, Sector sector, const std::optional<std::string>& fileName) {
  run.say.Say("Reading data from %s sector : Started...\n", SectorName(sector));
  const Outcome outcome = Download(run, sector, fileName);
  run.say.Say("Reading data from %s sector : Done...\n", SectorName(sector));
  return outcome;
}

Outcome EraseAnnounced(CommandRun& run, Sector sector) {
  run.say.Say("Deleting data in %s sector : Started...\n", SectorName(sector));
  const Outcome outcome = Erase(run, sector);
  run.say.Say("Deleting data in %s sector : Over...\n\n", SectorName(sector));
  return outcome;
}

}  // namespace

Outcome DownloadSector(CommandRun& run, const DeviceCommand& command) {
  return DownloadAnnounced(run, command.sector, command.outputFile);
}

Outcome EraseSector(CommandRun& run, const DeviceCommand& command) { return EraseAnnounced(run, command.sector); }

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
      DownloadAnnounced(run, choice == 1 ? Sector::kSms : Sector::kDataCall, std::nullopt);
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
