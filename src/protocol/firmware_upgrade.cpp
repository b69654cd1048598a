#include "protocol/firmware_upgrade.h"

#include <string>
#include <string_view>

#include "protocol/frame.h"
#include "serial/transport.h"

namespace trackctl {
namespace {

constexpr std::string_view kCodeAck = "\xEA" "CODE_ACK\xE4";
constexpr std::string_view kCodeError = "\xEA" "CODE_ERROR\xE4";
// Room for the longest answer expected here ("\xEA" "CODE_ERROR\xE4") and more.
constexpr std::size_t kReplyCapacity = 32;

void SendImage(Session& session, std::span<const std::uint8_t> image) {
  std::uint64_t sent = 0;
  for (const std::uint8_t byte : image) {
    WritePortByte(byte, session.port);
    session.report.Progress(Transfer::kImage, ++sent, image.size());
  }
}

void SendChecksum(SerialPort& port, std::uint32_t checksum) {
  for (int i = 0; i < 4; ++i) {
    WritePortByte(static_cast<std::uint8_t>(checksum & 0xFF), port);
    checksum >>= 8;
  }
}

}  // namespace

std::uint32_t ImageChecksum(std::span<const std::uint8_t> image) {
  std::uint32_t checksum = 0;
  for (std::size_t offset = 0; offset < image.size(); offset += 4) {
    std::uint32_t word = 0;
    for (std::size_t i = 0; i < 4 && offset + i < image.size(); ++i) {
      word |= static_cast<std::uint32_t>(image[offset + i]) << (8 * i);
    }
    checksum ^= word;
  }
  return checksum;
}

std::array<char, 8> ByteCountDigits(std::size_t imageLength) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  auto value = static_cast<std::uint32_t>(imageLength + 4);
  std::array<char, 8> digits{};
  for (std::size_t i = digits.size(); i-- > 0;) {
    digits[i] = kHex[value % 16];
    value /= 16;
  }
  return digits;
}

CodeHeader BuildCodeHeader(std::size_t imageLength) {
  CodeHeader header{FRAME_START, 'C', 'O', 'D', 'E', '_'};
  const std::array<char, 8> digits = ByteCountDigits(imageLength);
  for (std::size_t i = 0; i < digits.size(); ++i) header[6 + i] = static_cast<std::uint8_t>(digits[i]);
  header[14] = FRAME_END;
  header[15] = 0x00;
  return header;
}

UpgradeAnswer UpgradeCode(Session& session, std::span<const std::uint8_t> image) {
  WritePortByte(0x00, session.port);
  WritePortBuffer(session.port, BuildCodeHeader(image.size()));
  std::array<std::uint8_t, kReplyCapacity> reply{};
  ReceiveResponse(session, reply, "CODE", Shown::kByteByByte);
  if (MatchesWhole(reply, kCodeError)) return {UpgradeAnswer::Kind::kHeaderRefused, std::string(ReplyText(reply))};
  session.report.StepBegun(Step::kImageAccepted);

  SendImage(session, image);
  session.report.StepBegun(Step::kImageSent);
  SendChecksum(session.port, ImageChecksum(image));
  session.report.StepBegun(Step::kChecksumSent);

  ReceiveResponse(session, reply, "CODE");
  const auto kind = MatchesPrefix(reply, kCodeAck) ? UpgradeAnswer::Kind::kDone : UpgradeAnswer::Kind::kImageRefused;
  return {kind, std::string(ReplyText(reply))};
}

}  // namespace trackctl
