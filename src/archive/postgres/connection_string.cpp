#include "archive/postgres/connection_string.h"

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

// How libpq reads a URI: where its userinfo ends and its query begins. When
// libpq would split the password, the userinfo is taken to run to the last
// '@' instead: all that may be the password, so that none of it is shown.
struct UriLayout {
  std::size_t userinfoBegin = 0;                     // after the scheme
  std::size_t userinfoEnd = std::string_view::npos;  // its '@'; npos without one
  std::size_t query = std::string_view::npos;        // the '?'; npos without one
  bool split = false;
};

// Query parameters of libpq's whose values may hold an '@': a user's, a
// database's or a file's name, the server's options; and trackctl's schema.
constexpr std::string_view kValuesWithAt[] = {
    "user", "password", "dbname", "options", "application_name", "fallback_application_name", "service",
    "passfile", "sslcert", "sslkey", "sslrootcert", "sslcrl", "sslcrldir", "sslpassword", "schema"};

// Whether libpq, reading the URI's host, port and path from `host` on and its
// query from `query` on, would be reading a password that was meant to end
// at a later '@': an '@' before the query, in a parameter's keyword or in the
// value of a parameter that has no use for one; or a port that is no number
// with an '@' still to come.
bool SplitsThePassword(std::string_view name, std::size_t host, std::size_t query) {
  const std::string_view hostAndPath = name.substr(host, query == std::string_view::npos ? query : query - host);
  if (hostAndPath.find('@') != std::string_view::npos) return true;
  if (query != std::string_view::npos) {
    for (std::size_t begin = query + 1; begin <= name.size();) {
      std::size_t end = name.find('&', begin);
      if (end == std::string_view::npos) end = name.size();
      const std::string_view parameter = name.substr(begin, end - begin);
      const std::size_t equals = parameter.find('=');
      const std::string_view keyword = parameter.substr(0, equals);
      if (keyword.find('@') != std::string_view::npos) return true;
      if (equals != std::string_view::npos && parameter.find('@', equals) != std::string_view::npos &&
          std::find(std::begin(kValuesWithAt), std::end(kValuesWithAt), PercentDecoded(keyword)) ==
              std::end(kValuesWithAt)) {
        return true;
      }
      begin = end + 1;
    }
  }
  if (name.find('@', host) == std::string_view::npos) return false;
  // The hosts and ports before the path: "h1:5432,[::1]:5433".
  const std::string_view hosts = hostAndPath.substr(0, hostAndPath.find('/'));
  for (std::size_t begin = 0; begin <= hosts.size();) {
    std::size_t end = hosts.find(',', begin);
    if (end == std::string_view::npos) end = hosts.size();
    std::string_view item = hosts.substr(begin, end - begin);
    if (item.starts_with('[')) item.remove_prefix(std::min(item.size(), item.find(']')));
    const std::size_t colon = item.find(':');
    if (colon != std::string_view::npos) {
      const std::string_view port = item.substr(colon + 1);
      if (!std::all_of(port.begin(), port.end(), [](char c) { return c >= '0' && c <= '9'; })) return true;
    }
    begin = end + 1;
  }
  return false;
}

UriLayout LayOut(std::string_view name, std::size_t start) {
  UriLayout layout;
  layout.userinfoBegin = start;
  const std::size_t mark = name.find_first_of("@/", start);
  if (mark != std::string_view::npos && name[mark] == '@') layout.userinfoEnd = mark;
  const std::size_t host = layout.userinfoEnd == std::string_view::npos ? start : layout.userinfoEnd + 1;
  layout.query = name.find('?', host);
  layout.split = SplitsThePassword(name, host, layout.query);
  if (layout.split) {
    layout.userinfoEnd = name.rfind('@');
    layout.query = name.find('?', layout.userinfoEnd + 1);
  }
  return layout;
}

