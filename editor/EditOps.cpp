#include "editor/EditOps.h"

#include <algorithm>
#include <array>
#include <limits>

#include "core/Text.h"

namespace quill {

Rect normalised(Rect r) {
  return {std::min(r.x1, r.x2), std::min(r.y1, r.y2), std::max(r.x1, r.x2), std::max(r.y1, r.y2)};
}

namespace {
bool inside(const LayoutBox& b, const Rect& a) { return b.x1 >= a.x1 && b.y1 >= a.y1 && b.x2 <= a.x2 && b.y2 <= a.y2; }
bool pointIn(std::int32_t x, std::int32_t y, const Rect& a) { return x >= a.x1 && x <= a.x2 && y >= a.y1 && y <= a.y2; }
bool touches(const LayoutBox& b, const Rect& a) { return b.x1 <= a.x2 && b.x2 >= a.x1 && b.y1 <= a.y2 && b.y2 >= a.y1; }
std::int32_t clamp32(std::int64_t v) {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, std::numeric_limits<std::int32_t>::min(),
                                                            std::numeric_limits<std::int32_t>::max()));
}
const LayoutBox& cbox(const LayoutDatabase& db, int p) { return db.box(p); }

int boxesInState(const LayoutDatabase& db, int state) {
  int n = 0;
  for (int p = 1; p <= db.boxCount(); ++p) n += cbox(db, p).state == state;
  return n;
}

// a copy of b shifted by (dx, dy), kept on the grid's range
int addShifted(LayoutDatabase& db, const LayoutBox& b, std::int32_t dx, std::int32_t dy) {
  return db.addBox(clamp32(std::int64_t{b.x1} + dx), clamp32(std::int64_t{b.y1} + dy),
                   clamp32(std::int64_t{b.x2} + dx), clamp32(std::int64_t{b.y2} + dy), b.layer);
}

// Rotate and flip move corners and points alike; f maps one point in place.
template <class F>
int transformInArea(LayoutDatabase& db, const Rect& area, F&& f) {
  int n = 0;
  for (int p = 1; p <= db.boxCount(); ++p) {
    const LayoutBox& c = cbox(db, p);
    if (c.state != 1 || db.layers[c.layer].isProtected || !inside(c, area)) continue;
    LayoutBox& b = db.box(p);
    f(b.x1, b.y1);
    f(b.x2, b.y2);
    if (b.x1 > b.x2) std::swap(b.x1, b.x2);
    if (b.y1 > b.y2) std::swap(b.y1, b.y2);
    ++n;
  }
  for (int i = 1; i <= db.labelCount(); ++i) {
    LayoutLabel& l = db.label(i);
    if (l.active && pointIn(l.x, l.y, area)) f(l.x, l.y), ++n;
  }
  for (int i = 1; i <= db.rlcCount(); ++i) {
    RlcSymbol& r = db.rlc(i);
    if (r.active && pointIn(r.x1, r.y1, area)) f(r.x1, r.y1), f(r.x2, r.y2), ++n;
  }
  return n;
}
}  // namespace

void EditOperations::changed() {
  db_.modified = true;
  db_.extracted = false;
  if (redraw) redraw();
}

std::string EditOperations::microns(std::int64_t lambda) const { return F(double(lambda) * tech_.lambda, 5, 3); }

bool EditOperations::boxEditable(int p) const {
  const LayoutBox& b = cbox(db_, p);
  return b.state != 0 && !db_.layers[b.layer].isProtected;
}

void EditOperations::compactTables() {
  db_.compactBoxes();
  db_.compactAll();
}

