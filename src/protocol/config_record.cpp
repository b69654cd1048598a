#include "protocol/config_record.h"

#include <cstdio>
#include <string_view>

#include "protocol/byte_order.h"

namespace trackctl {
namespace {

// Copies at most N - 1 bytes of the text at `at`, stopping at a 0x00; the rest
// of the field, its last byte included, is 0x00.
template <std::size_t N>
void CopyText(std::span<const std::uint8_t> block, std::size_t at, std::array<char, N>& field) {
  field.fill('\0');
  for (std::size_t i = 0; i + 1 < N && block[at + i] != 0; ++i) field[i] = static_cast<char>(block[at + i]);
}

std::uint8_t Byte(std::span<const std::uint8_t> block, std::size_t at) { return block[at]; }

std::uint16_t Word(std::span<const std::uint8_t> block, std::size_t at) {
  return static_cast<std::uint16_t>(ReadBigEndian(block.subspan(at), 2));
}

// The block's time fields are time words: two seconds per unit.
TimeOfDay SplitTimeWord(std::uint32_t word) { return SplitSeconds(2 * word); }

void Line(std::string& out, std::string_view label, long long value) {
  out += label;
  out += " = ";
  out += std::to_string(value);
  out += '\n';
}

void TextLine(std::string& out, std::string_view label, const char* text) {
  out += label;
  out += " = ";
  out += text;
  out += '\n';
}

}  // namespace

void ParseConfigRecord(std::span<const std::uint8_t, kConfigBlockSize> block, ConfigRecord& record) {
  record.gpsState = Byte(block, 0);
  record.trackMode = Byte(block, 1);
  record.trackStatus = Byte(block, 2);
  record.units = Byte(block, 3);
  record.signalStrength = Byte(block, 4);
  record.sessionId = Byte(block, 5);
  record.featuresEnabled = Word(block, 6);
  record.deviceTimeWord = Word(block, 8);
  record.deviceDateWord = Word(block, 10);
  record.trackInterval = ReadBigEndian(block.subspan(12), 3);
  record.stopDelayThreshold = Word(block, 15);
  record.startDelayThreshold = Byte(block, 17);
  record.startDistanceThreshold = Byte(block, 18);
  record.ovSpdThreshold = Byte(block, 19);
  record.overSpdDelayThreshold = Byte(block, 20);
  record.overSpdTrackInterval = Byte(block, 21);
  record.accelThreshold = Byte(block, 22);
  record.decelThreshold = Byte(block, 23);
  record.dataCallTime = Word(block, 24);
  record.dataCallInterval = Byte(block, 26);
  record.dataCallTrackInterval = ReadBigEndian(block.subspan(27), 3);
  record.errorCode = Byte(block, 30);
  CopyText(block, 31, record.smsc);
  record.cumulativeDistance = static_cast<std::int32_t>(ReadBigEndian(block.subspan(45), 4));
  CopyText(block, 49, record.voiceNumber);
  CopyText(block, 63, record.version);
  record.deviceTime = SplitTimeWord(record.deviceTimeWord);
  record.deviceDate = DecodeDateWord(record.deviceDateWord);
}

void ParseStatusRecord(std::span<const std::uint8_t, kStatusBlockSize> block, StatusRecord& record) {
  record.gsmType = Byte(block, 0);
  record.gpsType = Byte(block, 1);
  record.bootupTimeWord = Word(block, 2);
  record.bootupDateWord = Word(block, 4);
  record.loggerTimeWord = Word(block, 6);
  record.loggerDateWord = Word(block, 8);
  record.codeUpgradeDateWord = Word(block, 10);
  record.codeReleaseDateWord = Word(block, 12);
  CopyText(block, 14, record.homeNumber);
  record.lastBootupTime = SplitTimeWord(record.bootupTimeWord);
  record.lastBootupDate = DecodeDateWord(record.bootupDateWord);
  record.lastLoggerTime = SplitTimeWord(record.loggerTimeWord);
  record.lastLoggerDate = DecodeDateWord(record.loggerDateWord);
  record.codeUpgradeDate = DecodeDateWord(record.codeUpgradeDateWord);
  record.codeReleaseDate = DecodeDateWord(record.codeReleaseDateWord);
}

std::string FormatTime(TimeOfDay time) {
  return std::to_string(time.hours) + ':' + std::to_string(time.minutes) + ':' + std::to_string(time.seconds);
}

std::string FormatDate(CalendarDate date) {
  return std::to_string(date.day) + '/' + std::to_string(date.month) + '/' + std::to_string(date.year) + '\n';
}

std::string FormatConfigRecord(const ConfigRecord& record) {
  std::string out;
  Line(out, "GPS State", record.gpsState);
  Line(out, "Track Mode", record.trackMode);
  Line(out, "Track Status", record.trackStatus);
  Line(out, "Units", record.units);
  Line(out, "Signal Strength", record.signalStrength);
  Line(out, "Session Id", record.sessionId);
  Line(out, "Features Enabled", record.featuresEnabled);
  out += "Device Time = " + FormatTime(record.deviceTime);
  out += "Device Date = " + FormatDate(record.deviceDate);
  Line(out, "Track Interval", record.trackInterval);
  Line(out, "Stop Delay Threshold", record.stopDelayThreshold);
  Line(out, "Start Delay Threshold", record.startDelayThreshold);
  Line(out, "Start Distance Threshold", record.startDistanceThreshold);
  Line(out, "OvSpd Threshold", record.ovSpdThreshold);
  Line(out, "OverSpdDelayThreshold", record.overSpdDelayThreshold);
  Line(out, "OverSpdTrackInterval", record.overSpdTrackInterval);
  Line(out, "Accel Threshold", record.accelThreshold);
  Line(out, "Decel Threshold", record.decelThreshold);
  Line(out, "Datacall Time", record.dataCallTime);
  Line(out, "DataCallInterval", record.dataCallInterval);
  Line(out, "DataCallTrackInterval", record.dataCallTrackInterval);
  Line(out, "ErrorCode", record.errorCode);
  TextLine(out, "SMSC", record.smsc.data());
  Line(out, "cumulative distance", record.cumulativeDistance);
  TextLine(out, "Voice Number", record.voiceNumber.data());
  TextLine(out, "version", record.version.data());
  return out;
}

std::string FormatStatusRecord(const StatusRecord& record) {
  std::string out;
  Line(out, "GSM Type", record.gsmType);
  Line(out, "GPS Type", record.gpsType);
  out += "Last Bootup Time = " + FormatTime(record.lastBootupTime);
  out += "Last Bootup Date = " + FormatDate(record.lastBootupDate);
  out += "Last Logger Time = " + FormatTime(record.lastLoggerTime);
  out += "Last Logger Date = " + FormatDate(record.lastLoggerDate);
  out += "Code Upgrade Date = " + FormatDate(record.codeUpgradeDate);
  out += "Code Release Date = " + FormatDate(record.codeReleaseDate);
  TextLine(out, "Home Number", record.homeNumber.data());
  return out;
}

void PrintConfigRecord(const ConfigRecord& record) { std::fputs(FormatConfigRecord(record).c_str(), stdout); }
void PrintStatusRecord(const StatusRecord& record) { std::fputs(FormatStatusRecord(record).c_str(), stdout); }

}  // namespace trackctl
