// A layout view over its own records, drawing onto an in-memory surface.
#pragma once
#include <algorithm>
#include <memory>

#include "core/LayoutDatabase.h"
#include "core/TechnologyRules.h"
#include "editor/View.h"
#include "platform/Clock.h"
#include "platform/MemorySurface.h"
#include "platform/StatusMessage.h"

namespace quill::testing {

struct ViewFixture {
  LayoutDatabase db;
  TechnologyRules tech;
  SilentStatus status;
  FakeClock clock;
  std::unique_ptr<MemorySurface> surface;
  LayoutView view{db, tech, status, clock};

  // 800 x 600 unless told otherwise; no surface when w or h is negative
  explicit ViewFixture(int w = 800, int h = 600) { resize(w, h); }

  void resize(int w, int h) {
    if (w < 0 || h < 0) {
      view.setSurface(nullptr);
      surface.reset();
      view.setAreaSize(std::max(w, 0), std::max(h, 0));
      return;
    }
    surface = std::make_unique<MemorySurface>(w, h);
    view.setSurface(surface.get());
  }
  Colour px(int x, int y) const { return surface->pixel(x, y); }
  MemorySurface& s() { return *surface; }

  // At 800 x 600, the view (0, 0, 800, 400) is one pixel per lambda with
  // sx(x) = x and sy(y) = 590 - y.
  void unitView() { view.SetView(0, 0, 800, 400); }
};

inline bool sameRect(const Rect& r, std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2) {
  return r.x1 == x1 && r.y1 == y1 && r.x2 == x2 && r.y2 == y2;
}

}  // namespace quill::testing