void EditOperations::storeBox(Rect area) {
  area = normalised(area);
  db_.lastError = kOk;
  // a click only asks what lies there: the undo of the last store stays
  if (area.x1 == area.x2 || area.y1 == area.y2) {
    std::array<int, kLayerCount + 1> count{};
    for (int p = 1; p <= db_.boxCount(); ++p) {
      const LayoutBox& b = cbox(db_, p);
      if (b.state != 0 && pointIn(area.x1, area.y1, {b.x1, b.y1, b.x2, b.y2})) ++count[b.layer];
    }
    std::string t = "Cursor at location (" + std::to_string(area.x1) + "," + std::to_string(area.y1) + ") ";
    for (int l = 1; l <= kLayerCount; ++l)
      if (count[static_cast<std::size_t>(l)]) t += "," + db_.layers[l].name;
    show(t);
    return;
  }
  const int layer = db_.currentLayer;
  db_.setUndoMarks(kUndoRemoveAdded);
  if (!db_.addBox(area.x1, area.y1, area.x2, area.y2, layer)) {
    show("Warning : box data base full ...");
    return;
  }
  changed();
  const std::int64_t w = std::int64_t{area.x2} - area.x1, h = std::int64_t{area.y2} - area.y1;
  show("Store a " + db_.layers[layer].name + " box with size " + std::to_string(w) + " x " + std::to_string(h) +
       " lambda (" + microns(w) + " x " + microns(h) + " \xB5m)");
}

int EditOperations::deleteInArea(Rect area, int dragPixels, const ToScreen& toScreen) {
  area = normalised(area);
  db_.setUndoMarks(kUndoRestoreDeleted);
  compactTables();
  for (int p = 1; p <= db_.boxCount(); ++p)
    if (cbox(db_, p).state == 2) db_.box(p).state = 1;
  db_.lastError = kOk;
  int removed = 0;
  std::string name;

  if (!db_.layers[kOption].isProtected) {
    int ax = 0, ay = 0;
    if (toScreen) toScreen(area.x1, area.y1, ax, ay);
    auto textHit = [&](std::int32_t x, std::int32_t y, std::size_t chars) {
      if (pointIn(x, y, area)) return true;
      if (!toScreen) return false;
      int sx = 0, sy = 0;
      toScreen(x, y, sx, sy);
      return ax >= sx && ax <= sx + 8 * static_cast<int>(chars) + 8 && ay >= sy && ay <= sy + 18;
    };
    for (int i = 1; i <= db_.labelCount(); ++i) {
      LayoutLabel& l = db_.label(i);
      if (!l.active || !textHit(l.x, l.y, l.text.size())) continue;
      l.active = 0;
      ++removed;
      name = "text";
    }
    for (int i = 1; i <= db_.rlcCount(); ++i) {
      RlcSymbol& r = db_.rlc(i);
      if (!r.active || !textHit(r.x1, r.y1, r.text.size())) continue;
      r.active = 0;
      ++removed;
      name = "symbol";
    }
  }
  if (!(removed > 0 && dragPixels <= 10)) {
    std::vector<int> candidates;
    int topLayer = 0;
    const int n = db_.boxCount();
    for (int p = 1; p <= n; ++p) {
      if (!boxEditable(p)) continue;
      const LayoutBox b = cbox(db_, p);
      if (!touches(b, area)) continue;
      if (inside(b, area)) {
        candidates.push_back(p);
        topLayer = std::max<int>(topLayer, b.layer);
        continue;
      }
      const std::int32_t cx1 = std::max(b.x1, area.x1), cy1 = std::max(b.y1, area.y1);
      const std::int32_t cx2 = std::min(b.x2, area.x2), cy2 = std::min(b.y2, area.y2);
      // a box that only touches the area along an edge loses nothing
      if (cx1 >= cx2 || cy1 >= cy2) continue;
      // the pieces keep the box's value (option flags, floating-gate charge)
      auto piece = [&](std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2) {
        if (int q = db_.addBox(x1, y1, x2, y2, b.layer)) db_.box(q).value = b.value;
      };
      if (b.x1 < cx1) piece(b.x1, b.y1, cx1, b.y2);
      if (b.y1 < cy1) piece(cx1, b.y1, cx2, cy1);
      if (cx2 < b.x2) piece(cx2, b.y1, b.x2, b.y2);
      if (cy2 < b.y2) piece(cx1, cy2, cx2, b.y2);
      LayoutBox& w = db_.box(p);
      w.x1 = cx1;
      w.y1 = cy1;
      w.x2 = cx2;
      w.y2 = cy2;
      w.state = 0;  // undo gives back exactly the part removed
      ++removed;
      name = db_.layers[b.layer].name;
    }
    for (int p : candidates) {
      if (cbox(db_, p).layer != topLayer) continue;
      db_.box(p).state = 0;
      ++removed;
      name = db_.layers[topLayer].name;
    }
  }
  db_.modified = true;
  db_.extracted = false;
  if (db_.lastError == kErrBoxTableFull) show("Warning : box data base full ...");
  else if (removed == 1) show("Killed " + name + " box");
  else if (removed > 1) show(std::to_string(removed) + " box(es) killed");
  else show("Nothing to erase here...");
  db_.undoKind = kUndoRestoreDeleted;
  if (redraw) redraw();
  return removed;
}

