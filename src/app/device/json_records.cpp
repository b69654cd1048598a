#include "app/device/json_records.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <string_view>
#include <type_traits>

namespace trackctl {
namespace {

using Json = nlohmann::ordered_json;

// A string whose code points are the bytes of `bytes`, in UTF-8: the library
// then escapes each one that is not printable ASCII.
Json Text(std::string_view bytes) {
  std::string utf8;
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x80) {
      utf8 += c;
    } else {
      utf8 += static_cast<char>(0xC0 | (byte >> 6));
      utf8 += static_cast<char>(0x80 | (byte & 0x3F));
    }
  }
  return utf8;
}

// A record's text field, up to its NUL (or its whole width without one).
template <std::size_t N>
Json Text(const std::array<char, N>& field) {
  const auto end = std::find(field.begin(), field.end(), '\0');
  return Text(std::string_view(field.data(), static_cast<std::size_t>(end - field.begin())));
}

bool IsLeapYear(unsigned year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

unsigned DaysInMonth(unsigned year, unsigned month) {
  static constexpr unsigned kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// null for a word past the end of the day (the clock shows 24:00:00 and more),
// which no reader can take as a time.
Json Time(TimeOfDay time) {
  if (time.hours > 23) return nullptr;
  std::array<char, 24> text{};
  std::snprintf(text.data(), text.size(), "%02u:%02u:%02u", unsigned{time.hours}, unsigned{time.minutes},
                unsigned{time.seconds});
  return text.data();
}

// null for an empty date word, which stands for no date, and for one that names
// no day of the calendar (month 0 or 13, 31 June).
Json Date(CalendarDate date, std::uint32_t word) {
  if (word == 0) return nullptr;
  if (date.month < 1 || date.month > 12 || date.day < 1 || date.day > DaysInMonth(date.year, date.month)) {
    return nullptr;
  }
  std::array<char, 24> text{};
  std::snprintf(text.data(), text.size(), "%04u-%02u-%02u", unsigned{date.year}, unsigned{date.month},
                unsigned{date.day});
  return text.data();
}

// Every field under its member's name: numbers as numbers, texts as Text.
auto FieldWriter(Json& json) {
  return [&json](const FieldInfo& field, const auto& member) {
    if constexpr (std::is_arithmetic_v<std::remove_cvref_t<decltype(member)>>) {
      json[field.name] = member;
    } else {
      json[field.name] = Text(member);
    }
  };
}

// After them, the time or date that each time and date word holds.
auto ShownFieldWriter(Json& json) {
  return [&json](const FieldInfo& field, const auto& member) {
    if constexpr (std::is_arithmetic_v<std::remove_cvref_t<decltype(member)>>) {
      if (field.kind == FieldKind::kTimeWord) json[field.shownName] = Time(TimeOfWord(member));
      if (field.kind == FieldKind::kDateWord) json[field.shownName] = Date(DecodeDateWord(member), member);
    }
  };
}

}  // namespace

Json DeviceInfoJson(const InitFields& fields) {
  return Json{{"serialKey", Text(fields.serialKey)},
              {"version", Json::array({Text(fields.version[0]), Text(fields.version[1]), Text(fields.version[2])})},
              {"deviceType", Text(fields.deviceType)}};
}

Json ConfigRecordJson(const ConfigRecord& record) {
  Json json = Json::object();
  ForEachConfigField(record, FieldWriter(json));
  ForEachConfigField(record, ShownFieldWriter(json));
  return json;
}

Json StatusRecordJson(const StatusRecord& record) {
  Json json = Json::object();
  ForEachStatusField(record, FieldWriter(json));
  ForEachStatusField(record, ShownFieldWriter(json));
  return json;
}

Json ReadConfigJson(const ConfigRecord& config, const StatusRecord& status) {
  Json reply{{"serialKey", Text(config.serialKey)}, {"kind", Text(std::string_view(&config.kind, 1))}};
  if (config.kind == 'C' || config.kind == 'F') reply["config"] = ConfigRecordJson(config);
  if (config.kind == 'D' || config.kind == 'F') reply["status"] = StatusRecordJson(status);
  return reply;
}

std::string JsonText(const Json& value) { return value.dump(-1, ' ', true); }

void WriteJson(const nlohmann::ordered_json& json) { std::fputs((JsonText(json) + "\n").c_str(), stdout); }

}  // namespace trackctl
