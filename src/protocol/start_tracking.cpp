#include "protocol/start_tracking.h"

#include <cstring>

#include "protocol/byte_order.h"
#include "protocol/frame.h"
#include "protocol/random_byte.h"
#include "serial/transport.h"

namespace trackctl {
namespace {

constexpr std::string_view kHead = "\xEA" "STARTTRACK_";
constexpr std::string_view kExpectedReply = "\xEA" "STARTTRACK_OK\xE4";
constexpr std::size_t kReplyCapacity = 80;

constexpr std::size_t kTextWidth = 14;
constexpr std::size_t kTextSlot = 0;
constexpr std::size_t kFirstDigitSlot = 1;
constexpr std::size_t kDigitSlots = 3;
constexpr std::size_t kFirstFlagSlot = 4;
constexpr std::size_t kFlagSlots = 6;
constexpr std::size_t kFirstIntegerSlot = 10;
// Widths in bytes of the integers of slots 10 to 24, in frame order.
constexpr std::size_t kIntegerWidths[] = {3, 2, 1, 1, 1, 1, 1, 1, 1, 2, 1, 3, 1, 1, 4};
constexpr std::size_t kTrailingTextSlots[] = {25, 26, 27};

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

// Appends the slot's value widened with '0' to 14 characters, cut to 14.
std::size_t PutText(StartFrame& frame, std::size_t at, const TrackingValue& value) {
  std::array<char, kTrackingValueMax + 1> padded{};
  PadWithZeros(SlotText(value), padded, static_cast<int>(kTextWidth));
  std::memcpy(frame.data() + at, padded.data(), kTextWidth);
  return at + kTextWidth;
}

std::size_t PutNumber(StartFrame& frame, std::size_t at, std::uint32_t value, std::size_t width) {
  WriteBigEndian(std::span(frame).subspan(at, width), value, width);
  return at + width;
}

}  // namespace

std::uint8_t DigitField(std::string_view value) {
  const unsigned char first = value.empty() ? 0 : static_cast<unsigned char>(value.front());
  return static_cast<std::uint8_t>(first - '0');
}

std::uint32_t IntegerField(std::string_view value) {
  std::size_t at = 0;
  while (at < value.size() && IsSpace(value[at])) ++at;
  bool negative = false;
  if (at < value.size() && (value[at] == '+' || value[at] == '-')) negative = value[at++] == '-';
  // Unsigned arithmetic wraps, so the low bits stay right for any number of digits.
  std::uint32_t number = 0;
  for (; at < value.size() && value[at] >= '0' && value[at] <= '9'; ++at) {
    number = number * 10u + static_cast<std::uint32_t>(value[at] - '0');
  }
  return negative ? 0u - number : number;
}

std::uint16_t FeatureMask(const TrackingConfigTable& table) {
  std::uint32_t mask = 0;
  for (std::size_t bit = 0; bit < kFlagSlots; ++bit) {
    mask |= IntegerField(SlotText(table[kFirstFlagSlot + bit])) << bit;
  }
  return static_cast<std::uint16_t>(mask);
}

StartFrame BuildStartFrame(const TrackingConfigTable& table, const LocalDateTime& now, std::uint8_t randomByte) {
  StartFrame frame{};
  std::memcpy(frame.data(), kHead.data(), kHead.size());
  std::size_t at = PutText(frame, kHead.size(), table[kTextSlot]);
  for (std::size_t i = 0; i < kDigitSlots; ++i) frame[at++] = DigitField(SlotText(table[kFirstDigitSlot + i]));
  frame[at++] = randomByte;
  at = PutNumber(frame, at, FeatureMask(table), 2);
  at = PutNumber(frame, at, EncodeTimeWord(now), 2);
  at = PutNumber(frame, at, EncodeDateWord(now), 2);
  std::size_t slot = kFirstIntegerSlot;
  for (const std::size_t width : kIntegerWidths) at = PutNumber(frame, at, IntegerField(SlotText(table[slot++])), width);
  for (const std::size_t textSlot : kTrailingTextSlots) at = PutText(frame, at, table[textSlot]);
  frame[at] = FRAME_END;
  return frame;
}

Answer StartTracking(Session& session, const TrackingConfigTable& table) {
  const LocalDateTime now = session.clock.Now();
  const std::uint8_t randomByte = ReseededRandomByte(session.random, session.clock.CalendarSeconds());
  WritePortBuffer(session.port, BuildStartFrame(table, now, randomByte));
  std::array<std::uint8_t, kReplyCapacity> reply{};
  ReceiveResponse(session, reply, "STARTTRACK");
  return Answer{MatchesWhole(reply, kExpectedReply), std::string(ReplyText(reply))};
}

}  // namespace trackctl