void EditOperations::deleteOneBox(int position) {
  if (position < 1 || position > db_.boxCount()) return;
  db_.box(position).state = 0;
  db_.undoKind = kUndoRestoreDeleted;
  changed();
}

void EditOperations::resetSelection() {
  extent_ = {};
  extentEmpty_ = true;
  outlines_.clear();
  outlineSet_.clear();
}

void EditOperations::grow(const Rect& r) {
  if (extentEmpty_) {
    extent_ = r;
    extentEmpty_ = false;
    return;
  }
  extent_ = {std::min(extent_.x1, r.x1), std::min(extent_.y1, r.y1), std::max(extent_.x2, r.x2),
             std::max(extent_.y2, r.y2)};
}

void EditOperations::outline(const Rect& r) {
  if (outlines_.size() >= 1000) return;
  if (outlineSet_.insert({r.x1, r.y1, r.x2, r.y2}).second) outlines_.push_back(r);
}

int EditOperations::select(Rect area, bool forMove) {
  area = normalised(area);
  resetSelection();
  int n = 0;
  for (int p = 1; p <= db_.boxCount(); ++p) {
    if (!boxEditable(p) || !inside(cbox(db_, p), area)) continue;
    LayoutBox& b = db_.box(p);
    b.state = 2;
    grow({b.x1, b.y1, b.x2, b.y2});
    outline({b.x1, b.y1, b.x2, b.y2});
    ++n;
  }
  if (db_.layers[kOption].isProtected) return n;
  for (int i = 1; i <= db_.labelCount(); ++i) {
    LayoutLabel& l = db_.label(i);
    if (!l.active) continue;
    if (pointIn(l.x, l.y, area)) {
      l.active = 2;
      const int o = forMove ? 2 : 1;
      grow({l.x - 2, l.y - 2, l.x + 2, l.y + 2});
      outline({l.x - o, l.y - o, l.x + o, l.y + o});
      ++n;
    } else {
      l.active = 1;
    }
  }
  for (int i = 1; i <= db_.rlcCount(); ++i) {
    RlcSymbol& r = db_.rlc(i);
    if (!r.active) continue;
    if (pointIn(r.x1, r.y1, area)) {
      r.active = 2;
      const int o = forMove ? 2 : 1;
      grow(forMove ? normalised({r.x1 - 2, r.y1 - 2, r.x2 + 2, r.y2 + 2}) : normalised({r.x1 - 2, r.y1 - 2, r.x2 + 2, r.y1 + 2}));
      outline(normalised({r.x1 - o, r.y1 - o, r.x2 + o, r.y2 + o}));
      ++n;
    } else {
      r.active = 1;
    }
  }
  return n;
}

int EditOperations::selectForCopy(Rect area) {
  compactTables();
  const int n = select(area, false);
  if (n == 0) {
    show("Warning : no element selected");
    return 0;
  }
  show(std::to_string(n) + " element(s) selected (area " + std::to_string(std::int64_t{extent_.x2} - extent_.x1) +
       " x " + std::to_string(std::int64_t{extent_.y2} - extent_.y1) + " lambda )");
  return n;
}

bool EditOperations::roomFor(int boxes) {
  if (std::int64_t{db_.boxCount()} + boxes <= kMaxBoxes) return true;
  show("Warning : box data base full ...");
  return false;
}

