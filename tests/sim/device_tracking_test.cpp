#include <gtest/gtest.h>

#include "sim/device.h"

namespace tracksim {
namespace {

Bytes SentBytes(const Actions& actions) {
  Bytes all;
  for (const Action& action : actions) {
    if (action.kind == Action::Kind::kSend) all.insert(all.end(), action.bytes.begin(), action.bytes.end());
  }
  return all;
}

// The start frame of the example configuration at 09:15:20 on 15 June 2005.
Bytes ExampleStartFrame() {
  return {0xEA, 0x53, 0x54, 0x41, 0x52, 0x54, 0x54, 0x52, 0x41, 0x43, 0x4B, 0x5F, 0x34, 0x34, 0x35, 0x30,
          0x30, 0x30, 0x30, 0x30, 0x30, 0x30, 0x30, 0x30, 0x30, 0x30, 0x01, 0x00, 0x02, 0x3C, 0x00, 0x0D,
          0x41, 0x14, 0x08, 0xEF, 0x00, 0x00, 0x1E, 0x01, 0x2C, 0x05, 0x32, 0x50, 0x0A, 0x0F, 0x0C, 0x0E,
          0x02, 0x58, 0x3C, 0x00, 0x02, 0x58, 0x00, 0x01, 0x00, 0x00, 0x01, 0xF4, 0x31, 0x31, 0x31, 0x30,
          0x30, 0x30, 0x30, 0x30, 0x30, 0x30, 0x30, 0x30, 0x30, 0x30, 0x32, 0x32, 0x32, 0x30, 0x30, 0x30,
          0x30, 0x30, 0x30, 0x30, 0x30, 0x30, 0x30, 0x30, 0x33, 0x33, 0x33, 0x30, 0x30, 0x30, 0x30, 0x30,
          0x30, 0x30, 0x30, 0x30, 0x30, 0x30, 0xE4};
}

Bytes StopFrame(std::uint8_t timeLow) {
  Bytes frame = ToBytes("\xEA" "STOPTRACK");
  frame.insert(frame.end(), {0x3C, 0x41, timeLow, 0x08, 0xEF});
  frame.insert(frame.end(), 14, 0x00);
  frame.push_back(0xE4);
  return frame;
}

TEST(DeviceTracking, StartStoresTheSettingsAndStartsTracking) {
  Device device;
  EXPECT_EQ(SentBytes(device.Feed(ExampleStartFrame())), ToBytes("\xEA" "STARTTRACK_OK\xE4"));
  const ConfigBlock& config = device.state().config;
  EXPECT_EQ(config.trackStatus, 1);
  EXPECT_EQ(config.featuresEnabled, 0x000D);
  EXPECT_EQ(config.deviceTimeWord, 0x4114);
  EXPECT_EQ(config.deviceDateWord, 0x08EF);
  EXPECT_EQ(config.trackInterval, 30u);
  EXPECT_EQ(config.stopDelayThreshold, 300);
  EXPECT_EQ(config.startDelayThreshold, 5);
  EXPECT_EQ(config.startDistanceThreshold, 50);
  EXPECT_EQ(config.ovSpdThreshold, 80);
  EXPECT_EQ(config.overSpdDelayThreshold, 10);
  EXPECT_EQ(config.overSpdTrackInterval, 15);
  EXPECT_EQ(config.accelThreshold, 12);
  EXPECT_EQ(config.decelThreshold, 14);
  EXPECT_EQ(config.dataCallTime, 600);
  EXPECT_EQ(config.dataCallInterval, 60);
  EXPECT_EQ(config.dataCallTrackInterval, 600u);
  EXPECT_EQ(device.served(), std::vector<std::string>{"STARTTRACK_"});
}

TEST(DeviceTracking, ByteE4InsideTheStartFrameDoesNotEndIt) {
  Bytes frame = ExampleStartFrame();
  frame[36] = 0xFF;  // track interval 0xFF00E4
  frame[38] = 0xE4;
  Device device;
  EXPECT_TRUE(device.Feed(std::span(frame).first(39)).empty());
  EXPECT_EQ(SentBytes(device.Feed(std::span(frame).subspan(39))), ToBytes("\xEA" "STARTTRACK_OK\xE4"));
  EXPECT_EQ(device.state().config.trackInterval, 0xFF00E4u);
  EXPECT_EQ(device.state().config.stopDelayThreshold, 300);
}

TEST(DeviceTracking, StopEndsTrackingAndKeepsTheSettings) {
  Device device;
  device.Feed(ExampleStartFrame());
  // A time word with 0xE4 in it does not cut the stop frame short.
  EXPECT_EQ(SentBytes(device.Feed(StopFrame(0xE4))), ToBytes("\xEA" "STOPTRACK_OK\xE4"));
  EXPECT_EQ(device.state().config.trackStatus, 0);
  EXPECT_EQ(device.state().config.trackInterval, 30u);
  EXPECT_EQ(device.served().back(), "STOPTRACK");
}

TEST(DeviceTracking, KnobsReplaceTheReplies) {
  Knobs knobs;
  knobs.replyFor["STARTTRACK_"] = ToBytes("\xEA" "ERROR_\xE4");
  knobs.replyFor["STOPTRACK"] = ToBytes("\xEA" "STARTTRACK_OK\xE4");
  Device device({}, knobs);
  EXPECT_EQ(SentBytes(device.Feed(ExampleStartFrame())), ToBytes("\xEA" "ERROR_\xE4"));
  EXPECT_EQ(device.state().config.trackStatus, 0);  // a refused start changes nothing
  EXPECT_EQ(SentBytes(device.Feed(StopFrame(0x14))), ToBytes("\xEA" "STARTTRACK_OK\xE4"));
}

}  // namespace
}  // namespace tracksim
