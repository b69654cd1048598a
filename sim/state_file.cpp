#include "sim/state_file.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <type_traits>

namespace tracksim {
namespace {

constexpr char kHex[] = "0123456789ABCDEF";

// Every field the file holds, by name; the same list writes and reads the file.
template <typename State, typename Visit>
void ForEachField(State& s, Visit&& visit) {
  visit("serialKey", s.serialKey);
  visit("version", s.version);
  visit("deviceType", s.deviceType);
  visit("codeImageSize", s.codeImageSize);
  visit("codeChecksum", s.codeChecksum);
  auto& c = s.config;
  visit("config.gpsState", c.gpsState);
  visit("config.trackMode", c.trackMode);
  visit("config.trackStatus", c.trackStatus);
  visit("config.units", c.units);
  visit("config.signalStrength", c.signalStrength);
  visit("config.sessionId", c.sessionId);
  visit("config.featuresEnabled", c.featuresEnabled);
  visit("config.deviceTimeWord", c.deviceTimeWord);
  visit("config.deviceDateWord", c.deviceDateWord);
  visit("config.trackInterval", c.trackInterval);
  visit("config.stopDelayThreshold", c.stopDelayThreshold);
  visit("config.startDelayThreshold", c.startDelayThreshold);
  visit("config.startDistanceThreshold", c.startDistanceThreshold);
  visit("config.ovSpdThreshold", c.ovSpdThreshold);
  visit("config.overSpdDelayThreshold", c.overSpdDelayThreshold);
  visit("config.overSpdTrackInterval", c.overSpdTrackInterval);
  visit("config.accelThreshold", c.accelThreshold);
  visit("config.decelThreshold", c.decelThreshold);
  visit("config.dataCallTime", c.dataCallTime);
  visit("config.dataCallInterval", c.dataCallInterval);
  visit("config.dataCallTrackInterval", c.dataCallTrackInterval);
  visit("config.errorCode", c.errorCode);
  visit("config.smsc", c.smsc);
  visit("config.cumulativeDistance", c.cumulativeDistance);
  visit("config.voiceNumber", c.voiceNumber);
  visit("config.version", c.version);
  auto& t = s.status;
  visit("status.gsmType", t.gsmType);
  visit("status.gpsType", t.gpsType);
  visit("status.bootupTimeWord", t.bootupTimeWord);
  visit("status.bootupDateWord", t.bootupDateWord);
  visit("status.loggerTimeWord", t.loggerTimeWord);
  visit("status.loggerDateWord", t.loggerDateWord);
  visit("status.codeUpgradeDateWord", t.codeUpgradeDateWord);
  visit("status.codeReleaseDateWord", t.codeReleaseDateWord);
  visit("status.homeNumber", t.homeNumber);
}

std::string EscapeText(std::string_view text) {
  std::string out;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte > ' ' && byte < 0x7F && byte != '%') {
      out += c;
    } else {
      out += '%';
      out += kHex[byte >> 4];
      out += kHex[byte & 0x0F];
    }
  }
  return out;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::optional<std::string> UnescapeText(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out += text[i];
      continue;
    }
    if (i + 2 >= text.size()) return std::nullopt;
    const int high = HexDigit(text[i + 1]);
    const int low = HexDigit(text[i + 2]);
    if (high < 0 || low < 0) return std::nullopt;
    out += static_cast<char>(high * 16 + low);
    i += 2;
  }
  return out;
}

std::string FormatRecord(const LoggerRecordBytes& record) {
  std::string line;
  for (const std::uint8_t byte : record) {
    line += kHex[byte >> 4];
    line += kHex[byte & 0x0F];
  }
  return line;
}