void EditOperations::copy(std::int32_t dx, std::int32_t dy) {
  if (!roomFor(boxesInState(db_, 2))) return;
  db_.setUndoMarks(kUndoRemoveAdded);
  int n = 0;
  const int nb = db_.boxCount(), nl = db_.labelCount(), nr = db_.rlcCount();
  for (int p = 1; p <= nb; ++p) {
    if (cbox(db_, p).state != 2) continue;
    db_.box(p).state = 1;
    const LayoutBox b = cbox(db_, p);
    int q = addShifted(db_, b, dx, dy);
    if (q) {
      db_.box(q).value = b.value;
      ++n;
    }
  }
  for (int i = 1; i <= nl; ++i) {
    if (db_.label(i).active != 2) continue;
    db_.label(i).active = 1;
    const LayoutLabel& l = db_.label(i);
    int q = db_.addLabel(clamp32(std::int64_t{l.x} + dx), clamp32(std::int64_t{l.y} + dy), std::string(l.text));
    if (q) {
      db_.copyLabelProperties(i, q);
      ++n;
    }
  }
  for (int i = 1; i <= nr; ++i) {
    if (db_.rlc(i).active != 2) continue;
    db_.rlc(i).active = 1;
    const RlcSymbol r = db_.rlc(i);
    int undo = db_.undoKind, bm = db_.undoBoxMark, lm = db_.undoLabelMark, rm = db_.undoRlcMark;
    if (db_.addRlc(clamp32(std::int64_t{r.x1} + dx), clamp32(std::int64_t{r.y1} + dy), clamp32(std::int64_t{r.x2} + dx),
                   clamp32(std::int64_t{r.y2} + dy), r.kind, r.text, r.size))
      ++n;
    db_.undoKind = undo, db_.undoBoxMark = bm, db_.undoLabelMark = lm, db_.undoRlcMark = rm;
  }
  show(std::to_string(n) + " elements copied.");
  db_.undoKind = kUndoRemoveAdded;
  changed();
}

static bool borderHit(const LayoutBox& b, const Rect& a, StretchSide& side) {
  auto spanY = [&] { return (a.y1 <= b.y1 && b.y2 <= a.y2) || (b.y1 <= a.y1 && a.y2 <= b.y2); };
  auto spanX = [&] { return (a.x1 <= b.x1 && b.x2 <= a.x2) || (b.x1 <= a.x1 && a.x2 <= b.x2); };
  if ((a.x1 <= b.x2 && b.x2 <= a.x2 && spanY()) || b.x2 == a.x1 || b.x2 == a.x2) return side = StretchSide::East, true;
  if ((a.x1 <= b.x1 && b.x1 <= a.x2 && spanY()) || b.x1 == a.x1 || b.x1 == a.x2) return side = StretchSide::West, true;
  if ((a.y1 <= b.y2 && b.y2 <= a.y2 && spanX()) || b.y2 == a.y1 || b.y2 == a.y2) return side = StretchSide::North, true;
  if ((a.y1 <= b.y1 && b.y1 <= a.y2 && spanX()) || b.y1 == a.y1 || b.y1 == a.y2) return side = StretchSide::South, true;
  return false;
}

