#include "archive/sqlite/packed_rtree.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstddef>

#include "archive/sqlite/sqlite_handles.h"

namespace trackctl::gpkg {
namespace {

// A cell's box as the R-tree stores it: minx, maxx, miny, maxy in 32-bit floats.
struct Box {
  float minX, maxX, minY, maxY;
};

// A cell of a node: an entry's id in a leaf, a child's node number above.
struct Cell {
  std::int64_t id;
  Box box;
};

using Node = std::vector<Cell>;

constexpr std::size_t kCellBytes = 8 + 4 * 4;  // id, then 2 bounds for each of 2 dimensions
constexpr std::size_t kNodeHeaderBytes = 4;    // depth (the root's only), then the number of cells

// A bound rounded outwards to a float the way SQLite's rtree rounds it, so
// that the box still holds the point.
float Down(double value) {
  float f = static_cast<float>(value);
  if (f > value) f = static_cast<float>(value * (value < 0 ? 1.0 + 1.0 / 8388608.0 : 1.0 - 1.0 / 8388608.0));
  return f;
}

float Up(double value) {
  float f = static_cast<float>(value);
  if (f < value) f = static_cast<float>(value * (value < 0 ? 1.0 - 1.0 / 8388608.0 : 1.0 + 1.0 / 8388608.0));
  return f;
}

float CenterX(const Cell& cell) { return (cell.box.minX + cell.box.maxX) / 2; }
float CenterY(const Cell& cell) { return (cell.box.minY + cell.box.maxY) / 2; }

Box Bounds(const Node& node) {
  Box box = node.front().box;
  for (const Cell& cell : node) {
    box.minX = std::min(box.minX, cell.box.minX), box.maxX = std::max(box.maxX, cell.box.maxX);
    box.minY = std::min(box.minY, cell.box.minY), box.maxY = std::max(box.maxY, cell.box.maxY);
  }
  return box;
}

// Sort-tile-recursive: the cells in vertical slices by x, each slice in runs
// of `capacity` by y; one node a run.
std::vector<Node> Pack(std::vector<Cell> cells, std::size_t capacity) {
  const std::size_t nodes = (cells.size() + capacity - 1) / capacity;
  const auto slices = static_cast<std::size_t>(std::ceil(std::sqrt(static_cast<double>(nodes))));
  const std::size_t sliceCells = slices * capacity;
  std::sort(cells.begin(), cells.end(), [](const Cell& a, const Cell& b) { return CenterX(a) < CenterX(b); });
  std::vector<Node> packed;
  packed.reserve(nodes);
  for (std::size_t slice = 0; slice < cells.size(); slice += sliceCells) {
    const auto first = cells.begin() + static_cast<std::ptrdiff_t>(slice);
    const auto last = cells.begin() + static_cast<std::ptrdiff_t>(std::min(cells.size(), slice + sliceCells));
    std::sort(first, last, [](const Cell& a, const Cell& b) { return CenterY(a) < CenterY(b); });
    for (auto run = first; run != last;) {
      const auto size = std::min(static_cast<std::ptrdiff_t>(capacity), last - run);
      packed.emplace_back(run, run + size);
      run += size;
    }
  }
  return packed;
}

void PutBigEndian(std::uint8_t* at, std::uint64_t value, int bytes) {
  for (int i = bytes - 1; i >= 0; --i, value >>= 8) at[i] = static_cast<std::uint8_t>(value);
}

std::uint64_t GetBigEndian(const std::uint8_t* at, int bytes) {
  std::uint64_t value = 0;
  for (int i = 0; i < bytes; ++i) value = value << 8 | at[i];
  return value;
}

// The cells of a node as SQLite wrote it.
Node NodeCells(const std::uint8_t* blob) {
  Node node(GetBigEndian(blob + 2, 2));
  const std::uint8_t* at = blob + kNodeHeaderBytes;
  for (Cell& cell : node) {
    cell.id = static_cast<std::int64_t>(GetBigEndian(at, 8));
    std::array<float, 4> bounds{};
    for (std::size_t i = 0; i < bounds.size(); ++i) {
      bounds[i] = std::bit_cast<float>(static_cast<std::uint32_t>(GetBigEndian(at + 8 + 4 * i, 4)));
    }
    cell.box = Box{bounds[0], bounds[1], bounds[2], bounds[3]};
    at += kCellBytes;
  }
  return node;
}

std::vector<std::uint8_t> NodeBlob(const Node& node, std::size_t nodeBytes, int depth) {
  std::vector<std::uint8_t> blob(nodeBytes, 0);
  std::array<std::uint8_t, kNodeHeaderBytes> header{};
  PutBigEndian(header.data(), static_cast<std::uint64_t>(depth), 2);
  PutBigEndian(header.data() + 2, node.size(), 2);
  std::copy(header.begin(), header.end(), blob.begin());
  std::uint8_t* at = blob.data() + kNodeHeaderBytes;
  for (const Cell& cell : node) {
    PutBigEndian(at, static_cast<std::uint64_t>(cell.id), 8);
    const std::array<float, 4> bounds{cell.box.minX, cell.box.maxX, cell.box.minY, cell.box.maxY};
    for (std::size_t i = 0; i < bounds.size(); ++i) PutBigEndian(at + 8 + 4 * i, std::bit_cast<std::uint32_t>(bounds[i]), 4);
    at += kCellBytes;
  }
  return blob;
}

void StepWith(sqlite3* db, const Statement& statement, std::int64_t first, std::int64_t second) {
  sqlite3_stmt* s = statement.get();
  const StatementUse use(s);
  Check(db, sqlite3_bind_int64(s, 1, first));
  Check(db, sqlite3_bind_int64(s, 2, second));
  Check(db, sqlite3_step(s), SQLITE_DONE);
}

std::int64_t SingleValue(sqlite3* db, const std::string& sql) {
  const Statement statement = Prepare(db, sql.c_str());
  Check(db, sqlite3_step(statement.get()), SQLITE_ROW);
  return sqlite3_column_int64(statement.get(), 0);
}

// The nodes made by an import and where they go: level by level from the leaves
// up, each node with its number; written into the R-tree's tables with the
// links from each of its cells (the rowid map for a leaf's, the parent map for
// the others').
struct NewNodes {
  std::vector<std::vector<Node>> levels;
  std::vector<std::vector<std::int64_t>> numbers;
  std::int64_t nextNumber;

