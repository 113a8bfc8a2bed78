#include "editor/View.h"

namespace quill {

class BoxIndex {};

LayoutView::LayoutView(LayoutDatabase& db, const TechnologyRules& tech, StatusMessage& status, const Clock& clock)
    : db_(db), tech_(tech), status_(status), clock_(clock) {
  db_.setObserver(this);
}

LayoutView::~LayoutView() {
  if (db_.observer() == this) db_.setObserver(nullptr);
}

void LayoutView::setAreaSize(int w, int h) { areaW_ = w; areaH_ = h; }
int LayoutView::areaWidth() const { return surface_ ? surface_->width() : areaW_; }
int LayoutView::areaHeight() const { return surface_ ? surface_->height() : areaH_; }
void LayoutView::setRoutingRails(std::optional<std::int32_t> g, std::optional<std::int32_t> s) {
  groundRail_ = g;
  supplyRail_ = s;
}
int LayoutView::sx(double) const { return 0; }
int LayoutView::sy(double) const { return 0; }
std::int32_t LayoutView::wx(double) const { return 0; }
std::int32_t LayoutView::wy(double) const { return 0; }
void LayoutView::SetView(std::int32_t, std::int32_t, std::int32_t, std::int32_t) {}
void LayoutView::Redraw() {}
void LayoutView::ViewAll() {}
void LayoutView::ZoomInArea(int, int, int, int) {}
void LayoutView::ZoomOut() {}
void LayoutView::PreviousZoom() {}
void LayoutView::ScrollHorizontal(int) {}
void LayoutView::ScrollVertical(int) {}
std::string LayoutView::Ruler(int, int, int, int) { return {}; }
void LayoutView::ClearRuler() { ruler_ = {}; }
void LayoutView::SetMonochrome(bool) {}
void LayoutView::ToggleBackground() {}
void LayoutView::ToggleLambdaGrid() {}
void LayoutView::ToggleRoutingGrid() {}
Colour LayoutView::VoltageColour(double) const { return 0; }
void LayoutView::DrawBox(int) {}
void LayoutView::DrawLabel(int) {}
void LayoutView::DrawRlc(int) {}
void LayoutView::boxesAt(std::int32_t, std::int32_t, std::vector<int>& out) { out.clear(); }
std::vector<int> LayoutView::boxesAt(std::int32_t x, std::int32_t y) {
  std::vector<int> v;
  boxesAt(x, y, v);
  return v;
}
int LayoutView::labelTextSize() const { return 0; }
void LayoutView::boxAdded(const LayoutDatabase&, int p) { DrawBox(p); }
void LayoutView::labelAdded(const LayoutDatabase&, int p) { DrawLabel(p); }
void LayoutView::rlcAdded(const LayoutDatabase&, int p) { DrawRlc(p); }
void LayoutView::computeTransform() {}
void LayoutView::drawAll() {}
void LayoutView::notifyDrawn() {
  if (drawn_) drawn_();
}

}  // namespace quill
