// The spatial index of points filled in one go where it is empty: the tree is
// packed in memory (sort-tile-recursive, every node full but the last of each
// level) and its nodes written straight into the R-tree's own tables
// (<name>_node, <name>_rowid, <name>_parent), as SQLite itself would read them.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <vector>

namespace trackctl::gpkg {

struct IndexedPoint {
  std::int64_t id;
  double x;
  double y;
};

// Whether the R-tree `rtree` (a 2-dimensional SQLite rtree) holds no entry.
bool RtreeIsEmpty(sqlite3* db, const std::string& rtree);

// Fills the empty R-tree `rtree` with `points`, each one a zero-size box.
// Throws SqliteError when SQLite refuses a write.
void WritePackedRtree(sqlite3* db, const std::string& rtree, std::vector<IndexedPoint> points);

}  // namespace trackctl::gpkg
