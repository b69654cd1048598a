#include "track/utf8.h"

namespace trackctl {

Utf8Sequence LeadingUtf8(std::string_view text) {
  if (text.empty()) return {};
  const auto byte = [&text](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned first = byte(0);
  if (first < 0x80) return {1, first};
  // The lead byte gives the length, its payload bits and the smallest code point
  // that needs that length (anything below is an overlong form).
  std::size_t length = 4;
  std::uint32_t code = first & 0x07u;
  std::uint32_t smallest = 0x10000;
  if ((first & 0xE0) == 0xC0) {
    length = 2, code = first & 0x1Fu, smallest = 0x80;
  } else if ((first & 0xF0) == 0xE0) {
    length = 3, code = first & 0x0Fu, smallest = 0x800;
  } else if ((first & 0xF8) != 0xF0) {
    return {};  // a continuation byte, or no lead byte at all
  }
  if (text.size() < length) return {};
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(i) & 0xC0) != 0x80) return {};
    code = code << 6 | (byte(i) & 0x3Fu);
  }
  if (code < smallest || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return {};
  return {length, code};
}

}  // namespace trackctl
