#include "core/LayoutDatabase.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/Text.h"

namespace quill {

LayoutLabel& LayoutLabel::operator=(const LayoutLabel& o) {
  if (this == &o) return *this;
  x = o.x; y = o.y; text = o.text; active = o.active;
  visibleInSimulation = o.visibleInSimulation; kind = o.kind; node = o.node;
  listIndex = o.listIndex; level1 = o.level1; level0 = o.level0; param = o.param;
  pwl = o.pwl ? std::make_unique<PwlTable>(*o.pwl) : nullptr;
  return *this;
}

LayoutDatabase::LayoutDatabase() {
  boxes_.resize(1);
  labels_.resize(1);
  rlcs_.resize(1);
  resetNodes();
  layerFirst_.fill(1);
  layerLast_.fill(-1);
}

void LayoutDatabase::setUndoMarks(int kind) {
  undoKind = kind;
  undoBoxMark = boxCount();
  undoLabelMark = labelCount();
  undoRlcMark = rlcCount();
}

int LayoutDatabase::addBox(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2, int layer) {
  if (boxCount() >= kMaxBoxes) {
    lastError = kErrBoxTableFull;
    return 0;
  }
  // past a small layout, take the whole table at once: growing it copies
  // every box several times, and untouched pages of a large block cost nothing
  if (boxes_.size() == boxes_.capacity() && boxes_.size() >= 4096) boxes_.reserve(kMaxBoxes + 1);
  LayoutBox b;
  b.x1 = std::min(x1, x2);
  b.x2 = std::max(x1, x2);
  b.y1 = std::min(y1, y2);
  b.y2 = std::max(y1, y2);
  b.layer = static_cast<std::uint8_t>(LayerTable::validIndex(layer) ? layer : kSpareLayer);
  boxes_.push_back(b);
  lastError = kOk;
  int pos = boxCount();
  noteBoxChange(pos, pos);
  if (drawImmediately) {
    widenBoundingBox(boxes_.back());
    if (observer_) observer_->boxAdded(*this, pos);
  }
  return pos;
}

int LayoutDatabase::labelAt(std::int32_t x, std::int32_t y) const {
  for (int i = 1; i <= labelCount(); ++i) {
    const LayoutLabel& l = labels_[static_cast<std::size_t>(i)];
    if (l.active && l.x == x && l.y == y) return i;
  }
  return 0;
}

int LayoutDatabase::addLabel(std::int32_t x, std::int32_t y, std::string_view text) {
  lastError = kOk;
  if (text.empty() || labelAt(x, y) != 0) return 0;
  if (labelCount() >= kMaxLabels) {
    lastError = kErrTableFull;
    return 0;
  }
  LayoutLabel l;
  l.x = x;
  l.y = y;
  l.text = cutText(text);
  labels_.push_back(std::move(l));
  int pos = labelCount();
  if (drawImmediately && observer_) observer_->labelAdded(*this, pos);
  return pos;
}

int LayoutDatabase::addLabel(std::int32_t x, std::int32_t y, std::string_view text, int kind, double vdd,
                             double hvdd) {
  int pos = addLabel(x, y, text);
  if (pos == 0) return 0;
  LayoutLabel& l = label(pos);
  l.kind = static_cast<std::uint8_t>(kind);
  if (kind == kLabelHighSupply) {
    double ratio = vdd != 0 ? 1000.0 * hvdd / vdd : 1000.0;
    l.level1 = roundToInt32(ratio).value_or(1000);
  }
  return pos;
}

void LayoutDatabase::copyLabelProperties(int from, int to) {
  if (from < 1 || from > labelCount() || to < 1 || to > labelCount() || from == to) return;
  const LayoutLabel& s = label(from);
  LayoutLabel& d = label(to);
  d.active = s.active;
  d.visibleInSimulation = s.visibleInSimulation;
  d.kind = s.kind;
  d.level1 = s.level1;
  d.level0 = s.level0;
  d.param = s.param;
  if (d.kind == kLabelPwl && !d.pwl) {
    d.pwl = std::make_unique<PwlTable>();
    if (s.pwl) *d.pwl = *s.pwl;
  }
}

int LayoutDatabase::addRlc(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2, int kind,
                           std::string_view text, std::int32_t size) {
  lastError = kOk;
  if (text.empty()) return 0;
  if (rlcCount() >= kMaxRlc) {
    lastError = kErrTableFull;
    return 0;
  }
  setUndoMarks(kUndoRemoveAdded);
  RlcSymbol r;
  r.x1 = x1; r.y1 = y1; r.x2 = x2; r.y2 = y2;
  r.kind = static_cast<std::uint8_t>(kind >= 0 && kind <= 2 ? kind : kRlcCapacitor);
  r.text = cutText(text);
  r.size = size;
  rlcs_.push_back(std::move(r));
  int pos = rlcCount();
  if (drawImmediately && observer_) observer_->rlcAdded(*this, pos);
  return pos;
}

int LayoutDatabase::addNode(std::string_view name) {
  if (highestNode() >= kMaxNodeIndex) {
    lastError = kErrNodeTableFull;
    return -1;
  }
  lastError = kOk;
  nodeBaseRecord n;
  int index = highestNode() + 1;
  if (name.empty()) {
    n.name = "N";
    n.name += std::to_string(index);
  } else {
    n.name = cutText(name);
  }
  nodes_.push_back(std::move(n));
  return index;
}

void LayoutDatabase::resetNodes() {
  nodes_.clear();
  nodes_.push_back({"vss", 2});
  nodes_.push_back({"vdd", 0});
}

// Two cursors: the last live entries fill the earliest holes.
template <class T, class IsDead, class Kill>
static void compactTable(std::vector<T>& table, IsDead dead, Kill kill) {
  int count = static_cast<int>(table.size()) - 1;
  if (count <= 0) return;
  int low = 1, high = count;
  while (low < high) {
    while (high > low && dead(table[static_cast<std::size_t>(high)])) --high;
    while (low < high && !dead(table[static_cast<std::size_t>(low)])) ++low;
    if (low < high) {
      table[static_cast<std::size_t>(low)] = std::move(table[static_cast<std::size_t>(high)]);
      kill(table[static_cast<std::size_t>(high)]);
      --high;
    }
  }
  int n = low;
  if (n == 1 && dead(table[1])) n = 0;
  table.resize(static_cast<std::size_t>(n) + 1);
}

void LayoutDatabase::compactBoxes() {
  noteBoxChange(1, boxCount());
  positionsMoved();
  for (std::size_t i = 1; i < boxes_.size(); ++i) {
    LayoutBox& b = boxes_[i];
    if (b.x1 >= b.x2 || b.y1 >= b.y2) b.state = 0;
  }
  compactTable(boxes_, [](const LayoutBox& b) { return b.state == 0; }, [](LayoutBox& b) { b.state = 0; });
}

void LayoutDatabase::compactLabels() {
  positionsMoved();
  compactTable(labels_, [](const LayoutLabel& l) { return l.active == 0; },
               [](LayoutLabel& l) { l.active = 0; l.pwl.reset(); });
}

void LayoutDatabase::compactAll() {
  compactLabels();
  positionsMoved();
  compactTable(rlcs_, [](const RlcSymbol& r) { return r.active == 0; }, [](RlcSymbol& r) { r.active = 0; });
  resetNodes();
  for (std::size_t i = 1; i < boxes_.size(); ++i) boxes_[i].node = -1;
  extracted = false;
}

void LayoutDatabase::clear() {
  noteBoxChange(1, boxCount());
  positionsMoved();
  boxes_.resize(1);
  labels_.resize(1);
  rlcs_.resize(1);
  resetNodes();
  modified = false;
  extracted = false;
  layerFirst_.fill(1);
  layerLast_.fill(-1);
}

void LayoutDatabase::computeBoundingBox() {
  // 64-bit accumulators: coordinates beyond any start value still count
  std::int64_t xmin = std::numeric_limits<std::int64_t>::max(), ymin = xmin;
  std::int64_t xmax = std::numeric_limits<std::int64_t>::min(), ymax = xmax;
  bool found = false;
  for (std::size_t i = 1; i < boxes_.size(); ++i) {
    const LayoutBox& b = boxes_[i];
    if (b.state == 0) continue;
    found = true;
    xmin = std::min<std::int64_t>(xmin, b.x1);
    ymin = std::min<std::int64_t>(ymin, b.y1);
    xmax = std::max<std::int64_t>(xmax, b.x2);
    ymax = std::max<std::int64_t>(ymax, b.y2);
  }
  for (std::size_t i = 1; i < labels_.size(); ++i) {
    const LayoutLabel& l = labels_[i];
    if (!l.active) continue;
    found = true;
    xmin = std::min<std::int64_t>(xmin, l.x);
    ymin = std::min<std::int64_t>(ymin, l.y);
    xmax = std::max<std::int64_t>(xmax, l.x);
    ymax = std::max<std::int64_t>(ymax, l.y);
  }
  for (std::size_t i = 1; i < rlcs_.size(); ++i) {
    const RlcSymbol& r = rlcs_[i];
    if (!r.active) continue;
    found = true;
    xmin = std::min<std::int64_t>(xmin, r.x1);
    ymin = std::min<std::int64_t>(ymin, r.y1);
    xmax = std::max<std::int64_t>(xmax, std::int64_t{r.x1} + 40);
    ymax = std::max<std::int64_t>(ymax, std::int64_t{r.y1} + 10);
  }
  if (!found) {
    bbox_ = {-15, -15, 50, 50};
    return;
  }
  auto clamp32 = [](std::int64_t v) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, std::numeric_limits<std::int32_t>::min(),
                                                              std::numeric_limits<std::int32_t>::max()));
  };
  bbox_ = {clamp32(xmin), clamp32(ymin), clamp32(xmax), clamp32(ymax)};
}

