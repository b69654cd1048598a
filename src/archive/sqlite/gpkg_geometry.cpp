#include "archive/sqlite/gpkg_geometry.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

namespace trackctl::gpkg {
namespace {

constexpr std::uint8_t kLittleEndian = 0x01;  // flags bit 0, and WKB's byte order byte
constexpr std::uint8_t kEmptyFlag = 0x10;     // flags bit 4
constexpr std::uint8_t kExtendedFlag = 0x20;  // flags bit 5
constexpr std::size_t kHeaderSize = 8;
constexpr std::uint32_t kWkbPoint = 1;

// The number of doubles that each envelope contents indicator gives; -1 for none defined.
constexpr int kEnvelopeDoubles[8] = {0, 4, 6, 6, 8, -1, -1, -1};

template <typename T>
T Read(std::span<const std::uint8_t> bytes, std::size_t at, bool little) {
  std::array<std::uint8_t, sizeof(T)> raw;
  std::memcpy(raw.data(), bytes.data() + at, sizeof(T));
  if (little != (std::endian::native == std::endian::little)) std::reverse(raw.begin(), raw.end());
  T value;
  std::memcpy(&value, raw.data(), sizeof(T));
  return value;
}

template <typename T>
void WriteLittle(std::uint8_t* out, T value) {
  std::array<std::uint8_t, sizeof(T)> raw;
  std::memcpy(raw.data(), &value, sizeof(T));
  if constexpr (std::endian::native != std::endian::little) std::reverse(raw.begin(), raw.end());
  std::memcpy(out, raw.data(), sizeof(T));
}

struct Header {
  bool little;
  bool empty;
  int envelopeDoubles;
  std::size_t wkbAt;  // where the WKB begins
};

std::optional<Header> ReadHeader(std::span<const std::uint8_t> blob) {
  if (blob.size() < kHeaderSize || blob[0] != 'G' || blob[1] != 'P' || blob[2] != 0) return std::nullopt;
  const std::uint8_t flags = blob[3];
  if (flags & kExtendedFlag) return std::nullopt;
  const int doubles = kEnvelopeDoubles[(flags >> 1) & 0x07];
  if (doubles < 0) return std::nullopt;
  const std::size_t wkbAt = kHeaderSize + static_cast<std::size_t>(doubles) * 8;
  if (blob.size() < wkbAt) return std::nullopt;
  return Header{(flags & kLittleEndian) != 0, (flags & kEmptyFlag) != 0, doubles, wkbAt};
}

// The x and y of a WKB point (any dimension) at `at`; nothing for another type.
std::optional<std::array<double, 2>> WkbPoint(std::span<const std::uint8_t> blob, std::size_t at) {
  if (blob.size() < at + 21 || blob[at] > 1) return std::nullopt;
  const bool little = blob[at] == kLittleEndian;
  // ISO WKB: 1001, 2001, 3001 are points with Z, M, ZM.
  if (Read<std::uint32_t>(blob, at + 1, little) % 1000 != kWkbPoint) return std::nullopt;
  return std::array<double, 2>{Read<double>(blob, at + 5, little), Read<double>(blob, at + 13, little)};
}

}  // namespace

std::array<std::uint8_t, kGpkgPointSize> GpkgPoint(double x, double y, std::int32_t srsId) {
  std::array<std::uint8_t, kGpkgPointSize> blob{'G', 'P', 0, kLittleEndian};
  WriteLittle(blob.data() + 4, srsId);
  blob[8] = kLittleEndian;
  WriteLittle(blob.data() + 9, kWkbPoint);
  WriteLittle(blob.data() + 13, x);
  WriteLittle(blob.data() + 21, y);
  return blob;
}

std::optional<bool> GpkgIsEmpty(std::span<const std::uint8_t> blob) {
  const std::optional<Header> header = ReadHeader(blob);
  if (!header) return std::nullopt;
  if (header->empty) return true;
  const auto point = WkbPoint(blob, header->wkbAt);
  return point && std::isnan((*point)[0]) && std::isnan((*point)[1]);
}

std::optional<GpkgBounds> GpkgBoundsOf(std::span<const std::uint8_t> blob) {
  const std::optional<Header> header = ReadHeader(blob);
  if (!header || header->empty) return std::nullopt;
  if (header->envelopeDoubles > 0) {
    const auto at = [&](int i) { return Read<double>(blob, kHeaderSize + static_cast<std::size_t>(i) * 8, header->little); };
    return GpkgBounds{at(0), at(1), at(2), at(3)};
  }
  const auto point = WkbPoint(blob, header->wkbAt);
  if (!point || std::isnan((*point)[0]) || std::isnan((*point)[1])) return std::nullopt;
  return GpkgBounds{(*point)[0], (*point)[0], (*point)[1], (*point)[1]};
}

}  // namespace trackctl::gpkg
