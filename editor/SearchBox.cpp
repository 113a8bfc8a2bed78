#include "editor/SearchBox.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "core/ParseValue.h"
#include "core/Text.h"
#include "editor/Duplicate.h"
#include "editor/Generator.h"

namespace quill {

namespace {
constexpr std::int64_t kMaxCoord = std::numeric_limits<std::int32_t>::max();
constexpr std::int64_t kMinCoord = std::numeric_limits<std::int32_t>::min();
std::int32_t clamp32(std::int64_t v) { return static_cast<std::int32_t>(std::clamp(v, kMinCoord, kMaxCoord)); }
bool sameBox(const LayoutBox& a, const LayoutBox& b) {
  return a.x1 == b.x1 && a.y1 == b.y1 && a.x2 == b.x2 && a.y2 == b.y2 && a.layer == b.layer;
}
}  // namespace

BoxSearch::BoxSearch(LayoutDatabase& db, const TechnologyRules& tech, StatusMessage& status, ToolView& view)
    : db_(db), tech_(tech), status_(status), view_(view) {}

std::vector<std::string> BoxSearch::layerNames() const {
  std::vector<std::string> v;
  const int top = metalLayer(topMetalLevel(tech_));
  for (int l = 1; l <= top; ++l) v.push_back(db_.layers[l].name);
  return v;
}

int BoxSearch::found() const {
  if (found_ < 1 || found_ > db_.boxCount() || foundGeneration_ != db_.tableGeneration()) return 0;
  const LayoutBox& b = static_cast<const LayoutDatabase&>(db_).box(found_);
  return b.state != 0 && sameBox(b, foundBox_) ? found_ : 0;
}

bool BoxSearch::matches(const LayoutBox& b, int layer, std::int64_t s) const {
  if (b.state == 0 || b.layer != layer || db_.layers[b.layer].isProtected) return false;
  const std::int64_t w = std::int64_t{b.x2} - b.x1, h = std::int64_t{b.y2} - b.y1;
  switch (RadioConstraints) {
    case kSizeLess: return w < s || h < s;
    case kSizeEqual: return w == s || h == s;
    case kSizeGreater: return w > s || h > s;
    default: return true;
  }
}

void BoxSearch::unhighlight() {
  if (!highlighted_) return;
  highlighted_ = false;
  if (const int p = found(); p && static_cast<const LayoutDatabase&>(db_).box(p).state == 3) db_.box(p).state = 1;
}

bool BoxSearch::findNext(bool report) {
  const int layer = std::clamp(ListLayers, 0, kLayerCount - 1) + 1;
  const std::int64_t s = static_cast<std::int64_t>(EditSize.value);
  const int from = found() ? found_ + 1 : 1;
  unhighlight();
  const LayoutDatabase& cdb = db_;
  for (int p = from; p <= cdb.boxCount(); ++p) {
    const LayoutBox& b = cdb.box(p);
    if (!matches(b, layer, s)) continue;
    found_ = p;
    foundBox_ = b;
    foundGeneration_ = db_.tableGeneration();
    const std::int64_t w = std::int64_t{b.x2} - b.x1, h = std::int64_t{b.y2} - b.y1;
    if (CheckShow) {
      const std::int64_t cx = (std::int64_t{b.x1} + b.x2) / 2, cy = (std::int64_t{b.y1} + b.y2) / 2;
      db_.box(p).state = 3;
      db_.box(p).colour = kMarkColour;
      highlighted_ = true;
      view_.setView({clamp32(cx - 40), clamp32(cy - 40), clamp32(cx + 40), clamp32(cy + 40)});
    }
    if (report)
      show("Found " + db_.layers[b.layer].name + " box width " + std::to_string(w) + ", height " + std::to_string(h) +
           " lambda (" + F(double(w) * tech_.lambda, 5, 3) + "x" + F(double(h) * tech_.lambda, 5, 3) + "\xB5m)");
    return true;
  }
  found_ = 0;
  if (report) show("Warning : no match with those constraints");
  return false;
}

bool BoxSearch::Search() {
  show("Start search...");
  EditSize.read();
  EditSize.set(EditSize.value);
  return findNext(true);
}

bool BoxSearch::changeFound(bool report) {
  const int p = found();
  if (!p) {
    if (report) show("Warning : no match with those constraints");
    return false;
  }
  const LayoutBox& c = static_cast<const LayoutDatabase&>(db_).box(p);
  if (CheckChange && (c.x1 + std::int64_t{changeSize_} > kMaxCoord || c.y1 + std::int64_t{changeSize_} > kMaxCoord)) {
    show("Change refused: the box would reach beyond the layout's coordinates");
    return false;
  }
  LayoutBox& b = db_.box(p);
  if (CheckChange) {
    b.x2 = b.x1 + changeSize_;
    b.y2 = b.y1 + changeSize_;
  }
  if (CheckLayer) {
    const int last = static_cast<int>(layerNames().size());
    b.layer = static_cast<std::uint8_t>(std::clamp(ComboLayers, 0, last - 1) + 1);
  }
  foundBox_ = b;
  db_.modified = true;
  db_.extracted = false;
  return true;
}

namespace {
// the size typed for "Change size to :"
bool readSize(const std::string& text, int& size) {
  const ParsedValue v = ParseValueDetailed(text, 2, 100000, 1);
  if (!v.valid) return false;
  size = static_cast<int>(v.value);
  return true;
}
}  // namespace

bool BoxSearch::Change() {
  if (!changeEnabled()) return false;
  if (CheckChange && !readSize(EditChange, changeSize_)) {
    show("Could not extract the value of \"" + EditChange + "\"");
    return false;
  }
  const bool changed = changeFound(true);
  view_.redraw();
  return changed;
}

int BoxSearch::ChangeAll() {
  if (!changeEnabled()) return 0;
  if (CheckChange && !readSize(EditChange, changeSize_)) {
    show("Could not extract the value of \"" + EditChange + "\"");
    return 0;
  }
  EditSize.read();
  unhighlight();
  found_ = 0;
  int k = 0;
  // positions only grow: one pass to the end of the table
  while (findNext(CheckShow)) {
    if (!changeFound(false)) break;
    ++k;
    show("Changed " + std::to_string(k) + " box(es)");
  }
  view_.redraw();
  show("Changed " + std::to_string(k) + " box(es)");
  return k;
}

void BoxSearch::Close() {
  unhighlight();
  view_.redraw();
}

}  // namespace quill
