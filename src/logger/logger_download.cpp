#include "logger/logger_download.h"

#include <algorithm>
#include <chrono>
#include <array>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <thread>

#include "logger/byte_count.h"
#include "logger/logger_file.h"
#include "logger/logger_file_name.h"
#include "logger/logger_record.h"
#include "protocol/frame.h"
#include "serial/transport.h"

namespace trackctl {
namespace {

constexpr std::size_t kReplyCapacity = 80;
constexpr std::uint32_t kMaxBlock = 1024;
constexpr std::uint32_t kProgressStep = 100;
// This many failed block reads in a row: the port is gone.
constexpr int kMaxFailedBlockReads = 3;
// A device that misbehaves has finished once the line has been quiet this long.
constexpr std::uint32_t kQuietMs = 200;
// A complete reply has ended once its last bytes are followed by this much quiet.
constexpr std::uint32_t kEndQuietMs = 20;
// How often, and how long at most, the clock is read while waiting for its next second.
constexpr auto kClockPoll = std::chrono::milliseconds(5);
constexpr int kClockPolls = 400;

// Whatever the device still sends for this download (the last record byte, a
// closing FRAME_END, a block after a count that was refused) must not be taken
// for the start of the next reply.
void DiscardUntilQuiet(SerialPort& port) {
  std::uint8_t byte = 0;
  while (ReadPortByteWithin(byte, port, kQuietMs) != 0) {
  }
}

// What follows the counted bytes of the data block. A complete reply ends with
// its last record byte (for an empty sector: the block's FRAME_START) and
// FRAME_END; when exactly those come and the line then stays quiet for a moment,
// the download is over. Anything else is discarded until the line is quiet.
void FinishReply(SerialPort& port) {
  std::uint8_t tail[2] = {};
  if (ReadPortByteWithin(tail[0], port, kQuietMs) == 0) return;
  if (ReadPortByteWithin(tail[1], port, kQuietMs) == 0) return;
  std::uint8_t byte = 0;
  if (tail[1] == FRAME_END && ReadPortByteWithin(byte, port, kEndQuietMs) == 0) return;
  DiscardUntilQuiet(port);
}

// The data block: FRAME_START, then byteCount - 1 bytes into `buffer` after it.
void ReceiveDataBlock(SerialPort& port, std::uint8_t* buffer, std::uint32_t byteCount) {
  std::uint8_t byte = 0;
  do {
    ReadPortByte(byte, port);
  } while (byte != FRAME_START);
  buffer[0] = byte;

  std::uint32_t total = 1;
  std::uint32_t threshold = kProgressStep;
  int failedInARow = 0;
  while (total < byteCount) {
    const std::uint32_t wanted = std::min(byteCount - total, kMaxBlock);
    bool failed = false;
    total += ReadPortBlock(port, std::span<std::uint8_t>(buffer + total, wanted), &failed);
    failedInARow = failed ? failedInARow + 1 : 0;
    if (failedInARow >= kMaxFailedBlockReads) FatalPortError("Reading .....", port.LastError());
    if (total / kLoggerRecordSize > threshold) {
      std::printf("Done : %d\n", static_cast<int>(total / kLoggerRecordSize));
      threshold += kProgressStep;
    }
  }
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

// Creates the logger file: under `fileName` when given, else under the default
// name of this second or, when that is taken (a download of the same sector
// earlier in the same second), of the next one. Nothing when it cannot be created.
std::unique_ptr<LoggerFile> CreateLoggerFile(Session& session, char sector,
                                             const std::optional<std::string>& fileName, std::string& name) {
  if (fileName) {
    name = *fileName;
    auto file = std::make_unique<LoggerFile>(name);
    return file->IsOpen() ? std::move(file) : nullptr;
  }
  const SerialKey& buffer = session.serialKey;
  const std::string_view key(buffer.data(),
                             static_cast<std::size_t>(std::find(buffer.begin(), buffer.end(), '\0') - buffer.begin()));
  LocalDateTime moment = session.clock.Now();
  for (int attempt = 0; attempt < 2; ++attempt) {
    if (attempt > 0) moment = NextSecond(session.clock, moment);
    const std::optional<std::string> candidate = LoggerFileName(key, sector, moment);
    if (!candidate) return nullptr;
    name = *candidate;
    auto file = std::make_unique<LoggerFile>(name);
    if (file->IsOpen()) return file;
    if (!file->NameTaken()) return nullptr;
  }
  return nullptr;
}

}  // namespace

Outcome ReadLoggerSector(Session& session, int isSmsSector, const std::optional<std::string>& fileName) {
  SerialPort& port = session.port;
  const char sector = isSmsSector != 0 ? 'P' : 'O';
  std::string name;
  const std::unique_ptr<LoggerFile> file = CreateLoggerFile(session, sector, fileName, name);
  if (!file) {
    std::printf("error creating file\n");
    return Outcome::kFileProblem;
  }

  std::printf("\nSending Logger Read command to Device");
  const std::array<std::uint8_t, 7> request{FRAME_START, static_cast<std::uint8_t>(sector), 'R', 'E', 'A', 'D',
                                            FRAME_END};
  WritePortBuffer(port, request);

  std::array<std::uint8_t, kReplyCapacity> reply{};
  ReceiveResponse(port, reply, false);
  // A reply without the acknowledgement reads as a count of 0, as on the menu,
  // but the download is not taken for a success.
  const char acknowledgement[] = {static_cast<char>(FRAME_START), sector, 'R', 'E', 'A', 'D', '_', 'O', 'K', '_'};
  const bool acknowledged = MatchesPrefix(reply, std::string_view(acknowledgement, sizeof acknowledgement));
  const std::uint32_t byteCount = ParseByteCount(ReplyText(reply));
  if (byteCount % kLoggerRecordSize != 0) {
    std::printf("ERROR COM_DOWNLOAD_DATA_INCORRECT\n");
    DiscardUntilQuiet(port);
    return Outcome::kRefused;
  }

  const std::uint32_t records = byteCount / static_cast<std::uint32_t>(kLoggerRecordSize);
  std::printf("No of records = %d\n", static_cast<int>(records));
  const std::uint64_t bufferSize = (std::uint64_t{records} + 1) * kLoggerRecordSize;
  std::unique_ptr<std::uint8_t[]> buffer;
  if (bufferSize <= SIZE_MAX) buffer.reset(new (std::nothrow) std::uint8_t[static_cast<std::size_t>(bufferSize)]);
  if (!buffer) {
    std::printf("ERROR NOT_ENOUGH_MEMORY for %u records; nothing is downloaded\n", static_cast<unsigned>(records));
    DiscardUntilQuiet(port);
    return Outcome::kRefused;  // a count no sector holds
  }

  if (byteCount != 0) ReceiveDataBlock(port, buffer.get(), byteCount);
  FinishReply(port);

  bool written = true;
  for (std::uint32_t j = 0; j < records && written; ++j) {
    written = WriteLoggerRecord(*file, std::span<const std::uint8_t, kLoggerRecordSize>(
                                           buffer.get() + 1 + kLoggerRecordSize * j, kLoggerRecordSize));
  }
  if (!file->Close() || !written) {
    std::printf("ERROR LOGGER_FILE_INCOMPLETE : %s could not be written completely; "
                "it does not hold every record of the sector\n",
                name.c_str());
    return Outcome::kFileProblem;
  }
  return acknowledged ? Outcome::kDone : Outcome::kRefused;
}

}  // namespace trackctl
