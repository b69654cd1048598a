#include <gtest/gtest.h>

#include <array>
#include <clocale>
#include <cstdio>
#include <string>

#include "logger/logger_record.h"

namespace trackctl {
namespace {

using RecordBytes = std::array<std::uint8_t, kLoggerRecordSize>;

// The 17 bytes that carry the fields, then five tail bytes.
RecordBytes Record(std::initializer_list<std::uint8_t> head, std::uint8_t tail = 0) {
  RecordBytes bytes{};
  bytes.fill(tail);
  std::copy(head.begin(), head.end(), bytes.begin());
  return bytes;
}

std::string Line(const RecordBytes& bytes) {
  return FormatLoggerLine(LoggerLineOf(DecodeLoggerRecord(bytes)));
}

// What printf makes of the same values in the C locale.
std::string PrintfLine(const LoggerRecord& r, unsigned hours, unsigned minutes, unsigned seconds, unsigned day,
                       unsigned month, unsigned year, unsigned headState) {
  char line[256];
  std::snprintf(line, sizeof line, "%d,%d,%d,%d,%d:%d:%d.00,%d:%d:%d,%f,%f,%f,%f;\n", r.headCode, headState,
                r.flagCode, 0, hours, minutes, seconds, day, month, year, r.longitude / 25000.0,
                r.latitude / 25000.0, static_cast<double>(r.byteValue), static_cast<double>(r.wideValue));
  return line;
}

TEST(LoggerRecord, WorkedExample) {
  const RecordBytes bytes = Record({0x85, 0x2D, 0x47, 0x65, 0xF6, 0x08, 0xEC, 0x04, 0xF2, 0xC0, 0x1D, 0x99, 0x99,
                                    0x00, 0x01, 0x23, 0x45});
  EXPECT_EQ(Line(bytes), "5,2,7,0,14:30:5.00,12:6:2005,77.594600,12.971520,45.000000,74565.000000;\n");
}

TEST(LoggerRecord, EmptyDateShowsNewYear1970AndStateZero) {
  // Date word 0, and 416 (year part 1, month 0, day 0).
  EXPECT_EQ(Line(Record({0x85, 0, 0, 0, 0, 0x00, 0x00})),
            "5,0,0,0,0:0:0.00,1:1:1970,0.000000,0.000000,0.000000,0.000000;\n");
  EXPECT_EQ(Line(Record({0xC5, 0, 0, 0, 0, 0x01, 0xA0})),
            "5,0,0,0,0:0:0.00,1:1:1970,0.000000,0.000000,0.000000,0.000000;\n");
  // Day 0 alone, month 0 alone: shown as they are, the state too.
  EXPECT_EQ(Line(Record({0xC5, 0, 0, 0, 0, 0x08, 0xE0})),  // 5*416 + 6*32
            "5,3,0,0,0:0:0.00,0:6:2005,0.000000,0.000000,0.000000,0.000000;\n");
  EXPECT_EQ(Line(Record({0x45, 0, 0, 0, 0, 0x08, 0x2C})),  // 5*416 + 12
            "5,1,0,0,0:0:0.00,12:0:2005,0.000000,0.000000,0.000000,0.000000;\n");
}

TEST(LoggerRecord, LargestFields) {
  // Time word 0xFFFF with the odd second: 131071 s, hours not wrapped.
  EXPECT_EQ(Line(Record({0x3F, 0xFF, 0x7F, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                         0xFF, 0xFF})),
            "63,0,63,0,36:24:31.00,31:6:2157,671.088600,671.088600,255.000000,4294967295.000000;\n");
  EXPECT_EQ(Line(Record({0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x21, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x01, 0x01, 0x00,
                         0x00, 0x00})),
            "1,0,0,0,0:0:0.00,1:1:2000,0.000040,671.088600,0.000000,16777216.000000;\n");
}

TEST(LoggerRecord, BitsThatCarryNothingChangeNothing) {
  const RecordBytes plain = Record({0x85, 0x2D, 0x07, 0x65, 0xF6, 0x08, 0xEC, 0x04, 0xF2, 0xC0, 0x1D, 0x99, 0x99,
                                    0x00, 0x01, 0x23, 0x45});
  RecordBytes marked = plain;
  marked[2] |= 0x80;
  for (std::size_t i = 17; i < kLoggerRecordSize; ++i) marked[i] = 0xA5;
  EXPECT_EQ(Line(marked), Line(plain));
  EXPECT_EQ(Line(plain), "5,2,7,0,14:30:4.00,12:6:2005,77.594600,12.971520,45.000000,74565.000000;\n");
}

// The line matches printf's "%f" rounding over the whole range of the fields.
TEST(LoggerRecord, MatchesPrintfOverManyValues) {
  std::uint32_t state = 12345;
  auto next = [&state] {
    state = state * 1664525u + 1013904223u;
    return state;
  };
  for (std::uint32_t i = 0; i < 20000; ++i) {
    LoggerRecord r;
    r.headCode = static_cast<std::uint8_t>(next() >> 26);
    r.headState = static_cast<std::uint8_t>(next() >> 30);
    r.byteValue = static_cast<std::uint8_t>(next() >> 24);
    r.flagCode = static_cast<std::uint8_t>(next() >> 26);
    r.oddSecond = (next() >> 31) != 0;
    r.timeWord = static_cast<std::uint16_t>(next() >> 16);
    r.dateWord = static_cast<std::uint16_t>(1 + (next() >> 16) % 41599);
    // Every small value, then values spread over the 24 bits.
    r.latitude = i < 10000 ? i : next() >> 8;
    r.longitude = i < 10000 ? 0xFFFFFFu - i : next() >> 8;
    r.wideValue = next();
    const unsigned t = 2u * r.timeWord + (r.oddSecond ? 1u : 0u);
    const unsigned rest = r.dateWord % 416u;
    const bool empty = rest % 32u == 0 && rest / 32u == 0;
    const std::string expected =
        empty ? PrintfLine(r, t / 3600, t % 3600 / 60, t % 60, 1, 1, 1970, 0)
              : PrintfLine(r, t / 3600, t % 3600 / 60, t % 60, rest % 32u, rest / 32u, r.dateWord / 416u + 2000u,
                           r.headState);
    ASSERT_EQ(FormatLoggerLine(LoggerLineOf(r)), expected) << "record " << i;
  }
}

TEST(LoggerRecord, DecimalPointIsAlwaysADot) {
  const RecordBytes bytes = Record({0x85, 0x2D, 0x47, 0x65, 0xF6, 0x08, 0xEC, 0x04, 0xF2, 0xC0, 0x1D, 0x99, 0x99,
                                    0x00, 0x01, 0x23, 0x45});
  const std::string saved = std::setlocale(LC_NUMERIC, nullptr);
  const char* found = nullptr;
  for (const char* name : {"de_DE.UTF-8", "de_DE", "fr_FR.UTF-8", "German_Germany.1252", "German"}) {
    if ((found = std::setlocale(LC_NUMERIC, name)) != nullptr) break;
  }
  char probe[16];
  std::snprintf(probe, sizeof probe, "%f", 0.5);
  if (found == nullptr || std::string(probe) != "0,500000") {
    std::setlocale(LC_NUMERIC, saved.c_str());
    GTEST_SKIP() << "no locale with a decimal comma here";
  }
  const std::string line = Line(bytes);
  std::setlocale(LC_NUMERIC, saved.c_str());
  EXPECT_EQ(line, "5,2,7,0,14:30:5.00,12:6:2005,77.594600,12.971520,45.000000,74565.000000;\n");
}

}  // namespace
}  // namespace trackctl
