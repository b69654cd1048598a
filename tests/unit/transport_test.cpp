#include "serial/transport.h"

#include <gtest/gtest.h>

#include <array>

#include "fake_port.h"
#include "printed.h"
#include "serial/program_exit.h"

namespace trackctl {
namespace {

using testing::FakePort;
using testing::Printed;

TEST(WritePortBuffer, SendsEveryByteIncludingNulsOneWriteEach) {
  FakePort port;
  const std::array<std::uint8_t, 5> frame{0xEA, 0x00, 0x41, 0x00, 0xE4};
  WritePortBuffer(port, frame);
  EXPECT_EQ(port.written, std::vector<std::uint8_t>(frame.begin(), frame.end()));
  WritePortBuffer(port, {});
  EXPECT_EQ(port.written.size(), 5u);
}

TEST(ReadPortBlock, ReportsEmptyAndFailedReadsWithoutEndingTheRun) {
  FakePort port;
  std::array<std::uint8_t, 4> buffer{};
  EXPECT_EQ(Printed([&] { EXPECT_EQ(ReadPortBlock(port, std::span(buffer).first(0)), 0u); }),
            "ERROR COM_TIME_OUT\n");
  bool failed = false;
  EXPECT_EQ(Printed([&] { EXPECT_EQ(ReadPortBlock(port, buffer, &failed), 0u); }),
            "ERROR CANNOT_READ_FROM_COM_PORT\nERROR COM_TIME_OUT\n");
  EXPECT_TRUE(failed);
  port.Script("ab");
  EXPECT_EQ(Printed([&] { EXPECT_EQ(ReadPortBlock(port, buffer, &failed), 2u); }), "");
  EXPECT_FALSE(failed);
}

TEST(ReadPortBlock, DtrFailuresAreReportedOnlyOnPortsThatHaveTheLines) {
  FakePort port;
  port.Script("abcd");
  std::array<std::uint8_t, 2> buffer{};
  port.dtrResult = DtrResult::kFailed;
  EXPECT_EQ(Printed([&] { ReadPortBlock(port, buffer); }),
            "ERROR COM_ERROR IN ESCAPE_COMM\nERROR COM_ERROR_IN_ESCAPE_COMM\n");
  port.dtrResult = DtrResult::kUnsupported;
  EXPECT_EQ(Printed([&] { ReadPortBlock(port, buffer); }), "");
}

TEST(ReadPortByteWithin, GivesUpWithZeroAndRestoresTheCommandTimeouts) {
  FakePort port;
  port.failReadsWhenEmpty = false;  // an empty line times out instead
  std::uint8_t byte = 0;
  EXPECT_EQ(ReadPortByteWithin(byte, port, 200), 0u);
  ASSERT_EQ(port.timeouts.size(), 2u);
  EXPECT_EQ(port.timeouts[0].readTotalTimeoutConstant, 200u);
  EXPECT_EQ(port.timeouts[1].readIntervalTimeout, kCommandTimeouts.readIntervalTimeout);
  EXPECT_EQ(port.timeouts[1].readTotalTimeoutConstant, 0u);
}

TEST(FatalPortError, PrintsTheMessageAndNumberAndEndsWithStatusOne) {
  int status = 0;
  const std::string printed = Printed([&] {
    try {
      FatalPortError("Writing to PORT", 31);
    } catch (const ProgramExit& exit) {
      status = exit.status;
    }
  });
  EXPECT_EQ(status, 1);
  EXPECT_EQ(printed, "\nMessage : Writing to PORT\nError Number : 31\n");
}

}  // namespace
}  // namespace trackctl
