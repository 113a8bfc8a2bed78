#include "editor/MoveStep.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "editor/Duplicate.h"
#include "editor/EditOps.h"

namespace quill {

namespace {
constexpr std::int64_t kMaxCoord = std::numeric_limits<std::int32_t>::max();
constexpr std::int64_t kMinCoord = std::numeric_limits<std::int32_t>::min();
bool pointIn(std::int32_t x, std::int32_t y, const Rect& a) { return x >= a.x1 && x <= a.x2 && y >= a.y1 && y <= a.y2; }
}  // namespace

MoveStepEditor::MoveStepEditor(LayoutDatabase& db, StatusMessage& status, ToolView& view, Timer& repeat)
    : db_(db), status_(status), view_(view), repeat_(repeat) {}

int MoveStepEditor::select(Rect area) {
  area = normalised(area);
  repeat_.stop();
  int n = 0;
  for (int p = 1; p <= db_.boxCount(); ++p) {
    const LayoutBox& c = static_cast<const LayoutDatabase&>(db_).box(p);
    if (c.state == 3) db_.box(p).state = 1;
    if (c.state != 1 || db_.layers[c.layer].isProtected || !db_.boxInside(p, area.x1, area.y1, area.x2, area.y2))
      continue;
    LayoutBox& b = db_.box(p);
    b.state = 3;
    b.colour = kMarkColour;
    ++n;
  }
  // labels and symbols stay out while the option layer is protected, as in
  // the other selections
  const bool texts = !db_.layers[kOption].isProtected;
  for (int i = 1; i <= db_.labelCount(); ++i) {
    LayoutLabel& l = db_.label(i);
    if (l.active == 3) l.active = 1;
    if (texts && l.active == 1 && pointIn(l.x, l.y, area)) l.active = 3, ++n;
  }
  for (int i = 1; i <= db_.rlcCount(); ++i) {
    RlcSymbol& r = db_.rlc(i);
    if (r.active == 3) r.active = 1;
    if (texts && r.active == 1 && pointIn(r.x1, r.y1, area)) r.active = 3, ++n;
  }
  view_.redraw();
  return n;
}

bool MoveStepEditor::step(MoveDirection d) {
  const std::int64_t s = static_cast<std::int64_t>(EditStep.value);
  const std::int64_t dx = d == MoveDirection::Left ? -s : d == MoveDirection::Right ? s : 0;
  const std::int64_t dy = d == MoveDirection::Down ? -s : d == MoveDirection::Up ? s : 0;
  // the extent of what moves: nothing moves when a part would leave the plane
  std::int64_t x1 = kMaxCoord, y1 = kMaxCoord, x2 = kMinCoord, y2 = kMinCoord;
  auto grow = [&](std::int64_t ax, std::int64_t ay, std::int64_t bx, std::int64_t by) {
    x1 = std::min({x1, ax, bx}), y1 = std::min({y1, ay, by});
    x2 = std::max({x2, ax, bx}), y2 = std::max({y2, ay, by});
  };
  const LayoutDatabase& cdb = db_;
  for (int p = 1; p <= cdb.boxCount(); ++p)
    if (cdb.box(p).state == 3) grow(cdb.box(p).x1, cdb.box(p).y1, cdb.box(p).x2, cdb.box(p).y2);
  for (int i = 1; i <= cdb.labelCount(); ++i)
    if (cdb.label(i).active == 3) grow(cdb.label(i).x, cdb.label(i).y, cdb.label(i).x, cdb.label(i).y);
  for (int i = 1; i <= cdb.rlcCount(); ++i)
    if (cdb.rlc(i).active == 3) grow(cdb.rlc(i).x1, cdb.rlc(i).y1, cdb.rlc(i).x2, cdb.rlc(i).y2);
  if (x1 > x2) {
    repeat_.stop();
    return false;
  }
  if (x1 + dx < kMinCoord || x2 + dx > kMaxCoord || y1 + dy < kMinCoord || y2 + dy > kMaxCoord) {
    repeat_.stop();
    show("Move refused: the elements would leave the layout's coordinates");
    return false;
  }
  const std::int32_t mx = static_cast<std::int32_t>(dx), my = static_cast<std::int32_t>(dy);
  for (int p = 1; p <= db_.boxCount(); ++p) {
    if (cdb.box(p).state != 3) continue;
    LayoutBox& b = db_.box(p);
    b.x1 += mx, b.x2 += mx, b.y1 += my, b.y2 += my;
  }
  for (int i = 1; i <= db_.labelCount(); ++i) {
    LayoutLabel& l = db_.label(i);
    if (l.active == 3) l.x += mx, l.y += my;
  }
  for (int i = 1; i <= db_.rlcCount(); ++i) {
    RlcSymbol& r = db_.rlc(i);
    if (r.active == 3) r.x1 += mx, r.x2 += mx, r.y1 += my, r.y2 += my;
  }
  // a moved layout must be saved, and extracted again before a simulation
  db_.modified = true;
  db_.extracted = false;
  view_.redraw();
  return true;
}

void MoveStepEditor::arrowDown(MoveDirection d) {
  EditStep.read();
  EditStep.set(EditStep.value);
  repeat_.stop();
  if (!step(d)) return;
  repeat_.start(kRepeatMs, [this, d] { step(d); });
}

void MoveStepEditor::arrowUp() { repeat_.stop(); }

void MoveStepEditor::sbFinishClick() {
  repeat_.stop();
  const bool wasOpen = open_;
  open_ = false;
  for (int i = 1; i <= db_.rlcCount(); ++i)
    if (db_.rlc(i).active > 1) db_.rlc(i).active = 1;
  if (frame_) {
    frame_->unselectAll();
  } else {
    unmarkAll(db_);
    view_.redraw();
  }
  if (wasOpen && closeWindow) closeWindow();
}

void MoveStepEditor::release(FrameController& f, LambdaPoint a, LambdaPoint b) {
  frame_ = &f;
  const int n = select({a.x, a.y, b.x, b.y});
  if (n == 0) {
    show("No box selected to move. Try again...");
    return;
  }
  show("Use the arrows to move the " + std::to_string(n) + " boxes and text with a lambda step.");
  open_ = true;
  if (showWindow) showWindow();
}

}  // namespace quill