EditOperations::MoveSelection EditOperations::selectForMove(Rect area) {
  area = normalised(area);
  MoveSelection r;
  stretchBox_ = 0;
  stretchSide_ = StretchSide::None;
  compactTables();
  db_.sortByLayer();
  db_.undoKind = kUndoNone;
  const int n = select(area, true);
  if (n > 0) {
    for (int p = 1; p <= db_.boxCount(); ++p)
      if (cbox(db_, p).state == 2) db_.box(p).state = 0, ++r.boxes;
    for (int i = 1; i <= db_.labelCount(); ++i)
      if (db_.label(i).active == 2) db_.label(i).active = 0, ++r.labels;
    for (int i = 1; i <= db_.rlcCount(); ++i)
      if (db_.rlc(i).active == 2) db_.rlc(i).active = 0, ++r.labels;
    changed();
    show(std::to_string(r.boxes) + " boxes, " + std::to_string(r.labels) + " label to move ...");
    return r;
  }
  for (int p = db_.boxCount(); p >= 1; --p) {
    if (!boxEditable(p) || !touches(cbox(db_, p), area)) continue;
    StretchSide side;
    if (!borderHit(cbox(db_, p), area, side)) continue;
    const LayoutBox& b = cbox(db_, p);
    stretchBox_ = p;
    stretchSide_ = side;
    stretchSaved_ = {b.x1, b.y1, b.x2, b.y2};
    stretchGeneration_ = db_.tableGeneration();
    db_.undoKind = kUndoStretch;
    const char* dir = side == StretchSide::East ? "east" : side == StretchSide::West ? "west"
                      : side == StretchSide::North ? "north" : "south";
    show(db_.layers[b.layer].name + " box (" + microns(std::int64_t{b.x2} - b.x1) + "x" +
         microns(std::int64_t{b.y2} - b.y1) + " \xB5m)  stretched " + dir + "...");
    r.stretch = side;
    r.stretchBox = p;
    return r;
  }
  show("No box or text selected");
  return r;
}

void EditOperations::move(std::int32_t dx, std::int32_t dy) {
  if (!roomFor(boxesInState(db_, 0))) return;
  db_.setUndoMarks(kUndoMovePaste);
  int n = 0;
  const int nb = db_.boxCount(), nl = db_.labelCount(), nr = db_.rlcCount();
  for (int p = 1; p <= nb; ++p) {
    const LayoutBox b = cbox(db_, p);
    if (b.state != 0) continue;
    int q = addShifted(db_, b, dx, dy);
    if (q) {
      db_.box(q).value = b.value;
      ++n;
    }
  }
  for (int i = 1; i <= nl; ++i) {
    if (db_.label(i).active) continue;
    const LayoutLabel src = db_.label(i);
    int q = db_.addLabel(clamp32(std::int64_t{src.x} + dx), clamp32(std::int64_t{src.y} + dy), src.text);
    if (!q) continue;
    LayoutLabel& l = db_.label(q);
    l.kind = src.kind;
    l.visibleInSimulation = src.visibleInSimulation;
    l.level1 = src.level1;
    l.level0 = src.level0;
    l.param = src.param;
    if (src.pwl) l.pwl = std::make_unique<PwlTable>(*src.pwl);
  }
  for (int i = 1; i <= nr; ++i) {
    if (db_.rlc(i).active) continue;
    const RlcSymbol r = db_.rlc(i);
    if (db_.addRlc(clamp32(std::int64_t{r.x1} + dx), clamp32(std::int64_t{r.y1} + dy), clamp32(std::int64_t{r.x2} + dx),
                   clamp32(std::int64_t{r.y2} + dy), r.kind, r.text, r.size))
      ++n;
  }
  db_.undoKind = kUndoMovePaste;
  db_.undoBoxMark = nb;
  db_.undoLabelMark = nl;
  db_.undoRlcMark = nr;
  show(std::to_string(n) + " elements moved.");
  changed();
}

int EditOperations::stretchTarget() const {
  // a compaction or sort since the pick moved the box away from its position
  return db_.tableGeneration() == stretchGeneration_ ? stretchBox_ : 0;
}

void EditOperations::stretch(std::int32_t dx, std::int32_t dy) {
  if (stretchTarget() < 1 || stretchBox_ > db_.boxCount()) return;
  LayoutBox& b = db_.box(stretchBox_);
  switch (stretchSide_) {
    case StretchSide::East: b.x2 = clamp32(std::int64_t{b.x2} + dx); break;
    case StretchSide::West: b.x1 = clamp32(std::int64_t{b.x1} + dx); break;
    case StretchSide::North: b.y2 = clamp32(std::int64_t{b.y2} + dy); break;
    case StretchSide::South: b.y1 = clamp32(std::int64_t{b.y1} + dy); break;
    case StretchSide::None: return;
  }
  if (b.x1 > b.x2) std::swap(b.x1, b.x2);
  if (b.y1 > b.y2) std::swap(b.y1, b.y2);
  changed();
}

