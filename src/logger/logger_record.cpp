#include "logger/logger_record.h"

#include "protocol/byte_order.h"
#include "protocol/timewords.h"

namespace trackctl {
namespace {

// v / 25000 is exactly v * 40 millionths, so six decimals need no rounding.
constexpr std::uint64_t kMillionthsPerUnit = 40;
constexpr std::uint64_t kMillionths = 1'000'000;

}  // namespace

LoggerRecord DecodeLoggerRecord(std::span<const std::uint8_t, kLoggerRecordSize> bytes) {
  LoggerRecord record;
  record.headCode = bytes[0] & 0x3Fu;
  record.headState = static_cast<std::uint8_t>(bytes[0] >> 6);
  record.byteValue = bytes[1];
  record.flagCode = bytes[2] & 0x3Fu;
  record.oddSecond = (bytes[2] & 0x40u) != 0;
  record.timeWord = static_cast<std::uint16_t>(ReadBigEndian(bytes.subspan(3), 2));
  record.dateWord = static_cast<std::uint16_t>(ReadBigEndian(bytes.subspan(5), 2));
  record.latitude = ReadBigEndian(bytes.subspan(7), 3);
  record.longitude = ReadBigEndian(bytes.subspan(10), 3);
  record.wideValue = ReadBigEndian(bytes.subspan(13), 4);
  return record;
}

LoggerLine LoggerLineOf(const LoggerRecord& record) {
  const TimeOfDay time = SplitSeconds(2u * record.timeWord + (record.oddSecond ? 1u : 0u));
  CalendarDate date = DecodeDateWord(record.dateWord);
  LoggerLine line;
  line.headState = record.headState;
  if (date.day == 0 && date.month == 0) {  // an empty date
    date = CalendarDate{1, 1, 1970};
    line.headState = 0;
  }
  line.headCode = record.headCode;
  line.flagCode = record.flagCode;
  line.hours = time.hours;
  line.minutes = time.minutes;
  line.seconds = time.seconds;
  line.day = date.day;
  line.month = date.month;
  line.year = date.year;
  line.longitude = record.longitude * kMillionthsPerUnit;
  line.latitude = record.latitude * kMillionthsPerUnit;
  line.byteValue = record.byteValue * kMillionths;
  line.wideValue = record.wideValue * kMillionths;
  return line;
}

}  // namespace trackctl
