#include "logger/logger_download.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <new>

#include "logger/byte_count.h"
#include "logger/logger_record.h"
#include "protocol/awaited_reply.h"
#include "protocol/frame.h"
#include "serial/port_failure.h"
#include "serial/transport.h"

namespace trackctl {
namespace {

constexpr std::size_t kReplyCapacity = 80;
constexpr std::uint32_t kMaxBlock = 1024;
// This many failed block reads in a row: the port is gone.
constexpr int kMaxFailedBlockReads = 3;
// A device that misbehaves has finished once the line has been quiet this long.
constexpr std::uint32_t kQuietMs = 200;
// A complete reply has ended once its last bytes are followed by this much quiet.
constexpr std::uint32_t kEndQuietMs = 20;

// Whatever the device still sends for this download (the last record byte, a
// closing FRAME_END, a block after a count that was refused) must not be taken
// for the start of the next reply.
void DiscardUntilQuiet(Session& session) {
  std::uint8_t byte = 0;
  while (ReadByteWithin(session, byte, kQuietMs) != 0) {
  }
}

// What follows the counted bytes of the data block. A complete reply ends with
// its last record byte (for an empty sector: the block's FRAME_START) and
// FRAME_END; when exactly those come and the line then stays quiet for a moment,
// the download is over. Anything else is discarded until the line is quiet.
void FinishReply(Session& session) {
  std::uint8_t tail[2] = {};
  if (ReadByteWithin(session, tail[0], kQuietMs) == 0) return;
  if (ReadByteWithin(session, tail[1], kQuietMs) == 0) return;
  std::uint8_t byte = 0;
  if (tail[1] == FRAME_END && ReadByteWithin(session, byte, kEndQuietMs) == 0) return;
  DiscardUntilQuiet(session);
}

// The data block: FRAME_START, then byteCount - 1 bytes into the block after it.
// Each record goes to `sink` once its bytes are in; the last one, whose last
// byte follows the counted bytes, once the counted bytes are.
void ReceiveDataBlock(Session& session, SectorRead& read, std::uint32_t byteCount, const RecordSink& sink,
                      std::string_view awaited) {
  std::uint8_t* const buffer = read.block.get();
  while (AwaitReplyByte(session, awaited) != FRAME_START) {
  }
  buffer[0] = FRAME_START;

  std::uint32_t total = 1;
  int failedInARow = 0;
  while (total < byteCount) {
    const std::uint32_t wanted = std::min(byteCount - total, kMaxBlock);
    const BlockRead block = ReadPortBlock(session.port, std::span<std::uint8_t>(buffer + total, wanted));
    total += block.count;
    if (block.dtrRaiseFailed || block.failed || block.count == 0 || block.dtrLowerFailed) {
      session.report.BlockReadProblem(
          BlockReadProblems{block.dtrRaiseFailed, block.failed, block.count == 0, block.dtrLowerFailed});
    }
    failedInARow = block.failed ? failedInARow + 1 : 0;
    if (failedInARow >= kMaxFailedBlockReads) FailPort(PortStep::kRead, session.port.LastError());
    if (block.count == 0 && !block.failed && session.limits.replyMs != 0) {
      throw DeviceSilent{std::string(awaited), session.limits.replyMs};
    }
    for (; read.delivered < (total - 1) / kLoggerRecordSize; ++read.delivered) sink(read.Record(read.delivered));
    session.report.Progress(Transfer::kLoggerRecords, total / kLoggerRecordSize, read.records);
  }
}

}  // namespace

SectorRead ReadLoggerSector(Session& session, Sector sector, const RecordSink& sink) {
  const char letter = SectorLetter(sector);
  const std::array<std::uint8_t, 7> request{FRAME_START, static_cast<std::uint8_t>(letter), 'R', 'E', 'A', 'D',
                                            FRAME_END};
  WritePortBuffer(session.port, request);
  const std::string_view awaited(reinterpret_cast<const char*>(request.data()) + 1, 5);

  std::array<std::uint8_t, kReplyCapacity> reply{};
  ReceiveResponse(session, reply, awaited);
  const char acknowledgement[] = {static_cast<char>(FRAME_START), letter, 'R', 'E', 'A', 'D', '_', 'O', 'K', '_'};
  SectorRead read;
  read.acknowledged = MatchesPrefix(reply, std::string_view(acknowledgement, sizeof acknowledgement));
  const std::uint32_t byteCount = ParseByteCount(ReplyText(reply));
  if (byteCount % kLoggerRecordSize != 0) {
    session.report.StepBegun(Step::kCountRefused);
    DiscardUntilQuiet(session);
    return read;
  }

  read.records = byteCount / static_cast<std::uint32_t>(kLoggerRecordSize);
  session.report.RecordsAnnounced(read.records);
  const std::uint64_t bufferSize = (std::uint64_t{read.records} + 1) * kLoggerRecordSize;
  if (bufferSize <= SIZE_MAX) read.block.reset(new (std::nothrow) std::uint8_t[static_cast<std::size_t>(bufferSize)]());
  if (!read.block) {
    session.report.RecordsTooMany(read.records);
    DiscardUntilQuiet(session);
    read.kind = SectorRead::Kind::kTooMany;
    return read;
  }

  if (byteCount != 0) ReceiveDataBlock(session, read, byteCount, sink, awaited);
  for (; read.delivered < read.records; ++read.delivered) sink(read.Record(read.delivered));
  FinishReply(session);
  read.kind = SectorRead::Kind::kRead;
  return read;
}

}  // namespace trackctl
