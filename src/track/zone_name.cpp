#include "track/zone_name.h"

#include <filesystem>
#include <string>
#include <system_error>

namespace trackctl {
namespace {

bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool IsZoneFile(std::string_view name, std::string_view folder) {
  if (name.empty()) return false;
  const std::filesystem::path path(name);
  std::error_code error;
  return std::filesystem::is_regular_file(path.is_absolute() ? path : std::filesystem::path(folder) / path, error);
}

// The zone's abbreviation and its offset from UTC at the start of `rule`:
// "CET-1...", "<+0530>-5:30", "EST5EDT".
bool StartsWithNameAndOffset(std::string_view rule) {
  std::size_t i = 0;
  if (!rule.empty() && rule[0] == '<') {
    const std::size_t close = rule.find('>');
    if (close == std::string_view::npos || close < 4) return false;
    i = close + 1;
  } else {
    while (i < rule.size() && IsLetter(rule[i])) ++i;
    if (i < 3) return false;
  }
  if (i < rule.size() && (rule[i] == '+' || rule[i] == '-')) ++i;
  return i < rule.size() && IsDigit(rule[i]);
}

}  // namespace

bool ZoneNameIsKnown(std::string_view tz, std::string_view zoneFolder) {
  if (tz.empty()) return true;
  if (tz[0] == ':') return IsZoneFile(tz.substr(1), zoneFolder);
  return IsZoneFile(tz, zoneFolder) || StartsWithNameAndOffset(tz);
}

std::string_view ZoneFolder(const char* tzdir) {
  return tzdir != nullptr && *tzdir != '\0' ? std::string_view(tzdir) : std::string_view("/usr/share/zoneinfo");
}

}  // namespace trackctl
