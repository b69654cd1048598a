#include "app/device/json_records.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>

#include "tests/common/record_json_check.h"

namespace trackctl {
namespace {

using nlohmann::json;
using testing::ConfigJsonDifference;
using testing::DeviceInfoJsonDifference;
using testing::ReadConfigJsonDifference;

template <std::size_t N>
void Put(std::span<std::uint8_t> block, std::size_t at, const char (&bytes)[N]) {
  std::copy(bytes, bytes + N - 1, block.begin() + static_cast<std::ptrdiff_t>(at));
}

struct Records {
  ConfigRecord config;
  StatusRecord status;
};

// Top bits set in every width, texts with control, DEL, high and quote bytes,
// dates both empty and at the word's limit.
Records FReply() {
  std::array<std::uint8_t, kConfigBlockSize> c{};
  Put(c, 0, "\x80\xFF\x00\x01\xC8\x7F\xFF\xFE");
  Put(c, 8, "\x1C\x20\x08\xEF");  // time word 7200 (04:00:00), date word 2287 (15 June 2005)
  Put(c, 12, "\xFF\xFF\xFF\x80\x01\x81\x82\x83\x84\x85\x86\x87\xE4\x00\xE4\x01\x02\x03\xFE");
  Put(c, 31, "+49\x01\x7F\xB0\"\\\n\t 1234");  // 14 bytes, no terminator
  Put(c, 45, "\xFF\xFF\xFF\xFF");
  Put(c, 49, "98765");
  Put(c, 63, "V\xE4" "1.2");
  std::array<std::uint8_t, kStatusBlockSize> s{};
  Put(s, 0, "\x03\xFE\x54\x60");  // boot-up time word 21600: 12:00:00, boot-up date word 0
  Put(s, 6, "\x00\x01\x08\x8F\xFF\xFF");  // logger 00:00:02 on 15 March 2005; upgrade word 0xFFFF
  Put(s, 14, "\xB0\xFF\x01");
  Records r;
  std::strcpy(r.config.serialKey.data(), "K\"Y\x01\xB0" "00001");
  r.config.kind = 'F';
  ParseConfigRecord(c, r.config);
  ParseStatusRecord(s, r.status);
  return r;
}

TEST(JsonRecords, AnFReplyIsAsciiTextThatReadsBackFieldByField) {
  const Records r = FReply();
  const std::string text = JsonText(ReadConfigJson(r.config, r.status));

  EXPECT_TRUE(std::all_of(text.begin(), text.end(), [](char c) { return c >= 0x20 && c <= 0x7E; })) << text;
  for (const char* escape : {R"(\u0001)", R"(\u007f)", R"(\u00b0)", R"(\u00ff)", R"(\u00e4)", R"(\")", R"(\\)"}) {
    EXPECT_NE(text.find(escape), std::string::npos) << escape << " in " << text;
  }
  EXPECT_EQ(text.find('\n'), std::string::npos);

  const json object = json::parse(text);
  EXPECT_EQ(ReadConfigJsonDifference(object, r.config, r.status), "");
  // The exact forms, which the check above reads leniently.
  EXPECT_EQ(object["config"]["deviceTime"], "04:00:00");
  EXPECT_EQ(object["config"]["deviceDate"], "2005-06-15");
  EXPECT_EQ(object["config"]["cumulativeDistance"], -1);
  EXPECT_EQ(object["status"]["lastBootupDate"], nullptr);
  EXPECT_EQ(object["status"]["lastLoggerDate"], "2005-03-15");
  EXPECT_EQ(object["status"]["codeUpgradeDate"], nullptr);  // word 0xFFFF: 31 June 2157
  EXPECT_EQ(object["status"]["codeUpgradeDateWord"], 0xFFFF);
  EXPECT_EQ(object["status"]["codeReleaseDate"], nullptr);
}

TEST(JsonRecords, TheKindLetterDecidesTheBlocksAndTheCheckNoticesAnyFieldAmiss) {
  Records r = FReply();
  for (const char kind : {'C', 'D', 'c', '\0'}) {
    r.config.kind = kind;
    const json object = json::parse(JsonText(ReadConfigJson(r.config, r.status)));
    EXPECT_EQ(ReadConfigJsonDifference(object, r.config, r.status), "") << kind;
    EXPECT_EQ(object.contains("config"), kind == 'C');
    EXPECT_EQ(object.contains("status"), kind == 'D');
  }

  // The check that every test leans on finds a changed, a missing and an extra field.
  json config = json::parse(JsonText(ConfigRecordJson(r.config)));
  ASSERT_EQ(ConfigJsonDifference(config, r.config), "");
  config["smsc"] = "+49";
  EXPECT_NE(ConfigJsonDifference(config, r.config), "");
  config = json::parse(JsonText(ConfigRecordJson(r.config)));
  config.erase("deviceDate");
  EXPECT_NE(ConfigJsonDifference(config, r.config), "");
  config = json::parse(JsonText(ConfigRecordJson(r.config)));
  config["serialKey"] = "K";
  EXPECT_NE(ConfigJsonDifference(config, r.config), "");
}

// An empty date word makes its own date null, and no other.
TEST(JsonRecords, EachEmptyDateWordNullsItsOwnDateOnly) {
  const char* const keys[] = {"deviceDate", "lastBootupDate", "lastLoggerDate", "codeUpgradeDate", "codeReleaseDate"};
  for (std::size_t empty = 0; empty < std::size(keys); ++empty) {
    Records r = FReply();
    r.config.deviceDateWord = empty == 0 ? 0 : 2287;
    std::uint32_t* const statusWords[] = {&r.status.bootupDateWord, &r.status.loggerDateWord,
                                          &r.status.codeUpgradeDateWord, &r.status.codeReleaseDateWord};
    for (std::size_t i = 0; i < std::size(statusWords); ++i) *statusWords[i] = empty == i + 1 ? 0 : 2287;
    const json object = json::parse(JsonText(ReadConfigJson(r.config, r.status)));
    for (std::size_t k = 0; k < std::size(keys); ++k) {
      const json& date = object[k == 0 ? "config" : "status"][keys[k]];
      EXPECT_EQ(date.is_null(), k == empty) << keys[k] << " with " << keys[empty] << " empty: " << date;
      EXPECT_EQ(date.is_string(), k != empty) << keys[k];
    }
  }
}

constexpr std::uint32_t DateWord(unsigned year, unsigned month, unsigned day) {
  return (year - 2000) * 416 + month * 32 + day;
}

// A word that names no real date or time is null, its raw word still beside it.
TEST(JsonRecords, DatesAndTimesThatDoNotExistAreNull) {
  const struct {
    std::uint32_t word;
    const char* shown;  // nullptr: null
  } dates[] = {
      {DateWord(2004, 2, 29), "2004-02-29"}, {DateWord(2005, 2, 29), nullptr},
      {DateWord(2000, 2, 29), "2000-02-29"}, {DateWord(2100, 2, 29), nullptr},
      {DateWord(2005, 4, 30), "2005-04-30"}, {DateWord(2005, 4, 31), nullptr},
      {DateWord(2005, 1, 31), "2005-01-31"}, {DateWord(2005, 12, 31), "2005-12-31"},
      {DateWord(2005, 13, 1), nullptr},      {DateWord(2005, 0, 1), nullptr},
      {DateWord(2005, 1, 0), nullptr},       {DateWord(2157, 6, 30), "2157-06-30"},
      {0xFFFF, nullptr},                     {0, nullptr},
  };
  for (const auto& [word, shown] : dates) {
    Records r = FReply();
    r.status.loggerDateWord = word;
    const json status = json::parse(JsonText(ReadConfigJson(r.config, r.status)))["status"];
    EXPECT_EQ(status["lastLoggerDate"], shown == nullptr ? json(nullptr) : json(shown)) << word;
    EXPECT_EQ(status["loggerDateWord"], word);
  }
  const struct {
    std::uint32_t word;
    const char* shown;
  } times[] = {{0, "00:00:00"}, {43199, "23:59:58"}, {43200, nullptr}, {65535, nullptr}};
  for (const auto& [word, shown] : times) {
    Records r = FReply();
    r.status.bootupTimeWord = word;
    r.config.deviceTimeWord = static_cast<std::uint16_t>(word);
    const json object = json::parse(JsonText(ReadConfigJson(r.config, r.status)));
    EXPECT_EQ(object["status"]["lastBootupTime"], shown == nullptr ? json(nullptr) : json(shown)) << word;
    EXPECT_EQ(object["config"]["deviceTime"], shown == nullptr ? json(nullptr) : json(shown)) << word;
    EXPECT_EQ(object["status"]["bootupTimeWord"], word);
    EXPECT_EQ(ReadConfigJsonDifference(object, r.config, r.status), "") << word;
  }
}

TEST(JsonRecords, DeviceInfoKeepsTheThreeVersionParts) {
  const InitFields fields{"100\xB0" "5204\x01" "9", {"01", "\x7F" "2", ""}, "GT\"4"};
  const std::string text = JsonText(DeviceInfoJson(fields));
  EXPECT_EQ(text, R"({"serialKey":"100\u00b05204\u00019","version":["01","\u007f2",""],"deviceType":"GT\"4"})");
  EXPECT_EQ(DeviceInfoJsonDifference(json::parse(text), fields), "");
}

}  // namespace
}  // namespace trackctl
