#include "logger/logger_file_name.h"

#include <cstdio>

namespace trackctl {
namespace {

constexpr std::string_view kExtension = ".dat";
constexpr std::size_t kStampLength = std::string_view("_P20050612143005.dat").size();

bool AllDigits(std::string_view text) {
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

int Number(std::string_view digits) {
  int value = 0;
  for (const char c : digits) value = value * 10 + (c - '0');
  return value;
}

}  // namespace

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

std::optional<LoggerFileNameParts> ReadLoggerFileName(std::string_view name) {
  if (name.size() <= kStampLength || !name.ends_with(kExtension)) return std::nullopt;
  const std::string_view key = name.substr(0, name.size() - kStampLength);
  const std::string_view stamp = name.substr(key.size());
  const std::string_view digits = stamp.substr(2, 14);
  if (stamp[0] != '_' || (stamp[1] != 'P' && stamp[1] != 'O') || !AllDigits(digits)) return std::nullopt;
  const LocalDateTime downloaded{Number(digits.substr(0, 4)),  Number(digits.substr(4, 2)),
                                 Number(digits.substr(6, 2)),  Number(digits.substr(8, 2)),
                                 Number(digits.substr(10, 2)), Number(digits.substr(12, 2))};
  return LoggerFileNameParts{std::string(key), stamp[1], downloaded};
}

}  // namespace trackctl
