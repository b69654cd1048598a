#include <gtest/gtest.h>

#include <string>

#include "logger/byte_count.h"
#include "logger/logger_file_name.h"

namespace trackctl {
namespace {

TEST(ParseByteCount, ReadsTheNumberAfterTheLastUnderscore) {
  EXPECT_EQ(ParseByteCount("\xEAPREAD_OK_6600\xE4"), 6600u);
  EXPECT_EQ(ParseByteCount("\xEAOREAD_OK_0\xE4"), 0u);
  EXPECT_EQ(ParseByteCount("\xEAX_1_2_44\xE4"), 44u);
  EXPECT_EQ(ParseByteCount("\xEAPREAD_OK_ \t+44xyz\xE4"), 44u);
  EXPECT_EQ(ParseByteCount("\xEAPREAD_OK_44"), 44u);  // cut before its end
  // No digits, no underscore: 0.
  EXPECT_EQ(ParseByteCount("\xEAPREAD_OK_\xE4"), 0u);
  EXPECT_EQ(ParseByteCount("\xEAREAD_ERROR\xE4"), 0u);
  EXPECT_EQ(ParseByteCount("\xEAPREADOK44\xE4"), 0u);
  EXPECT_EQ(ParseByteCount(""), 0u);
}

TEST(ParseByteCount, SignedThirtyTwoBitsKeptUnsigned) {
  EXPECT_EQ(ParseByteCount("_-4\xE4"), 4294967292u);
  EXPECT_EQ(ParseByteCount("_2147483647\xE4"), 2147483647u);
  EXPECT_EQ(ParseByteCount("_99999999999\xE4"), 2147483647u);
  EXPECT_EQ(ParseByteCount("_-2147483648\xE4"), 2147483648u);
  EXPECT_EQ(ParseByteCount("_-99999999999999\xE4"), 2147483648u);
}

TEST(ParseByteCount, CountTextIsCutAtNineteenCharacters) {
  // 19 characters fit; the 20th and later are not read.
  EXPECT_EQ(ParseByteCount("_" + std::string(17, ' ') + "44\xE4"), 44u);
  EXPECT_EQ(ParseByteCount("_" + std::string(18, ' ') + "44\xE4"), 4u);
  EXPECT_EQ(ParseByteCount("_" + std::string(19, ' ') + "44\xE4"), 0u);
  EXPECT_EQ(ParseByteCount("_000000000000000000044\xE4"), 0u);
}

TEST(LoggerFileName, KeySectorAndOneClockReading) {
  const LocalDateTime now{2005, 6, 12, 14, 30, 5};
  EXPECT_EQ(LoggerFileName("1000752301", 'O', now), "1000752301_O20050612143005.dat");
  EXPECT_EQ(LoggerFileName("1000752301", 'P', LocalDateTime{2024, 1, 2, 3, 4, 9}),
            "1000752301_P20240102030409.dat");
  // Spaces of a key typed short are kept.
  EXPECT_EQ(LoggerFileName("ABC       ", 'P', now), "ABC       _P20050612143005.dat");
}

TEST(LoggerFileName, KeysThatWouldLeaveTheWorkingFolderAreRefused) {
  const LocalDateTime now{2005, 6, 12, 14, 30, 5};
  for (const char* key : {"../evil123", "..\\evil123", "C:evil1234", "/tmp/x1234", "ab\ncd12345", "ab\x7F" "cd"}) {
    EXPECT_FALSE(LoggerFileName(key, 'O', now).has_value()) << key;
  }
  EXPECT_FALSE(IsSafeKeyForFileName(std::string_view("ab\0cd", 5)));
  EXPECT_TRUE(IsSafeKeyForFileName("A-Z a.z_09"));
}

TEST(ReadLoggerFileName, GivesBackWhatTheNameWasMadeOf) {
  const LocalDateTime when{2026, 12, 7, 6, 42, 14};
  for (const char* key : {"1000752301", "ABC       ", "a_P20050612143005.dat", "x"}) {
    for (const char letter : {'P', 'O'}) {
      const std::optional<LoggerFileNameParts> parts = ReadLoggerFileName(*LoggerFileName(key, letter, when));
      ASSERT_TRUE(parts.has_value()) << key << letter;
      EXPECT_EQ(parts->serialKey, key);
      EXPECT_EQ(parts->sectorLetter, letter);
      EXPECT_EQ(parts->downloaded, when);
    }
  }
  for (const char* name : {"_P20050612143005.dat", "1000752301_X20050612143005.dat", "1000752301-P20050612143005.dat",
                           "1000752301_P2005061214300.dat", "1000752301_P2005061214300x.dat",
                           "1000752301_P20050612143005.txt", "1000752301_P20050612143005.dat.gpx", ".dat", ""}) {
    EXPECT_FALSE(ReadLoggerFileName(name).has_value()) << name;
  }
}

}  // namespace
}  // namespace trackctl
