#include "protocol/awaited_reply.h"

#include "serial/transport.h"

namespace trackctl {

CommTimeouts ReplyTimeouts(const Session& session) {
  if (session.limits.replyMs == 0) return kCommandTimeouts;
  // The limit is the longest pause before the first byte and between two bytes.
  return CommTimeouts{session.limits.replyMs, 0, session.limits.replyMs, 1, 1000};
}

std::uint8_t AwaitReplyByte(Session& session, std::string_view awaited) {
  for (;;) {
    std::uint8_t byte = 0;
    if (ReadPortByte(byte, session.port) == 1) return byte;
    if (session.limits.replyMs != 0) throw DeviceSilent{std::string(awaited), session.limits.replyMs};
  }
}

std::uint32_t ReadByteWithin(Session& session, std::uint8_t& byte, std::uint32_t milliseconds) {
  return ReadPortByteWithin(byte, session.port, milliseconds, ReplyTimeouts(session));
}

}  // namespace trackctl