int EditOperations::pasteSource() {
  resetSelection();
  int n = 0;
  for (int p = 1; p <= db_.boxCount(); ++p) {
    const LayoutBox& b = cbox(db_, p);
    if (b.state != 0) continue;
    grow({b.x1, b.y1, b.x2, b.y2});
    ++n;
  }
  for (int i = 1; i <= db_.labelCount(); ++i) {
    const LayoutLabel& l = db_.label(i);
    if (l.active) continue;
    grow({l.x - 2, l.y - 3, l.x + 10, l.y + 3});
    ++n;
  }
  for (int i = 1; i <= db_.rlcCount(); ++i) {
    const RlcSymbol& r = db_.rlc(i);
    if (r.active) continue;
    grow(normalised({r.x1 - 2, r.y1 - 3, r.x2 + 2, r.y2 + 3}));
    ++n;
  }
  return n;
}

int EditOperations::preparePaste(Rect& extent) {
  const int n = pasteSource();
  if (n == 0) {
    show("Warning : no element selected");
    return 0;
  }
  extent = extent_;
  show(std::to_string(n) + " element(s) selected (area " + std::to_string(std::int64_t{extent_.x2} - extent_.x1) +
       " x " + std::to_string(std::int64_t{extent_.y2} - extent_.y1) + " lambda )");
  return n;
}

void EditOperations::paste(std::int32_t px, std::int32_t py) {
  if (pasteSource() == 0) {
    show("Warning : no element selected");
    return;
  }
  if (!roomFor(boxesInState(db_, 0))) return;
  const std::int64_t dx = std::int64_t{px} - extent_.x2, dy = std::int64_t{py} - extent_.y1;
  const int nb = db_.boxCount(), nl = db_.labelCount(), nr = db_.rlcCount();
  int n = 0;
  for (int p = 1; p <= nb; ++p) {
    const LayoutBox b = cbox(db_, p);
    if (b.state != 0) continue;
    int q = db_.addBox(clamp32(b.x1 + dx), clamp32(b.y1 + dy), clamp32(b.x2 + dx), clamp32(b.y2 + dy), b.layer);
    if (q) {
      db_.box(q).value = b.value;
      ++n;
    }
  }
  for (int i = 1; i <= nl; ++i) {
    if (db_.label(i).active) continue;
    const LayoutLabel& l = db_.label(i);
    if (db_.addLabel(clamp32(l.x + dx), clamp32(l.y + dy), std::string(l.text))) ++n;  // a plain name
  }
  for (int i = 1; i <= nr; ++i) {
    if (db_.rlc(i).active) continue;
    const RlcSymbol r = db_.rlc(i);
    if (db_.addRlc(clamp32(r.x1 + dx), clamp32(r.y1 + dy), clamp32(r.x2 + dx), clamp32(r.y2 + dy), r.kind, r.text,
                   r.size))
      ++n;
  }
  db_.undoKind = kUndoMovePaste;
  db_.undoBoxMark = nb;
  db_.undoLabelMark = nl;
  db_.undoRlcMark = nr;
  show(std::to_string(n) + " elements moved.");
  changed();
}

void EditOperations::rotate(Rect area, bool plus90) {
  area = normalised(area);
  const std::int64_t cx = divTrunc(std::int64_t{area.x1} + area.x2, 2), cy = divTrunc(std::int64_t{area.y1} + area.y2, 2);
  auto turn = [&](std::int32_t& x, std::int32_t& y) {
    const std::int64_t ox = x, oy = y;
    x = clamp32(plus90 ? cx - (oy - cy) : cx + (oy - cy));
    y = clamp32(plus90 ? cy + (ox - cx) : cy - (ox - cx));
  };
  const int n = transformInArea(db_, area, turn);
  show("Rotate " + std::to_string(n) + " elements.");
  if (n) changed();
  else if (redraw) redraw();
}

