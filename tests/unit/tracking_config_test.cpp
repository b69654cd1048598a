#include "protocol/tracking_config.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "files/whole_file.h"

namespace trackctl {
namespace {

struct Parsed {
  TrackingConfigTable table{};
  std::size_t slots = 0;
};

Parsed Parse(std::string_view text) {
  Parsed parsed;
  // Leftovers from an earlier read must not survive.
  for (TrackingValue& value : parsed.table) value.fill('x');
  parsed.slots = ParseTrackingConfig(
      std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()), parsed.table);
  return parsed;
}

std::string_view Slot(const Parsed& parsed, std::size_t n) { return SlotText(parsed.table[n]); }

TEST(TrackingConfigLines, EachLineEndEndsOneLine) {
  const Parsed lf = Parse("a:1\nb:2\n");
  EXPECT_EQ(lf.slots, 3u);
  EXPECT_EQ(Slot(lf, 0), "1");
  EXPECT_EQ(Slot(lf, 1), "2");
  EXPECT_EQ(Slot(lf, 2), "");

  const Parsed crlf = Parse("a:1\r\nb:2\r\n");
  EXPECT_EQ(crlf.slots, 3u);
  EXPECT_EQ(Slot(crlf, 1), "2");

  const Parsed cr = Parse("a:1\rb:2");
  EXPECT_EQ(cr.slots, 2u);
  EXPECT_EQ(Slot(cr, 0), "1");
  EXPECT_EQ(Slot(cr, 1), "2");

  // The first CR ends a line, the CR LF after it a second, empty one.
  const Parsed crcrlf = Parse("a:1\r\r\nb:2");
  EXPECT_EQ(crcrlf.slots, 3u);
  EXPECT_EQ(Slot(crcrlf, 0), "1");
  EXPECT_EQ(Slot(crcrlf, 1), "");
  EXPECT_EQ(Slot(crcrlf, 2), "2");

  // A CR that closes the bytes is a line end of its own, before the end of input.
  EXPECT_EQ(Parse("a:1\r").slots, 2u);
}

TEST(TrackingConfigLines, ByteFFEndsALineAnd1AEndsTheInput) {
  // After 0xFF the rest of the line is label text again, up to its colon.
  const Parsed ff = Parse("a:12\xFF" "34:5\n");
  EXPECT_EQ(ff.slots, 3u);
  EXPECT_EQ(Slot(ff, 0), "12");
  EXPECT_EQ(Slot(ff, 1), "5");

  // The line in progress is stored; nothing after 0x1A is read.
  const Parsed sub = Parse("a:1\nb:2\x1A" "\nc:3\n");
  EXPECT_EQ(sub.slots, 2u);
  EXPECT_EQ(Slot(sub, 1), "2");
  EXPECT_EQ(Slot(sub, 2), "");
}

TEST(TrackingConfigLines, BlankAndColonlessLinesTakeASlot) {
  const Parsed parsed = Parse("a:1\n\nno colon here\nb:2\n");
  EXPECT_EQ(parsed.slots, 5u);
  EXPECT_EQ(Slot(parsed, 0), "1");
  EXPECT_EQ(Slot(parsed, 1), "");
  EXPECT_EQ(Slot(parsed, 2), "");
  EXPECT_EQ(Slot(parsed, 3), "2");
}

TEST(TrackingConfigLines, EmptyInputGivesOneEmptySlot) {
  const Parsed parsed = Parse("");
  EXPECT_EQ(parsed.slots, 1u);
  EXPECT_EQ(Slot(parsed, 0), "");
}

TEST(TrackingConfigValues, ColonsAfterTheFirstAreDroppedAndSpacesKept) {
  const Parsed parsed = Parse("Time:1:30\nDigit: 7\nLabel text : x y \n");
  EXPECT_EQ(Slot(parsed, 0), "130");
  EXPECT_EQ(Slot(parsed, 1), " 7");
  EXPECT_EQ(Slot(parsed, 2), " x y ");
}

TEST(TrackingConfigValues, LongValuesAreCutAndExtraLinesIgnored) {
  const Parsed parsed = Parse("a:123456789012345678\n");
  EXPECT_EQ(Slot(parsed, 0), "123456789012345");

  std::string many;
  for (int line = 0; line < 40; ++line) many += "n:" + std::to_string(line) + "\n";
  const Parsed full = Parse(many);
  EXPECT_EQ(full.slots, kTrackingSlots);
  EXPECT_EQ(Slot(full, 0), "0");
  EXPECT_EQ(Slot(full, 28), "28");
}

TEST(TrackingConfigValues, TwentyEightLinesFillSlot28OnlyWithALastLineEnd) {
  std::string lines;
  for (int line = 1; line <= 28; ++line) lines += "L:" + std::to_string(line) + "\r\n";
  const Parsed ended = Parse(lines);
  EXPECT_EQ(ended.slots, 29u);
  EXPECT_EQ(Slot(ended, 27), "28");
  EXPECT_EQ(Slot(ended, 28), "");

  lines.resize(lines.size() - 2);
  const Parsed open = Parse(lines);
  EXPECT_EQ(open.slots, 28u);
  EXPECT_EQ(Slot(open, 27), "28");
  // Slots the file does not reach are empty values.
  EXPECT_EQ(Slot(open, 28), "");
  EXPECT_EQ(Slot(Parse("a:1\n"), 20), "");
}

TEST(PadWithZeros, WidensShortValuesAndKeepsLongOnes) {
  std::array<char, 16> out{};
  PadWithZeros("445", out, 14);
  EXPECT_STREQ(out.data(), "44500000000000");
  PadWithZeros("", out, 14);
  EXPECT_STREQ(out.data(), "00000000000000");
  PadWithZeros("ABCDEFGHIJKLMN", out, 14);
  EXPECT_STREQ(out.data(), "ABCDEFGHIJKLMN");
  PadWithZeros("ABCDEFGHIJKLMNO", out, 14);
  EXPECT_STREQ(out.data(), "ABCDEFGHIJKLMNO");

  // Never beyond the destination, whatever the width or the source.
  std::array<char, 6> small;
  small.fill('#');
  PadWithZeros("1", std::span(small).first(4), 10);
  EXPECT_EQ(std::string(small.data(), small.size()), std::string("100\0##", 6));
  PadWithZeros("123456", std::span(small).first(4), 2);
  EXPECT_EQ(std::string(small.data(), small.size()), std::string("123\0##", 6));
}

TEST(ReadTrackingConfig, TheFileIsReadAsRawBytes) {
  const std::filesystem::path path =
      std::filesystem::temp_directory_path() / ("trackctl_config_test_" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()) + ".dat");
  {
    std::ofstream out(path, std::ios::binary);
    out << "a:1\r\nb:2\r\rc:3\x1A" "d:4";
  }
  const auto file = ReadWholeFile(path.string(), 100);
  std::filesystem::remove(path);
  ASSERT_TRUE(std::holds_alternative<std::vector<std::uint8_t>>(file));
  TrackingConfigTable table{};
  EXPECT_EQ(ParseTrackingConfig(std::get<std::vector<std::uint8_t>>(file), table), 4u);
  EXPECT_EQ(SlotText(table[0]), "1");
  EXPECT_EQ(SlotText(table[1]), "2");
  EXPECT_EQ(SlotText(table[2]), "");
  EXPECT_EQ(SlotText(table[3]), "3");
}

}  // namespace
}  // namespace trackctl
