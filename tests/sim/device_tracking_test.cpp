#include <gtest/gtest.h>

#include "sim/device.h"
#include "tests/sim/sent_bytes.h"

namespace tracksim {
namespace {

// A start frame whose bytes 30 to 53, the ones the configuration block keeps,
// count 1 to 24, so that every field shows where it was taken from.
Bytes PatternedStartFrame() {
  Bytes frame = ToBytes("\xEA" "STARTTRACK_");
  frame.resize(30, '0');
  for (std::uint8_t value = 1; value <= 24; ++value) frame.push_back(value);
  frame.resize(102, '0');
  frame.push_back(0xE4);
  return frame;
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
  EXPECT_EQ(SentBytes(device.Feed(PatternedStartFrame())), ToBytes("\xEA" "STARTTRACK_OK\xE4"));
  const ConfigBlock& config = device.state().config;
  EXPECT_EQ(config.trackStatus, 1);
  EXPECT_EQ(config.featuresEnabled, 0x0102);
  EXPECT_EQ(config.deviceTimeWord, 0x0304);
  EXPECT_EQ(config.deviceDateWord, 0x0506);
  EXPECT_EQ(config.trackInterval, 0x070809u);
  EXPECT_EQ(config.stopDelayThreshold, 0x0A0B);
  EXPECT_EQ(config.startDelayThreshold, 0x0C);
  EXPECT_EQ(config.startDistanceThreshold, 0x0D);
  EXPECT_EQ(config.ovSpdThreshold, 0x0E);
  EXPECT_EQ(config.overSpdDelayThreshold, 0x0F);
  EXPECT_EQ(config.overSpdTrackInterval, 0x10);
  EXPECT_EQ(config.accelThreshold, 0x11);
  EXPECT_EQ(config.decelThreshold, 0x12);
  EXPECT_EQ(config.dataCallTime, 0x1314);
  EXPECT_EQ(config.dataCallInterval, 0x15);
  EXPECT_EQ(config.dataCallTrackInterval, 0x161718u);
  EXPECT_EQ(device.served(), std::vector<std::string>{"STARTTRACK_"});
}

TEST(DeviceTracking, ByteE4InsideTheStartFrameDoesNotEndIt) {
  Bytes frame = PatternedStartFrame();
  frame[38] = 0xE4;  // the last byte of the track interval
  Device device;
  EXPECT_TRUE(device.Feed(std::span(frame).first(39)).empty());
  EXPECT_EQ(SentBytes(device.Feed(std::span(frame).subspan(39))), ToBytes("\xEA" "STARTTRACK_OK\xE4"));
  EXPECT_EQ(device.state().config.trackInterval, 0x0708E4u);
  EXPECT_EQ(device.state().config.stopDelayThreshold, 0x0A0B);
}

TEST(DeviceTracking, StopEndsTrackingAndKeepsTheSettings) {
  Device device;
  device.Feed(PatternedStartFrame());
  // A time word with 0xE4 in it does not cut the stop frame short.
  EXPECT_EQ(SentBytes(device.Feed(StopFrame(0xE4))), ToBytes("\xEA" "STOPTRACK_OK\xE4"));
  EXPECT_EQ(device.state().config.trackStatus, 0);
  EXPECT_EQ(device.state().config.trackInterval, 0x070809u);
  EXPECT_EQ(device.served().back(), "STOPTRACK");
}

TEST(DeviceTracking, KnobsReplaceTheReplies) {
  Knobs knobs;
  knobs.replyFor["STARTTRACK_"] = ToBytes("\xEA" "ERROR_\xE4");
  knobs.replyFor["STOPTRACK"] = ToBytes("\xEA" "STARTTRACK_OK\xE4");
  Device device({}, knobs);
  EXPECT_EQ(SentBytes(device.Feed(PatternedStartFrame())), ToBytes("\xEA" "ERROR_\xE4"));
  EXPECT_EQ(device.state().config.trackStatus, 0);  // a refused start changes nothing
  EXPECT_EQ(SentBytes(device.Feed(StopFrame(0x14))), ToBytes("\xEA" "STARTTRACK_OK\xE4"));
}

}  // namespace
}  // namespace tracksim
