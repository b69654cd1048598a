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

std::vector<std::uint8_t> NodeBlob(const Node& node, std::size_t nodeBytes, int depth) {
  std::vector<std::uint8_t> blob(nodeBytes, 0);
  PutBigEndian(blob.data(), static_cast<std::uint64_t>(depth), 2);
  PutBigEndian(blob.data() + 2, node.size(), 2);
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

}  // namespace

bool RtreeIsEmpty(sqlite3* db, const std::string& rtree) {
  return SingleValue(db, "SELECT NOT EXISTS (SELECT 1 FROM \"" + rtree + "_rowid\")") != 0;
}

void WritePackedRtree(sqlite3* db, const std::string& rtree, std::vector<IndexedPoint> points) {
  if (points.empty()) return;
  // The node size is the one SQLite chose for this file when it made the (empty) root.
  const auto nodeBytes =
      static_cast<std::size_t>(SingleValue(db, "SELECT length(data) FROM \"" + rtree + "_node\" WHERE nodeno = 1"));
  const std::size_t capacity = (nodeBytes - kNodeHeaderBytes) / kCellBytes;

  std::vector<Cell> cells;
  cells.reserve(points.size());
  for (const IndexedPoint& point : points) {
    cells.push_back(Cell{point.id, Box{Down(point.x), Up(point.x), Down(point.y), Up(point.y)}});
  }
  points = {};
  // Levels from the leaves up; the root (node 1) is the one node of the last.
  std::vector<std::vector<Node>> levels;
  std::vector<std::vector<std::int64_t>> numbers;
  std::int64_t nextNumber = 2;
  for (;;) {
    levels.push_back(Pack(std::move(cells), capacity));
    const std::vector<Node>& level = levels.back();
    std::vector<std::int64_t>& levelNumbers = numbers.emplace_back();
    if (level.size() == 1) {
      levelNumbers.push_back(1);
      break;
    }
    cells.clear();
    for (const Node& node : level) {
      levelNumbers.push_back(nextNumber);
      cells.push_back(Cell{nextNumber++, Bounds(node)});
    }
  }

  const Statement root = Prepare(db, ("UPDATE \"" + rtree + "_node\" SET data = ?2 WHERE nodeno = ?1").c_str());
  const Statement node = Prepare(db, ("INSERT INTO \"" + rtree + "_node\" (nodeno, data) VALUES (?1, ?2)").c_str());
  const Statement rowid = Prepare(db, ("INSERT INTO \"" + rtree + "_rowid\" (rowid, nodeno) VALUES (?1, ?2)").c_str());
  const Statement parent =
      Prepare(db, ("INSERT INTO \"" + rtree + "_parent\" (nodeno, parentnode) VALUES (?1, ?2)").c_str());
  const int depth = static_cast<int>(levels.size()) - 1;
  for (std::size_t height = 0; height < levels.size(); ++height) {
    for (std::size_t i = 0; i < levels[height].size(); ++i) {
      const Node& cellsOfNode = levels[height][i];
      const std::int64_t number = numbers[height][i];
      const std::vector<std::uint8_t> blob = NodeBlob(cellsOfNode, nodeBytes, number == 1 ? depth : 0);
      const Statement& write = number == 1 ? root : node;
      const StatementUse use(write.get());
      Check(db, sqlite3_bind_int64(write.get(), 1, number));
      Check(db, sqlite3_bind_blob(write.get(), 2, blob.data(), static_cast<int>(blob.size()), SQLITE_STATIC));
      Check(db, sqlite3_step(write.get()), SQLITE_DONE);
      for (const Cell& cell : cellsOfNode) StepWith(db, height == 0 ? rowid : parent, cell.id, number);
    }
  }
}

}  // namespace trackctl::gpkg
