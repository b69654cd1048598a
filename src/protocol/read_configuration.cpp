#include "protocol/read_configuration.h"

#include <algorithm>

#include "protocol/readconfig_frames.h"
#include "protocol/awaited_reply.h"
#include "serial/transport.h"

namespace trackctl {
namespace {

// How long a reply that may have ended early is given to go on.
constexpr std::uint32_t kShortReplyWaitMs = 1000;

// Reads the reply. False when it ended short of the length its kind letter
// announces: a FRAME_END came early and nothing followed it.
bool CollectReply(Session& session, ConfigReplyCollector& collector) {
  while (!collector.done()) {
    std::uint8_t byte = 0;
    if (collector.mayHaveEnded()) {
      if (ReadByteWithin(session, byte, kShortReplyWaitMs) == 0) return false;
    } else {
      byte = AwaitReplyByte(session, "READCONFIG");
    }
    collector.Feed(byte);
  }
  return true;
}

bool IsSuccess(const ConfigReply& reply) { return reply.complete && MatchesPrefix(reply.bytes, kReadConfigOk); }

}  // namespace

ConfigReply ExchangeReadConfig(Session& session) {
  const auto request = BuildReadConfigRequest(session.clock.Now(), PlainRandomByte(session.random));
  WritePortBuffer(session.port, request);

  ConfigReply reply;
  ConfigReplyCollector collector(reply.bytes);
  reply.complete = CollectReply(session, collector);
  reply.length = collector.length();
  reply.announcedLength = collector.announcedLength().value_or(0);
  return reply;
}

ConfigReplyRecords DecodeConfigReply(const ConfigReply& reply) {
  ConfigReplyRecords records;
  if (!IsSuccess(reply)) return records;
  records.success = true;
  const std::span<const std::uint8_t> bytes(reply.bytes);
  ConfigRecord& config = records.config;
  const auto key = bytes.subspan(kReplyKeyOffset, kReplyKeySize);
  std::copy(key.begin(), std::find(key.begin(), key.end(), 0), config.serialKey.begin());
  config.kind = static_cast<char>(bytes[kReplyKindOffset]);
  const auto payload = bytes.subspan(kReplyHeaderSize);
  if (CarriesConfigBlock(config.kind)) ParseConfigRecord(payload.first<kConfigBlockSize>(), config);
  // 'D' carries the status block alone, 'F' after the configuration block.
  if (config.kind == 'D') ParseStatusRecord(payload.first<kStatusBlockSize>(), records.status);
  if (config.kind == 'F') ParseStatusRecord(payload.subspan<kConfigBlockSize, kStatusBlockSize>(), records.status);
  return records;
}

ConfigReplyKind ClassifyConfigReply(const ConfigReply& reply) {
  if (!reply.complete) return ConfigReplyKind::kShort;
  if (MatchesPrefix(reply.bytes, kReadConfigOk)) return ConfigReplyKind::kRecords;
  if (MatchesPrefix(reply.bytes, "\xEA" "ERROR")) return ConfigReplyKind::kDeviceError;
  return ConfigReplyKind::kUnknown;
}

Outcome ConfigReplyOutcome(const ConfigReply& reply) {
  const ConfigReplyRecords records = DecodeConfigReply(reply);
  const char kind = records.config.kind;
  return records.success && (CarriesConfigBlock(kind) || CarriesStatusBlock(kind)) ? Outcome::kDone
                                                                                   : Outcome::kRefused;
}

}  // namespace trackctl
