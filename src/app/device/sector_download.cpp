#include "app/device/sector_download.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <cstdio>
#include <chrono>
#include <memory>
#include <thread>

#include "app/set_aside_on_signal.h"
#include "files/new_file.h"
#include "files/output_place.h"
#include "logger/logger_download.h"
#include "logger/logger_file.h"
#include "logger/logger_file_name.h"
#include "logger/logger_record.h"

namespace trackctl {
namespace {

// How often, and how long at most, the clock is read while waiting for its next second.
constexpr auto kClockPoll = std::chrono::milliseconds(5);
constexpr int kClockPolls = 400;
// About one block read of a download: what a signal may cost of its file.
constexpr std::uint32_t kRecordsPerFlush = 46;

// The device's text with its control characters shown as '?', for a message.
std::string Printable(std::string_view text) {
  std::string shown(text);
  for (char& c : shown) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
  }
  return shown;
}

// The clock's next second, read from the same clock that gave `first`.
LocalDateTime NextSecond(Clock& clock, const LocalDateTime& first) {
  LocalDateTime now = clock.Now();
  for (int polls = 0; now == first && polls < kClockPolls; ++polls) {
    std::this_thread::sleep_for(kClockPoll);
    now = clock.Now();
  }
  return now;
}

// A logger file is written as NAME.partial and takes its own name only when
// it holds the whole sector.
constexpr std::string_view kPartialSuffix = ".partial";

std::string PartialName(const std::string& name) { return name + std::string(kPartialSuffix); }

// A new logger file for `name`, open as NAME.partial; nothing, with EEXIST,
// when NAME or NAME.partial is taken (a link counts, even one that leads nowhere).
std::unique_ptr<LoggerFile> CreatePartialFile(const std::string& name, int& error) {
  if (NameTaken(name)) {
    error = EEXIST;
    return nullptr;
  }
  auto file = std::make_unique<LoggerFile>(PartialName(name));
  error = file->error();
  return file->IsOpen() ? std::move(file) : nullptr;
}

// Creates the logger file: under `fileName` when given, else under the default
// name of this second or, when that is taken (a download of the same sector
// earlier in the same second), of the next one. A device, FIFO or descriptor
// named by `fileName` is written as it is, a FIFO once it has a reader within
// the session's limit. Nothing when it cannot be created.
std::unique_ptr<LoggerFile> CreateLoggerFile(Session& session, Sector sector,
                                             const std::optional<std::string>& fileName, std::string& name,
                                             int& error) {
  if (fileName) {
    name = *fileName;
    const OutputPlace place = PlaceOf(name);
    if (place.kind != OutputPlace::Kind::kStream && place.kind != OutputPlace::Kind::kDescriptor) {
      return CreatePartialFile(name, error);
    }
    auto file = std::make_unique<LoggerFile>(place, session.limits.replyMs);
    error = file->error();
    return file->IsOpen() ? std::move(file) : nullptr;
  }
  const SerialKey& buffer = session.serialKey;
  const std::string_view key(buffer.data(),
                             static_cast<std::size_t>(std::find(buffer.begin(), buffer.end(), '\0') - buffer.begin()));
  LocalDateTime moment = session.clock.Now();
  for (int attempt = 0; attempt < 2; ++attempt) {
    if (attempt > 0) moment = NextSecond(session.clock, moment);
    const std::optional<std::string> candidate = LoggerFileName(key, SectorLetter(sector), moment);
    if (!candidate) {
      name = "serial key '" + Printable(key) + "'";
      error = EINVAL;
      return nullptr;
    }
    name = *candidate;
    auto file = CreatePartialFile(name, error);
    if (file || error != EEXIST) return file;
  }
  return nullptr;
}

// The logger file of a download until the sector is in whole: renamed from
// NAME.partial to NAME then, and otherwise, however the download ends, kept as
// NAME.partial when it holds records or removed when it holds none, so that a
// logger file under its own name always holds a whole sector. A device, FIFO
// or descriptor written to is what it is, and stays so. The lines written are
// handed to `lines` as well, when given.
class DownloadFile {
 public:
  DownloadFile(std::unique_ptr<LoggerFile> file, std::string name, ConsoleReport& say, std::string* lines)
      : file_(std::move(file)), name_(std::move(name)), say_(say), lines_(lines) {
    if (!file_->IsStream()) onSignal_.emplace(name_);
  }
  ~DownloadFile() {
    if (!kept_ && !file_->IsStream()) SetAside();
  }
  DownloadFile(const DownloadFile&) = delete;
  DownloadFile& operator=(const DownloadFile&) = delete;