  // Packs `cells` of height `height` into new nodes one level up; their cells.
  std::vector<Cell> PackLevel(std::vector<Cell> cells, std::size_t capacity) {
    levels.push_back(Pack(std::move(cells), capacity));
    std::vector<std::int64_t>& levelNumbers = numbers.emplace_back();
    std::vector<Cell> above;
    for (const Node& node : levels.back()) {
      levelNumbers.push_back(nextNumber);
      above.push_back(Cell{nextNumber++, Bounds(node)});
    }
    return above;
  }
};

class RtreeTables {
 public:
  RtreeTables(sqlite3* db, const std::string& rtree)
      : db_(db),
        root_(Prepare(db, ("UPDATE \"" + rtree + "_node\" SET data = ?2 WHERE nodeno = ?1").c_str())),
        node_(Prepare(db, ("INSERT INTO \"" + rtree + "_node\" (nodeno, data) VALUES (?1, ?2)").c_str())),
        rowid_(Prepare(db, ("INSERT INTO \"" + rtree + "_rowid\" (rowid, nodeno) VALUES (?1, ?2)").c_str())),
        parent_(Prepare(db, ("INSERT INTO \"" + rtree + "_parent\" (nodeno, parentnode) VALUES (?1, ?2)").c_str())) {}

  // Writes node `number` (1: the root, of `depth`) and links the cells given
  // from `firstLinked` on to it: the entries of a leaf, the child nodes above.
  void Write(std::int64_t number, const Node& cells, std::size_t nodeBytes, int depth, bool leaf,
             std::size_t firstLinked = 0) {
    const std::vector<std::uint8_t> blob = NodeBlob(cells, nodeBytes, number == 1 ? depth : 0);
    const Statement& write = number == 1 ? root_ : node_;
    const StatementUse use(write.get());
    Check(db_, sqlite3_bind_int64(write.get(), 1, number));
    Check(db_, sqlite3_bind_blob(write.get(), 2, blob.data(), static_cast<int>(blob.size()), SQLITE_STATIC));
    Check(db_, sqlite3_step(write.get()), SQLITE_DONE);
    for (std::size_t i = firstLinked; i < cells.size(); ++i) StepWith(db_, leaf ? rowid_ : parent_, cells[i].id, number);
  }

  void WriteLevels(const NewNodes& nodes, std::size_t nodeBytes) {
    for (std::size_t height = 0; height < nodes.levels.size(); ++height) {
      for (std::size_t i = 0; i < nodes.levels[height].size(); ++i) {
        Write(nodes.numbers[height][i], nodes.levels[height][i], nodeBytes, 0, height == 0);
      }
    }
  }