void LayoutDatabase::widenBoundingBox(const LayoutBox& b) {
  if (b.state == 0) return;
  bbox_.x1 = std::min(bbox_.x1, b.x1);
  bbox_.y1 = std::min(bbox_.y1, b.y1);
  bbox_.x2 = std::max(bbox_.x2, b.x2);
  bbox_.y2 = std::max(bbox_.y2, b.y2);
}

void LayoutDatabase::sortByLayer() {
  const int n = boxCount();
  noteBoxChange(1, n);
  positionsMoved();
  std::array<int, kLayerCount + 2> present{};
  for (int p = 1; p <= n; ++p) {
    int l = boxes_[static_cast<std::size_t>(p)].layer;
    if (l >= 1 && l <= kLayerCount) ++present[static_cast<std::size_t>(l)];
  }
  LayoutBox* b = boxes_.data();
  int a = 1;
  for (int i = 1; i <= kLayerCount; ++i) {
    layerFirst_[static_cast<std::size_t>(i)] = a;
    layerLast_[static_cast<std::size_t>(i)] = -1;
    // a pass over a layer without boxes swaps nothing
    if (present[static_cast<std::size_t>(i)] == 0) continue;
    int j = a, k = n;
    for (;;) {
      while (j <= n && b[j].layer <= i) ++j;
      if (j - 1 >= 1 && b[j - 1].layer == i) layerLast_[static_cast<std::size_t>(i)] = j - 1;
      while (k > j && b[k].layer > i) --k;
      if (j < k) {
        std::swap(b[j], b[k]);
      } else {
        break;
      }
    }
    a = std::max(a, layerLast_[static_cast<std::size_t>(i)] + 1);
  }
}