  void Write(std::span<const std::uint8_t, kLoggerRecordSize> record) {
    const std::string line = LoggerLineText(record);
    if (file_->Write(line)) ++records_;
    if (lines_ != nullptr) lines_->append(line);
    // A signal leaves the file as the system has it: keep that close to what has arrived.
    if (records_ % kRecordsPerFlush == 0) file_->Flush();
  }
  // Closes the file; false, with the system's reason, when it is not complete.
  bool Close() { return file_->Close(); }
  int error() const { return file_->error(); }
  // The whole sector under the file's own name; false, with errno set, when
  // something has taken that name since the download began: the file then
  // stays NAME.partial.
  bool Keep() {
    kept_ = true;
    return file_->IsStream() || RenameToNewName(PartialName(name_), name_);
  }

 private:
  void SetAside() {
    file_->Close();
    const std::string partial = PartialName(name_);
    if (records_ == 0) {
      std::remove(partial.c_str());
      say_.Problem("download incomplete: " + name_ + " removed, it held no record");
      return;
    }
    say_.Problem("download incomplete: " + name_ + " kept as " + partial);
  }

  std::unique_ptr<LoggerFile> file_;
  std::string name_;
  ConsoleReport& say_;
  std::string* lines_;
  std::optional<SetAsideOnSignal> onSignal_;
  std::uint32_t records_ = 0;
  bool kept_ = false;
};

// Why a file could not be created, in words; `readerWaitMs` is how long a FIFO
// was given to find its reader.
std::string CreationProblem(const std::string& name, int error, std::uint32_t readerWaitMs) {
  if (error == EINVAL) return name + " cannot name a logger file: '/', '\\', ':' or a control character";
  if (error == ENXIO) {
    return name + ": cannot open the logger file: nothing read it within " + std::to_string(readerWaitMs / 1000) +
           " s";
  }
  // The name's folder missing reads as ENOENT.
  const std::string reason = error == ENOENT ? "its folder does not exist" : std::strerror(error);
  return name + ": cannot create the logger file: " + reason;
}

// The file first, so that nothing is asked of the device when it cannot be
// created; the records go into it as they arrive, and into `lines` when given.
// `name` is the file's name, `announced` the records the device's count announced.
Outcome Download(CommandRun& run, Sector sector, const std::optional<std::string>& fileName, std::string& name,
                 std::string* lines, std::uint32_t& announced) {
  int error = 0;
  std::unique_ptr<LoggerFile> created = CreateLoggerFile(run.session, sector, fileName, name, error);
  if (!created) {
    run.say.Say("error creating file\n");
    run.say.Problem(CreationProblem(name, error, run.session.limits.replyMs));
    return Outcome::kFileProblem;
  }
  DownloadFile file(std::move(created), name, run.say, lines);
  run.say.Say("\nSending Logger Read command to Device");
  const SectorRead read = ReadLoggerSector(run.session, sector, [&file](auto record) { file.Write(record); });
  announced = read.records;
  if (read.kind != SectorRead::Kind::kRead) return Outcome::kRefused;
  if (!file.Close()) {
    run.say.Say("ERROR LOGGER_FILE_INCOMPLETE : %s could not be written completely; "
                "it does not hold every record of the sector\n",
                name.c_str());
    run.say.Problem(name + ": cannot write the logger file: " + std::strerror(file.error()));
    return Outcome::kFileProblem;
  }
  if (!read.acknowledged) return Outcome::kRefused;
  if (!file.Keep()) {
    run.say.Problem(name + ": cannot name the logger file: " + std::strerror(errno) + "; the whole sector is in " +
                    PartialName(name));
    return Outcome::kFileProblem;
  }
  return Outcome::kDone;
}

}  // namespace

Outcome DownloadAnnounced(CommandRun& run, Sector sector, const std::optional<std::string>& fileName,
                          std::string& name, std::string* lines, std::uint32_t& announced) {
  run.say.Say("Reading data from %s sector : Started...\n", SectorName(sector));
  const Outcome outcome = Download(run, sector, fileName, name, lines, announced);
  run.say.Say("Reading data from %s sector : Done...\n", SectorName(sector));
  return outcome;
}

}  // namespace trackctl
