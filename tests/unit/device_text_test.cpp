// A device's text on the console, and the names of time zones.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "app/console/device_text.h"
#include "app/device/config_text.h"
#include "track/zone_name.h"
#include "tests/unit/work_dir.h"

namespace trackctl {
namespace {

TEST(ShownDeviceText, EveryControlByteEscapedOnATerminalAndNothingElse) {
  for (int byte = 0; byte < 256; ++byte) {
    const std::string text(1, static_cast<char>(byte));
    const bool control = byte < 0x20 || byte == 0x7F;
    char escaped[8];
    std::snprintf(escaped, sizeof escaped, "\\x%02X", static_cast<unsigned>(byte));
    EXPECT_EQ(ShownDeviceText(text, DeviceTextMode::kEscaped), control ? std::string(escaped) : text) << byte;
    EXPECT_EQ(ShownDeviceText(text, DeviceTextMode::kAsItIs), text) << byte;
  }
  EXPECT_EQ(ShownDeviceText("\x1b[2J100\\075\xEA" "OK\xE4", DeviceTextMode::kEscaped),
            "\\x1B[2J100\\075\xEA" "OK\xE4");
  EXPECT_EQ(ShownDeviceText(std::string_view("a\0b", 3), DeviceTextMode::kEscaped), "a\\x00b");
}

TEST(ShownDeviceText, TheConfigurationsTextFieldsAndErrorText) {
  ConfigRecord record;
  std::snprintf(record.smsc.data(), record.smsc.size(), "+49\x1b]0;x\x07");
  const std::string raw = FormatConfigRecord(record);
  const std::string shown = FormatConfigRecord(record, DeviceTextMode::kEscaped);
  EXPECT_NE(raw.find("SMSC = +49\x1b]0;x\x07\n"), std::string::npos) << raw;
  EXPECT_NE(shown.find("SMSC = +49\\x1B]0;x\\x07\n"), std::string::npos) << shown;
  EXPECT_EQ(shown.find('\x1b'), std::string::npos);
  // Nothing else changes: the same text once the escapes are put back.
  std::string back = shown;
  back.replace(back.find("\\x1B"), 4, "\x1b");
  back.replace(back.find("\\x07"), 4, "\x07");
  EXPECT_EQ(back, raw);
}

TEST(ZoneNameIsKnown, FilesOfTheDatabaseAndRulesWrittenOut) {
  const testing::WorkDir dir;
  std::filesystem::create_directories("zones/Europe");
  dir.Write("zones/Europe/Berlin", "TZif");
  const std::string folder = (std::filesystem::current_path() / "zones").string();
  const std::string absolute = folder + "/Europe/Berlin";
  const struct {
    std::string tz;
    bool known;
  } cases[] = {
      {"", true},           {"Europe/Berlin", true}, {":Europe/Berlin", true}, {absolute, true},
      {":" + absolute, true}, {"Europe/Paris", false}, {"Foo/Bar", false},     {"Europe", false},
      {":", false},         {"CET-1CEST", true},     {"EST5EDT", true},        {"UTC0", true},
      {"<+0530>-5:30", true}, {"<+05>5", true},       {"<+5>5", false},         {"<+0530", false},
      {"AB5", false},       {"ABC", false},          {"ABC+", false},          {"ABC-x", false},
      {"ABC+1", true},
  };
  for (const auto& [tz, known] : cases) EXPECT_EQ(ZoneNameIsKnown(tz, folder), known) << tz;
  EXPECT_EQ(ZoneFolder(nullptr), "/usr/share/zoneinfo");
  EXPECT_EQ(ZoneFolder(""), "/usr/share/zoneinfo");
  EXPECT_EQ(ZoneFolder("/opt/zones"), "/opt/zones");
}

}  // namespace
}  // namespace trackctl
