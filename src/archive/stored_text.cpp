#include "archive/stored_text.h"

#include <cstdint>

namespace trackctl {
namespace {

// Length of the valid UTF-8 sequence at the start of `text` (shortest form, no
// surrogate, at most U+10FFFF) that is not NUL; 0 when there is none.
std::size_t ValidSequence(std::string_view text) {
  const auto byte = [&text](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned first = byte(0);
  if (first < 0x80) return first != 0 ? 1 : 0;
  std::size_t length = 4;
  std::uint32_t code = first & 0x07u;
  std::uint32_t smallest = 0x10000;
  if ((first & 0xE0) == 0xC0) {
    length = 2, code = first & 0x1Fu, smallest = 0x80;
  } else if ((first & 0xF0) == 0xE0) {
    length = 3, code = first & 0x0Fu, smallest = 0x800;
  } else if ((first & 0xF8) != 0xF0) {
    return 0;  // a continuation byte, or no lead byte at all
  }
  if (text.size() < length) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(i) & 0xC0) != 0x80) return 0;
    code = code << 6 | (byte(i) & 0x3Fu);
  }
  if (code < smallest || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  return length;
}

}  // namespace

std::string StoredText(std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string stored;
  stored.reserve(text.size());
  while (!text.empty()) {
    const std::size_t length = ValidSequence(text);
    if (length == 0) {
      const auto byte = static_cast<unsigned char>(text[0]);
      stored += "\\x";
      stored += kHex[byte >> 4];
      stored += kHex[byte & 0x0F];
      text.remove_prefix(1);
    } else {
      stored += text.substr(0, length);
      text.remove_prefix(length);
    }
  }
  return stored;
}

ArchiveDownload StoredDownload(const ArchiveDownload& download) {
  ArchiveDownload stored = download;
  stored.fileName = StoredText(download.fileName);
  stored.device = StoredText(download.device);
  if (download.version) stored.version = StoredText(*download.version);
  if (download.deviceType) stored.deviceType = StoredText(*download.deviceType);
  return stored;
}

std::vector<std::string> StoredDevices(const std::vector<std::string>& devices) {
  std::vector<std::string> stored;
  for (const std::string& device : devices) stored.push_back(StoredText(device));
  return stored;
}

}  // namespace trackctl
