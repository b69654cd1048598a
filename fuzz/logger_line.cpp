// The logger line of any 22-byte record, checked against the line that the C
// library's printf makes of the same fields.
#include <array>
#include <string>

#include "fuzz/fuzz_support.h"
#include "logger/logger_record.h"

using namespace trackctl;

namespace {

std::uint32_t BigEndian(std::span<const std::uint8_t> bytes) {
  std::uint32_t value = 0;
  for (const std::uint8_t byte : bytes) value = value << 8 | byte;
  return value;
}

std::string ReferenceLine(std::span<const std::uint8_t, kLoggerRecordSize> b) {
  const unsigned seconds = 2 * BigEndian(b.subspan(3, 2)) + (b[2] >> 6 & 1u);
  const unsigned date = BigEndian(b.subspan(5, 2));
  unsigned day = date % 416 % 32, month = date % 416 / 32, year = date / 416 + 2000, state = b[0] >> 6;
  if (day == 0 && month == 0) {
    day = month = 1;
    year = 1970;
    state = 0;
  }
  char line[256];
  std::snprintf(line, sizeof line, "%u,%u,%u,%u,%u:%u:%u.00,%u:%u:%u,%f,%f,%f,%f;\n", b[0] & 0x3Fu, state,
                b[2] & 0x3Fu, 0u, seconds / 3600, seconds % 3600 / 60, seconds % 60, day, month, year,
                BigEndian(b.subspan(10, 3)) / 25000.0, BigEndian(b.subspan(7, 3)) / 25000.0,
                static_cast<double>(b[1]), static_cast<double>(BigEndian(b.subspan(13, 4))));
  return line;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::array<std::uint8_t, kLoggerRecordSize> record{};
  std::copy_n(data, std::min(size, record.size()), record.begin());
  FUZZ_CHECK(FormatLoggerLine(LoggerLineOf(DecodeLoggerRecord(record))) == ReferenceLine(record));
  return 0;
}
