#include <gtest/gtest.h>

#include <string>

#include "sim/blocks.h"
#include "sim/device.h"
#include "tests/sim/sent_bytes.h"

namespace tracksim {
namespace {

Bytes Literal(const std::string& text) { return ToBytes(text); }

// A request as the PC sends it; its time word's low byte is 0xE4.
Bytes Request() {
  std::string request = "\xEAREADCONFIG_C\x41\xE4\x08\xEF\x29";
  request += std::string(16, '\0') + "\xE4";
  return ToBytes(request);
}

DeviceState StateWithEdges() {
  DeviceState state;
  state.serialKey = "ABCDEFGHIJ";
  ConfigBlock& c = state.config;
  c.gpsState = 0x80;
  c.trackMode = 0xFF;
  c.trackStatus = 3;
  c.units = 4;
  c.signalStrength = 5;
  c.sessionId = 6;
  c.featuresEnabled = 0xFFFE;
  c.deviceTimeWord = 3600;
  c.deviceDateWord = 2287;
  c.trackInterval = 0xABCDEF;
  c.stopDelayThreshold = 0x1234;
  c.startDelayThreshold = 17;
  c.startDistanceThreshold = 18;
  c.ovSpdThreshold = 19;
  c.overSpdDelayThreshold = 20;
  c.overSpdTrackInterval = 21;
  c.accelThreshold = 22;
  c.decelThreshold = 23;
  c.dataCallTime = 0xE4E4;
  c.dataCallInterval = 0xE4;
  c.dataCallTrackInterval = 0x010203;
  c.errorCode = 0xFE;
  c.smsc = "+1234567890123";
  c.cumulativeDistance = -1;
  c.voiceNumber = "98765";
  c.version = "VER123";
  StatusBlock& s = state.status;
  s.gsmType = 0xFF;
  s.gpsType = 0x80;
  s.bootupTimeWord = 0x1C20;
  s.bootupDateWord = 0x08EF;
  s.loggerTimeWord = 0xA8BF;
  s.loggerDateWord = 0x088F;
  s.codeUpgradeDateWord = 0;
  s.codeReleaseDateWord = 0xFFFF;
  s.homeNumber = "09876543210987";
  return state;
}

const std::string kConfigBytes = std::string("\x80\xFF\x03\x04\x05\x06\xFF\xFE\x0E\x10\x08\xEF\xAB\xCD\xEF\x12\x34", 17) +
                                 "\x11\x12\x13\x14\x15\x16\x17\xE4\xE4\xE4\x01\x02\x03\xFE" + "+1234567890123" +
                                 "\xFF\xFF\xFF\xFF" + std::string("98765\0\0\0\0\0\0\0\0\0", 14) + "VER123";
const std::string kStatusBytes =
    std::string("\xFF\x80\x1C\x20\x08\xEF\xA8\xBF\x08\x8F\x00\x00\xFF\xFF", 14) + "09876543210987";

TEST(DeviceReadConfig, EncodesBothBlocksFieldByField) {
  ASSERT_EQ(kConfigBytes.size(), kConfigBlockBytes);
  ASSERT_EQ(kStatusBytes.size(), kStatusBlockBytes);
  const DeviceState state = StateWithEdges();
  EXPECT_EQ(EncodeConfigBlock(state.config), Literal(kConfigBytes));
  EXPECT_EQ(EncodeStatusBlock(state.status), Literal(kStatusBytes));

  // Texts longer than their field are cut to it; shorter ones are padded with 0x00.
  StatusBlock longer;
  longer.homeNumber = "123456789012345678";
  const Bytes block = EncodeStatusBlock(longer);
  EXPECT_EQ(block.size(), kStatusBlockBytes);
  EXPECT_EQ(std::string(block.begin() + 14, block.end()), "12345678901234");
}

TEST(DeviceReadConfig, AnswersWithTheBlocksTheKindLetterNames) {
  const std::string header = "\xEAREADCONFIG_OK_ABCDEFGHIJ";
  for (const auto& [kind, blocks] : {std::pair<char, std::string>{'F', kConfigBytes + kStatusBytes},
                                     {'C', kConfigBytes},
                                     {'D', kStatusBytes},
                                     {'c', ""}}) {
    Knobs knobs;
    knobs.readConfigKind = static_cast<std::uint8_t>(kind);
    Device device(StateWithEdges(), knobs);
    // The 0xE4 inside the request's time word does not end it.
    EXPECT_EQ(SentBytes(device.Feed(Request())), Literal(header + kind + blocks + "\xE4")) << kind;
    EXPECT_EQ(device.served(), std::vector<std::string>{"READCONFIG_"});
  }
}

TEST(DeviceReadConfig, AnswersFromTheStateAsItIsNow) {
  Device device;
  const Bytes before = SentBytes(device.Feed(Request()));
  ASSERT_EQ(before.size(), 26u + 69u + 28u + 1u);
  device.state().config.deviceTimeWord = 0x1234;
  device.state().status.codeUpgradeDateWord = 0x0900;
  const Bytes after = SentBytes(device.Feed(Request()));
  EXPECT_EQ(after[26 + 8], 0x12);
  EXPECT_EQ(after[26 + 9], 0x34);
  EXPECT_EQ(after[26 + 69 + 10], 0x09);
  EXPECT_EQ(after[26 + 69 + 11], 0x00);
}

TEST(DeviceReadConfig, ErrorRepliesAndNoiseComeFromTheGeneralKnobs) {
  Knobs knobs;
  knobs.noiseBeforeReply = {0x11, 0xFA};
  knobs.replyFor["READCONFIG_"] = ToBytes("\xEA" "ERROR_BUSY\xE4");
  Device device({}, knobs);
  EXPECT_EQ(SentBytes(device.Feed(Request())), ToBytes("\x11\xFA\xEA" "ERROR_BUSY\xE4"));
}

}  // namespace
}  // namespace tracksim
