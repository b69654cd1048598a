#include <ctime>
#include <optional>

#include "sim/handlers.h"

namespace tracksim {
namespace {

// 0xEA "CODE_" <eight hexadecimal digits> 0xE4; on the wire one 0x00 follows it.
constexpr std::size_t kDigitsAt = 6;
constexpr std::size_t kDigitCount = 8;
constexpr std::size_t kChecksumSize = 4;

Bytes CodeError() { return ToBytes("\xEA" "CODE_ERROR\xE4"); }

// The announced byte count: eight upper-case hexadecimal digits.
std::optional<std::size_t> ParseByteCount(std::span<const std::uint8_t> digits) {
  std::size_t value = 0;
  for (const std::uint8_t digit : digits) {
    if (digit >= '0' && digit <= '9') {
      value = value * 16 + (digit - '0');
    } else if (digit >= 'A' && digit <= 'F') {
      value = value * 16 + (digit - 'A' + 10);
    } else {
      return std::nullopt;
    }
  }
  return value;
}

// XOR of little-endian 32-bit words, the last one filled up with zeros.
std::uint32_t XorOfWords(std::span<const std::uint8_t> image) {
  std::uint32_t sum = 0;
  for (std::size_t i = 0; i < image.size(); ++i) sum ^= static_cast<std::uint32_t>(image[i]) << (8 * (i % 4));
  return sum;
}

std::uint16_t TodayDateWord() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return static_cast<std::uint16_t>((local.tm_year % 100) * 416 + (local.tm_mon + 1) * 32 + local.tm_mday);
}

// The data phase: the 0x00 that ends the header on the wire, the image, and its
// checksum, least significant byte first.
Actions AnswerCodeData(Device& device, std::span<const std::uint8_t> data) {
  const std::span<const std::uint8_t> image = data.subspan(1, data.size() - 1 - kChecksumSize);
  const std::span<const std::uint8_t> sent = data.last(kChecksumSize);
  const std::uint32_t checksum = static_cast<std::uint32_t>(sent[0]) | static_cast<std::uint32_t>(sent[1]) << 8 |
                                 static_cast<std::uint32_t>(sent[2]) << 16 | static_cast<std::uint32_t>(sent[3]) << 24;
  const bool good = data[0] == 0x00 && checksum == XorOfWords(image);
  if (good) {
    DeviceState& state = device.state();
    state.codeImageSize = image.size();
    state.codeChecksum = checksum;
    state.status.codeUpgradeDateWord = TodayDateWord();
  }
  if (device.knobs().codeFinalReply) return device.Reply(*device.knobs().codeFinalReply);
  return device.Reply(good ? ToBytes("\xEA" "CODE_ACK\xE4") : CodeError());
}

}  // namespace

Actions AnswerCodeHeader(Device& device, std::span<const std::uint8_t> request) {
  const std::optional<std::size_t> count = ParseByteCount(request.subspan(kDigitsAt, kDigitCount));
  if (!count || *count < kChecksumSize) return device.Reply(CodeError());
  device.ExpectData(1 + *count, AnswerCodeData);
  if (device.knobs().codeHeaderReply) return device.Reply(*device.knobs().codeHeaderReply);
  return device.Reply(ToBytes("\xEA" "CODE-OK\xE4"));
}

}  // namespace tracksim
