#include "app/console/line_input.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace trackctl {
namespace {

// Input served a few bytes at a time, as a pipe may deliver it.
LineInput From(std::string text, std::size_t piece = 3) {
  auto shared = std::make_shared<std::string>(std::move(text));
  auto at = std::make_shared<std::size_t>(0);
  return LineInput([shared, at, piece](char* buffer, std::size_t size) {
    const std::size_t n = std::min({size, piece, shared->size() - *at});
    std::memcpy(buffer, shared->data() + *at, n);
    *at += n;
    return n;
  });
}

TEST(LineInput, NumbersSkipBlankLinesAndLeaveTheRestOfTheLine) {
  LineInput input = From("\n\n  -12 5\n+7\n");
  EXPECT_EQ(input.ReadInt(), -12);
  EXPECT_EQ(input.ReadInt(), 5);  // still on the same line
  EXPECT_EQ(input.ReadInt(), 7);
  EXPECT_EQ(input.ReadInt(), 0);  // end of input
}

TEST(LineInput, AnythingButANumberReadsAsZeroAndStaysPending) {
  LineInput input = From("abc\n-\n42x\n");
  EXPECT_EQ(input.ReadInt(), 0);
  input.DropRestOfLine();  // "abc" was looked at: it is the pending rest of the line
  EXPECT_EQ(input.ReadInt(), 0);  // a lone sign
  input.DropRestOfLine();
  EXPECT_EQ(input.ReadInt(), 42);
  EXPECT_EQ(input.ReadWord(), "x");
}

TEST(LineInput, HugeNumbersSaturate) {
  LineInput input = From("99999999999999999999 -99999999999999999999\n");
  EXPECT_EQ(input.ReadInt(), INT_MAX);
  EXPECT_EQ(input.ReadInt(), INT_MIN);
}

TEST(LineInput, DroppingTheRestOfALineOnlyActsInsideALine) {
  LineInput input = From("1 5\n\n0\n");
  EXPECT_EQ(input.ReadInt(), 1);
  input.DropRestOfLine();  // " 5\n"
  input.DropRestOfLine();  // at the start of a line: nothing
  EXPECT_EQ(input.ReadLine(), "");
  EXPECT_EQ(input.ReadInt(), 0);
  EXPECT_FALSE(input.AtEnd());  // the final line end is still there
}

TEST(LineInput, LinesEndWithLfOrCrLfAndTheEndOfInputReadsEmpty) {
  LineInput input = From("first\r\nsecond\nlast");
  EXPECT_EQ(input.ReadLine(), "first");
  EXPECT_EQ(input.ReadLine(), "second");
  EXPECT_EQ(input.ReadLine(), "last");
  EXPECT_EQ(input.ReadLine(), "");
  EXPECT_TRUE(input.AtEnd());
}

TEST(LineInput, ReadLineFirstDropsWhatIsLeftOfTheCurrentLine) {
  LineInput input = From("4 junk\nRAVU.BIN\n");
  EXPECT_EQ(input.ReadInt(), 4);
  EXPECT_EQ(input.ReadLine(), "RAVU.BIN");
}

TEST(LineInput, WordsSkipWhiteSpaceAcrossLines) {
  LineInput input = From("9\n\n   \t key123  rest\n");
  EXPECT_EQ(input.ReadInt(), 9);
  EXPECT_EQ(input.ReadWord(), "key123");
  EXPECT_EQ(input.ReadWord(), "rest");
  EXPECT_EQ(input.ReadWord(), std::nullopt);
}

TEST(LineInput, DropBufferedForgetsEverythingReadAhead) {
  LineInput input = From("1\n2\n3\n", 64);
  EXPECT_EQ(input.ReadInt(), 1);
  input.DropBuffered();
  EXPECT_EQ(input.ReadInt(), 0);
}

}  // namespace
}  // namespace trackctl
