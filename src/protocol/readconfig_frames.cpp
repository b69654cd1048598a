#include "protocol/readconfig_frames.h"

#include <algorithm>

#include "protocol/byte_order.h"
#include "protocol/config_record.h"

namespace trackctl {

std::array<std::uint8_t, kReadConfigRequestSize> BuildReadConfigRequest(const LocalDateTime& now,
                                                                         std::uint8_t randomByte) {
  constexpr std::string_view kStart = "\xEAREADCONFIG_C";
  std::array<std::uint8_t, kReadConfigRequestSize> request{};  // the tail is 0x00
  std::copy(kStart.begin(), kStart.end(), request.begin());
  WriteBigEndian(std::span(request).subspan(13), EncodeTimeWord(now), 2);
  WriteBigEndian(std::span(request).subspan(15), EncodeDateWord(now), 2);
  request[17] = randomByte;
  request[kReadConfigRequestSize - 1] = FRAME_END;
  return request;
}

std::optional<std::size_t> ConfigReplyLength(std::span<const std::uint8_t> header) {
  if (header.size() < kReplyHeaderSize) return std::nullopt;
  if (!MatchesPrefix(header.first(kReplyHeaderSize), kReadConfigOk)) return std::nullopt;
  std::size_t blocks = 0;
  switch (header[kReplyKindOffset]) {
    case 'C':
      blocks = kConfigBlockSize;
      break;
    case 'D':
      blocks = kStatusBlockSize;
      break;
    case 'F':
      blocks = kConfigBlockSize + kStatusBlockSize;
      break;
    default:
      return std::nullopt;
  }
  return kReplyHeaderSize + blocks + 1;
}

ConfigReplyCollector::ConfigReplyCollector(std::span<std::uint8_t> destination)
    : destination_(destination), frame_(destination) {}

void ConfigReplyCollector::Feed(std::uint8_t byte) {
  const FrameCollector::Step step = frame_.Feed(byte);
  mayHaveEnded_ = step == FrameCollector::Step::kStored && byte == FRAME_END;
  if (!headerChecked_ && frame_.length() >= kReplyHeaderSize) {
    headerChecked_ = true;
    announced_ = ConfigReplyLength(destination_.first(kReplyHeaderSize));
    if (announced_) frame_.ExpectLength(*announced_);
  }
}

}  // namespace trackctl
