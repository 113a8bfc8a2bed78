// A spatial index of the box table, so that a zoomed-in redraw and the
// lookup under the mouse touch only the boxes near the area instead of all
// of them. Answers are table positions in table order, so drawing them keeps
// the order of the plain loop (later boxes paint over earlier ones).
//
// A uniform grid of cells over the extent of the boxes, each cell listing the
// boxes that reach it; boxes spanning many cells are kept in one list tested
// at every query. The index follows the table through the range of positions
// the database reports as possibly changed: positions whose rectangle
// changed, and new ones, go to a short list tested at every query, and once
// that list grows long (after a sort or a compaction, say) the grid is
// rebuilt. The rectangle kept for each position is always the table's, so
// stale cell entries are filtered out at query time.
#pragma once
#include <cstdint>
#include <vector>

#include "core/LayoutDatabase.h"

namespace quill {

class BoxIndex {
 public:
  // Brings the index up to the table. Takes the database's change range, so
  // it must be the only reader of it.
  void update(LayoutDatabase& db);
  // Positions (ascending, each once) of the boxes, deleted ones included,
  // whose rectangle meets [x1, x2] x [y1, y2] (edges included).
  void query(std::int64_t x1, std::int64_t y1, std::int64_t x2, std::int64_t y2, std::vector<int>& out) const;
  // share of the grid's cells that the area covers (1 when there is no grid)
  double coverage(std::int64_t x1, std::int64_t y1, std::int64_t x2, std::int64_t y2) const;

  int size() const { return static_cast<int>(rects_.size()) - 1; }
  bool built() const { return built_; }
  // rebuilds so far, for tests
  int rebuilds() const { return rebuilds_; }

 private:
  struct R {
    std::int32_t x1, y1, x2, y2;
    bool operator==(const R&) const = default;
  };
  void rebuild();
  int cellX(std::int64_t x) const;
  int cellY(std::int64_t y) const;
  static bool meets(const R& r, std::int64_t x1, std::int64_t y1, std::int64_t x2, std::int64_t y2) {
    return r.x1 <= x2 && r.x2 >= x1 && r.y1 <= y2 && r.y2 >= y1;
  }

  std::vector<R> rects_{R{}};  // by position; entry 0 unused
  bool built_ = false;
  int rebuilds_ = 0;
  // grid
  std::int64_t ox_ = 0, oy_ = 0, cw_ = 1, ch_ = 1;
  int gx_ = 0, gy_ = 0;
  std::vector<int> cellStart_;  // gx*gy + 1 offsets into cellItems_
  std::vector<int> cellItems_;
  std::vector<int> large_;  // boxes over many cells
  std::vector<int> extra_;  // changed or new since the build
  std::vector<std::uint8_t> inExtra_;
};

}  // namespace quill
