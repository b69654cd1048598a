// The spatial index of points filled in one go: the tree of an import's points
// is packed in memory (sort-tile-recursive, every node full but the last of
// each level) and its nodes written straight into the R-tree's own tables
// (<name>_node, <name>_rowid, <name>_parent), as SQLite itself would read them:
// the whole tree where it was empty, else hung under its root.
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

// Adds `points` to the R-tree `rtree`, each one a zero-size box, as packed
// nodes: the whole tree where it is empty; where it holds a tree of more than a
// leaf, a packed tree of the points with its leaves at the depth of the others,
// hung under the root. False, with nothing written, where the tree there is a
// single leaf or the points do not fill one: they go in one by one then.
// Throws SqliteError when SQLite refuses a write.
bool WritePackedRtree(sqlite3* db, const std::string& rtree, const std::vector<IndexedPoint>& points);

}  // namespace trackctl::gpkg
