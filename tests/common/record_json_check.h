// Reads a JSON object of the --json writer back, independently of the writer,
// and tells where it differs from the records it stands for: "" when every
// field agrees and no other is there, else the first field that does not.
#pragma once

#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

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

// The numbers of digit groups of the given widths joined by `separator`
// ("09:05:03" with ':' and 2, 2, 2); nullopt when the text is not so made.
inline std::optional<std::vector<unsigned>> DigitGroups(std::string_view text, char separator,
                                                        std::initializer_list<std::size_t> widths) {
  std::vector<unsigned> numbers;
  for (const std::size_t width : widths) {
    if (!numbers.empty()) {
      if (text.empty() || text.front() != separator) return std::nullopt;
      text.remove_prefix(1);
    }
    if (text.size() < width) return std::nullopt;
    unsigned number = 0;
    for (const char c : text.substr(0, width)) {
      if (c < '0' || c > '9') return std::nullopt;
      number = number * 10 + static_cast<unsigned>(c - '0');
    }
    numbers.push_back(number);
    text.remove_prefix(width);
  }
  if (!text.empty()) return std::nullopt;
  return numbers;
}

class JsonFieldCheck {
 public:
  JsonFieldCheck(const nlohmann::json& object, std::string where) : object_(object), where_(std::move(where)) {
    if (!object_.is_object()) Fail("", "not an object");
  }
  const std::string& difference() const { return difference_; }

  void Number(const char* key, long long expected) {
    const nlohmann::json* value = Field(key);
    if (value != nullptr && !(value->is_number_integer() && value->get<long long>() == expected)) Fail(key, value->dump());
  }
  void Text(const char* key, std::string_view expected) {
    const nlohmann::json* value = Field(key);
    if (value != nullptr && !(value->is_string() && JsonStringBytes(value->get<std::string>()) == expected)) {
      Fail(key, value->dump());
    }
  }
  // A record's text field, up to its NUL.
  template <std::size_t N>
  void Text(const char* key, const std::array<char, N>& field) {
    Text(key, std::string_view(field.data(), static_cast<std::size_t>(std::find(field.begin(), field.end(), '\0') - field.begin())));
  }
  void Texts(const char* key, std::span<const std::string> expected) {
    const nlohmann::json* value = Field(key);
    if (value == nullptr) return;
    bool same = value->is_array() && value->size() == expected.size();
    for (std::size_t i = 0; same && i < expected.size(); ++i) {
      same = (*value)[i].is_string() && JsonStringBytes((*value)[i].get<std::string>()) == expected[i];
    }
    if (!same) Fail(key, value->dump());
  }
  void Time(const char* key, TimeOfDay expected) {
    Groups(key, ':', {2, 2, 2}, {expected.hours, expected.minutes, expected.seconds});
  }
  void Date(const char* key, CalendarDate expected, std::uint32_t word) {
    if (word != 0) return Groups(key, '-', {4, 2, 2}, {expected.year, expected.month, expected.day});
    const nlohmann::json* value = Field(key);
    if (value != nullptr && !value->is_null()) Fail(key, value->dump());
  }
  // After the fields: nothing else is there.
  void NoOtherField() {
    if (object_.is_object() && object_.size() != checked_) Fail("", "has " + std::to_string(object_.size()) + " fields");
  }

 private:
  const nlohmann::json* Field(const char* key) {
    ++checked_;
    if (!object_.is_object() || !object_.contains(key)) {
      Fail(key, "missing");
      return nullptr;
    }
    return &object_.at(key);
  }
  void Groups(const char* key, char separator, std::initializer_list<std::size_t> widths, std::vector<unsigned> expected) {
    const nlohmann::json* value = Field(key);
    if (value == nullptr) return;
    if (!value->is_string() || DigitGroups(value->get<std::string>(), separator, widths) != expected) Fail(key, value->dump());
  }
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
  check.Texts("version", fields.version);
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
  check.Time("deviceTime", r.deviceTime);
  check.Date("deviceDate", r.deviceDate, r.deviceDateWord);
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
  check.Time("lastBootupTime", r.lastBootupTime);
  check.Date("lastBootupDate", r.lastBootupDate, r.bootupDateWord);
  check.Time("lastLoggerTime", r.lastLoggerTime);
  check.Date("lastLoggerDate", r.lastLoggerDate, r.loggerDateWord);
  check.Date("codeUpgradeDate", r.codeUpgradeDate, r.codeUpgradeDateWord);
  check.Date("codeReleaseDate", r.codeReleaseDate, r.codeReleaseDateWord);
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
