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

// Where a parameter of a connection string stands: the span that goes when
// the parameter is left out, and the span of its value.
struct ParameterPlace {
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

// The query parameters of a URI named `key`; with `key` "password", the
// user's ":password" before '@' too.
std::vector<ParameterPlace> UriParameters(std::string_view name, std::size_t start, std::string_view key) {
  std::vector<ParameterPlace> places;
  const std::size_t authorityEnd = name.find_first_of("/?", start);
  const std::size_t at = name.substr(0, authorityEnd).find('@', start);
  if (key == "password" && at != std::string_view::npos) {
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
    if (equals != std::string_view::npos && PercentDecoded(parameter.substr(0, equals)) == key) {
      places.push_back({{begin, end}, {begin + equals + 1, end}});
    }
    begin = end + 1;
  }
  return places;
}

// The "key = value" pairs of a key=value string; a value is a word or a
// quoted string, with backslash escapes in either.
std::vector<ParameterPlace> KeyValueParameters(std::string_view name, std::string_view wanted) {
  std::vector<ParameterPlace> places;
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
    if (key == wanted) {
      std::size_t removedEnd = i;
      while (removedEnd < name.size() && IsSpace(name[removedEnd])) ++removedEnd;
      places.push_back({{pairBegin, removedEnd}, {valueBegin, i}});
    }
  }
  return places;
}

std::vector<ParameterPlace> Parameters(std::string_view name, std::string_view key) {
  if (const std::optional<std::size_t> start = UriPrefixLength(name)) return UriParameters(name, *start, key);
  if (IsServerArchiveName(name)) return KeyValueParameters(name, key);
  return {};
}

// `name` without the parameters at `places`. A URI's query is written again
// from the parameters that stay, joined by '&'.
std::string Without(std::string_view name, const std::vector<ParameterPlace>& places) {
  const bool uri = UriPrefixLength(name).has_value();
  const std::size_t query = uri ? name.find('?') : std::string_view::npos;
  const std::size_t end = query == std::string_view::npos ? name.size() : query;
  std::string kept;
  std::size_t from = 0;
  for (const ParameterPlace& place : places) {
    if (place.removed.begin >= end) continue;  // a query parameter: below
    kept += name.substr(from, place.removed.begin - from);
    from = place.removed.end;
  }
  kept += name.substr(from, end - from);
  if (query != std::string_view::npos) {
    std::string parameters;
    for (std::size_t begin = query + 1; begin <= name.size();) {
      std::size_t stop = name.find('&', begin);
      if (stop == std::string_view::npos) stop = name.size();
      const bool removed = std::any_of(places.begin(), places.end(), [&](const ParameterPlace& place) {
        return place.removed.begin == begin;
      });
      if (!removed && stop > begin) {
        parameters += std::string(parameters.empty() ? "" : "&") + std::string(name.substr(begin, stop - begin));
      }
      begin = stop + 1;
    }
    if (!parameters.empty()) kept += "?" + parameters;
  }
  if (!uri) {
    while (!kept.empty() && IsSpace(kept.back())) kept.pop_back();  // where a last pair was left out
  }
  return kept;
}

// A key=value string's value as libpq reads it: quotes taken off, backslash
// escapes undone.
std::string KeyValueText(std::string_view value) {
  if (value.starts_with('\'')) {
    value.remove_prefix(1);
    if (value.ends_with('\'')) value.remove_suffix(1);
  }
  std::string text;
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] == '\\' && i + 1 < value.size()) ++i;
    text += value[i];
  }
  return text;
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

std::string ShownArchiveName(std::string_view name) { return Without(name, Parameters(name, "password")); }

std::string PasswordInArchiveName(std::string_view name) {
  const std::vector<ParameterPlace> places = Parameters(name, "password");
  if (places.empty()) return {};
  return std::string(name.substr(places.back().value.begin, places.back().value.end - places.back().value.begin));
}

std::string ArchiveSchemaName(std::string_view name) {
  const std::vector<ParameterPlace> places = Parameters(name, "schema");
  if (places.empty()) return "trackctl";
  const Span span = places.back().value;
  const std::string_view value = name.substr(span.begin, span.end - span.begin);
  return UriPrefixLength(name) ? PercentDecoded(value) : KeyValueText(value);
}

std::string ConnectionString(std::string_view name) { return Without(name, Parameters(name, "schema")); }

}  // namespace trackctl
