#include "protocol/config_record.h"

#include <type_traits>

#include "protocol/byte_order.h"

namespace trackctl {
namespace {

template <typename T>
struct IsText : std::false_type {};
template <std::size_t N>
struct IsText<std::array<char, N>> : std::true_type {};

// Reads each field from the block: a number big-endian over its width, a text
// up to its first 0x00 and at most one byte short of its member, whose other
// bytes, the last one included, are 0x00.
auto FieldReader(std::span<const std::uint8_t> block) {
  return [block](const FieldInfo& info, auto& member) {
    using Member = std::remove_reference_t<decltype(member)>;
    if constexpr (IsText<Member>::value) {
      member.fill('\0');
      for (std::size_t i = 0; i + 1 < member.size() && i < info.width && block[info.offset + i] != 0; ++i) {
        member[i] = static_cast<char>(block[info.offset + i]);
      }
    } else {
      member = static_cast<Member>(ReadBigEndian(block.subspan(info.offset), info.width));
    }
  };
}

}  // namespace

void ParseConfigRecord(std::span<const std::uint8_t, kConfigBlockSize> block, ConfigRecord& record) {
  ForEachConfigField(record, FieldReader(block));
}

void ParseStatusRecord(std::span<const std::uint8_t, kStatusBlockSize> block, StatusRecord& record) {
  ForEachStatusField(record, FieldReader(block));
}

}  // namespace trackctl
