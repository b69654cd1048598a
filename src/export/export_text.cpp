#include "export/export_text.h"

#include <charconv>

#include "track/utf8.h"

namespace trackctl {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

// Length of the valid UTF-8 sequence at the start of `text` that is neither a
// control character nor a noncharacter; 0 when there is none.
std::size_t AcceptableSequence(std::string_view text) {
  const Utf8Sequence sequence = LeadingUtf8(text);
  const std::uint32_t code = sequence.code;
  const bool control = code < 0x20 || code == 0x7F;
  const bool nonCharacter = (code & 0xFFFE) == 0xFFFE || (code >= 0xFDD0 && code <= 0xFDEF);
  return control || nonCharacter ? 0 : sequence.length;
}

}  // namespace

void AppendUnsigned(std::string& out, std::uint64_t value) {
  char digits[24];
  const auto result = std::to_chars(digits, digits + sizeof digits, value);
  out.append(digits, result.ptr);
}

std::string SanitizedText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  while (!text.empty()) {
    const std::size_t length = AcceptableSequence(text);
    if (length == 0) {
      out += kReplacement;
      text.remove_prefix(1);
    } else {
      out += text.substr(0, length);
      text.remove_prefix(length);
    }
  }
  return out;
}

std::string XmlEscaped(std::string_view text) {
  std::string out;
  for (const char c : SanitizedText(text)) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&apos;"; break;
      default: out += c;
    }
  }
  return out;
}

std::string JsonString(std::string_view text) {
  std::string out = "\"";
  for (const char c : SanitizedText(text)) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  out += '"';
  return out;
}

std::string CsvField(std::string_view text) {
  std::string clean = SanitizedText(text);
  if (!clean.empty() && (clean[0] == '=' || clean[0] == '+' || clean[0] == '-' || clean[0] == '@')) {
    clean.insert(0, 1, '\'');
  }
  if (clean.find_first_of(",\"") == std::string::npos) return clean;
  std::string out = "\"";
  for (const char c : clean) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
  return out;
}

}  // namespace trackctl
