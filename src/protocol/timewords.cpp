#include "protocol/timewords.h"

namespace trackctl {

std::uint16_t EncodeTimeWord(const LocalDateTime& now) {
  const int seconds = now.hour * 3600 + now.minute * 60 + now.second;
  return static_cast<std::uint16_t>(seconds / 2);
}

std::uint16_t EncodeDateWord(const LocalDateTime& now) {
  return static_cast<std::uint16_t>((now.year % 100) * 416 + now.month * 32 + now.day);
}

CalendarDate DecodeDateWord(std::uint32_t word) {
  const std::uint32_t rest = word % 416;
  return CalendarDate{static_cast<std::uint16_t>(rest % 32), static_cast<std::uint16_t>(rest / 32),
                      static_cast<std::uint16_t>(word / 416 + 2000)};
}

TimeOfDay SplitSeconds(std::uint32_t seconds) {
  return TimeOfDay{static_cast<std::uint16_t>(seconds / 3600),
                   static_cast<std::uint16_t>((seconds % 3600) / 60),
                   static_cast<std::uint16_t>(seconds % 60)};
}

}  // namespace trackctl
