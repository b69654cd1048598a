// UTC times as the archive stores them, and the bounds of an export from it.
#include <gtest/gtest.h>

#include "archive/archive_time.h"

namespace trackctl {
namespace {

TEST(ArchiveTime, StoredTimesReadBack) {
  EXPECT_EQ(ParseIsoUtc("1970-01-01T00:00:00Z"), 0);
  EXPECT_EQ(ParseIsoUtc("2005-06-12T09:00:05Z"), 1118566805);
  EXPECT_EQ(ParseIsoUtc("2004-02-29T23:59:59Z"), 1078099199);
  for (const char* text : {"2005-06-12T09:00:05", "2005-06-12 09:00:05Z", "2005-02-29T00:00:00Z",
                           "2005-06-12T24:00:00Z", "2005-06-12T09:60:00Z", "2005-13-01T00:00:00Z", "1969-12-31T23:59:59Z",
                           "2005-06-1xT09:00:05Z", ""}) {
    EXPECT_FALSE(ParseIsoUtc(text)) << text;
  }
}

// A date is a UTC day; a time needs its zone, and is kept as UTC within the
// years that the stored form holds.
TEST(ArchiveTime, ADateBoundIsItsFirstOrLastSecondAndATimeNeedsItsZone) {
  EXPECT_EQ(TimeBound("2005-06-12", BoundEnd::kFirst), "2005-06-12T00:00:00Z");
  EXPECT_EQ(TimeBound("2005-06-12", BoundEnd::kLast), "2005-06-12T23:59:59Z");
  EXPECT_EQ(TimeBound("2005-06-12T09:00:05Z", BoundEnd::kFirst), "2005-06-12T09:00:05Z");
  EXPECT_EQ(TimeBound("2005-06-12T09:00:05+05:30", BoundEnd::kLast), "2005-06-12T03:30:05Z");
  EXPECT_EQ(TimeBound("2005-06-12T22:00:05-02:00", BoundEnd::kLast), "2005-06-13T00:00:05Z");
  EXPECT_EQ(TimeBound("1970-01-01T00:00:00Z", BoundEnd::kFirst), "1970-01-01T00:00:00Z");
  EXPECT_EQ(TimeBound("1970-01-01T00:00:00-00:00", BoundEnd::kFirst), "1970-01-01T00:00:00Z");
  EXPECT_EQ(TimeBound("9999-12-31T23:59:59+00:00", BoundEnd::kLast), "9999-12-31T23:59:59Z");
  EXPECT_EQ(TimeBound("9999-12-31", BoundEnd::kLast), "9999-12-31T23:59:59Z");
  for (const char* text : {"2005-6-12", "2005-06-31", "2005-06-12T09:00", "2005-06-12T09:00:05",
                           "2005-06-12T09:00:05+0100", "2005-06-12T09:00:05+24:00", "2005-06-12T09:00:05Z+01:00",
                           "1970-01-01T00:00:00+00:01", "9999-12-31T23:59:59-00:01", "yesterday", ""}) {
    EXPECT_FALSE(TimeBound(text, BoundEnd::kFirst)) << text;
  }
}

}  // namespace
}  // namespace trackctl
