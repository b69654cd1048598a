#include "protocol/handshake.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstring>
#include <string_view>
#include <thread>

#include "protocol/awaited_reply.h"
#include "protocol/frame.h"
#include "serial/transport.h"

namespace trackctl {
namespace {

constexpr std::string_view kInitRequest = "\xEAINIT\xE4";
constexpr std::string_view kInitOk = "\xEAINIT_OK";
constexpr std::string_view kInitError = "\xEAINIT_ERROR\xE4";

// At most `width` characters of `text` from `offset` on; a NUL ends the field.
std::string Field(std::string_view text, std::size_t offset, std::size_t width) {
  if (offset >= text.size()) return {};
  const std::string_view field = text.substr(offset, width);
  return std::string(field.substr(0, field.find('\0')));
}

}  // namespace

InitFields ParseInitReply(std::span<const std::uint8_t> reply) {
  std::string_view text(reinterpret_cast<const char*>(reply.data()), reply.size());
  // The frame's end byte does not belong to any field.
  if (const std::size_t end = text.find(static_cast<char>(FRAME_END)); end != std::string_view::npos) {
    text = text.substr(0, end);
  }
  InitFields fields;
  fields.serialKey = Field(text, 9, 10);
  fields.version[0] = Field(text, 20, 2);
  fields.version[1] = Field(text, 22, 2);
  fields.version[2] = Field(text, 24, 2);
  fields.deviceType = Field(text, 27, 4);
  return fields;
}

InitAnswer InitializeDevice(Session& session) {
  SerialPort& port = session.port;
  SetPortTimeouts(port, kWakeUpTimeouts);
  session.report.StepBegun(Step::kWakingDevice);
  const auto giveUp = std::chrono::steady_clock::now() + std::chrono::milliseconds(session.limits.wakeMs);
  for (;;) {
    WritePortByte(WAKE_BYTE, port);
    std::uint8_t echo = 0;
    if (ReadPortByte(echo, port) == 1 && echo == WAKE_BYTE) break;
    if (session.limits.wakeMs != 0 && std::chrono::steady_clock::now() >= giveUp) {
      SetPortTimeouts(port, ReplyTimeouts(session));
      return InitAnswer{InitAnswer::Kind::kNoDevice, {}};
    }
  }
  // A moment for the device to settle after waking up.
  std::this_thread::sleep_for(std::chrono::microseconds(100));
  SetPortTimeouts(port, ReplyTimeouts(session));

  session.report.StepBegun(Step::kSendingInit);
  WritePortBuffer(port, AsBytes(kInitRequest));
  std::array<std::uint8_t, 100> reply{};
  const Reply received = ReceiveResponse(session, reply, "INIT");

  InitAnswer answer;
  if (MatchesPrefix(reply, kInitOk)) {
    answer.kind = InitAnswer::Kind::kAccepted;
    answer.fields = ParseInitReply(std::span(reply).first(received.length));
    session.serialKey.fill('\0');
    std::copy_n(answer.fields.serialKey.begin(), std::min<std::size_t>(answer.fields.serialKey.size(), 10),
                session.serialKey.begin());
  } else if (MatchesWhole(reply, kInitError)) {
    answer.kind = InitAnswer::Kind::kInitError;
  }
  return answer;
}

}  // namespace trackctl
