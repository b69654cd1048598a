#include "protocol/firmware_upgrade.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "fake_port.h"
#include "fixed_clock.h"
#include "recorded_report.h"

namespace trackctl {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::string Text(std::span<const char> chars) { return std::string(chars.begin(), chars.end()); }

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

Bytes Of(std::string_view text) { return Bytes(text.begin(), text.end()); }

TEST(CodeChecksum, LittleEndianWordsWithTheLastOneFilledWithZeros) {
  EXPECT_EQ(ImageChecksum({}), 0u);
  const Bytes five{0x01, 0x02, 0x03, 0x04, 0x05};
  EXPECT_EQ(ImageChecksum(five), 0x04030204u);  // 0x04030201 ^ 0x00000005
  const Bytes words{0xEA, 0x00, 0x00, 0x80, 0xEA, 0x00, 0x00, 0x80, 0x01};
  EXPECT_EQ(ImageChecksum(words), 0x00000001u);  // equal words cancel out
}

TEST(CodeHeaderDigits, ByteCountIsImagePlusChecksumInUpperCaseHex) {
  EXPECT_EQ(Text(ByteCountDigits(0)), "00000004");
  EXPECT_EQ(Text(ByteCountDigits(5)), "00000009");
  EXPECT_EQ(Text(ByteCountDigits(1000)), "000003EC");
  EXPECT_EQ(Text(ByteCountDigits(0xABCDEEFCu)), "ABCDEF00");
  EXPECT_EQ(Text(ByteCountDigits(0xFFFFFFFEu)), "00000002");  // only the low 32 bits

  const CodeHeader header = BuildCodeHeader(1000);
  EXPECT_EQ(Bytes(header.begin(), header.end()), Concat({Of("\xEA" "CODE_000003EC\xE4"), Bytes{0x00}}));
}

const std::string kCodeOk = "\xEA" "CODE-OK\xE4";
const std::string kCodeAck = "\xEA" "CODE_ACK\xE4";
const std::string kCodeError = "\xEA" "CODE_ERROR\xE4";

class UpgradeCodeTest : public ::testing::Test {
 protected:
  UpgradeAnswer Run(const Bytes& image) {
    testing::FixedClock clock({2005, 6, 15, 9, 15, 20}, 0);
    RandomGenerator random;
    Session session{port, clock, random, report};
    return UpgradeCode(session, image);
  }

  testing::FakePort port;
  testing::RecordedReport report;
};

TEST_F(UpgradeCodeTest, UploadsTheImageAndItsChecksumAfterTheFirstReply) {
  const Bytes image{0x01, 0x02, 0x03, 0x04, 0x05};
  port.Script("\x11\xFA" + kCodeOk + "\x22" + kCodeAck);
  EXPECT_EQ(Run(image).kind, UpgradeAnswer::Kind::kDone);
  EXPECT_EQ(port.written, Concat({Bytes{0x00}, Of("\xEA" "CODE_00000009\xE4"), Bytes{0x00}, image,
                                  Bytes{0x04, 0x02, 0x03, 0x04}}));
  EXPECT_EQ(report.replyBytes, 8u);  // the first reply's bytes after its start, as they arrive
  EXPECT_EQ(report.imageBytes, image.size());
  EXPECT_EQ(report.events, (std::vector<std::string>{"image accepted", "image sent", "checksum sent"}));
  EXPECT_TRUE(port.incoming.empty());
}

TEST_F(UpgradeCodeTest, AnyOtherFirstReplyGoesOnAndAnyOtherFinalReplyIsARefusal) {
  port.Script("\xEA" "CODE_ERRORS\xE4" + kCodeError);
  const UpgradeAnswer answer = Run(Bytes{0xAA});
  EXPECT_EQ(answer.kind, UpgradeAnswer::Kind::kImageRefused);
  EXPECT_EQ(answer.reply, kCodeError);
  EXPECT_EQ(port.written, Concat({Bytes{0x00}, Of("\xEA" "CODE_00000005\xE4"), Bytes{0x00}, Bytes{0xAA},
                                  Bytes{0xAA, 0x00, 0x00, 0x00}}));
}

TEST_F(UpgradeCodeTest, ARefusedHeaderSendsNothingMore) {
  port.Script(kCodeError);
  const UpgradeAnswer answer = Run(Bytes(10, 0x33));
  EXPECT_EQ(answer.kind, UpgradeAnswer::Kind::kHeaderRefused);
  EXPECT_EQ(answer.reply, kCodeError);
  EXPECT_EQ(port.written.size(), 1 + kCodeHeaderSize);
  EXPECT_TRUE(report.events.empty());
}

}  // namespace
}  // namespace trackctl
