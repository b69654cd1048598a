#include "protocol/serial_key_write.h"

#include <string>

#include "protocol/frame.h"
#include "serial/transport.h"

namespace trackctl {
namespace {

constexpr std::string_view kSerialKeyOk = "\xEASERIALKEY_OK\xE4";
constexpr std::size_t kReplyCapacity = 20;

}  // namespace

std::optional<SerialKeyFrame> BuildSerialKeyFrame(std::string_view key) {
  if (key.size() > kSerialKeyLength) return std::nullopt;
  constexpr std::string_view kToken = "SERIALKEY_";
  SerialKeyFrame frame{};
  frame.fill(' ');
  frame[0] = FRAME_START;
  for (std::size_t i = 0; i < kToken.size(); ++i) frame[1 + i] = static_cast<std::uint8_t>(kToken[i]);
  for (std::size_t i = 0; i < key.size(); ++i) frame[11 + i] = static_cast<std::uint8_t>(key[i]);
  frame[21] = FRAME_END;
  return frame;
}

Answer WriteSerialKey(Session& session, const SerialKeyFrame& frame) {
  WritePortBuffer(session.port, frame);
  std::array<std::uint8_t, kReplyCapacity> reply{};
  ReceiveResponse(session, reply, "SERIALKEY", Shown::kByteByByte);
  return Answer{MatchesWhole(reply, kSerialKeyOk), std::string(ReplyText(reply))};
}

}  // namespace trackctl
