#include "serial/transport.h"

#include <gtest/gtest.h>

#include <array>

#include "fake_port.h"
#include "serial/port_failure.h"

namespace trackctl {
namespace {

using testing::FakePort;

TEST(WritePortBuffer, SendsEveryByteIncludingNulsOneWriteEach) {
  FakePort port;
  const std::array<std::uint8_t, 5> frame{0xEA, 0x00, 0x41, 0x00, 0xE4};
  WritePortBuffer(port, frame);
  EXPECT_EQ(port.written, std::vector<std::uint8_t>(frame.begin(), frame.end()));
  WritePortBuffer(port, {});
  EXPECT_EQ(port.written.size(), 5u);
}

TEST(ReadPortBlock, TellsOfEmptyAndFailedReadsWithoutEndingTheRun) {
  FakePort port;
  std::array<std::uint8_t, 4> buffer{};
  BlockRead block = ReadPortBlock(port, std::span(buffer).first(0));
  EXPECT_EQ(block.count, 0u);
  EXPECT_FALSE(block.failed);
  block = ReadPortBlock(port, buffer);
  EXPECT_EQ(block.count, 0u);
  EXPECT_TRUE(block.failed);
  port.Script("ab");
  block = ReadPortBlock(port, buffer);
  EXPECT_EQ(block.count, 2u);
  EXPECT_FALSE(block.failed);
}

TEST(ReadPortBlock, DtrFailuresCountOnlyOnPortsThatHaveTheLines) {
  FakePort port;
  port.Script("abcd");
  std::array<std::uint8_t, 2> buffer{};
  port.dtrResult = DtrResult::kFailed;
  BlockRead block = ReadPortBlock(port, buffer);
  EXPECT_TRUE(block.dtrRaiseFailed);
  EXPECT_TRUE(block.dtrLowerFailed);
  port.dtrResult = DtrResult::kUnsupported;
  block = ReadPortBlock(port, buffer);
  EXPECT_FALSE(block.dtrRaiseFailed);
  EXPECT_FALSE(block.dtrLowerFailed);
}

TEST(ReadPortByteWithin, GivesUpWithZeroAndRestoresTheCommandTimeouts) {
  FakePort port;
  port.failReadsWhenEmpty = false;  // an empty line times out instead
  std::uint8_t byte = 0;
  EXPECT_EQ(ReadPortByteWithin(byte, port, 200, kCommandTimeouts), 0u);
  ASSERT_EQ(port.timeouts.size(), 2u);
  EXPECT_EQ(port.timeouts[0].readTotalTimeoutConstant, 200u);
  EXPECT_EQ(port.timeouts[1].readIntervalTimeout, kCommandTimeouts.readIntervalTimeout);
  EXPECT_EQ(port.timeouts[1].readTotalTimeoutConstant, 0u);
}

TEST(PortFailure, AFailedWriteOrTimeoutChangeSaysWhichStepFailedAndTheErrorNumber) {
  FakePort port;
  port.failTimeouts = true;
  try {
    SetPortTimeouts(port, kCommandTimeouts);
    ADD_FAILURE() << "the refused time-outs went unnoticed";
  } catch (const PortFailure& failure) {
    EXPECT_EQ(failure.step, PortStep::kSetTimeouts);
    EXPECT_EQ(failure.errorNumber, 5);
  }
}

}  // namespace
}  // namespace trackctl
