#include "protocol/stop_tracking.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "fake_port.h"
#include "fixed_clock.h"
#include "recorded_report.h"
#include "tracking_example.h"

namespace trackctl {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(StopFrame, WorkedExampleByteForByte) {
  Bytes expected = {0xEA, 0x53, 0x54, 0x4F, 0x50, 0x54, 0x52, 0x41, 0x43, 0x4B, 0x3C, 0x41, 0x14, 0x08, 0xEF};
  expected.insert(expected.end(), 14, 0x00);
  expected.push_back(0xE4);
  const StopFrame frame = BuildStopFrame(testing::kExampleMoment, 0x3C);
  EXPECT_EQ(Bytes(frame.begin(), frame.end()), expected);
}

class StopTrackingCommand : public ::testing::Test {
 protected:
  testing::FakePort port;
  testing::FixedClock clock{testing::kExampleMoment, 1118826920};
  RandomGenerator random;
  testing::RecordedReport report;
  Session session{port, clock, random, report};
};

TEST_F(StopTrackingCommand, AShortenedAcknowledgementIsAnError) {
  port.Script("\xEA" "STOPTRACK_OK\xE4");
  EXPECT_TRUE(StopTracking(session).accepted);
  port.Script("\xEA" "STOPTRACK_O\xE4");
  const Answer answer = StopTracking(session);
  EXPECT_FALSE(answer.accepted);
  EXPECT_EQ(answer.reply, "\xEA" "STOPTRACK_O\xE4");
  // Two stops in the same second carry the same random byte.
  ASSERT_EQ(port.written.size(), 2 * kStopFrameSize);
  EXPECT_EQ(port.written[10], port.written[kStopFrameSize + 10]);
}

}  // namespace
}  // namespace trackctl
