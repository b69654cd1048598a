#include "sim/device.h"

namespace tracksim {
namespace {

struct Day {
  int year = 2005;
  int month = 6;
  int day = 12;

  void Next() {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const int last = kDays[month - 1] + (month == 2 && year % 4 == 0 ? 1 : 0);
    if (++day <= last) return;
    day = 1;
    if (++month <= 12) return;
    month = 1;
    ++year;
  }
  std::uint16_t Word() const { return static_cast<std::uint16_t>((year - 2000) * 416 + month * 32 + day); }
};

void PutBigEndian(std::uint8_t* out, std::uint32_t value, int width) {
  for (int i = 0; i < width; ++i) out[i] = static_cast<std::uint8_t>(value >> (8 * (width - 1 - i)));
}

}  // namespace

// Starts at 22:00:00 on 12 June 2005, so a few hundred records run past midnight.
std::vector<LoggerRecordBytes> DefaultLoggerRecords(std::size_t count, std::uint8_t headCode,
                                                    std::uint32_t stepSeconds) {
  std::vector<LoggerRecordBytes> records;
  records.reserve(count);
  Day day;
  std::uint32_t second = 22 * 3600;
  std::uint32_t latitude = 324288;    // 12.97152 in units of 1/25000
  std::uint32_t longitude = 1939865;  // 77.5946
  std::uint32_t odometer = 74565;
  for (std::size_t j = 0; j < count; ++j) {
    LoggerRecordBytes r{};
    // Speed rises from 30 to 69 and falls back again, 3 a record.
    const std::size_t phase = (j * 3) % 78;
    const auto speed = static_cast<std::uint8_t>(30 + (phase < 39 ? phase : 78 - phase));
    r[0] = static_cast<std::uint8_t>((headCode & 0x3F) | ((1 + j % 3) << 6));
    r[1] = speed;
    r[2] = static_cast<std::uint8_t>((j % 8) | ((second & 1u) << 6));
    PutBigEndian(&r[3], second / 2, 2);
    PutBigEndian(&r[5], day.Word(), 2);
    PutBigEndian(&r[7], latitude, 3);
    PutBigEndian(&r[10], longitude, 3);
    PutBigEndian(&r[13], odometer, 4);
    r[17] = static_cast<std::uint8_t>(j);  // sequence number, not shown
    records.push_back(r);

    latitude += speed / 8u;  // the faster, the farther
    longitude += speed / 12u;
    odometer += speed * stepSeconds / 4;
    second += stepSeconds;
    if (second >= 86400) {
      second -= 86400;
      day.Next();
    }
  }
  return records;
}

std::vector<LoggerRecordBytes> DefaultSmsSector(std::size_t count) { return DefaultLoggerRecords(count, 5, 30); }

std::vector<LoggerRecordBytes> DefaultDataCallSector(std::size_t count) { return DefaultLoggerRecords(count, 9, 45); }

}  // namespace tracksim
