#include "protocol/serial_key_write.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "fake_port.h"
#include "printed.h"
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

struct KeyRun {
  std::string output;
  Outcome outcome = Outcome::kDone;
  bool inputLeft = false;
};

// Writes `key` with `reply` from the device.
KeyRun RunWriteSerialKey(std::string_view key, std::string_view reply) {
  testing::FakePort port;
  port.Script(reply);
  testing::FixedClock clock({2005, 6, 15, 9, 15, 20}, 0);
  RandomGenerator random;
  Session session{port, clock, random};
  KeyRun run;
  run.output = testing::Printed([&] { run.outcome = WriteSerialKey(session, *BuildSerialKeyFrame(key)); });
  run.inputLeft = !port.incoming.empty();
  return run;
}

TEST(WriteSerialKey, AnOverLongReplyNeverOverrunsTheBuffer) {
  // 23 bytes: the first 19 are kept, every byte of the frame is read and marked.
  const KeyRun longer = RunWriteSerialKey("1000752301", "\xEASERIALKEY_NOT_WRITTEN\xE4" "\xEA" "X\xE4");
  EXPECT_EQ(longer.output, std::string(22, '#') + "Error Response.. \xEASERIALKEY_NOT_WRIT\n");
  EXPECT_EQ(longer.outcome, Outcome::kRefused);
  EXPECT_TRUE(longer.inputLeft);  // the next frame stays on the line
}

}  // namespace
}  // namespace trackctl
