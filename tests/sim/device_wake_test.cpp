#include <gtest/gtest.h>

#include "sim/device.h"
#include "tests/sim/sent_bytes.h"

namespace tracksim {
namespace {

TEST(DeviceWake, EchoesWakeBytesAsTheKnobsSay) {
  Knobs knobs;
  knobs.silentWakes = 2;
  knobs.otherByteFirst = 0x55;
  knobs.wakeEchoes = 3;
  Device device({}, knobs);
  const Bytes wake{0xFA};
  EXPECT_TRUE(SentBytes(device.Feed(wake)).empty());
  EXPECT_TRUE(SentBytes(device.Feed(wake)).empty());
  EXPECT_EQ(SentBytes(device.Feed(wake)), Bytes{0x55});
  EXPECT_EQ(SentBytes(device.Feed(wake)), (Bytes{0xFA, 0xFA, 0xFA}));
}

TEST(DeviceInit, AnswersWithKeyVersionAndType) {
  Knobs knobs;
  knobs.noiseBeforeReply = {0x01, 0x02};
  DeviceState state;
  state.serialKey = "ABCDEFGHIJ";
  state.version = "112233";
  state.deviceType = "TYPE";
  Device device(state, knobs);
  const Bytes reply = SentBytes(device.Feed(ToBytes("\xEAINIT\xE4")));
  EXPECT_EQ(reply, ToBytes("\x01\x02\xEAINIT_OK ABCDEFGHIJ 112233 TYPE\xE4"));
  ASSERT_EQ(device.served().size(), 1u);
  EXPECT_EQ(device.served()[0], "INIT");
}

TEST(DeviceInit, RepliesCanBeReplacedEchoedOrCutByAHangUp) {
  Knobs knobs;
  knobs.replyFor["INIT"] = ToBytes("\xEAINIT_ERROR\xE4");
  Device refusing({}, knobs);
  EXPECT_EQ(SentBytes(refusing.Feed(ToBytes("\xEAINIT\xE4"))), ToBytes("\xEAINIT_ERROR\xE4"));

  Knobs echo;
  echo.echoRequest = true;
  Device echoing({}, echo);
  EXPECT_EQ(SentBytes(echoing.Feed(ToBytes("\xEAINIT\xE4"))), ToBytes("\xEAINIT\xE4"));

  Knobs hang;
  hang.hangUpOn = "INIT";
  hang.hangUpAfterBytes = 6;
  Device hanging({}, hang);
  const Actions actions = hanging.Feed(ToBytes("\xEAINIT\xE4"));
  EXPECT_EQ(SentBytes(actions), ToBytes("\xEAINIT_"));
  ASSERT_FALSE(actions.empty());
  EXPECT_EQ(actions.back().kind, Action::Kind::kHangUp);
}

TEST(DeviceRequests, ByteE4InsideAKnownRequestDoesNotEndIt) {
  Device device;
  // INIT is 6 bytes long; a request that is not complete is not answered yet.
  EXPECT_TRUE(device.Feed(ToBytes("\xEAINI")).empty());
  EXPECT_FALSE(SentBytes(device.Feed(ToBytes("T\xE4"))).empty());
  // Unknown requests get no answer but are noted.
  EXPECT_TRUE(SentBytes(device.Feed(ToBytes("\xEAWHAT\xE4"))).empty());
  EXPECT_EQ(device.served().back(), "WHAT");
}

}  // namespace
}  // namespace tracksim
