// The device's configuration block (69 bytes) and status block (28 bytes), the
// records they decode into, and their labelled console lines.
//
// Every number in a block is unsigned and big-endian. The three 16-bit time
// fields are time words (seconds of the day divided by two), as everywhere else
// in the protocol.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "protocol/timewords.h"

namespace trackctl {

inline constexpr std::size_t kConfigBlockSize = 69;
inline constexpr std::size_t kStatusBlockSize = 28;

struct ConfigRecord {
  std::array<char, 11> serialKey{};  // from the reply around the block; 10 characters and a NUL
  char kind = 0;                     // ditto
  std::uint8_t gpsState = 0;
  std::uint8_t trackMode = 0;
  std::uint8_t trackStatus = 0;
  std::uint8_t units = 0;
  std::uint8_t signalStrength = 0;
  std::uint8_t sessionId = 0;
  std::uint16_t featuresEnabled = 0;
  std::uint16_t deviceTimeWord = 0;
  std::uint16_t deviceDateWord = 0;
  std::uint32_t trackInterval = 0;  // 24 bits
  std::uint16_t stopDelayThreshold = 0;
  std::uint8_t startDelayThreshold = 0;
  std::uint8_t startDistanceThreshold = 0;
  std::uint8_t ovSpdThreshold = 0;
  std::uint8_t overSpdDelayThreshold = 0;
  std::uint8_t overSpdTrackInterval = 0;
  std::uint8_t accelThreshold = 0;
  std::uint8_t decelThreshold = 0;
  std::uint16_t dataCallTime = 0;
  std::uint8_t dataCallInterval = 0;
  std::uint32_t dataCallTrackInterval = 0;  // 24 bits
  std::uint8_t errorCode = 0;
  std::array<char, 15> smsc{};  // up to 14 characters, always NUL-terminated
  std::int32_t cumulativeDistance = 0;
  std::array<char, 15> voiceNumber{};
  std::array<char, 7> version{};
  TimeOfDay deviceTime;
  CalendarDate deviceDate;
};

struct StatusRecord {
  std::uint8_t gsmType = 0;
  std::uint8_t gpsType = 0;
  std::uint32_t bootupTimeWord = 0;  // 16 bits each
  std::uint32_t bootupDateWord = 0;
  std::uint32_t loggerTimeWord = 0;
  std::uint32_t loggerDateWord = 0;
  std::uint32_t codeUpgradeDateWord = 0;
  std::uint32_t codeReleaseDateWord = 0;
  std::array<char, 15> homeNumber{};
  TimeOfDay lastBootupTime;
  CalendarDate lastBootupDate;
  TimeOfDay lastLoggerTime;
  CalendarDate lastLoggerDate;
  CalendarDate codeUpgradeDate;
  CalendarDate codeReleaseDate;
};

// Fills every field but serialKey and kind, which stay as the caller set them.
void ParseConfigRecord(std::span<const std::uint8_t, kConfigBlockSize> block, ConfigRecord& record);
void ParseStatusRecord(std::span<const std::uint8_t, kStatusBlockSize> block, StatusRecord& record);

// "%d:%d:%d", no newline: the next label follows on the same line.
std::string FormatTime(TimeOfDay time);
// "%d/%d/%d\n": day, month, year.
std::string FormatDate(CalendarDate date);
// 26 labelled items, one line each except the device time, which shares its line with the date.
std::string FormatConfigRecord(const ConfigRecord& record);
// 9 labelled items.
std::string FormatStatusRecord(const StatusRecord& record);

void PrintConfigRecord(const ConfigRecord& record);
void PrintStatusRecord(const StatusRecord& record);

}  // namespace trackctl
