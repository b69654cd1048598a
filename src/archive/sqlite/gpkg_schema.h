// The archive's tables in a GeoPackage 1.3: the required gpkg_* tables, the
// point layer `records` with its R-tree spatial index, the attribute table
// `downloads`, and trackctl_schema, which holds the version of this schema.
#pragma once

#include <cstdint>
#include <string>

namespace trackctl {

inline constexpr std::int32_t kGpkgApplicationId = 0x47504B47;  // "GPKG"
inline constexpr std::int32_t kGpkgUserVersion = 10300;         // GeoPackage 1.3.0
// Raised with each change of the tables below; an archive of a higher version is
// refused, one of a lower version is migrated.
inline constexpr std::int64_t kArchiveSchemaVersion = 4;

// The page size of a new archive, set while its file is empty. Rows of about
// 150 bytes and index entries leave less of 8 KiB pages unused than of 4 KiB.
extern const char* const kPageSizeSql;

// What makes an empty database an archive, run in this order: every table but
// the layer's, then the layer `records` and its index for a device's times,
// then the triggers that keep its spatial index (the one for new rows, then the
// others).
extern const char* const kCreateArchiveSql;
extern const char* const kRecordsTableSql;
extern const char* const kRecordsTimeIndexSql;
extern const char* const kSpatialIndexInsertTriggerSql;
extern const char* const kSpatialIndexTriggersSql;

// The points of one device (?1) from ?2 to ?3 (UTC, "YYYY-MM-DDThh:mm:ssZ",
// both included) in time order, as the index records_device_time finds them.
std::string PointsSql();

}  // namespace trackctl
