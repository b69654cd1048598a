// The fleet query, one for both stores: per device its records (their count,
// first and last UTC time), its downloads (their count, the last one's local
// time) and the last version and device type known; by serial key.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "archive/archive.h"

namespace trackctl {

// What a store writes differently in the query.
struct FleetDialect {
  std::string_view tables;       // put before each table's name, e.g. a schema and '.'
  std::string_view utcTimeText;  // of "{}" (a utc_time), its "YYYY-MM-DDThh:mm:ssZ"
  std::string_view byteOrder;    // after ORDER BY d.device: the devices sorted by their bytes
};

std::string FleetSql(const FleetDialect& dialect);

// The columns of a row of FleetSql, as text (nothing for NULL).
using FleetRow = std::array<std::optional<std::string>, 8>;

DeviceSummary FleetSummary(const FleetRow& row);

}  // namespace trackctl
