// Logger files read back for the export: lines cut from pieces of any size, and
// the logger line's columns, written and read.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "track/line_splitter.h"
#include "logger/logger_line.h"
#include "logger/logger_record.h"

namespace trackctl {
namespace {

std::vector<std::string> Lines(const std::vector<std::string_view>& pieces, std::size_t maxLength = 64) {
  LineSplitter splitter(maxLength);
  std::vector<std::string> lines;
  const auto keep = [&lines](std::string_view line) { lines.emplace_back(line); };
  for (const std::string_view piece : pieces) splitter.Feed(piece, keep);
  splitter.Finish(keep);
  return lines;
}

TEST(LineSplitter, LfAndCrLfEndLinesWhereverThePiecesAreCut) {
  const std::string text = "a,1;\r\nb\n\nc\r\nlast\r";
  const std::vector<std::string> expected = {"a,1;", "b", "", "c", "last"};
  EXPECT_EQ(Lines({text}), expected);
  for (std::size_t cut = 0; cut <= text.size(); ++cut) {
    for (std::size_t second = cut; second <= text.size(); ++second) {
      const std::string_view all(text);
      EXPECT_EQ(Lines({all.substr(0, cut), all.substr(cut, second - cut), all.substr(second)}), expected)
          << cut << " " << second;
    }
  }
  EXPECT_EQ(Lines({"x\n"}), std::vector<std::string>{"x"});  // no empty line after the last line end
  EXPECT_EQ(Lines({"x\r"}), std::vector<std::string>{"x"});  // a CR LF file whose last LF is missing
  EXPECT_EQ(Lines({"a\rb\n"}), std::vector<std::string>{"a\rb"});  // a CR alone ends nothing
  EXPECT_TRUE(Lines({""}).empty());
}

TEST(LineSplitter, ALongLineSplitAcrossPiecesIsHeldOnlyInPart) {
  const std::string longLine(1000, 'x');
  std::vector<std::string_view> pieces;
  const std::string text = longLine + "\r\nok\n";
  for (std::size_t at = 0; at < text.size(); at += 7) pieces.push_back(std::string_view(text).substr(at, 7));
  const std::vector<std::string> lines = Lines(pieces, 64);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], std::string(65, 'x'));  // longer than any line may be, so no line
  EXPECT_EQ(lines[1], "ok");
}

TEST(ParseLoggerLine, ReadsBackWhatADownloadWrites) {
  using Bytes = std::array<std::uint8_t, kLoggerRecordSize>;
  const std::vector<Bytes> records = {
      {0x85, 0x2D, 0x47, 0x65, 0xF6, 0x08, 0xEC, 0x04, 0xF2, 0xC0, 0x1D, 0x99, 0x99, 0x00, 0x01, 0x23, 0x45},
      {0x3F, 0xFF, 0x7F, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
      {0xC5, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00},
  };
  for (const Bytes& bytes : records) {
    const LoggerRecord record = DecodeLoggerRecord(bytes);
    std::string text = FormatLoggerLine(LoggerLineOf(record));
    ASSERT_EQ(text.back(), '\n');
    text.pop_back();
    const std::optional<LoggerLine> line = ParseLoggerLine(text);
    ASSERT_TRUE(line.has_value()) << text;
    EXPECT_EQ(*line, LoggerLineOf(record)) << text;
    EXPECT_EQ(line->headCode, record.headCode) << text;
    EXPECT_EQ(line->flagCode, record.flagCode) << text;
    EXPECT_EQ(line->column4, 0u);
    const unsigned seconds = 2u * record.timeWord + (record.oddSecond ? 1 : 0);
    EXPECT_EQ(line->hours * 3600 + line->minutes * 60 + line->seconds, seconds) << text;
    EXPECT_EQ(line->longitude, std::uint64_t{record.longitude} * 40) << text;
    EXPECT_EQ(line->latitude, std::uint64_t{record.latitude} * 40) << text;
    EXPECT_EQ(line->byteValue, std::uint64_t{record.byteValue} * 1'000'000) << text;
    EXPECT_EQ(line->wideValue, std::uint64_t{record.wideValue} * 1'000'000) << text;
  }
  const std::optional<LoggerLine> example =
      ParseLoggerLine("5,2,7,0,14:30:5.00,12:6:2005,77.594600,12.971520,45.000000,74565.000000;");
  ASSERT_TRUE(example.has_value());
  EXPECT_EQ(example->headState, 2u);
  EXPECT_EQ((std::array{example->day, example->month, example->year}), (std::array{12u, 6u, 2005u}));
}

TEST(FormatLoggerLine, SixDecimalsWithoutRounding) {
  std::string number;
  AppendMillionths(number, 671'088'600);
  AppendMillionths(number, 5);
  AppendMillionths(number, 0);
  EXPECT_EQ(number, "671.0886000.0000050.000000");
  LoggerLine line;
  line.column4 = 7;  // written as it is, though a download writes 0
  line.year = 1970;
  line.longitude = 180'000'040;
  line.wideValue = 4'294'967'295'000'000;
  EXPECT_EQ(FormatLoggerLine(line), "0,0,0,7,0:0:0.00,0:0:1970,180.000040,0.000000,0.000000,4294967295.000000;\n");
}

TEST(ParseLoggerLine, AnythingElseIsNotALoggerLine) {
  for (const char* text : {
           "",
           "5,2,7,0,14:30:5.00,12:6:2005,77.594600,12.971520,45.000000,74565.000000",    // no ';'
           "5,2,7,0,14:30:5.00,12:6:2005,77.594600,12.971520,45.000000,74565.000000; ",  // after the ';'
           " 5,2,7,0,14:30:5.00,12:6:2005,77.594600,12.971520,45.000000,74565.000000;",
           "-5,2,7,0,14:30:5.00,12:6:2005,77.594600,12.971520,45.000000,74565.000000;",
           "5,2,7,0,14:30:5,12:6:2005,77.594600,12.971520,45.000000,74565.000000;",      // no ".00"
           "5,2,7,0,14:30:5.00,12/6/2005,77.594600,12.971520,45.000000,74565.000000;",
           "5,2,7,0,14:30:5.00,12:6:2005,77.5946,12.971520,45.000000,74565.000000;",     // five decimals
           "5,2,7,0,14:30:5.00,12:6:2005,77.5946000,12.971520,45.000000,74565.000000;",  // seven
           "5,2,7,0,14:30:5.00,12:6:2005,77,12.971520,45.000000,74565.000000;",
           "5,2,7,0,14:30:5.00,12:6:2005,77.594600,12.971520,45.000000;",                 // a column short
           "5,2,7,0,14:30:5.00,12:6:20050,77.594600,12.971520,45.000000,74565.000000;",  // a five-digit year
           "1234567890,2,7,0,14:30:5.00,12:6:2005,77.594600,12.971520,45.000000,74565.000000;",
           "5,2,7,0,14:30:5.00,12:6:2005,77.594600,12.971520,45.000000,12345678901.000000;",
           "5,2,7,0,14:30:5.00,12:6:2005,77.594600,12.971520,45.000000,74565.000000;\r",
       }) {
    EXPECT_FALSE(ParseLoggerLine(text).has_value()) << text;
  }
  std::string withNul = "5,2,7,0,14:30:5.00,12:6:2005,77.594600,12.971520,45.000000,74565.000000;";
  ASSERT_TRUE(ParseLoggerLine(withNul).has_value());
  withNul[40] = '\0';
  EXPECT_FALSE(ParseLoggerLine(withNul).has_value());
}

}  // namespace
}  // namespace trackctl
