// Firmware upload (main-menu choice 4): an image file goes to the device behind a
// CODE_ header that announces its size, followed by its 32-bit XOR checksum.
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

// One progress mark after every 1000th image byte sent.
inline constexpr std::size_t kBytesPerMark = 1000;
inline constexpr bool MarkAfter(std::size_t bytesSent) { return bytesSent % kBytesPerMark == 0; }

// The image the menu offers when the operator names none.
inline constexpr const char* kDefaultImage = "RAVU.BIN";

// Uploads the image file `imageName`. A file that cannot be opened or read is
// reported ("FILE not found...", "Unable to open the specified file...") before
// anything is sent, as a file problem.
Outcome UpgradeCode(Session& session, const std::string& imageName);

}  // namespace trackctl
