#include "export/export_text.h"

#include <charconv>

namespace trackctl {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

// Length of the valid UTF-8 sequence at the start of `text` that is neither a
// control character nor a noncharacter; 0 when there is none.
std::size_t AcceptableSequence(std::string_view text) {
  const auto byte = [&text](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned first = byte(0);
  if (first < 0x80) return first >= 0x20 && first != 0x7F ? 1 : 0;
  // The lead byte gives the length, its payload bits and the smallest code point
  // that needs that length (anything below is an overlong form).
  std::size_t length = 4;
  std::uint32_t code = first & 0x07u;
  std::uint32_t smallest = 0x10000;
  if ((first & 0xE0) == 0xC0) {
    length = 2;
    code = first & 0x1Fu;
    smallest = 0x80;
  } else if ((first & 0xF0) == 0xE0) {
    length = 3;
    code = first & 0x0Fu;
    smallest = 0x800;
  } else if ((first & 0xF8) != 0xF0) {
    return 0;  // a continuation byte, or no lead byte at all
  }
  if (text.size() < length) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(i) & 0xC0) != 0x80) return 0;
    code = code << 6 | (byte(i) & 0x3Fu);
  }
  const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
  const bool nonCharacter = (code & 0xFFFE) == 0xFFFE || (code >= 0xFDD0 && code <= 0xFDEF);
  if (code < smallest || code > 0x10FFFF || surrogate || nonCharacter) return 0;
  return length;
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
