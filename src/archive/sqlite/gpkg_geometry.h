// GeoPackage geometry blobs: the "GP" header (magic, version 0, flags, srs_id,
// an optional envelope) followed by a WKB geometry. The archive writes points
// without an envelope, little-endian; the R-tree triggers ask for the bounds of
// whatever blob a row holds.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace trackctl::gpkg {

inline constexpr std::int32_t kWgs84SrsId = 4326;
// 8 bytes of header, then the WKB point: byte order, type 1, x and y.
inline constexpr std::size_t kGpkgPointSize = 8 + 21;

// The point (x = longitude, y = latitude in degrees) in `srsId`.
std::array<std::uint8_t, kGpkgPointSize> GpkgPoint(double x, double y, std::int32_t srsId);

struct GpkgBounds {
  double minX, maxX, minY, maxY;
};

// Whether the blob holds an empty geometry: the header's empty flag, or a WKB
// point whose coordinates are NaN. Nothing when it is no geometry blob.
std::optional<bool> GpkgIsEmpty(std::span<const std::uint8_t> blob);

// The bounds from the header's envelope or, without one, of a WKB point;
// nothing for an empty geometry, another type without an envelope, or a blob
// that is no geometry.
std::optional<GpkgBounds> GpkgBoundsOf(std::span<const std::uint8_t> blob);

}  // namespace trackctl::gpkg
