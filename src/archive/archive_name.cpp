#include "archive/archive_name.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <vector>

namespace trackctl {
namespace {

struct Span {
  std::size_t begin = 0;
  std::size_t end = 0;  // one past
};

// Where the password of a connection string stands: the span to leave out of
// the shown name, and the span of the password itself.
struct PasswordPlace {
  Span removed;
  Span value;
};

std::optional<std::size_t> UriPrefixLength(std::string_view name) {
  for (const std::string_view scheme : {"postgresql://", "postgres://"}) {
    if (name.starts_with(scheme)) return scheme.size();
  }
  return std::nullopt;
}

bool IsSpace(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }
bool IsKeyChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_'; }

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string PercentDecoded(std::string_view text) {
  std::string decoded;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 && HexValue(text[i + 2]) >= 0) {
      decoded += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
      i += 2;
    } else {
      decoded += text[i];
    }
  }
  return decoded;
}

// The passwords of a URI: after the user's ':' before '@', and any
// "password=" query parameter.
std::vector<PasswordPlace> UriPasswords(std::string_view name, std::size_t start) {
  std::vector<PasswordPlace> places;
  const std::size_t authorityEnd = name.find_first_of("/?", start);
  const std::size_t at = name.substr(0, authorityEnd).find('@', start);
  if (at != std::string_view::npos) {
    const std::size_t colon = name.substr(0, at).find(':', start);
    if (colon != std::string_view::npos) places.push_back({{colon, at}, {colon + 1, at}});
  }
  const std::size_t query = name.find('?', start);
  if (query == std::string_view::npos) return places;
  std::size_t begin = query + 1;
  while (begin <= name.size()) {
    std::size_t end = name.find('&', begin);
    if (end == std::string_view::npos) end = name.size();
    const std::string_view parameter = name.substr(begin, end - begin);
    const std::size_t equals = parameter.find('=');
    if (equals != std::string_view::npos && PercentDecoded(parameter.substr(0, equals)) == "password") {
      // The '&' before it goes too, or the one after it when it is the first.
      const Span removed = begin == query + 1 ? Span{begin, end < name.size() ? end + 1 : end} : Span{begin - 1, end};
      places.push_back({removed, {begin + equals + 1, end}});
    }
    begin = end + 1;
  }
  return places;
}

// The "password = value" pairs of a key=value string; a value is a word or a
// quoted string, with backslash escapes in either.
std::vector<PasswordPlace> KeyValuePasswords(std::string_view name) {
  std::vector<PasswordPlace> places;
  std::size_t i = 0;
  while (i < name.size()) {
    while (i < name.size() && IsSpace(name[i])) ++i;
    const std::size_t pairBegin = i;
    while (i < name.size() && IsKeyChar(name[i])) ++i;
    const std::string_view key = name.substr(pairBegin, i - pairBegin);
    while (i < name.size() && IsSpace(name[i])) ++i;
    if (i >= name.size() || name[i] != '=' || key.empty()) {
      // Not a pair: leave out up to the next blank.
      while (i < name.size() && !IsSpace(name[i])) ++i;
      continue;
    }
    ++i;
    while (i < name.size() && IsSpace(name[i])) ++i;
    const std::size_t valueBegin = i;
    if (i < name.size() && name[i] == '\'') {
      ++i;
      while (i < name.size() && name[i] != '\'') i += name[i] == '\\' ? 2 : 1;
      i = std::min(i + 1, name.size());
    } else {
      while (i < name.size() && !IsSpace(name[i])) i += name[i] == '\\' ? 2 : 1;
      i = std::min(i, name.size());
    }
    if (key == "password") {
      std::size_t removedEnd = i;
      while (removedEnd < name.size() && IsSpace(name[removedEnd])) ++removedEnd;
      places.push_back({{pairBegin, removedEnd}, {valueBegin, i}});
    }
  }
  return places;
}

std::vector<PasswordPlace> Passwords(std::string_view name) {
  if (const std::optional<std::size_t> start = UriPrefixLength(name)) return UriPasswords(name, *start);
  if (IsServerArchiveName(name)) return KeyValuePasswords(name);
  return {};
}

}  // namespace

bool IsServerArchiveName(std::string_view name) {
  if (UriPrefixLength(name)) return true;
  std::size_t i = 0;
  while (i < name.size() && IsSpace(name[i])) ++i;
  const std::size_t keyBegin = i;
  while (i < name.size() && IsKeyChar(name[i])) ++i;
  if (i == keyBegin) return false;
  while (i < name.size() && IsSpace(name[i])) ++i;
  return i < name.size() && name[i] == '=';
}

std::string ShownArchiveName(std::string_view name) {
  std::string shown;
  std::size_t from = 0;
  for (const PasswordPlace& place : Passwords(name)) {
    shown += name.substr(from, place.removed.begin - from);
    from = place.removed.end;
  }
  shown += name.substr(from);
  if (!UriPrefixLength(name)) {
    while (!shown.empty() && IsSpace(shown.back())) shown.pop_back();  // where a last pair was left out
  }
  return shown;
}

std::string PasswordInArchiveName(std::string_view name) {
  const std::vector<PasswordPlace> places = Passwords(name);
  if (places.empty()) return {};
  return std::string(name.substr(places.back().value.begin, places.back().value.end - places.back().value.begin));
}

}  // namespace trackctl
