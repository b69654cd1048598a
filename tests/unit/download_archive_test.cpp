#include "app/device/download_archive.h"

#include <gtest/gtest.h>

namespace trackctl {
namespace {

// A sector is erased only when the archive holds every record the device
// announced: those the import added and those it found there already; records
// without a valid time or place are held too.
TEST(DownloadArchive, TheSectorMayBeErasedOnlyWhenTheArchiveHoldsEveryAnnouncedRecord) {
  const struct {
    ImportCounts counts;
    std::uint32_t announced;
    std::optional<std::string> why;
  } cases[] = {
      {{.read = 300, .added = 300}, 300, std::nullopt},
      {{.read = 300, .alreadyArchived = 300}, 300, std::nullopt},
      {{.read = 300, .added = 12, .alreadyArchived = 288, .notValid = 2}, 300, std::nullopt},
      {{}, 0, std::nullopt},
      {{.read = 299, .added = 299}, 300, "the archive holds 299 of the 300 records the device announced"},
      {{.read = 300, .added = 150, .alreadyArchived = 149}, 300,
       "the archive holds 299 of the 300 records the device announced"},
      {{.read = 300, .alreadyArchived = 299}, 300, "the archive holds 299 of the 300 records the device announced"},
      {{}, 1, "the archive holds 0 of the 1 records the device announced"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(NotAllArchived(c.counts, c.announced), c.why)
        << c.counts.added << " added, " << c.counts.alreadyArchived << " there, " << c.announced << " announced";
  }
}

}  // namespace
}  // namespace trackctl
