// Firmware upload: an image goes to the device behind a CODE_ header that
// announces its size, followed by its 32-bit XOR checksum.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "protocol/outcome.h"
#include "protocol/session.h"

namespace trackctl {

inline constexpr std::size_t kCodeHeaderSize = 16;
using CodeHeader = std::array<std::uint8_t, kCodeHeaderSize>;

// XOR of the image read as little-endian 32-bit words, the last one filled up
// with zero bytes; 0 for an empty image.
std::uint32_t ImageChecksum(std::span<const std::uint8_t> image);

// The number of bytes that follow the device's first answer (the image and its
// four checksum bytes) as eight upper-case hexadecimal digits, low 32 bits only.
std::array<char, 8> ByteCountDigits(std::size_t imageLength);

// 0xEA "CODE_" <eight digits> 0xE4 0x00.
CodeHeader BuildCodeHeader(std::size_t imageLength);

// The longest image the header's count can announce with its checksum: the
// count is a signed 32-bit number on the device.
inline constexpr std::size_t kMaxImageSize = 0x7FFFFFFF - 4;

// The image the menu offers when the operator names none.
inline constexpr const char* kDefaultImage = "RAVU.BIN";

struct UpgradeAnswer {
  enum class Kind {
    kDone,            // the device acknowledged the image
    kHeaderRefused,   // "\xEA" "CODE_ERROR\xE4" to the header: nothing more was sent
    kImageRefused,    // the image was sent, and the device did not acknowledge it
  };
  Kind kind = Kind::kImageRefused;
  std::string reply;  // the last reply, up to its first NUL byte
};

// Uploads `image`: a 0x00 byte and the header, then, unless the device refuses
// it, the image and its checksum. The header reply's bytes are reported as they
// arrive, the image's progress byte by byte, and each step as it begins.
UpgradeAnswer UpgradeCode(Session& session, std::span<const std::uint8_t> image);

}  // namespace trackctl
