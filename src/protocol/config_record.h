// The device's configuration block (69 bytes) and status block (28 bytes), the
// records they decode into, and the one list of their fields.
//
// Every number in a block is unsigned and big-endian. The three 16-bit time
// fields are time words (seconds of the day divided by two), as everywhere else
// in the protocol.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

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
};

enum class FieldKind {
  kNumber,
  kText,      // NUL-terminated within the field
  kTimeWord,  // seconds of the day divided by two
  kDateWord,  // 0 stands for no date
};

// One field of a block: where it is, what it holds and what it is called.
struct FieldInfo {
  const char* name;       // the record member's name
  const char* label;      // its console label
  std::size_t offset;     // in the block
  std::size_t width;      // bytes
  FieldKind kind = FieldKind::kNumber;
  const char* shownName = nullptr;  // time and date words: the name of the time or date they hold
};

// Calls visit(FieldInfo, member) for every field of the configuration block,
// in block order.
template <typename Record, typename Visit>
void ForEachConfigField(Record& r, Visit&& visit) {
  visit(FieldInfo{"gpsState", "GPS State", 0, 1}, r.gpsState);
  visit(FieldInfo{"trackMode", "Track Mode", 1, 1}, r.trackMode);
  visit(FieldInfo{"trackStatus", "Track Status", 2, 1}, r.trackStatus);
  visit(FieldInfo{"units", "Units", 3, 1}, r.units);
  visit(FieldInfo{"signalStrength", "Signal Strength", 4, 1}, r.signalStrength);
  visit(FieldInfo{"sessionId", "Session Id", 5, 1}, r.sessionId);
  visit(FieldInfo{"featuresEnabled", "Features Enabled", 6, 2}, r.featuresEnabled);
  visit(FieldInfo{"deviceTimeWord", "Device Time", 8, 2, FieldKind::kTimeWord, "deviceTime"}, r.deviceTimeWord);
  visit(FieldInfo{"deviceDateWord", "Device Date", 10, 2, FieldKind::kDateWord, "deviceDate"}, r.deviceDateWord);
  visit(FieldInfo{"trackInterval", "Track Interval", 12, 3}, r.trackInterval);
  visit(FieldInfo{"stopDelayThreshold", "Stop Delay Threshold", 15, 2}, r.stopDelayThreshold);
  visit(FieldInfo{"startDelayThreshold", "Start Delay Threshold", 17, 1}, r.startDelayThreshold);
  visit(FieldInfo{"startDistanceThreshold", "Start Distance Threshold", 18, 1}, r.startDistanceThreshold);
  visit(FieldInfo{"ovSpdThreshold", "OvSpd Threshold", 19, 1}, r.ovSpdThreshold);
  visit(FieldInfo{"overSpdDelayThreshold", "OverSpdDelayThreshold", 20, 1}, r.overSpdDelayThreshold);
  visit(FieldInfo{"overSpdTrackInterval", "OverSpdTrackInterval", 21, 1}, r.overSpdTrackInterval);
  visit(FieldInfo{"accelThreshold", "Accel Threshold", 22, 1}, r.accelThreshold);
  visit(FieldInfo{"decelThreshold", "Decel Threshold", 23, 1}, r.decelThreshold);
  visit(FieldInfo{"dataCallTime", "Datacall Time", 24, 2}, r.dataCallTime);
  visit(FieldInfo{"dataCallInterval", "DataCallInterval", 26, 1}, r.dataCallInterval);
  visit(FieldInfo{"dataCallTrackInterval", "DataCallTrackInterval", 27, 3}, r.dataCallTrackInterval);
  visit(FieldInfo{"errorCode", "ErrorCode", 30, 1}, r.errorCode);
  visit(FieldInfo{"smsc", "SMSC", 31, 14, FieldKind::kText}, r.smsc);
  visit(FieldInfo{"cumulativeDistance", "cumulative distance", 45, 4}, r.cumulativeDistance);
  visit(FieldInfo{"voiceNumber", "Voice Number", 49, 14, FieldKind::kText}, r.voiceNumber);
  visit(FieldInfo{"version", "version", 63, 6, FieldKind::kText}, r.version);
}

// The same for the status block.
template <typename Record, typename Visit>
void ForEachStatusField(Record& r, Visit&& visit) {
  visit(FieldInfo{"gsmType", "GSM Type", 0, 1}, r.gsmType);
  visit(FieldInfo{"gpsType", "GPS Type", 1, 1}, r.gpsType);
  visit(FieldInfo{"bootupTimeWord", "Last Bootup Time", 2, 2, FieldKind::kTimeWord, "lastBootupTime"}, r.bootupTimeWord);
  visit(FieldInfo{"bootupDateWord", "Last Bootup Date", 4, 2, FieldKind::kDateWord, "lastBootupDate"}, r.bootupDateWord);
  visit(FieldInfo{"loggerTimeWord", "Last Logger Time", 6, 2, FieldKind::kTimeWord, "lastLoggerTime"}, r.loggerTimeWord);
  visit(FieldInfo{"loggerDateWord", "Last Logger Date", 8, 2, FieldKind::kDateWord, "lastLoggerDate"}, r.loggerDateWord);
  visit(FieldInfo{"codeUpgradeDateWord", "Code Upgrade Date", 10, 2, FieldKind::kDateWord, "codeUpgradeDate"},
        r.codeUpgradeDateWord);
  visit(FieldInfo{"codeReleaseDateWord", "Code Release Date", 12, 2, FieldKind::kDateWord, "codeReleaseDate"},
        r.codeReleaseDateWord);
  visit(FieldInfo{"homeNumber", "Home Number", 14, 14, FieldKind::kText}, r.homeNumber);
}

// The time a time word holds: two seconds per unit, no wrap at 24 hours.
inline TimeOfDay TimeOfWord(std::uint32_t word) { return SplitSeconds(2 * word); }

// Fills every field but serialKey and kind, which stay as the caller set them.
void ParseConfigRecord(std::span<const std::uint8_t, kConfigBlockSize> block, ConfigRecord& record);
void ParseStatusRecord(std::span<const std::uint8_t, kStatusBlockSize> block, StatusRecord& record);

}  // namespace trackctl
