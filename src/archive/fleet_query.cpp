#include "archive/fleet_query.h"

#include <cstdlib>

#include "archive/archive_time.h"

namespace trackctl {
namespace {

// `text` with each "{}" written as `with`.
std::string Replaced(std::string_view text, std::string_view with) {
  std::string out;
  for (std::size_t at; (at = text.find("{}")) != std::string_view::npos; text.remove_prefix(at + 2)) {
    (out += text.substr(0, at)) += with;
  }
  return out += text;
}

std::size_t Count(const std::optional<std::string>& text) {
  return static_cast<std::size_t>(std::strtoull(text.value_or("0").c_str(), nullptr, 10));
}

std::optional<UtcTime> Time(const std::optional<std::string>& text) {
  const std::optional<std::int64_t> seconds = ParseIsoUtc(text.value_or(""));
  if (!seconds) return std::nullopt;
  return UtcTime{*seconds};
}

}  // namespace

std::string FleetSql(const FleetDialect& dialect) {
  const std::string records = std::string(dialect.tables) + "records";
  const std::string downloads = std::string(dialect.tables) + "downloads";
  return "WITH r AS (SELECT device, count(*) AS n, min(utc_time) AS first, max(utc_time) AS last FROM " + records +
         " GROUP BY device),"
         " d AS (SELECT device, count(*) AS n, max(downloaded) AS last FROM " + downloads + " GROUP BY device),"
         " v AS (SELECT device, version, device_type,"
         " row_number() OVER (PARTITION BY device ORDER BY downloaded DESC, id DESC) AS k FROM " + downloads +
         " WHERE version IS NOT NULL)"
         " SELECT d.device, coalesce(r.n, 0), " + Replaced(dialect.utcTimeText, "r.first") + ", " +
         Replaced(dialect.utcTimeText, "r.last") + ", d.n, d.last, v.version, v.device_type"
         " FROM d LEFT JOIN r USING (device) LEFT JOIN v ON v.device = d.device AND v.k = 1 ORDER BY d.device" +
         std::string(dialect.byteOrder);
}

DeviceSummary FleetSummary(const FleetRow& row) {
  return DeviceSummary{row[0].value_or(""), Count(row[1]), Time(row[2]), Time(row[3]), Count(row[4]),
                       row[5].value_or(""), row[6], row[7]};
}

}  // namespace trackctl
