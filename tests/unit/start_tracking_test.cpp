#include "protocol/start_tracking.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "fake_port.h"
#include "recorded_report.h"
#include "tracking_example.h"
#include "tests/common/expected_texts.h"

namespace trackctl {
namespace {

using testing::kExampleConfig;
using testing::kExampleMoment;
using Bytes = std::vector<std::uint8_t>;

TrackingConfigTable TableOf(std::string_view text) {
  TrackingConfigTable table{};
  ParseTrackingConfig(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()), table);
  return table;
}

void SetSlot(TrackingConfigTable& table, std::size_t slot, std::string_view value) {
  table[slot] = TrackingValue{};
  std::copy(value.begin(), value.end(), table[slot].begin());
}

Bytes Field(const StartFrame& frame, std::size_t offset, std::size_t width) {
  return Bytes(frame.begin() + static_cast<std::ptrdiff_t>(offset),
               frame.begin() + static_cast<std::ptrdiff_t>(offset + width));
}

TEST(StartFrame, WorkedExampleByteForByte) {
  const StartFrame frame = BuildStartFrame(TableOf(kExampleConfig), kExampleMoment, 0x3C);
  EXPECT_EQ(frame, testing::kExampleStartFrame);
}

TEST(StartFrame, TextFieldsArePaddedOrCutToFourteen) {
  TrackingConfigTable table = TableOf(kExampleConfig);
  SetSlot(table, 0, "");
  SetSlot(table, 25, "ABCDEFGHIJKLMN");
  SetSlot(table, 26, "ABCDEFGHIJKLMNO");
  SetSlot(table, 27, "+49 170");
  const StartFrame frame = BuildStartFrame(table, kExampleMoment, 0);
  auto text = [&](std::size_t offset) { return std::string(frame.begin() + static_cast<std::ptrdiff_t>(offset), frame.begin() + static_cast<std::ptrdiff_t>(offset + 14)); };
  EXPECT_EQ(text(12), "00000000000000");
  EXPECT_EQ(text(60), "ABCDEFGHIJKLMN");
  EXPECT_EQ(text(74), "ABCDEFGHIJKLMN");
  EXPECT_EQ(text(88), "+49 1700000000");
  EXPECT_EQ(frame[102], 0xE4);
}

TEST(StartFrame, DigitFieldsTakeTheFirstCharacter) {
  TrackingConfigTable table = TableOf(kExampleConfig);
  SetSlot(table, 1, "7");
  SetSlot(table, 2, "");
  SetSlot(table, 3, " 7");  // a space after the colon
  const StartFrame frame = BuildStartFrame(table, kExampleMoment, 0);
  EXPECT_EQ(Field(frame, 26, 3), (Bytes{0x07, 0xD0, 0xF0}));
  EXPECT_EQ(DigitField("93"), 9);
}

TEST(StartFrame, IntegerFieldsCarryTheLowBitsOfTheSignedNumber) {
  TrackingConfigTable table = TableOf(kExampleConfig);
  SetSlot(table, 10, " 12x");    // 3 bytes at 36; a space after the colon is skipped
  SetSlot(table, 11, "-1");      // 2 bytes at 39
  SetSlot(table, 12, "228");     // 1 byte at 41: FRAME_END inside the frame
  SetSlot(table, 14, "300");     // 1 byte at 43
  SetSlot(table, 19, "abc");     // 2 bytes at 48: no digits
  SetSlot(table, 21, "+70000");  // 3 bytes at 51
  SetSlot(table, 24, "-2");      // 4 bytes at 56
  const StartFrame frame = BuildStartFrame(table, kExampleMoment, 0);
  EXPECT_EQ(Field(frame, 36, 3), (Bytes{0x00, 0x00, 0x0C}));
  EXPECT_EQ(Field(frame, 39, 2), (Bytes{0xFF, 0xFF}));
  EXPECT_EQ(frame[41], 0xE4);
  EXPECT_EQ(frame[43], 0x2C);
  EXPECT_EQ(Field(frame, 48, 2), (Bytes{0x00, 0x00}));
  EXPECT_EQ(Field(frame, 51, 3), (Bytes{0x01, 0x11, 0x70}));
  EXPECT_EQ(Field(frame, 56, 4), (Bytes{0xFF, 0xFF, 0xFF, 0xFE}));
  // The neighbours keep their example values and the frame its length.
  EXPECT_EQ(frame[42], 0x32);
  EXPECT_EQ(frame[102], 0xE4);

  EXPECT_EQ(IntegerField("\t\v\f 42"), 42u);
  EXPECT_EQ(IntegerField("- 5"), 0u);
  EXPECT_EQ(IntegerField("99999999999999"), 0x107A3FFFu);  // more than 32 bits
}

TEST(StartFrame, FlagsAreShiftedAndOredUnreduced) {
  TrackingConfigTable table = TableOf(kExampleConfig);
  for (std::size_t slot = 4; slot <= 9; ++slot) SetSlot(table, slot, "0");
  SetSlot(table, 4, "2");
  EXPECT_EQ(FeatureMask(table), 0x0002);
  SetSlot(table, 9, "1");
  EXPECT_EQ(FeatureMask(table), 0x0022);
  SetSlot(table, 6, "-1");  // shifted by its bit number too
  EXPECT_EQ(FeatureMask(table), 0xFFFE);
  SetSlot(table, 4, "-1");
  EXPECT_EQ(FeatureMask(table), 0xFFFF);
  EXPECT_EQ(Field(BuildStartFrame(table, kExampleMoment, 0), 30, 2), (Bytes{0xFF, 0xFF}));
}

// A clock that moves one second on at every reading and counts its readings.
class SteppingClock : public Clock {
 public:
  LocalDateTime Now() override {
    LocalDateTime now = kExampleMoment;
    now.second += readings++;
    return now;
  }
  std::int64_t CalendarSeconds() override { return 1118826920; }
  int readings = 0;
};

class StartTrackingCommand : public ::testing::Test {
 protected:
  testing::FakePort port;
  SteppingClock clock;
  RandomGenerator random;
  testing::RecordedReport report;
  Session session{port, clock, random, report};
};

TEST_F(StartTrackingCommand, SendsTheFrameAndTakesTheOkReply) {
  port.Script("\x01\xFA" "\xEA" "STARTTRACK_OK\xE4");
  EXPECT_TRUE(StartTracking(session, TableOf(kExampleConfig)).accepted);

  RandomGenerator reference;
  const std::uint8_t randomByte = ReseededRandomByte(reference, clock.CalendarSeconds());
  EXPECT_LE(randomByte, 0x7F);
  const StartFrame expected = BuildStartFrame(TableOf(kExampleConfig), kExampleMoment, randomByte);
  EXPECT_EQ(port.written, Bytes(expected.begin(), expected.end()));
  EXPECT_EQ(clock.readings, 1);
  // The generator was reseeded: it goes on from the same state as the reference.
  EXPECT_EQ(random.Draw(), reference.Draw());
}

TEST_F(StartTrackingCommand, RefusesAnyOtherReplyAndKeepsItsText) {
  port.Script("\xEA" "STARTTRACK_OK_\xE4");
  const Answer answer = StartTracking(session, TableOf(kExampleConfig));
  EXPECT_FALSE(answer.accepted);
  EXPECT_EQ(answer.reply, "\xEA" "STARTTRACK_OK_\xE4");
  EXPECT_EQ(port.written.size(), kStartFrameSize);
}

}  // namespace
}  // namespace trackctl
