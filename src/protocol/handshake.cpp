#include "protocol/handshake.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <thread>

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

std::optional<InitFields> InitializeDevice(Session& session) {
  SerialPort& port = session.port;
  if (!port.SetTimeouts(kWakeUpTimeouts)) FatalPortError("In SetCommTimeouts........", port.LastError());
  std::printf("Waiting for ACK");
  for (;;) {
    WritePortByte(WAKE_BYTE, port);
    std::uint8_t echo = 0;
    if (ReadPortByte(echo, port) == 1 && echo == WAKE_BYTE) break;
  }
  // A moment for the device to settle after waking up.
  std::this_thread::sleep_for(std::chrono::microseconds(100));
  if (!port.SetTimeouts(kCommandTimeouts)) FatalPortError("In SetCommTimeouts........", port.LastError());

  std::printf("\nSending Initialization Command to device...");
  WritePortBuffer(port, AsBytes(kInitRequest));
  std::array<std::uint8_t, 100> reply{};
  const Reply received = ReceiveResponse(port, reply, false);

  if (MatchesPrefix(reply, kInitOk)) {
    std::printf("\nReceived OK response from device...");
    const InitFields fields = ParseInitReply(std::span(reply).first(received.length));
    session.serialKey.fill('\0');
    std::copy_n(fields.serialKey.begin(), std::min<std::size_t>(fields.serialKey.size(), 10),
                session.serialKey.begin());
    std::printf("\nSerial key of Device = %s", session.serialKey.data());
    std::printf("\nVersion Number = %s:%s:%s", fields.version[0].c_str(), fields.version[1].c_str(),
                fields.version[2].c_str());
    std::printf("\nDevice type = %s", fields.deviceType.c_str());
    return fields;
  }
  if (MatchesWhole(reply, kInitError)) {
    std::printf("Error in initializing the device...\n");
  } else {
    std::printf("Device Initialization Failed...\n");
  }
  return std::nullopt;
}

}  // namespace trackctl
