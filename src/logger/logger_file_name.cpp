#include "logger/logger_file_name.h"

#include <cstdio>

namespace trackctl {

bool IsSafeKeyForFileName(std::string_view serialKey) {
  for (const char c : serialKey) {
    const auto code = static_cast<unsigned char>(c);
    if (c == '/' || c == '\\' || c == ':' || code < 0x20 || code == 0x7F) return false;
  }
  return true;
}

std::optional<std::string> LoggerFileName(std::string_view serialKey, char sectorLetter,
                                          const LocalDateTime& now) {
  if (!IsSafeKeyForFileName(serialKey)) return std::nullopt;
  char stamp[64];
  std::snprintf(stamp, sizeof stamp, "_%c%04d%02d%02d%02d%02d%02d.dat", sectorLetter, now.year, now.month,
                now.day, now.hour, now.minute, now.second);
  return std::string(serialKey) + stamp;
}

}  // namespace trackctl