bool LayoutDatabase::boxIntersects(int pos, std::int32_t xmin, std::int32_t ymin, std::int32_t xmax,
                                   std::int32_t ymax) const {
  const LayoutBox& b = box(pos);
  return b.x1 <= xmax && b.x2 >= xmin && b.y1 <= ymax && b.y2 >= ymin;
}

bool LayoutDatabase::boxInside(int pos, std::int32_t xmin, std::int32_t ymin, std::int32_t xmax,
                               std::int32_t ymax) const {
  const LayoutBox& b = box(pos);
  return b.x1 >= xmin && b.y1 >= ymin && b.x2 <= xmax && b.y2 <= ymax;
}

bool LayoutDatabase::overlap(int a, int b, Rect& out) const {
  const LayoutBox& p = box(a);
  const LayoutBox& q = box(b);
  if (p.state == 0 || q.state == 0) return false;
  Rect r{std::max(p.x1, q.x1), std::max(p.y1, q.y1), std::min(p.x2, q.x2), std::min(p.y2, q.y2)};
  if (r.x1 > r.x2 || r.y1 > r.y2) return false;
  out = r;
  return true;
}

LayoutDatabase::BulkAdd::BulkAdd(LayoutDatabase& db) : db_(db), saved_(db.drawImmediately) {
  db_.drawImmediately = false;
}

LayoutDatabase::BulkAdd::~BulkAdd() {
  db_.drawImmediately = saved_;
  if (saved_ && db_.observer_) db_.observer_->bulkChanged(db_);
}

}  // namespace quill
