#include "protocol/serial_key_write.h"

#include <cstdio>
#include <string>

#include "protocol/frame.h"
#include "serial/transport.h"

namespace trackctl {
namespace {

constexpr std::string_view kSerialKeyOk = "\xEASERIALKEY_OK\xE4";
constexpr std::size_t kReplyCapacity = 20;

void PrintKeyFormat() {
  std::fputs("Enter the serial key where the max limit is 10 chars:\n", stdout);
  std::fputs("\n Format for Serial key is as follows", stdout);
  std::fputs("\n First 3 chars is the device type 100\\075\\050", stdout);
  std::fputs("\n Next 2 chars is week varying from 00 to 52 ", stdout);
  std::fputs("\n Next 2 chars is year varying from 02 to 04 ", stdout);
  std::fputs("\n Next 3 chars is the key 001 to 999\n", stdout);
  std::fputs("\n ----------------------------------\n", stdout);
}

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

void WriteSerialKey(Session& session) {
  PrintKeyFormat();
  const std::optional<std::string> key = session.console.ReadWord();
  if (!key) return;  // the input ended: nothing to write
  const std::optional<SerialKeyFrame> frame = BuildSerialKeyFrame(*key);
  if (!frame) {
    std::fputs("Serial key must be only 10 characters in lenght\n", stdout);
    return;
  }
  WritePortBuffer(session.port, *frame);

  std::array<std::uint8_t, kReplyCapacity> reply{};
  ReceiveResponse(session.port, reply, true);
  if (MatchesWhole(reply, kSerialKeyOk)) {
    std::fputs(" Done...\n", stdout);
    std::fputs("Serial key written to flash...\n", stdout);
  } else {
    const std::string text(ReplyText(reply));
    std::printf("Error Response.. %s\n", text.c_str());
  }
}

}  // namespace trackctl
