// GeoPackage geometry blobs as the standard lays them out, and the bounds the
// R-tree triggers read from them.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "archive/sqlite/gpkg_geometry.h"

namespace trackctl::gpkg {
namespace {

TEST(GpkgGeometry, APointIsTheHeaderWithoutEnvelopeThenLittleEndianWkb) {
  const auto blob = GpkgPoint(77.59468, 12.97164, kWgs84SrsId);
  ASSERT_EQ(blob.size(), 29u);
  EXPECT_EQ(blob[0], 'G');
  EXPECT_EQ(blob[1], 'P');
  EXPECT_EQ(blob[2], 0);     // version 1
  EXPECT_EQ(blob[3], 0x01);  // standard, not empty, no envelope, little-endian
  EXPECT_EQ((std::vector<int>{blob[4], blob[5], blob[6], blob[7]}), (std::vector<int>{0xE6, 0x10, 0, 0}));  // 4326
  EXPECT_EQ(blob[8], 1);  // WKB little-endian
  EXPECT_EQ((std::vector<int>{blob[9], blob[10], blob[11], blob[12]}), (std::vector<int>{1, 0, 0, 0}));  // Point
  double x = 0, y = 0;
  std::memcpy(&x, blob.data() + 13, 8);
  std::memcpy(&y, blob.data() + 21, 8);
  EXPECT_EQ(x, 77.59468);
  EXPECT_EQ(y, 12.97164);
}

TEST(GpkgGeometry, BoundsOfAPointAreThePoint) {
  const auto blob = GpkgPoint(1.5, -2.25, kWgs84SrsId);
  const auto bounds = GpkgBoundsOf(blob);
  ASSERT_TRUE(bounds);
  EXPECT_EQ(bounds->minX, 1.5);
  EXPECT_EQ(bounds->maxX, 1.5);
  EXPECT_EQ(bounds->minY, -2.25);
  EXPECT_EQ(bounds->maxY, -2.25);
  EXPECT_EQ(GpkgIsEmpty(blob), false);
}

TEST(GpkgGeometry, BoundsFromABigEndianEnvelope) {
  // Flags 0x02: envelope [minx, maxx, miny, maxy], big-endian header; a line
  // string after it, whose bounds only the envelope gives.
  std::vector<std::uint8_t> blob = {'G', 'P', 0, 0x02, 0, 0, 0x10, 0xE6};
  for (const double value : {1.0, 3.0, -4.0, 8.0}) {
    std::uint8_t raw[8];
    std::memcpy(raw, &value, 8);
    for (int i = 7; i >= 0; --i) blob.push_back(raw[i]);
  }
  blob.insert(blob.end(), {1, 2, 0, 0, 0, 0, 0, 0, 0});  // LineString, no points
  const auto bounds = GpkgBoundsOf(blob);
  ASSERT_TRUE(bounds);
  EXPECT_EQ(bounds->minX, 1.0);
  EXPECT_EQ(bounds->maxX, 3.0);
  EXPECT_EQ(bounds->minY, -4.0);
  EXPECT_EQ(bounds->maxY, 8.0);
}

TEST(GpkgGeometry, EmptyGeometriesHaveNoBounds) {
  auto flagged = GpkgPoint(1, 2, kWgs84SrsId);
  flagged[3] |= 0x10;
  EXPECT_EQ(GpkgIsEmpty(flagged), true);
  EXPECT_FALSE(GpkgBoundsOf(flagged));
  const auto nan = GpkgPoint(std::nan(""), std::nan(""), kWgs84SrsId);
  EXPECT_EQ(GpkgIsEmpty(nan), true);
  EXPECT_FALSE(GpkgBoundsOf(nan));
}

TEST(GpkgGeometry, WhatIsNoGeometryBlobIsRefused) {
  const auto point = GpkgPoint(1, 2, kWgs84SrsId);
  EXPECT_FALSE(GpkgIsEmpty(std::span(point).first(7)));
  EXPECT_FALSE(GpkgBoundsOf(std::span(point).first(28)));  // the WKB cut short
  auto wrongMagic = point;
  wrongMagic[1] = 'Q';
  EXPECT_FALSE(GpkgIsEmpty(wrongMagic));
  auto extended = point;
  extended[3] |= 0x20;
  EXPECT_FALSE(GpkgBoundsOf(extended));
  auto badIndicator = point;
  badIndicator[3] |= 0x0A;  // envelope indicator 5: none defined
  EXPECT_FALSE(GpkgBoundsOf(badIndicator));
}

}  // namespace
}  // namespace trackctl::gpkg
