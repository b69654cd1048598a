#include "protocol/read_configuration.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <string>

#include "protocol/config_record.h"
#include "protocol/readconfig_frames.h"
#include "serial/transport.h"

namespace trackctl {
namespace {

constexpr std::size_t kReplyBufferSize = 1024;
// How long a reply that may have ended early is given to go on.
constexpr std::uint32_t kShortReplyWaitMs = 1000;

// Reads the reply. False when it ended short of the length its kind letter
// announces: a FRAME_END came early and nothing followed it.
bool CollectReply(SerialPort& port, ConfigReplyCollector& collector) {
  while (!collector.done()) {
    std::uint8_t byte = 0;
    if (collector.mayHaveEnded()) {
      if (ReadPortByteWithin(byte, port, kShortReplyWaitMs) == 0) return false;
    } else if (ReadPortByte(byte, port) == 0) {
      continue;
    }
    collector.Feed(byte);
  }
  return true;
}

// What the console shows for a complete reply.
std::string DescribeReply(std::span<const std::uint8_t> reply) {
  if (!MatchesPrefix(reply, kReadConfigOk)) {
    if (MatchesPrefix(reply, "\xEA" "ERROR")) return "\nan error occured. " + std::string(ReplyText(reply)) + "\n";
    return "\nunknown error occured.";
  }
  std::string out = "...DONE\n";
  ConfigRecord config;
  const auto key = reply.subspan(kReplyKeyOffset, kReplyKeySize);
  std::copy(key.begin(), std::find(key.begin(), key.end(), 0), config.serialKey.begin());
  config.kind = static_cast<char>(reply[kReplyKindOffset]);
  const auto payload = reply.subspan(kReplyHeaderSize);
  const auto configBlock = payload.first<kConfigBlockSize>();
  StatusRecord status;
  switch (config.kind) {
    case 'C':
      ParseConfigRecord(configBlock, config);
      out += FormatConfigRecord(config);
      break;
    case 'D':
      ParseStatusRecord(payload.first<kStatusBlockSize>(), status);
      out += FormatStatusRecord(status);
      break;
    case 'F':
      ParseConfigRecord(configBlock, config);
      ParseStatusRecord(payload.subspan<kConfigBlockSize, kStatusBlockSize>(), status);
      out += FormatConfigRecord(config);
      out += FormatStatusRecord(status);
      break;
    default:
      break;
  }
  return out;
}

}  // namespace

void ReadConfiguration(Session& session) {
  const auto request = BuildReadConfigRequest(session.clock.Now(), PlainRandomByte(session.random));
  std::fputs("\nSending READ CONFIG command to Device", stdout);
  WritePortBuffer(session.port, request);

  // Zeroed: the key and kind letter of a reply that ends before them read as 0x00.
  std::array<std::uint8_t, kReplyBufferSize> reply{};
  ConfigReplyCollector collector(reply);
  if (!CollectReply(session.port, collector)) {
    std::printf("\nshort reply from device: %u of %u bytes received.\n", static_cast<unsigned>(collector.length()),
                static_cast<unsigned>(collector.announcedLength().value_or(0)));
    return;
  }
  std::fputs(DescribeReply(reply).c_str(), stdout);
}

}  // namespace trackctl
