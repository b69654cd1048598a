#include "protocol/frame.h"

#include <gtest/gtest.h>

#include <array>

#include "fake_port.h"
#include "recorded_report.h"
#include "test_session.h"
#include "serial/port_failure.h"

namespace trackctl {
namespace {

using testing::FakePort;

std::string Collected(std::span<const std::uint8_t> buffer, std::size_t length) {
  return std::string(reinterpret_cast<const char*>(buffer.data()), length);
}

TEST(ReceiveResponse, DropsBytesBeforeTheFrameAndTerminatesIt) {
  testing::TestSession line;
  FakePort& port = line.port;
  port.Script("\x11\xFA\xFA\xEAOK\xE4");
  std::array<std::uint8_t, 16> buffer;
  buffer.fill(0x77);
  const Reply reply = ReceiveResponse(line.session, buffer, "TEST");
  EXPECT_EQ(reply.length, 4u);
  EXPECT_EQ(Collected(buffer, 5), std::string("\xEAOK\xE4", 4) + '\0');
  EXPECT_FALSE(reply.truncated);
}

TEST(ReceiveResponse, KeepsAnInnerFrameStartAndStopsAtTheFirstFrameEnd) {
  testing::TestSession line;
  FakePort& port = line.port;
  port.Script("\xEA\x41\xEA\x42\xE4rest");
  std::array<std::uint8_t, 16> buffer{};
  EXPECT_EQ(ReceiveResponse(line.session, buffer, "TEST").length, 5u);
  EXPECT_EQ(Collected(buffer, 5), "\xEA\x41\xEA\x42\xE4");
  EXPECT_EQ(port.incoming.size(), 4u);  // "rest" stays on the line

  testing::TestSession emptyLine;
  FakePort& empty = emptyLine.port;
  empty.Script("\xEA\xE4");
  EXPECT_EQ(ReceiveResponse(emptyLine.session, buffer, "TEST").length, 2u);
  EXPECT_EQ(buffer[2], 0);
}

TEST(ReceiveResponse, ProgressMarksCountTheBytesAfterFrameStart) {
  testing::TestSession line;
  FakePort& port = line.port;
  port.Script("\x01\xEAOK\xE4");
  std::array<std::uint8_t, 16> buffer{};
  ReceiveResponse(line.session, buffer, "TEST", Shown::kByteByByte);
  EXPECT_EQ(line.report.replyBytes, 3u);
}

TEST(ReceiveResponse, AnOverlongFrameIsReadToItsEndButNotStoredPastTheBuffer) {
  testing::TestSession line;
  FakePort& port = line.port;
  port.Script(std::string("\xEA") + std::string(40, 'x') + "\xE4" + "\xEANEXT\xE4");
  std::array<std::uint8_t, 12> buffer{};
  std::array<std::uint8_t, 4> guard;
  guard.fill(0x55);
  const Reply reply = ReceiveResponse(line.session, std::span(buffer).first(8), "TEST");
  EXPECT_TRUE(reply.truncated);
  EXPECT_EQ(reply.length, 7u);
  EXPECT_EQ(buffer[7], 0);
  EXPECT_EQ(buffer[8], 0);  // the rest of the array was never touched
  // Nothing of the long frame is left to spoil the next reply.
  EXPECT_EQ(ReceiveResponse(line.session, buffer, "TEST").length, 6u);
  EXPECT_EQ(Collected(buffer, 6), "\xEANEXT\xE4");
}

TEST(ReceiveResponse, RaisesDtrAroundEveryRead) {
  testing::TestSession line;
  FakePort& port = line.port;
  port.Script("\xEA\xE4");
  std::array<std::uint8_t, 8> buffer{};
  ReceiveResponse(line.session, buffer, "TEST");
  EXPECT_EQ(port.dtr, (std::vector<bool>{true, false, true, false}));
}

TEST(ReceiveResponse, ALineThatFailsEndsTheRunWithAPortError) {
  testing::TestSession line;
  FakePort& port = line.port;
  port.Script("\xEA\x41");
  std::array<std::uint8_t, 8> buffer{};
  try {
    ReceiveResponse(line.session, buffer, "TEST");
    ADD_FAILURE() << "the read failure did not end the run";
  } catch (const PortFailure& failure) {
    EXPECT_EQ(failure.step, PortStep::kRead);
    EXPECT_EQ(failure.errorNumber, 5);
  }
}

TEST(Matching, WholeAndPrefixComparisonsStopAtTheFirstNul) {
  const std::array<std::uint8_t, 8> reply{0xEA, 'O', 'K', 0xE4, 0, 'X', 0, 0};
  EXPECT_TRUE(MatchesWhole(reply, "\xEAOK\xE4"));
  EXPECT_FALSE(MatchesWhole(reply, "\xEAOK"));
  EXPECT_TRUE(MatchesPrefix(reply, "\xEAOK"));
  EXPECT_FALSE(MatchesPrefix(reply, "\xEAOK\xE4X"));  // a shorter reply is not equal
  EXPECT_EQ(ReplyText(reply), "\xEAOK\xE4");
}

}  // namespace
}  // namespace trackctl
