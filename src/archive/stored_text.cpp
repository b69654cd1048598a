#include "archive/stored_text.h"

#include <cstdint>

#include "track/utf8.h"

namespace trackctl {
namespace {

// Length of the valid UTF-8 sequence at the start of `text` that is not NUL;
// 0 when there is none.
std::size_t ValidSequence(std::string_view text) {
  const Utf8Sequence sequence = LeadingUtf8(text);
  return sequence.code != 0 ? sequence.length : 0;
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
