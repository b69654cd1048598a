#include "protocol/handshake.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "fake_port.h"
#include "fixed_clock.h"
#include "recorded_report.h"

namespace trackctl {
namespace {

using namespace trackctl::testing;

std::array<std::uint8_t, 100> Collected(std::string_view frame) {
  std::array<std::uint8_t, 100> buffer{};
  std::memcpy(buffer.data(), frame.data(), frame.size());
  return buffer;
}

TEST(ParseInitReply, TakesTheFieldsAtTheirOffsets) {
  const InitFields fields = ParseInitReply(Collected("\xEAINIT_OK:1000752301|010203-GT15\xE4"));
  EXPECT_EQ(fields.serialKey, "1000752301");
  EXPECT_EQ(fields.version[0], "01");
  EXPECT_EQ(fields.version[1], "02");
  EXPECT_EQ(fields.version[2], "03");
  EXPECT_EQ(fields.deviceType, "GT15");
}

TEST(ParseInitReply, FieldsReachOnlyAsFarAsTheFrame) {
  const InitFields shortReply = ParseInitReply(Collected("\xEAINIT_OK 12345\xE4"));
  EXPECT_EQ(shortReply.serialKey, "12345");  // cut at the end byte
  EXPECT_EQ(shortReply.version[0], "");
  EXPECT_EQ(shortReply.deviceType, "");
  const InitFields withNul = ParseInitReply(Collected(std::string_view("\xEAINIT_OK 12\0" "4567890 010203 GT15\xE4", 32)));
  EXPECT_EQ(withNul.serialKey, "12");  // a NUL ends its own field only
  EXPECT_EQ(withNul.version[0], "01");
  EXPECT_EQ(withNul.deviceType, "GT15");
  const InitFields longer = ParseInitReply(Collected("\xEAINIT_OK 1000752301 010203 GT15 extra bytes\xE4"));
  EXPECT_EQ(longer.deviceType, "GT15");
}

class Handshake : public ::testing::Test {
 protected:
  FakePort port;
  FixedClock clock{{}, 0};
  RandomGenerator random;
  RecordedReport report;
  Session session{port, clock, random, report};
};

TEST_F(Handshake, WakesTheDeviceThenSwitchesToCommandTimeouts) {
  port.failReadsWhenEmpty = false;
  port.maxPerRead = 1;
  port.Script("\x55\xFA\xFA\xEAINIT_OK 1000752301 010203 GT15\xE4");
  const InitAnswer answer = InitializeDevice(session);
  ASSERT_EQ(answer.kind, InitAnswer::Kind::kAccepted);
  EXPECT_EQ(answer.fields.deviceType, "GT15");
  EXPECT_EQ(report.events, (std::vector<std::string>{"waking", "sending init"}));
  // Two wake bytes (the first answered by another byte), then the request.
  EXPECT_EQ(port.written, (std::vector<std::uint8_t>{0xFA, 0xFA, 0xEA, 'I', 'N', 'I', 'T', 0xE4}));
  ASSERT_EQ(port.timeouts.size(), 2u);
  EXPECT_EQ(port.timeouts[0].readTotalTimeoutConstant, 500u);
  EXPECT_EQ(port.timeouts[1].readIntervalTimeout, 0xFFFFu);
  EXPECT_EQ(port.timeouts[1].writeTotalTimeoutConstant, 1000u);
  EXPECT_STREQ(session.serialKey.data(), "1000752301");
}

TEST_F(Handshake, AFailedReplyLeavesTheKeyUnchanged) {
  port.Script("\xFA\xEAINIT_ERROR\xE4");
  std::strcpy(session.serialKey.data(), "unchanged");
  EXPECT_EQ(InitializeDevice(session).kind, InitAnswer::Kind::kInitError);
  EXPECT_STREQ(session.serialKey.data(), "unchanged");
  port.Script("\xFA\xEAINIT_OK\xE4\xFA\xEAINIT_ERROR_AND_MORE\xE4");
  EXPECT_EQ(InitializeDevice(session).kind, InitAnswer::Kind::kAccepted);  // the prefix is enough
  EXPECT_EQ(InitializeDevice(session).kind, InitAnswer::Kind::kUnexpected);  // the error reply must be whole
}

}  // namespace
}  // namespace trackctl
