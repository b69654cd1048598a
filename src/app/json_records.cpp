#include "app/json_records.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <string_view>

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

Json Time(TimeOfDay time) {
  std::array<char, 24> text{};
  std::snprintf(text.data(), text.size(), "%02u:%02u:%02u", unsigned{time.hours}, unsigned{time.minutes},
                unsigned{time.seconds});
  return text.data();
}

// null for an empty date word, which stands for no date.
Json Date(CalendarDate date, std::uint32_t word) {
  if (word == 0) return nullptr;
  std::array<char, 24> text{};
  std::snprintf(text.data(), text.size(), "%04u-%02u-%02u", unsigned{date.year}, unsigned{date.month},
                unsigned{date.day});
  return text.data();
}

}  // namespace

Json DeviceInfoJson(const InitFields& fields) {
  return Json{{"serialKey", Text(fields.serialKey)},
              {"version", Json::array({Text(fields.version[0]), Text(fields.version[1]), Text(fields.version[2])})},
              {"deviceType", Text(fields.deviceType)}};
}

Json ConfigRecordJson(const ConfigRecord& r) {
  return Json{{"gpsState", r.gpsState},
              {"trackMode", r.trackMode},
              {"trackStatus", r.trackStatus},
              {"units", r.units},
              {"signalStrength", r.signalStrength},
              {"sessionId", r.sessionId},
              {"featuresEnabled", r.featuresEnabled},
              {"deviceTimeWord", r.deviceTimeWord},
              {"deviceDateWord", r.deviceDateWord},
              {"trackInterval", r.trackInterval},
              {"stopDelayThreshold", r.stopDelayThreshold},
              {"startDelayThreshold", r.startDelayThreshold},
              {"startDistanceThreshold", r.startDistanceThreshold},
              {"ovSpdThreshold", r.ovSpdThreshold},
              {"overSpdDelayThreshold", r.overSpdDelayThreshold},
              {"overSpdTrackInterval", r.overSpdTrackInterval},
              {"accelThreshold", r.accelThreshold},
              {"decelThreshold", r.decelThreshold},
              {"dataCallTime", r.dataCallTime},
              {"dataCallInterval", r.dataCallInterval},
              {"dataCallTrackInterval", r.dataCallTrackInterval},
              {"errorCode", r.errorCode},
              {"smsc", Text(r.smsc)},
              {"cumulativeDistance", r.cumulativeDistance},
              {"voiceNumber", Text(r.voiceNumber)},
              {"version", Text(r.version)},
              {"deviceTime", Time(r.deviceTime)},
              {"deviceDate", Date(r.deviceDate, r.deviceDateWord)}};
}

Json StatusRecordJson(const StatusRecord& r) {
  return Json{{"gsmType", r.gsmType},
              {"gpsType", r.gpsType},
              {"bootupTimeWord", r.bootupTimeWord},
              {"bootupDateWord", r.bootupDateWord},
              {"loggerTimeWord", r.loggerTimeWord},
              {"loggerDateWord", r.loggerDateWord},
              {"codeUpgradeDateWord", r.codeUpgradeDateWord},
              {"codeReleaseDateWord", r.codeReleaseDateWord},
              {"homeNumber", Text(r.homeNumber)},
              {"lastBootupTime", Time(r.lastBootupTime)},
              {"lastBootupDate", Date(r.lastBootupDate, r.bootupDateWord)},
              {"lastLoggerTime", Time(r.lastLoggerTime)},
              {"lastLoggerDate", Date(r.lastLoggerDate, r.loggerDateWord)},
              {"codeUpgradeDate", Date(r.codeUpgradeDate, r.codeUpgradeDateWord)},
              {"codeReleaseDate", Date(r.codeReleaseDate, r.codeReleaseDateWord)}};
}

Json ReadConfigJson(const ConfigRecord& config, const StatusRecord& status) {
  Json reply{{"serialKey", Text(config.serialKey)}, {"kind", Text(std::string_view(&config.kind, 1))}};
  if (config.kind == 'C' || config.kind == 'F') reply["config"] = ConfigRecordJson(config);
  if (config.kind == 'D' || config.kind == 'F') reply["status"] = StatusRecordJson(status);
  return reply;
}

std::string JsonText(const Json& value) { return value.dump(-1, ' ', true); }

}  // namespace trackctl
