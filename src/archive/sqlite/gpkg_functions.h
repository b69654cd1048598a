// The SQL functions that the GeoPackage R-tree triggers call (ST_IsEmpty,
// ST_MinX, ST_MaxX, ST_MinY, ST_MaxY), registered on a connection so that
// rows can be inserted without a spatial library.
#pragma once

#include <sqlite3.h>

namespace trackctl::gpkg {

// SQLITE_OK, or SQLite's code when a function could not be registered.
int RegisterGeometryFunctions(sqlite3* db);

}  // namespace trackctl::gpkg
