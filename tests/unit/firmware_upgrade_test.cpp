#include "protocol/firmware_upgrade.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "fake_port.h"
#include "printed.h"
#include "fixed_clock.h"

namespace trackctl {
namespace {

namespace fs = std::filesystem;
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

TEST(CodeProgressMarks, OneAfterEveryThousandthByte) {
  auto marks = [](std::size_t length) {
    std::size_t count = 0;
    for (std::size_t sent = 1; sent <= length; ++sent) count += MarkAfter(sent) ? 1 : 0;
    return count;
  };
  EXPECT_EQ(marks(999), 0u);
  EXPECT_EQ(marks(1000), 1u);
  EXPECT_EQ(marks(2500), 2u);
}

const std::string kCodeOk = "\xEA" "CODE-OK\xE4";
const std::string kCodeAck = "\xEA" "CODE_ACK\xE4";
const std::string kCodeError = "\xEA" "CODE_ERROR\xE4";

class UpgradeCodeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = fs::temp_directory_path() / (std::string("trackctl_upgrade_") + info->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override {
    for (const auto& entry : fs::recursive_directory_iterator(dir_)) {
      fs::permissions(entry.path(), fs::perms::owner_write, fs::perm_options::add);
    }
    fs::remove_all(dir_);
  }

  fs::path WriteImage(const std::string& name, const Bytes& bytes) {
    const fs::path path = dir_ / name;
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
    return path;
  }

  // Runs the command with the image `name`; keeps what it printed and its outcome.
  void Run(const std::string& name) {
    testing::FixedClock clock({2005, 6, 15, 9, 15, 20}, 0);
    RandomGenerator random;
    Session session{port, clock, random};
    output = testing::Printed([&] { outcome = UpgradeCode(session, name); });
  }

  fs::path dir_;
  testing::FakePort port;
  std::string output;
  Outcome outcome = Outcome::kDone;
};

TEST_F(UpgradeCodeTest, UploadsAReadOnlyImageWithALongNameWhole) {
  const Bytes image{0x01, 0x02, 0x03, 0x04, 0x05};
  const fs::path path = WriteImage("an_image_name_longer_than_nineteen.bin", image);
  fs::permissions(path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  port.Script("\x11\xFA" + kCodeOk + "\x22" + kCodeAck);

  Run(path.string());

  EXPECT_EQ(outcome, Outcome::kDone);
  EXPECT_EQ(port.written, Concat({Bytes{0x00}, Of("\xEA" "CODE_00000009\xE4"), Bytes{0x00}, image,
                                  Bytes{0x04, 0x02, 0x03, 0x04}}));
  EXPECT_EQ(output,
            "Filelength in bytes is 5\n"
            "########Received OK response from device...\n"
            "\n"
            "\n\n"
            "Waiting for ACK. . . .\n"
            "Upgrade Code : Done...\n");
  EXPECT_TRUE(port.incoming.empty());
}

#ifndef _WIN32
TEST_F(UpgradeCodeTest, AnImageThatOpensButCannotBeReadIsAFileProblem) {
  // A directory opens for reading here, but reading it fails.
  Run(dir_.string());
  EXPECT_EQ(outcome, Outcome::kFileProblem);
  EXPECT_NE(output.find("Unable to open the specified file...\n"), std::string::npos);
  EXPECT_EQ(output.find("FILE not found"), std::string::npos);
  EXPECT_TRUE(port.written.empty());
}
#endif

TEST_F(UpgradeCodeTest, AnyOtherFirstReplyGoesOnAndAnyOtherFinalReplyIsShown) {
  const fs::path path = WriteImage("image.bin", Bytes{0xAA});
  port.Script("\xEA" "CODE_ERRORS\xE4" + kCodeError);
  Run(path.string());

  EXPECT_EQ(outcome, Outcome::kRefused);
  EXPECT_EQ(port.written, Concat({Bytes{0x00}, Of("\xEA" "CODE_00000005\xE4"), Bytes{0x00}, Bytes{0xAA},
                                  Bytes{0xAA, 0x00, 0x00, 0x00}}));
  EXPECT_NE(output.find("############Received OK response from device...\n"), std::string::npos);
  EXPECT_NE(output.find("Waiting for ACK. . . .\nReceived Response ... " + kCodeError + "\n"), std::string::npos);
  EXPECT_EQ(output.find("Upgrade Code : Done"), std::string::npos);
}

TEST_F(UpgradeCodeTest, PrintsOneMarkPerThousandImageBytes) {
  for (const auto& [length, marks] : {std::pair{999u, 0}, {1000u, 1}, {2500u, 2}}) {
    port.written.clear();
    output.clear();
    const fs::path path = WriteImage("image.bin", Bytes(length, 0x33));
    port.Script(kCodeOk + kCodeAck);
    Run(path.string());
    const std::string opening = "Received OK response from device...\n\n";
    const std::size_t from = output.find(opening);
    const std::size_t to = output.find("\n\nWaiting for ACK");
    ASSERT_NE(from, std::string::npos);
    ASSERT_NE(to, std::string::npos);
    const std::string during = output.substr(from + opening.size(), to - from - opening.size());
    EXPECT_EQ(during, std::string(static_cast<std::size_t>(marks), '#')) << length;
    EXPECT_EQ(port.written.size(), 1 + kCodeHeaderSize + length + 4) << length;
  }
}

}  // namespace
}  // namespace trackctl
