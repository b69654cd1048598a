#include "protocol/config_record.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>

#include "app/device/config_text.h"

namespace trackctl {
namespace {

// Copies a literal's bytes, 0x00 included, without its terminator.
template <std::size_t N>
void Put(std::span<std::uint8_t> block, std::size_t at, const char (&text)[N]) {
  std::copy(text, text + N - 1, block.begin() + static_cast<std::ptrdiff_t>(at));
}

// Every width with its top bit set, 0xE4 bytes, full-width texts, a distance of -1.
std::array<std::uint8_t, kConfigBlockSize> HighBitsConfigBlock() {
  std::array<std::uint8_t, kConfigBlockSize> b{};
  Put(b, 0, "\x80\xFF\x00\x01\xC8\x7F");
  Put(b, 6, "\xFF\xFE");          // features
  Put(b, 8, "\x1C\x20");          // time word 7200: 14400 s
  Put(b, 10, "\x08\xEF");         // date word 2287
  Put(b, 12, "\xFF\xFF\xFF");     // track interval
  Put(b, 15, "\x80\x01");         // stop delay
  Put(b, 17, "\x81\x82\x83\x84\x85\x86\x87");
  Put(b, 24, "\xE4\x00");         // data call time
  b[26] = 0xE4;                   // data call interval
  Put(b, 27, "\x01\x02\x03");     // data call track interval
  b[30] = 0xFE;
  Put(b, 31, "+1234567890123");   // 14 characters, no terminator
  Put(b, 45, "\xFF\xFF\xFF\xFF");
  Put(b, 49, "98765");
  Put(b, 55, "junk");             // after the terminator: not part of the text
  Put(b, 63, "ABCDEF");           // 6 characters, no terminator
  return b;
}

TEST(ConfigRecord, ParsesEveryWidthBigEndianAndUnsigned) {
  const auto block = HighBitsConfigBlock();
  ConfigRecord record;
  std::strcpy(record.serialKey.data(), "KEY0000001");
  record.kind = 'F';
  ParseConfigRecord(block, record);

  EXPECT_STREQ(record.serialKey.data(), "KEY0000001");  // left as the caller set it
  EXPECT_EQ(record.kind, 'F');
  EXPECT_EQ(record.gpsState, 0x80);
  EXPECT_EQ(record.signalStrength, 200);
  EXPECT_EQ(record.featuresEnabled, 65534);
  EXPECT_EQ(record.deviceTimeWord, 7200);
  EXPECT_EQ(record.deviceDateWord, 2287);
  EXPECT_EQ(record.trackInterval, 16777215u);
  EXPECT_EQ(record.stopDelayThreshold, 32769);
  EXPECT_EQ(record.dataCallTime, 0xE400);
  EXPECT_EQ(record.dataCallTrackInterval, 0x010203u);
  EXPECT_EQ(record.cumulativeDistance, -1);
  EXPECT_EQ(record.smsc.back(), '\0');
  EXPECT_EQ(record.version.back(), '\0');

  EXPECT_EQ(FormatConfigRecord(record),
            "GPS State = 128\n"
            "Track Mode = 255\n"
            "Track Status = 0\n"
            "Units = 1\n"
            "Signal Strength = 200\n"
            "Session Id = 127\n"
            "Features Enabled = 65534\n"
            "Device Time = 4:0:0Device Date = 15/6/2005\n"
            "Track Interval = 16777215\n"
            "Stop Delay Threshold = 32769\n"
            "Start Delay Threshold = 129\n"
            "Start Distance Threshold = 130\n"
            "OvSpd Threshold = 131\n"
            "OverSpdDelayThreshold = 132\n"
            "OverSpdTrackInterval = 133\n"
            "Accel Threshold = 134\n"
            "Decel Threshold = 135\n"
            "Datacall Time = 58368\n"
            "DataCallInterval = 228\n"
            "DataCallTrackInterval = 66051\n"
            "ErrorCode = 254\n"
            "SMSC = +1234567890123\n"
            "cumulative distance = -1\n"
            "Voice Number = 98765\n"
            "version = ABCDEF\n");
}

TEST(ConfigRecord, EdgesOfTimesDatesDistanceAndTexts) {
  std::array<std::uint8_t, kConfigBlockSize> block{};
  Put(block, 8, "\xFF\xFF");           // the largest time word: 131070 s, no wrap
  Put(block, 10, "\xFF\xFF");          // 31/6/2157
  Put(block, 45, "\x7F\xFF\xFF\xFF");
  ConfigRecord record;
  ParseConfigRecord(block, record);
  const std::string text = FormatConfigRecord(record);
  EXPECT_NE(text.find("Device Time = 36:24:30Device Date = 31/6/2157\n"), std::string::npos) << text;
  EXPECT_NE(text.find("cumulative distance = 2147483647\n"), std::string::npos);
  EXPECT_NE(text.find("ErrorCode = 0\nSMSC = \ncumulative"), std::string::npos);
  EXPECT_NE(text.find("Voice Number = \nversion = \n"), std::string::npos);

  block.fill(0);
  Put(block, 8, "\xA8\xBF");  // 23:59:58 as the PC sends it
  ParseConfigRecord(block, record);
  EXPECT_EQ(FormatTime(TimeOfWord(record.deviceTimeWord)), "23:59:58");
  EXPECT_EQ(FormatDate(DecodeDateWord(record.deviceDateWord)), "0/0/2000\n");
}

TEST(StatusRecord, ParsesWordsUnsignedAndPrintsInOrder) {
  std::array<std::uint8_t, kStatusBlockSize> block{};
  Put(block, 0, "\xFF\x80");
  Put(block, 2, "\x1C\x20");  // boot-up time word 7200
  Put(block, 4, "\x08\xEF");  // 15/6/2005
  Put(block, 6, "\xA8\xBF");  // logger time word 43199
  Put(block, 8, "\x08\x8F");  // 15/3/2005
  Put(block, 10, "\x00\x00");
  Put(block, 12, "\xFF\xFF");
  Put(block, 14, "09876543210987");  // 14 characters, no terminator
  StatusRecord record;
  ParseStatusRecord(block, record);

  EXPECT_EQ(record.bootupTimeWord, 7200u);
  EXPECT_EQ(record.bootupDateWord, 2287u);
  EXPECT_EQ(record.loggerTimeWord, 43199u);
  EXPECT_EQ(record.loggerDateWord, 2191u);
  EXPECT_EQ(record.codeUpgradeDateWord, 0u);
  EXPECT_EQ(record.codeReleaseDateWord, 65535u);
  EXPECT_EQ(FormatStatusRecord(record),
            "GSM Type = 255\n"
            "GPS Type = 128\n"
            "Last Bootup Time = 4:0:0Last Bootup Date = 15/6/2005\n"
            "Last Logger Time = 23:59:58Last Logger Date = 15/3/2005\n"
            "Code Upgrade Date = 0/0/2000\n"
            "Code Release Date = 31/6/2157\n"
            "Home Number = 09876543210987\n");
}

TEST(StatusRecord, ShortHomeNumberStopsAtItsTerminator) {
  std::array<std::uint8_t, kStatusBlockSize> block{};
  Put(block, 14, "123");
  Put(block, 18, "XYZ");
  StatusRecord record;
  ParseStatusRecord(block, record);
  EXPECT_STREQ(record.homeNumber.data(), "123");
  EXPECT_TRUE(std::all_of(record.homeNumber.begin() + 3, record.homeNumber.end(), [](char c) { return c == 0; }));
}

}  // namespace
}  // namespace trackctl
