#include "protocol/read_configuration.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "fake_port.h"
#include "app/device/config_text.h"
#include "fixed_clock.h"
#include "recorded_report.h"
#include "protocol/readconfig_frames.h"

namespace trackctl {
namespace {

using testing::FakePort;
using testing::FixedClock;

const std::string kHeader = "\xEAREADCONFIG_OK_1000752301";

// A configuration block with 0xE4 in it (data call time, interval, distance).
std::string ConfigBlock() {
  std::string b(69, '\0');
  b.replace(0, 6, "\x01\x02\x03\x04\x05\x06", 6);
  b.replace(6, 2, "\x00\x03", 2);
  b.replace(8, 2, "\x41\x14", 2);  // 9:15:20
  b.replace(10, 2, "\x08\xE4", 2);  // date word 2276: 4/6/2005
  b.replace(12, 3, "\x00\x00\x3C", 3);
  b.replace(15, 2, "\x01\x2C", 2);
  b.replace(17, 7, "\x05\x0A\x64\x0A\x0F\x08\x09", 7);
  b.replace(24, 2, "\x04\xB0", 2);
  b[26] = '\xE4';
  b.replace(27, 3, "\x00\x02\x58", 3);
  b.replace(31, 13, "+919845086000");
  b.replace(45, 4, "\x00\x01\xE4\x40", 4);  // 123968
  b.replace(49, 13, "+919845012345");
  b.replace(63, 6, "010203");
  return b;
}

std::string StatusBlock() {
  std::string b(28, '\0');
  b.replace(0, 14, "\x02\x01\x38\x40\x08\xEF\x3E\x80\x08\xE4\x08\xEC\x08\xCA", 14);
  b.replace(14, 13, "+919845099999");
  return b;
}

const std::string kStatusText =
    "GSM Type = 2\nGPS Type = 1\nLast Bootup Time = 8:0:0Last Bootup Date = 15/6/2005\n"
    "Last Logger Time = 8:53:20Last Logger Date = 4/6/2005\nCode Upgrade Date = 12/6/2005\n"
    "Code Release Date = 10/5/2005\nHome Number = +919845099999\n";

class ReadConfigurationTest : public ::testing::Test {
 protected:
  // Runs the exchange against the scripted port and returns what the console shows of the reply.
  std::string Run() { return DescribeConfigReply(ExchangeReadConfig(session)); }

  FakePort port;
  FixedClock clock{{2005, 6, 15, 9, 15, 20}, 1118826920};
  RandomGenerator random;
  testing::RecordedReport report;
  Session session{port, clock, random, report};
};

TEST_F(ReadConfigurationTest, AnyFifteenthByteIsAccepted) {
  port.Script("\xEAREADCONFIG_OK-KEY0000001D" + StatusBlock() + "\xE4");
  EXPECT_EQ(Run(), "...DONE\n" + kStatusText);
}

TEST_F(ReadConfigurationTest, ABlockEndingInE4DoesNotSpoilTheNextCommand) {
  std::string block = ConfigBlock();
  block[68] = '\xE4';  // the last byte of the block, just before FRAME_END
  port.Script(kHeader + "C" + block + "\xE4");
  port.Script(kHeader + "D" + StatusBlock() + "\xE4");
  EXPECT_NE(Run().find("version = 01020\xE4\n"), std::string::npos);
  EXPECT_EQ(Run(), "...DONE\n" + kStatusText);
  EXPECT_TRUE(port.incoming.empty());
}

TEST_F(ReadConfigurationTest, AShortReplyIsReportedAfterAQuietSecond) {
  port.failReadsWhenEmpty = false;  // an empty script reads as a time-out
  // The block's own 0xE4 at offset 11 is waited past; the one after offset 19 ends it.
  port.Script(kHeader + "F" + ConfigBlock().substr(0, 20) + "\xE4");
  EXPECT_EQ(Run(), "\nshort reply from device: 47 of 124 bytes received.\n");
  ASSERT_EQ(port.timeouts.size(), 4u);
  for (std::size_t i = 0; i < 4; i += 2) {
    EXPECT_EQ(port.timeouts[i].readTotalTimeoutConstant, 1000u);
    EXPECT_EQ(port.timeouts[i + 1].readIntervalTimeout, kCommandTimeouts.readIntervalTimeout);
    EXPECT_EQ(port.timeouts[i + 1].readTotalTimeoutConstant, kCommandTimeouts.readTotalTimeoutConstant);
  }
}

TEST_F(ReadConfigurationTest, AnErrorTokenWithoutUnderscoreIsStillAnError) {
  port.Script("\xEA" "ERROR\xE4");
  EXPECT_EQ(Run(), "\nan error occured. \xEA" "ERROR\xE4\n");
}

TEST_F(ReadConfigurationTest, OtherKindLettersEndAtTheFirstE4AndPrintNothingMore) {
  // The rest of the device's transmission stays on the line, as for any frame.
  port.Script(kHeader + "c" + ConfigBlock() + "\xE4");
  EXPECT_EQ(Run(), "...DONE\n");
  EXPECT_EQ(port.incoming.size(), 69u - 12u + 1u);
  port.incoming.clear();

  // An over-long reply is consumed to its end without overrunning the buffer.
  port.Script(kHeader + "X" + std::string(3000, 'z') + "\xE4");
  EXPECT_EQ(Run(), "...DONE\n");
  EXPECT_TRUE(port.incoming.empty());
}

TEST(ConfigReplyLength, FollowsTheKindLetterOfASuccessReply) {
  auto length = [](std::string header) {
    return ConfigReplyLength(std::span(reinterpret_cast<const std::uint8_t*>(header.data()), header.size()));
  };
  EXPECT_EQ(length(kHeader + "C"), 96u);
  EXPECT_EQ(length(kHeader + "D"), 55u);
  EXPECT_EQ(length(kHeader + "F"), 124u);
  EXPECT_EQ(length(kHeader + "c"), std::nullopt);
  EXPECT_EQ(length(kHeader), std::nullopt);  // no kind letter yet
  EXPECT_EQ(length("\xEAREADCONFIG_ON_1000752301F"), std::nullopt);
}

}  // namespace
}  // namespace trackctl
