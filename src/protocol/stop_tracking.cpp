#include "protocol/stop_tracking.h"

#include <cstring>
#include <string_view>

#include "protocol/byte_order.h"
#include "protocol/frame.h"
#include "protocol/random_byte.h"
#include "serial/transport.h"

namespace trackctl {
namespace {

constexpr std::string_view kHead = "\xEA" "STOPTRACK";
constexpr std::string_view kExpectedReply = "\xEA" "STOPTRACK_OK\xE4";
constexpr std::size_t kReplyCapacity = 80;

}  // namespace

StopFrame BuildStopFrame(const LocalDateTime& now, std::uint8_t randomByte) {
  StopFrame frame{};  // the bytes after the date word stay 0x00
  std::memcpy(frame.data(), kHead.data(), kHead.size());
  std::size_t at = kHead.size();
  frame[at++] = randomByte;
  WriteBigEndian(std::span(frame).subspan(at, 2), EncodeTimeWord(now), 2);
  WriteBigEndian(std::span(frame).subspan(at + 2, 2), EncodeDateWord(now), 2);
  frame[kStopFrameSize - 1] = FRAME_END;
  return frame;
}

Answer StopTracking(Session& session) {
  const LocalDateTime now = session.clock.Now();
  const std::uint8_t randomByte = ReseededRandomByte(session.random, session.clock.CalendarSeconds());
  WritePortBuffer(session.port, BuildStopFrame(now, randomByte));
  std::array<std::uint8_t, kReplyCapacity> reply{};
  ReceiveResponse(session, reply, "STOPTRACK");
  return Answer{MatchesWhole(reply, kExpectedReply), std::string(ReplyText(reply))};
}

}  // namespace trackctl