std::optional<LoggerRecordBytes> ParseRecord(std::string_view line) {
  if (line.size() != 2 * kLoggerRecordSize) return std::nullopt;
  LoggerRecordBytes record{};
  for (std::size_t i = 0; i < kLoggerRecordSize; ++i) {
    const int high = HexDigit(line[2 * i]);
    const int low = HexDigit(line[2 * i + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    record[i] = static_cast<std::uint8_t>(high * 16 + low);
  }
  return record;
}

// Stores `value` in `field`; false when it does not fit the field's type.
template <typename Field>
bool Store(Field& field, std::string_view value) {
  if constexpr (std::is_same_v<Field, std::string>) {
    std::optional<std::string> text = UnescapeText(value);
    if (text) field = std::move(*text);
    return text.has_value();
  } else {
    Field number{};
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), number);
    if (error != std::errc() || end != value.data() + value.size()) return false;
    field = number;
    return true;
  }
}

}  // namespace

std::string FormatStateFile(const DeviceState& state) {
  std::string out = "# tracksim device state\n";
  ForEachField(state, [&](const char* name, const auto& field) {
    out += name;
    out += ' ';
    if constexpr (std::is_same_v<std::decay_t<decltype(field)>, std::string>) {
      out += EscapeText(field);
    } else {
      out += std::to_string(field);
    }
    out += '\n';
  });
  const std::pair<const char*, const std::vector<LoggerRecordBytes>*> sectors[] = {
      {"smsSector", &state.smsSector}, {"dataCallSector", &state.dataCallSector}};
  for (const auto& [name, sector] : sectors) {
    out += std::string(name) + ' ' + std::to_string(sector->size()) + '\n';
    for (const LoggerRecordBytes& record : *sector) out += FormatRecord(record) + '\n';
  }
  return out;
}

std::optional<DeviceState> ParseStateFile(std::string_view text, std::string& error) {
  DeviceState state;
  std::vector<LoggerRecordBytes>* sector = nullptr;  // the sector whose records follow
  std::size_t recordsLeft = 0;
  std::size_t number = 0;
  auto fail = [&](const std::string& why) {
    error = "line " + std::to_string(number) + ": " + why;
    return std::nullopt;
  };
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    ++number;
    if (line.ends_with('\r')) line.remove_suffix(1);
    if (recordsLeft > 0) {
      const std::optional<LoggerRecordBytes> record = ParseRecord(line);
      if (!record) return fail("a record must be 44 hexadecimal digits");
      sector->push_back(*record);
      --recordsLeft;
      continue;
    }
    if (line.empty() || line.starts_with('#')) continue;
    const std::size_t space = line.find(' ');
    const std::string_view name = line.substr(0, space);
    const std::string_view value = space == std::string_view::npos ? std::string_view{} : line.substr(space + 1);
    if (name == "smsSector" || name == "dataCallSector") {
      sector = name == "smsSector" ? &state.smsSector : &state.dataCallSector;
      sector->clear();
      if (!Store(recordsLeft, value)) return fail("a record count must be a number");
      continue;
    }
    bool known = false;
    bool stored = false;
    ForEachField(state, [&](const char* field, auto& place) {
      if (known || name != field) return;
      known = true;
      stored = Store(place, value);
    });
    if (!known) return fail("unknown name '" + std::string(name) + "'");
    if (!stored) return fail("bad value for " + std::string(name) + ": '" + std::string(value) + "'");
  }
  if (recordsLeft > 0) return fail("records missing at the end of the file: " + std::to_string(recordsLeft));
  return state;
}

std::optional<DeviceState> LoadStateFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    if (!std::filesystem::exists(path)) return std::nullopt;
    throw std::runtime_error("cannot read " + path + ": " + std::strerror(errno));
  }
  std::ostringstream text;
  text << in.rdbuf();
  std::string error;
  std::optional<DeviceState> state = ParseStateFile(text.str(), error);
  if (!state) throw std::runtime_error(path + ": " + error);
  return state;
}

void SaveStateFile(const std::string& path, const DeviceState& state) {
  const std::string temporary = path + ".tmp";
  std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
  out << FormatStateFile(state);
  out.close();
  if (!out) {
    std::remove(temporary.c_str());
    throw std::runtime_error("cannot write " + temporary);
  }
  std::error_code renameError;
  std::filesystem::rename(temporary, path, renameError);
  if (renameError) throw std::runtime_error("cannot replace " + path + ": " + renameError.message());
}

}  // namespace tracksim
