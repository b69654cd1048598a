#include "protocol/serial_key_write.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "fake_port.h"
#include "recorded_report.h"
#include "fixed_clock.h"

namespace trackctl {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Of(std::string_view text) { return Bytes(text.begin(), text.end()); }

TEST(SerialKeyFrame, ShortKeysAreFilledWithSpacesLongOnesRefused) {
  const auto seven = BuildSerialKeyFrame("1000752");
  ASSERT_TRUE(seven.has_value());
  EXPECT_EQ(Bytes(seven->begin(), seven->end()), Of("\xEASERIALKEY_1000752   \xE4"));
  const auto ten = BuildSerialKeyFrame("ABCDEFGHIJ");
  ASSERT_TRUE(ten.has_value());
  EXPECT_EQ(Bytes(ten->begin(), ten->end()), Of("\xEASERIALKEY_ABCDEFGHIJ\xE4"));
  const auto empty = BuildSerialKeyFrame("");
  ASSERT_TRUE(empty.has_value());
  EXPECT_EQ(Bytes(empty->begin(), empty->end()), Of("\xEASERIALKEY_          \xE4"));
  EXPECT_FALSE(BuildSerialKeyFrame("10007523011").has_value());
}

TEST(WriteSerialKey, AnOverLongReplyNeverOverrunsTheBuffer) {
  testing::FakePort port;
  // 23 bytes: the first 19 are kept, every byte of the frame is read and shown.
  port.Script("\xEASERIALKEY_NOT_WRITTEN\xE4" "\xEA" "X\xE4");
  testing::FixedClock clock({2005, 6, 15, 9, 15, 20}, 0);
  RandomGenerator random;
  testing::RecordedReport report;
  Session session{port, clock, random, report};
  const Answer answer = WriteSerialKey(session, *BuildSerialKeyFrame("1000752301"));
  EXPECT_FALSE(answer.accepted);
  EXPECT_EQ(answer.reply, "\xEASERIALKEY_NOT_WRIT");
  EXPECT_EQ(report.replyBytes, 22u);
  EXPECT_FALSE(port.incoming.empty());  // the next frame stays on the line
}

}  // namespace
}  // namespace trackctl
