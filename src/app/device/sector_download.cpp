#include "app/device/sector_download.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <cstdio>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

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

// The serial key that the handshake put in the session, up to its NUL.
std::string KeyText(const SerialKey& buffer) {
  return std::string(buffer.data(),
                     static_cast<std::size_t>(std::find(buffer.begin(), buffer.end(), '\0') - buffer.begin()));
}

// Creates the logger file: under `fileName` when given, else under the default
// name of this second or, when that is taken (a download of the same sector
// earlier in the same second), of the next one. A device, FIFO or descriptor
// named by `fileName` is written as it is, a FIFO once it has a reader within
// the session's limit. Nothing when it cannot be created. `moment` is the
// local time that the file was named at.
std::unique_ptr<LoggerFile> CreateLoggerFile(Session& session, Sector sector,
                                             const std::optional<std::string>& fileName, std::string& name,
                                             LocalDateTime& moment, int& error) {
  moment = session.clock.Now();
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
  const std::string key = KeyText(session.serialKey);
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
// or descriptor written to is what it is, and stays so. The records received
// are kept in `received` as well, when given.
class DownloadFile {
 public:
  DownloadFile(std::unique_ptr<LoggerFile> file, std::string name, ConsoleReport& say,
               std::vector<LoggerLine>* received)
      : file_(std::move(file)), name_(std::move(name)), say_(say), received_(received) {
    if (!file_->IsStream()) onSignal_.emplace(name_);
  }
  ~DownloadFile() {
    if (!kept_ && !file_->IsStream()) SetAside();
  }
  DownloadFile(const DownloadFile&) = delete;
  DownloadFile& operator=(const DownloadFile&) = delete;

  void Write(std::span<const std::uint8_t, kLoggerRecordSize> record) {
    const LoggerLine line = LoggerLineOf(DecodeLoggerRecord(record));
    if (file_->Write(FormatLoggerLine(line))) ++records_;
    if (received_ != nullptr) received_->push_back(line);
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
  std::vector<LoggerLine>* received_;
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
// created; the records go into it as they arrive, and into the facts when
// `keepRecords` says so.
DownloadedSector Download(CommandRun& run, Sector sector, const std::optional<std::string>& fileName,
                          bool keepRecords) {
  DownloadedSector result;
  DownloadFacts& facts = result.facts;
  facts.device = KeyText(run.session.serialKey);
  facts.sector = sector;
  facts.version = run.device.version[0] + ":" + run.device.version[1] + ":" + run.device.version[2];
  facts.deviceType = run.device.deviceType;
  const std::string& name = facts.fileName;
  int error = 0;
  std::unique_ptr<LoggerFile> created =
      CreateLoggerFile(run.session, sector, fileName, facts.fileName, facts.downloaded, error);
  if (!created) {
    run.say.Say("error creating file\n");
    run.say.Problem(CreationProblem(name, error, run.session.limits.replyMs));
    return result;
  }
  DownloadFile file(std::move(created), name, run.say, keepRecords ? &facts.records : nullptr);
  run.say.Say("\nSending Logger Read command to Device");
  const SectorRead read = ReadLoggerSector(run.session, sector, [&file](auto record) { file.Write(record); });
  facts.announced = read.records;
  result.outcome = Outcome::kRefused;
  if (read.kind != SectorRead::Kind::kRead) return result;
  if (!file.Close()) {
    run.say.Say("ERROR LOGGER_FILE_INCOMPLETE : %s could not be written completely; "
                "it does not hold every record of the sector\n",
                name.c_str());
    run.say.Problem(name + ": cannot write the logger file: " + std::strerror(file.error()));
    result.outcome = Outcome::kFileProblem;
    return result;
  }
  if (!read.acknowledged) return result;
  if (!file.Keep()) {
    run.say.Problem(name + ": cannot name the logger file: " + std::strerror(errno) + "; the whole sector is in " +
                    PartialName(name));
    result.outcome = Outcome::kFileProblem;
    return result;
  }
  result.outcome = Outcome::kDone;
  return result;
}

}  // namespace

DownloadedSector DownloadAnnounced(CommandRun& run, Sector sector, const std::optional<std::string>& fileName,
                                   bool keepRecords) {
  run.say.Say("Reading data from %s sector : Started...\n", SectorName(sector));
  DownloadedSector download = Download(run, sector, fileName, keepRecords);
  run.say.Say("Reading data from %s sector : Done...\n", SectorName(sector));
  return download;
}

}  // namespace trackctl
