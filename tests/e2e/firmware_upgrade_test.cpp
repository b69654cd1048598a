// Main-menu choice 4: uploading a firmware image to the simulated device.
#include <sys/stat.h>

#include "tests/e2e/harness.h"

namespace trackctl::e2e {
namespace {

using tracksim::Bytes;
using tracksim::ToBytes;

const std::string kPrompt = "Upgrade Code : Started...\nEnter the file name [Default : RAVU.BIN]:\n";
class UpgradeCode : public E2eTest {
 protected:
  std::size_t ImageSizeTaken() { return Device([](auto& s) { return s.codeImageSize; }); }
};

// 2500 bytes of every value, frame and wake bytes and 0x00 included.
Bytes TestImage() {
  Bytes image(2500);
  for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<std::uint8_t>(i * 7);
  return image;
}

std::uint32_t XorOfWords(const Bytes& image) {
  std::uint32_t sum = 0;
  for (std::size_t i = 0; i < image.size(); ++i) sum ^= static_cast<std::uint32_t>(image[i]) << (8 * (i % 4));
  return sum;
}

TEST_F(UpgradeCode, AReadOnlyImageGoesOutWholeBehindItsHeaderAndChecksum) {
  const Bytes image = TestImage();
  WriteFile("image.bin", image);
  ASSERT_EQ(chmod((workdir() / "image.bin").c_str(), 0444), 0);

  EXPECT_EQ(AfterStartUp("4\nimage.bin\n\n0\n"), kPrompt +
                                            "Filelength in bytes is 2500\n"
                                            "########Received OK response from device...\n\n"
                                            "##\n\n"
                                            "Waiting for ACK. . . .\n"
                                            "Upgrade Code : Done...\n" +
                                            kPause + kMainMenu);
  const std::uint32_t sum = XorOfWords(image);
  const Bytes checksum{static_cast<std::uint8_t>(sum), static_cast<std::uint8_t>(sum >> 8),
                       static_cast<std::uint8_t>(sum >> 16), static_cast<std::uint8_t>(sum >> 24)};
  EXPECT_EQ(SentAfterInit(),
            Concat({{0x00}, ToBytes("\xEA" "CODE_000009C8\xE4"), {0x00}, image, checksum}));
  EXPECT_EQ(ImageSizeTaken(), 2500u);
  EXPECT_EQ(Device([](auto& s) { return s.codeChecksum; }), sum);
}

TEST_F(UpgradeCode, AnEmptyLineTakesTheDefaultImage) {
  WriteFile("RAVU.BIN", {0x01, 0x02, 0x03, 0x04, 0x05});
  EXPECT_EQ(AfterStartUp("4\n\n\n0\n"), kPrompt +
                                   "Upgrading the code from the default file : RAVU.BIN...\n"
                                   "Filelength in bytes is 5\n"
                                   "########Received OK response from device...\n\n"
                                   "\n\n"
                                   "Waiting for ACK. . . .\n"
                                   "Upgrade Code : Done...\n" +
                                   kPause + kMainMenu);
  EXPECT_EQ(SentAfterInit(),
            Concat({{0x00}, ToBytes("\xEA" "CODE_00000009\xE4"), {0x00, 0x01, 0x02, 0x03, 0x04, 0x05},
                    {0x04, 0x02, 0x03, 0x04}}));
}

TEST_F(UpgradeCode, AMissingImageEndsTheRunWithStatusOne) {
  const std::string output = AfterStartUp("4\nno-such-image.bin\n\n0\n", 1);
  const std::string shown = kPrompt + "FILE not found...\ntrackctl: no-such-image.bin: cannot read the firmware image: ";
  EXPECT_EQ(output.substr(0, shown.size()), shown);
  EXPECT_EQ(output.find('\n', shown.size()), output.size() - 1) << output;  // one line, with the system's reason
  EXPECT_TRUE(SentAfterInit().empty());
}

TEST_F(UpgradeCode, ARefusedHeaderSendsNoImageAndReturnsToTheMenu) {
  knobs.replyFor["CODE_"] = ToBytes("\xEA" "CODE_ERROR\xE4");
  WriteFile("image.bin", TestImage());
  EXPECT_EQ(AfterStartUp("4\nimage.bin\n\n0\n"), kPrompt +
                                            "Filelength in bytes is 2500\n"
                                            "###########\nThe device refused the code upgrade : \xEA" "CODE_ERROR\xE4\n"
                                            "No data sent...\n" +
                                            kPause + kMainMenu);
  EXPECT_EQ(SentAfterInit(), Concat({{0x00}, ToBytes("\xEA" "CODE_000009C8\xE4"), {0x00}}));
  EXPECT_EQ(ImageSizeTaken(), 0u);
}

TEST_F(UpgradeCode, AnyOtherFirstReplyGoesOnAndAnyOtherFinalReplyIsShown) {
  knobs.codeHeaderReply = ToBytes("\xEA" "CODE_BUSY\xE4");
  knobs.codeFinalReply = ToBytes("\xEA" "CODE_NAK\xE4");
  WriteFile("image.bin", {0xEA, 0xE4, 0xFA});
  EXPECT_EQ(AfterStartUp("4\nimage.bin\n\n0\n"), kPrompt +
                                            "Filelength in bytes is 3\n"
                                            "##########Received OK response from device...\n\n"
                                            "\n\n"
                                            "Waiting for ACK. . . .\n"
                                            "Received Response ... \xEA" "CODE_NAK\xE4\n" +
                                            kPause + kMainMenu);
  EXPECT_EQ(SentAfterInit(),
            Concat({{0x00}, ToBytes("\xEA" "CODE_00000007\xE4"), {0x00, 0xEA, 0xE4, 0xFA, 0xEA, 0xE4, 0xFA, 0x00}}));
  EXPECT_EQ(ImageSizeTaken(), 3u);  // the device took the image all the same
}

}  // namespace
}  // namespace trackctl::e2e
