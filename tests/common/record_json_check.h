// Reads a JSON object of the --json writer back, independently of the writer,
// and tells where it differs from the records it stands for: "" when every
// field agrees and no other is there, else the first field that does not.
#pragma once

#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "protocol/config_record.h"
#include "protocol/handshake.h"

namespace trackctl::testing {

// The bytes that a JSON string's code points stand for, one each; nullopt when
// one is above U+00FF.
inline std::optional<std::string> JsonStringBytes(std::string_view utf8) {
  std::string bytes;
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    if (lead < 0x80) {
      bytes += static_cast<char>(lead);
    } else if ((lead == 0xC2 || lead == 0xC3) && i + 1 < utf8.size()) {
      bytes += static_cast<char>(((lead & 0x03) << 6) | (static_cast<unsigned char>(utf8[++i]) & 0x3F));
    } else {
      return std::nullopt;
    }
  }
  return bytes;
}

// printf-style text: a time or date as the JSON form must show it.
template <typename... Numbers>
std::string Formatted(const char* format, Numbers... numbers) {
  std::array<char, 32> text{};
  std::snprintf(text.data(), text.size(), format, unsigned{numbers}...);
  return text.data();
}

class JsonFieldCheck {
 public:
  JsonFieldCheck(const nlohmann::json& object, std::string where) : object_(object), where_(std::move(where)) {
    if (!object_.is_object()) Fail("", "not an object");
  }
  const std::string& difference() const { return difference_; }

  void Number(const char* key, long long expected) {
    Expect(key, [&](const nlohmann::json& v) { return v.is_number_integer() && v.get<long long>() == expected; });
  }
  void Text(const char* key, std::string_view expected) {
    Expect(key,
           [&](const nlohmann::json& v) { return v.is_string() && JsonStringBytes(v.get<std::string>()) == expected; });
  }
  // A record's text field, up to its NUL.
  template <std::size_t N>
  void Text(const char* key, const std::array<char, N>& field) {
    const auto end = std::find(field.begin(), field.end(), '\0');
    Text(key, std::string_view(field.data(), static_cast<std::size_t>(end - field.begin())));
  }
  // null past the end of the day.
  void Time(const char* key, TimeOfDay t) {
    Expect(key, [&](const nlohmann::json& v) {
      return t.hours > 23 ? v.is_null() : v == Formatted("%02u:%02u:%02u", t.hours, t.minutes, t.seconds);
    });
  }
  // null for an empty word and for one that names no day of the calendar.
  void Date(const char* key, CalendarDate d, std::uint32_t word) {
    const bool real = std::chrono::year_month_day(std::chrono::year(d.year), std::chrono::month(d.month),
                                                  std::chrono::day(d.day))
                          .ok();
    Expect(key, [&](const nlohmann::json& v) {
      return word == 0 || !real ? v.is_null() : v == Formatted("%04u-%02u-%02u", d.year, d.month, d.day);
    });
  }
  void Expect(const char* key, const std::function<bool(const nlohmann::json&)>& matches) {
    ++checked_;
    if (!object_.is_object() || !object_.contains(key)) return Fail(key, "missing");
    if (!matches(object_.at(key))) Fail(key, object_.at(key).dump());
  }
  // After the fields: nothing else is there.
  void NoOtherField() {
    if (object_.is_object() && object_.size() != checked_) Fail("", "has " + std::to_string(object_.size()) + " fields");
  }

 private:
  void Fail(std::string_view key, const std::string& what) {
    if (difference_.empty()) difference_ = where_ + std::string(key) + ": " + what;
  }

  const nlohmann::json& object_;
  std::string where_;
  std::string difference_;
  std::size_t checked_ = 0;
};

inline std::string DeviceInfoJsonDifference(const nlohmann::json& object, const InitFields& fields) {
  JsonFieldCheck check(object, "");
  check.Text("serialKey", fields.serialKey);
  const auto samePart = [](const nlohmann::json& part, const std::string& bytes) {
    return part.is_string() && JsonStringBytes(part.get<std::string>()) == bytes;
  };
  check.Expect("version", [&](const nlohmann::json& v) {
    return v.is_array() && v.size() == 3 && std::equal(v.begin(), v.end(), fields.version, samePart);
  });
  check.Text("deviceType", fields.deviceType);
  check.NoOtherField();
  return check.difference();
}