 private:
  sqlite3* db_;
  Statement root_, node_, rowid_, parent_;
};

std::vector<Cell> PointCells(const std::vector<IndexedPoint>& points) {
  std::vector<Cell> cells;
  cells.reserve(points.size());
  for (const IndexedPoint& point : points) {
    cells.push_back(Cell{point.id, Box{Down(point.x), Up(point.x), Down(point.y), Up(point.y)}});
  }
  return cells;
}

// The tree of `points` alone, its root node 1.
void WriteWholeTree(sqlite3* db, const std::string& rtree, const std::vector<IndexedPoint>& points,
                    std::size_t nodeBytes, std::size_t capacity) {
  NewNodes nodes{{}, {}, 2};
  std::vector<Cell> cells = PointCells(points);
  // Levels from the leaves up until one node is left: that one is the root.
  int depth = 0;
  for (;; ++depth) {
    cells = nodes.PackLevel(std::move(cells), capacity);
    if (cells.size() == 1) break;
  }
  const Node root = nodes.levels.back().front();
  nodes.levels.pop_back();
  nodes.numbers.pop_back();
  RtreeTables tables(db, rtree);
  tables.WriteLevels(nodes, nodeBytes);
  tables.Write(1, root, nodeBytes, depth, depth == 0);
}

// The tree of `points` packed up to the height below the root of the tree
// there (of `depth`, above its leaves), and hung under that root: beside its
// cells while they fit, else the root's cells move into a new node and the
// tree grows a level (or more) above it and the new nodes.
void GraftTree(sqlite3* db, const std::string& rtree, const std::vector<IndexedPoint>& points, std::size_t nodeBytes,
               std::size_t capacity, int depth, Node root) {
  NewNodes nodes{{}, {}, SingleValue(db, "SELECT max(nodeno) + 1 FROM \"" + rtree + "_node\"")};
  std::vector<Cell> cells = PointCells(points);
  for (int height = 0; height < depth; ++height) cells = nodes.PackLevel(std::move(cells), capacity);
  RtreeTables tables(db, rtree);
  if (root.size() + cells.size() <= capacity) {
    tables.WriteLevels(nodes, nodeBytes);
    const std::size_t firstNew = root.size();
    root.insert(root.end(), cells.begin(), cells.end());
    tables.Write(1, root, nodeBytes, depth, false, firstNew);
    return;
  }
  // The root's children now hang under the node its cells move to.
  const std::int64_t moved = nodes.nextNumber++;
  const Statement reparent =
      Prepare(db, ("UPDATE \"" + rtree + "_parent\" SET parentnode = ?1 WHERE parentnode = 1").c_str());
  Check(db, sqlite3_bind_int64(reparent.get(), 1, moved));
  Check(db, sqlite3_step(reparent.get()), SQLITE_DONE);
  tables.Write(moved, root, nodeBytes, 0, false, root.size());
  std::vector<Cell> top = nodes.PackLevel(std::move(cells), capacity);
  top.push_back(Cell{moved, Bounds(root)});
  for (++depth; top.size() > capacity; ++depth) top = nodes.PackLevel(std::move(top), capacity);
  tables.WriteLevels(nodes, nodeBytes);
  tables.Write(1, Node(top.begin(), top.end()), nodeBytes, depth, false);
}

}  // namespace

bool WritePackedRtree(sqlite3* db, const std::string& rtree, const std::vector<IndexedPoint>& points) {
  if (points.empty()) return true;
  std::size_t nodeBytes = 0;
  int depth = 0;
  Node root;
  {
    const Statement read = Prepare(db, ("SELECT data FROM \"" + rtree + "_node\" WHERE nodeno = 1").c_str());
    Check(db, sqlite3_step(read.get()), SQLITE_ROW);
    const auto* blob = static_cast<const std::uint8_t*>(sqlite3_column_blob(read.get(), 0));
    // The node size is the one SQLite chose for this file when it made the root.
    nodeBytes = static_cast<std::size_t>(sqlite3_column_bytes(read.get(), 0));
    if (blob == nullptr || nodeBytes < kNodeHeaderBytes + kCellBytes) return false;
    depth = static_cast<int>(GetBigEndian(blob, 2));
    root = NodeCells(blob);
  }
  const std::size_t capacity = (nodeBytes - kNodeHeaderBytes) / kCellBytes;
  if (root.empty()) {
    WriteWholeTree(db, rtree, points, nodeBytes, capacity);
    return true;
  }
  if (depth == 0 || points.size() < capacity) return false;
  GraftTree(db, rtree, points, nodeBytes, capacity, depth, std::move(root));
  return true;
}

}  // namespace trackctl::gpkg
