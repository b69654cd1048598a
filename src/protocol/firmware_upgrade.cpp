#include "protocol/firmware_upgrade.h"

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/frame.h"
#include "serial/transport.h"

namespace trackctl {
namespace {

constexpr std::string_view kCodeAck = "\xEA" "CODE_ACK\xE4";
constexpr std::string_view kCodeError = "\xEA" "CODE_ERROR\xE4";
// Room for the longest answer expected here ("\xEA" "CODE_ERROR\xE4") and more.
constexpr std::size_t kReplyCapacity = 32;

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

enum class ImageRead { kDone, kCannotOpen, kCannotRead };

// Reads the whole image in one pass, read-only: what is measured, checked and
// sent is this one copy.
ImageRead ReadImage(const std::string& name, std::vector<std::uint8_t>& image) {
  const File file(std::fopen(name.c_str(), "rb"));
  if (!file) return ImageRead::kCannotOpen;
  std::uint8_t chunk[64 * 1024];
  std::size_t count = 0;
  while ((count = std::fread(chunk, 1, sizeof chunk, file.get())) > 0) {
    image.insert(image.end(), chunk, chunk + count);
  }
  return std::ferror(file.get()) != 0 ? ImageRead::kCannotRead : ImageRead::kDone;
}

void SendImage(SerialPort& port, std::span<const std::uint8_t> image) {
  std::size_t sent = 0;
  for (const std::uint8_t byte : image) {
    WritePortByte(byte, port);
    if (MarkAfter(++sent)) {
      std::fputs("#", stdout);
      std::fflush(stdout);
    }
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

Outcome UpgradeCode(Session& session, const std::string& imageName) {
  std::vector<std::uint8_t> image;
  switch (ReadImage(imageName, image)) {
    case ImageRead::kCannotOpen:
      std::fputs("FILE not found...\n", stdout);
      return Outcome::kFileProblem;
    case ImageRead::kCannotRead:
      std::fputs("Unable to open the specified file...\n", stdout);
      return Outcome::kFileProblem;
    case ImageRead::kDone:
      break;
  }
  std::printf("Filelength in bytes is %lld\n", static_cast<long long>(image.size()));
  const std::uint32_t checksum = ImageChecksum(image);
  const CodeHeader header = BuildCodeHeader(image.size());

  WritePortByte(0x00, session.port);
  WritePortBuffer(session.port, header);
  std::array<std::uint8_t, kReplyCapacity> reply{};
  ReceiveResponse(session.port, reply, true);
  if (MatchesWhole(reply, kCodeError)) {
    const std::string text(ReplyText(reply));
    std::printf("\nThe device refused the code upgrade : %s\nNo data sent...\n", text.c_str());
    return Outcome::kRefused;
  }
  std::fputs("Received OK response from device...\n", stdout);
  std::fputs("\n", stdout);

  SendImage(session.port, image);
  std::fputs("\n\n", stdout);
  SendChecksum(session.port, checksum);
  std::fputs("Waiting for ACK. . . .\n", stdout);

  ReceiveResponse(session.port, reply, false);
  if (MatchesPrefix(reply, kCodeAck)) {
    std::fputs("Upgrade Code : Done...\n", stdout);
    return Outcome::kDone;
  }
  const std::string text(ReplyText(reply));
  std::printf("Received Response ... %s\n", text.c_str());
  return Outcome::kRefused;
}

}  // namespace trackctl