void EditOperations::flip(Rect area, bool horizontal) {
  area = normalised(area);
  const std::int64_t cx = divTrunc(std::int64_t{area.x1} + area.x2, 2), cy = divTrunc(std::int64_t{area.y1} + area.y2, 2);
  auto mirror = [&](std::int32_t& x, std::int32_t& y) {
    if (horizontal) x = clamp32(2 * cx - x);
    else y = clamp32(2 * cy - y);
  };
  const int n = transformInArea(db_, area, mirror);
  show(std::string(horizontal ? "Flip horizontal " : "Flip vertical ") + std::to_string(n) + " elements.");
  if (n) changed();
  else if (redraw) redraw();
}

void EditOperations::invertDiffusion(Rect area) {
  area = normalised(area);
  int n = 0;
  for (int p = 1; p <= db_.boxCount(); ++p) {
    const LayoutBox& c = cbox(db_, p);
    if (c.state != 1 || db_.layers[c.layer].isProtected || !inside(c, area)) continue;
    if (c.layer != kDiffn && c.layer != kDiffp) continue;
    LayoutBox& b = db_.box(p);
    b.layer = static_cast<std::uint8_t>(b.layer == kDiffn ? kDiffp : kDiffn);
    ++n;
  }
  if (n == 0) {
    show("No diffusion included or diff protected...");
    return;
  }
  show("Invert diffusion of " + std::to_string(n) + " elements.");
  changed();
}

void EditOperations::verticalShift(std::int32_t a, std::int32_t lower, std::int32_t upper) {
  if (a == 0) return;
  for (int p = 1; p <= db_.boxCount(); ++p) {
    const LayoutBox& c = cbox(db_, p);
    if (c.state == 0) continue;
    LayoutBox& b = db_.box(p);
    if (b.y1 < lower && b.y2 > upper) {
      if (a > 0) b.y2 = clamp32(std::int64_t{b.y2} + a);
      else b.y1 = clamp32(std::int64_t{b.y1} + a);
    } else if ((a > 0 && b.y2 > upper) || (a < 0 && b.y1 < lower)) {
      b.y1 = clamp32(std::int64_t{b.y1} + a);
      b.y2 = clamp32(std::int64_t{b.y2} + a);
    }
  }
  for (int i = 1; i <= db_.labelCount(); ++i) {
    LayoutLabel& l = db_.label(i);
    if (l.active && ((a > 0 && l.y > upper) || (a < 0 && l.y < lower))) l.y = clamp32(std::int64_t{l.y} + a);
  }
  for (int i = 1; i <= db_.rlcCount(); ++i) {
    RlcSymbol& r = db_.rlc(i);
    if (r.active && ((a > 0 && r.y1 > upper) || (a < 0 && r.y1 < lower))) {
      r.y1 = clamp32(std::int64_t{r.y1} + a);
      r.y2 = clamp32(std::int64_t{r.y2} + a);
    }
  }
  db_.extracted = false;
}

namespace {
bool conductor(int layer) {
  switch (layer) {
    case kDiffp: case kDiffn: case kPoly2: case kPoly: case kMetal: case kMetal2: case kMetal3: case kMetal4:
    case kMetal5: case kMetal6:
      return true;
    default: return false;
  }
}
}  // namespace

