#include "logger/logger_record.h"

#include "logger/logger_file.h"
#include "protocol/byte_order.h"
#include "protocol/timewords.h"

namespace trackctl {
namespace {

// "%f" of millionths / 1e6: the integer part, '.', six decimals.
void AppendMillionths(std::string& out, std::uint64_t millionths) {
  out += std::to_string(millionths / 1000000u);
  const std::string fraction = std::to_string(millionths % 1000000u);
  out += '.';
  out.append(6 - fraction.size(), '0');
  out += fraction;
}

// v / 25000 is exactly v * 40 millionths, so six decimals need no rounding.
void AppendScaled(std::string& out, std::uint32_t value) {
  AppendMillionths(out, std::uint64_t{value} * 40u);
}

void AppendWhole(std::string& out, std::uint32_t value) {
  AppendMillionths(out, std::uint64_t{value} * 1000000u);
}

void AppendInt(std::string& out, unsigned value, char separator) {
  out += std::to_string(value);
  out += separator;
}

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

std::string FormatLoggerLine(const LoggerRecord& record) {
  const TimeOfDay time = SplitSeconds(2u * record.timeWord + (record.oddSecond ? 1u : 0u));
  CalendarDate date = DecodeDateWord(record.dateWord);
  unsigned headState = record.headState;
  if (date.day == 0 && date.month == 0) {  // an empty date
    date = CalendarDate{1, 1, 1970};
    headState = 0;
  }

  std::string line;
  AppendInt(line, record.headCode, ',');
  AppendInt(line, headState, ',');
  AppendInt(line, record.flagCode, ',');
  AppendInt(line, 0, ',');
  AppendInt(line, time.hours, ':');
  AppendInt(line, time.minutes, ':');
  line += std::to_string(time.seconds);
  line += ".00,";
  AppendInt(line, date.day, ':');
  AppendInt(line, date.month, ':');
  AppendInt(line, date.year, ',');
  AppendScaled(line, record.longitude);
  line += ',';
  AppendScaled(line, record.latitude);
  line += ',';
  AppendWhole(line, record.byteValue);
  line += ',';
  AppendWhole(line, record.wideValue);
  line += ";\n";
  return line;
}

bool WriteLoggerRecord(LoggerFile& file, std::span<const std::uint8_t, kLoggerRecordSize> bytes) {
  return file.Write(FormatLoggerLine(DecodeLoggerRecord(bytes)));
}

}  // namespace trackctl
