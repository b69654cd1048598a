// One 22-byte logger record as the device stores it, and the logger line it
// becomes in a logger file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "logger/logger_line.h"

namespace trackctl {

inline constexpr std::size_t kLoggerRecordSize = 22;

// The fields of bytes 0 to 16; bit 7 of byte 2 and bytes 17 to 21 carry nothing
// that is shown. Multi-byte fields are big-endian on the wire.
struct LoggerRecord {
  std::uint8_t headCode = 0;       // byte 0, bits 0-5
  std::uint8_t headState = 0;      // byte 0, bits 6-7
  std::uint8_t byteValue = 0;      // byte 1
  std::uint8_t flagCode = 0;       // byte 2, bits 0-5
  bool oddSecond = false;          // byte 2, bit 6: one second more than the time word says
  std::uint16_t timeWord = 0;      // bytes 3-4: seconds of the day / 2
  std::uint16_t dateWord = 0;      // bytes 5-6
  std::uint32_t latitude = 0;      // bytes 7-9, in units of 1/25000 degree
  std::uint32_t longitude = 0;     // bytes 10-12, in units of 1/25000 degree
  std::uint32_t wideValue = 0;     // bytes 13-16
};

LoggerRecord DecodeLoggerRecord(std::span<const std::uint8_t, kLoggerRecordSize> bytes);

// The columns of the record's line: the fields, the time word and odd second as
// a time of day, the date word as a date; a record without a date (day and month
// 0) shows 1:1:1970 and state 0.
LoggerLine LoggerLineOf(const LoggerRecord& record);

}  // namespace trackctl