void EditOperations::connectLayers(Rect area) {
  area = normalised(area);
  int lo = 0, hi = 0;
  for (int p = 1; p <= db_.boxCount(); ++p) {
    if (!boxEditable(p)) continue;
    const LayoutBox& b = cbox(db_, p);
    if (!conductor(b.layer) || !touches(b, area)) continue;
    lo = lo ? std::min<int>(lo, b.layer) : b.layer;
    hi = std::max<int>(hi, b.layer);
  }
  if (!lo) {
    show("No layout at that location. Try again.");
    return;
  }
  const std::int64_t w = std::int64_t{area.x2} - area.x1, h = std::int64_t{area.y2} - area.y1;
  std::vector<CutArray> arrays;
  bool pitchOk = true;
  auto add = [&](int kind, int cutRule, int spaceRule) {
    const std::int64_t pitch = std::int64_t{tech_.rule(cutRule)} + tech_.rule(spaceRule);
    if (pitch <= 0) {
      pitchOk = false;
      return;
    }
    auto count = [pitch](std::int64_t extent) {
      return std::max<std::int64_t>(1, static_cast<std::int64_t>(roundHalfEven(double(extent) / double(pitch))));
    };
    arrays.push_back({area.x1, area.y1, count(w), count(h), kind});
  };
  if (lo == kDiffp || lo == kDiffn || lo == kPoly) add(lo, R401, R402);
  else if (lo == kPoly2) add(kPoly2, R311, R312);
  if (hi >= kMetal2 && lo <= kMetal) add(kMetal2, R601, R602);
  if (hi >= kMetal3 && lo <= kMetal2) add(kMetal3, R801, R802);
  if (hi >= kMetal4 && lo <= kMetal3) add(kMetal4, RA01, RA02);
  if (hi >= kMetal5 && lo <= kMetal4) add(kMetal5, RC01, RC02);
  if (hi >= kMetal6 && lo <= kMetal5) add(kMetal6, RE01, RE02);
  // one metal level alone has nothing to join; an array without a pitch
  // cannot be laid out, and half a connection would be reported as made
  if (arrays.empty() || !pitchOk) {
    show("Two different layers should be at that location. Try again.");
    return;
  }
  if (!cutArrays) {
    show("Connect layers is not available");
    return;
  }
  const int nb = db_.boxCount(), nl = db_.labelCount(), nr = db_.rlcCount();
  std::string refusal;
  if (!cutArrays(arrays, refusal)) {
    show(refusal);
    return;
  }
  db_.undoKind = kUndoRemoveAdded;
  db_.undoBoxMark = nb;
  db_.undoLabelMark = nl;
  db_.undoRlcMark = nr;
  show("Contact created from " + db_.layers[lo].name + " to " + db_.layers[hi].name);
  changed();
}

void EditOperations::undo() {
  switch (db_.undoKind) {
    case kUndoNone:
      show("Sorry, no undo available...");
      return;
    case kUndoRemoveAdded:
      for (int p = db_.undoBoxMark + 1; p <= db_.boxCount(); ++p) db_.box(p).state = 0;
      for (int i = db_.undoLabelMark + 1; i <= db_.labelCount(); ++i) db_.label(i).active = 0;
      for (int i = db_.undoRlcMark + 1; i <= db_.rlcCount(); ++i) db_.rlc(i).active = 0;
      break;
    case kUndoRestoreDeleted:
      for (int p = 1; p <= db_.boxCount(); ++p)
        if (cbox(db_, p).state == 0) db_.box(p).state = 1;
      for (int i = 1; i <= db_.labelCount(); ++i)
        if (!db_.label(i).active) db_.label(i).active = 1;
      for (int i = 1; i <= db_.rlcCount(); ++i)
        if (!db_.rlc(i).active) db_.rlc(i).active = 1;
      break;
    case kUndoStretch:
      if (stretchTarget() >= 1 && stretchBox_ <= db_.boxCount()) {
        LayoutBox& b = db_.box(stretchBox_);
        b.x1 = stretchSaved_.x1;
        b.y1 = stretchSaved_.y1;
        b.x2 = stretchSaved_.x2;
        b.y2 = stretchSaved_.y2;
      }
      break;
    case kUndoLastLabel:
      if (db_.labelCount() > 0) db_.label(db_.labelCount()).active = 0;
      db_.compactLabels();
      break;
    case kUndoMovePaste:
      for (int p = 1; p <= db_.boxCount(); ++p) db_.box(p).state = p <= db_.undoBoxMark ? (cbox(db_, p).state == 0 ? 1 : cbox(db_, p).state) : 0;
      for (int i = 1; i <= db_.labelCount(); ++i)
        db_.label(i).active = i <= db_.undoLabelMark ? (db_.label(i).active ? db_.label(i).active : 1) : 0;
      for (int i = 1; i <= db_.rlcCount(); ++i)
        db_.rlc(i).active = i <= db_.undoRlcMark ? (db_.rlc(i).active ? db_.rlc(i).active : 1) : 0;
      break;
    default:
      break;
  }
  db_.undoKind = kUndoNone;
  changed();
}

}  // namespace quill
