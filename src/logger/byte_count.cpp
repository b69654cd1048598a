#include "logger/byte_count.h"

#include <cstdint>
#include <limits>

#include "protocol/frame.h"

namespace trackctl {
namespace {

bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

std::int32_t ParseInt32(std::string_view text) {
  std::size_t at = 0;
  while (at < text.size() && IsSpace(text[at])) ++at;
  bool negative = false;
  if (at < text.size() && (text[at] == '+' || text[at] == '-')) negative = text[at++] == '-';
  // Magnitude up to 2^31, enough for both ends of the range once clamped.
  constexpr std::int64_t kLimit = std::int64_t{1} << 31;
  std::int64_t magnitude = 0;
  for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
    magnitude = magnitude * 10 + (text[at] - '0');
    if (magnitude > kLimit) magnitude = kLimit;
  }
  const std::int64_t value = negative ? -magnitude : magnitude;
  if (value > std::numeric_limits<std::int32_t>::max()) return std::numeric_limits<std::int32_t>::max();
  return static_cast<std::int32_t>(value);
}

}  // namespace

std::uint32_t ParseByteCount(std::string_view reply) {
  const std::size_t underscore = reply.rfind('_');
  if (underscore == std::string_view::npos) return 0;
  std::string_view text = reply.substr(underscore + 1);
  text = text.substr(0, text.find(static_cast<char>(FRAME_END)));
  text = text.substr(0, kCountTextCapacity);
  return static_cast<std::uint32_t>(ParseInt32(text));
}

}  // namespace trackctl
