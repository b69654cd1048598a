#include "protocol/timewords.h"

#include <gtest/gtest.h>

#include "protocol/random_byte.h"

namespace trackctl {
namespace {

TEST(TimeWords, EncodeAtTheEndsOfTheDayAndCentury) {
  EXPECT_EQ(EncodeTimeWord({2005, 6, 15, 23, 59, 59}), 43199);  // goes out as A8 BF
  EXPECT_EQ(EncodeTimeWord({2005, 6, 15, 0, 0, 1}), 0);         // odd second rounds down
  EXPECT_EQ(EncodeTimeWord({2005, 6, 15, 9, 15, 20}), 0x4114);
  EXPECT_EQ(EncodeDateWord({2099, 12, 31, 0, 0, 0}), 41599);    // A2 7F
  EXPECT_EQ(EncodeDateWord({2000, 1, 1, 0, 0, 0}), 33);
  EXPECT_EQ(EncodeDateWord({2005, 6, 15, 0, 0, 0}), 0x08EF);
}

TEST(TimeWords, DecodeDateWordValidatesNothing) {
  const CalendarDate last = DecodeDateWord(41599);
  EXPECT_EQ(last.day, 31);
  EXPECT_EQ(last.month, 12);
  EXPECT_EQ(last.year, 2099);
  const CalendarDate zero = DecodeDateWord(0);
  EXPECT_EQ(zero.day, 0);
  EXPECT_EQ(zero.month, 0);
  EXPECT_EQ(zero.year, 2000);
  const CalendarDate top = DecodeDateWord(0xFFFF);
  EXPECT_EQ(top.day, 31);
  EXPECT_EQ(top.month, 6);
  EXPECT_EQ(top.year, 2157);
}

TEST(TimeWords, SplitSecondsDoesNotWrapAtMidnight) {
  const TimeOfDay evening = SplitSeconds(86399);
  EXPECT_EQ(evening.hours, 23);
  EXPECT_EQ(evening.minutes, 59);
  EXPECT_EQ(evening.seconds, 59);
  const TimeOfDay late = SplitSeconds(90000);
  EXPECT_EQ(late.hours, 25);
  EXPECT_EQ(late.minutes, 0);
  EXPECT_EQ(late.seconds, 0);
}

TEST(RandomByte, PlainFormStartsFromStateOne) {
  RandomGenerator generator;
  EXPECT_EQ(PlainRandomByte(generator), 41);  // first draw 41 (0x29)
  EXPECT_EQ(PlainRandomByte(generator), 18467 & 0xFF);
}

TEST(RandomByte, ReseededFormDependsOnlyOnTheSecond) {
  RandomGenerator a;
  RandomGenerator b;
  PlainRandomByte(b);  // a different history does not matter after reseeding
  const std::int64_t now = 1118826920;
  EXPECT_EQ(ReseededRandomByte(a, now), ReseededRandomByte(b, now));
  // The reseeded draw moves the shared state: later plain draws follow from the seed.
  EXPECT_EQ(PlainRandomByte(a), PlainRandomByte(b));
  RandomGenerator c;
  for (std::int64_t t = now; t < now + 2000; ++t) EXPECT_LE(ReseededRandomByte(c, t), 0x7F);
}

}  // namespace
}  // namespace trackctl
