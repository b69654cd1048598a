#include "archive/sqlite/gpkg_functions.h"

#include <cstdint>
#include <optional>
#include <span>

#include "archive/sqlite/gpkg_geometry.h"

namespace trackctl::gpkg {
namespace {

std::span<const std::uint8_t> Blob(sqlite3_value* value) {
  const auto* bytes = static_cast<const std::uint8_t*>(sqlite3_value_blob(value));
  if (bytes == nullptr) return {};
  return {bytes, static_cast<std::size_t>(sqlite3_value_bytes(value))};
}

void IsEmpty(sqlite3_context* context, int, sqlite3_value** args) {
  if (sqlite3_value_type(args[0]) == SQLITE_NULL) return sqlite3_result_null(context);
  const std::optional<bool> empty = GpkgIsEmpty(Blob(args[0]));
  if (!empty) return sqlite3_result_error(context, "not a GeoPackage geometry", -1);
  sqlite3_result_int(context, *empty ? 1 : 0);
}

// ST_MinX and the others: one of the bounds, or NULL.
template <double GpkgBounds::*Member>
void Bound(sqlite3_context* context, int, sqlite3_value** args) {
  const std::optional<GpkgBounds> bounds = GpkgBoundsOf(Blob(args[0]));
  if (!bounds) return sqlite3_result_null(context);
  sqlite3_result_double(context, (*bounds).*Member);
}

}  // namespace

int RegisterGeometryFunctions(sqlite3* db) {
  constexpr int kFlags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
  int code = sqlite3_create_function(db, "ST_IsEmpty", 1, kFlags, nullptr, IsEmpty, nullptr, nullptr);
  const struct {
    const char* name;
    void (*function)(sqlite3_context*, int, sqlite3_value**);
  } bounds[] = {{"ST_MinX", Bound<&GpkgBounds::minX>},
                {"ST_MaxX", Bound<&GpkgBounds::maxX>},
                {"ST_MinY", Bound<&GpkgBounds::minY>},
                {"ST_MaxY", Bound<&GpkgBounds::maxY>}};
  for (const auto& bound : bounds) {
    if (code == SQLITE_OK) code = sqlite3_create_function(db, bound.name, 1, kFlags, nullptr, bound.function, nullptr, nullptr);
  }
  return code;
}

}  // namespace trackctl::gpkg