inline std::string ConfigJsonDifference(const nlohmann::json& object, const ConfigRecord& r) {
  JsonFieldCheck check(object, "config.");
  check.Number("gpsState", r.gpsState);
  check.Number("trackMode", r.trackMode);
  check.Number("trackStatus", r.trackStatus);
  check.Number("units", r.units);
  check.Number("signalStrength", r.signalStrength);
  check.Number("sessionId", r.sessionId);
  check.Number("featuresEnabled", r.featuresEnabled);
  check.Number("deviceTimeWord", r.deviceTimeWord);
  check.Number("deviceDateWord", r.deviceDateWord);
  check.Number("trackInterval", r.trackInterval);
  check.Number("stopDelayThreshold", r.stopDelayThreshold);
  check.Number("startDelayThreshold", r.startDelayThreshold);
  check.Number("startDistanceThreshold", r.startDistanceThreshold);
  check.Number("ovSpdThreshold", r.ovSpdThreshold);
  check.Number("overSpdDelayThreshold", r.overSpdDelayThreshold);
  check.Number("overSpdTrackInterval", r.overSpdTrackInterval);
  check.Number("accelThreshold", r.accelThreshold);
  check.Number("decelThreshold", r.decelThreshold);
  check.Number("dataCallTime", r.dataCallTime);
  check.Number("dataCallInterval", r.dataCallInterval);
  check.Number("dataCallTrackInterval", r.dataCallTrackInterval);
  check.Number("errorCode", r.errorCode);
  check.Text("smsc", r.smsc);
  check.Number("cumulativeDistance", r.cumulativeDistance);
  check.Text("voiceNumber", r.voiceNumber);
  check.Text("version", r.version);
  check.Time("deviceTime", TimeOfWord(r.deviceTimeWord));
  check.Date("deviceDate", DecodeDateWord(r.deviceDateWord), r.deviceDateWord);
  check.NoOtherField();
  return check.difference();
}

inline std::string StatusJsonDifference(const nlohmann::json& object, const StatusRecord& r) {
  JsonFieldCheck check(object, "status.");
  check.Number("gsmType", r.gsmType);
  check.Number("gpsType", r.gpsType);
  check.Number("bootupTimeWord", r.bootupTimeWord);
  check.Number("bootupDateWord", r.bootupDateWord);
  check.Number("loggerTimeWord", r.loggerTimeWord);
  check.Number("loggerDateWord", r.loggerDateWord);
  check.Number("codeUpgradeDateWord", r.codeUpgradeDateWord);
  check.Number("codeReleaseDateWord", r.codeReleaseDateWord);
  check.Text("homeNumber", r.homeNumber);
  check.Time("lastBootupTime", TimeOfWord(r.bootupTimeWord));
  check.Date("lastBootupDate", DecodeDateWord(r.bootupDateWord), r.bootupDateWord);
  check.Time("lastLoggerTime", TimeOfWord(r.loggerTimeWord));
  check.Date("lastLoggerDate", DecodeDateWord(r.loggerDateWord), r.loggerDateWord);
  check.Date("codeUpgradeDate", DecodeDateWord(r.codeUpgradeDateWord), r.codeUpgradeDateWord);
  check.Date("codeReleaseDate", DecodeDateWord(r.codeReleaseDateWord), r.codeReleaseDateWord);
  check.NoOtherField();
  return check.difference();
}

// A READCONFIG reply: the key and kind letter, and the blocks that its kind carries.
inline std::string ReadConfigJsonDifference(const nlohmann::json& object, const ConfigRecord& config,
                                            const StatusRecord& status) {
  JsonFieldCheck check(object, "");
  check.Text("serialKey", config.serialKey);
  check.Text("kind", std::string_view(&config.kind, 1));
  const bool hasConfig = config.kind == 'C' || config.kind == 'F';
  const bool hasStatus = config.kind == 'D' || config.kind == 'F';
  if (!check.difference().empty()) return check.difference();
  if (object.size() != 2u + hasConfig + hasStatus || object.contains("config") != hasConfig ||
      object.contains("status") != hasStatus) {
    return "blocks of kind " + object.at("kind").dump() + ": " + object.dump();
  }
  if (hasConfig) {
    if (std::string difference = ConfigJsonDifference(object.at("config"), config); !difference.empty()) return difference;
  }
  return hasStatus ? StatusJsonDifference(object.at("status"), status) : "";
}

}  // namespace trackctl::testing