// The query parameters of a URI named `key`; with `key` "password", the
// userinfo's ":password" too.
std::vector<ParameterPlace> UriParameters(std::string_view name, const UriLayout& layout, std::string_view key) {
  std::vector<ParameterPlace> places;
  if (key == "password" && layout.userinfoEnd != std::string_view::npos) {
    const std::size_t colon = name.substr(0, layout.userinfoEnd).find(':', layout.userinfoBegin);
    if (colon != std::string_view::npos) {
      places.push_back({{colon, layout.userinfoEnd}, {colon + 1, layout.userinfoEnd}});
    }
  }
  if (layout.query == std::string_view::npos) return places;
  std::size_t begin = layout.query + 1;
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

// The parameters named `key` of a connection string, and where a URI's query
// begins (npos for none, and for a key=value string).
struct Found {
  std::vector<ParameterPlace> places;
  std::size_t query = std::string_view::npos;
};

Found Parameters(std::string_view name, std::string_view key) {
  if (const std::optional<std::size_t> start = UriPrefixLength(name)) {
    const UriLayout layout = LayOut(name, *start);
    return {UriParameters(name, layout, key), layout.query};
  }
  if (IsServerArchiveName(name)) return {KeyValueParameters(name, key)};
  return {};
}

// `name` without the parameters that `found` names. A URI's query is written
// again from the parameters that stay, joined by '&'.
std::string Without(std::string_view name, const Found& found) {
  const bool uri = UriPrefixLength(name).has_value();
  const std::size_t query = found.query;
  const std::size_t end = query == std::string_view::npos ? name.size() : query;
  std::string kept;
  std::size_t from = 0;
  for (const ParameterPlace& place : found.places) {
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
      const bool removed = std::any_of(found.places.begin(), found.places.end(), [&](const ParameterPlace& place) {
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

// The value at `span` of a parameter of `name`, as libpq reads it.
std::string ValueText(std::string_view name, Span span) {
  const std::string_view value = name.substr(span.begin, span.end - span.begin);
  return UriPrefixLength(name) ? PercentDecoded(value) : KeyValueText(value);
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

std::optional<std::string> RefusedArchiveName(std::string_view name) {
  const std::optional<std::size_t> start = UriPrefixLength(name);
  if (!start || !LayOut(name, *start).split) return std::nullopt;
  return "libpq would split this URI inside its password: write a '@' of the password as %40 and a '/' as %2F";
}

std::string ShownArchiveName(std::string_view name) { return Without(name, Parameters(name, "password")); }

std::string PasswordInArchiveName(std::string_view name) {
  const Found found = Parameters(name, "password");
  if (found.places.empty()) return {};
  return ValueText(name, found.places.back().value);  // libpq takes the last one given
}

std::vector<std::string> SecretsInArchiveName(std::string_view name) {
  const std::optional<std::size_t> start = UriPrefixLength(name);
  std::vector<std::string> secrets;
  const auto add = [&](const std::vector<ParameterPlace>& places) {
    for (const ParameterPlace& place : places) {
      secrets.emplace_back(name.substr(place.value.begin, place.value.end - place.value.begin));
      secrets.push_back(ValueText(name, place.value));
    }
  };
  add(Parameters(name, "password").places);
  if (start) {
    // Where libpq splits the password, the part that it takes for one.
    const std::size_t mark = name.find_first_of("@/", *start);
    if (mark != std::string_view::npos && name[mark] == '@') {
      UriLayout libpq;
      libpq.userinfoBegin = *start;
      libpq.userinfoEnd = mark;
      add(UriParameters(name, libpq, "password"));
    }
  }
  std::sort(secrets.begin(), secrets.end(), [](const std::string& a, const std::string& b) {
    return a.size() != b.size() ? a.size() > b.size() : a < b;
  });
  secrets.erase(std::unique(secrets.begin(), secrets.end()), secrets.end());
  std::erase_if(secrets, [](const std::string& secret) { return secret.empty(); });
  return secrets;
}

std::string MaskedSecrets(std::string text, const std::vector<std::string>& secrets) {
  static constexpr std::string_view kMask = "***";
  for (const std::string& secret : secrets) {
    if (secret.empty()) continue;
    for (std::size_t at = text.find(secret); at != std::string::npos; at = text.find(secret, at + kMask.size())) {
      text.replace(at, secret.size(), kMask);
    }
  }
  return text;
}

std::string MaskedSecrets(std::string text, std::string_view name) {
  return MaskedSecrets(std::move(text), SecretsInArchiveName(name));
}

std::string ArchiveSchemaName(std::string_view name) {
  const Found found = Parameters(name, "schema");
  if (found.places.empty()) return "trackctl";
  return ValueText(name, found.places.back().value);
}

std::string ConnectionString(std::string_view name) { return Without(name, Parameters(name, "schema")); }

}  // namespace trackctl
