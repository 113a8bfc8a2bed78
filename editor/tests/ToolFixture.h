// A main frame with the editing commands over a fake view, for the tool
// windows' logic: 4 pixels per lambda, lambda (0, 0) at the bottom-left
// pixel of a 400 x 400 area.
#pragma once
#include <cmath>
#include <vector>

#include "core/tests/TestFiles.h"
#include "editor/EditHandlers.h"
#include "editor/Frame.h"
#include "editor/ToolView.h"
#include "platform/MemorySurface.h"

namespace quill::testing {

class FakeToolView : public FrameView, public ToolView {
 public:
  MemorySurface surf{400, 400};
  std::vector<Rect> views;  // every setView
  int viewAlls = 0;
  Surface* surface() override { return &surf; }
  LambdaPoint toLambda(PixelPoint p) const override {
    return {static_cast<std::int32_t>(std::lround(p.x / 4.0)), static_cast<std::int32_t>(std::lround((400 - p.y) / 4.0))};
  }
  PixelPoint toPixel(LambdaPoint p) const override { return {p.x * 4, 400 - p.y * 4}; }
  Rect viewWindow() const override { return {0, 0, 100, 100}; }
  int lambdaGridStep() const override { return 10; }
  void setView(const Rect& r) override { views.push_back(r); }
  void redraw() override {}
  void viewAll() override { ++viewAlls; }
  void zoomInArea(PixelPoint, PixelPoint) override {}
  void zoomOut() override {}
  void scrollHorizontal(int) override {}
  void scrollVertical(int) override {}
  void ruler(PixelPoint, PixelPoint) override {}
  void clearRuler() override {}
  bool monochrome() const override { return false; }
  void setMonochrome(bool) override {}
  bool whiteBackground() const override { return false; }
  void toggleBackground() override {}
  bool lambdaGridOn() const override { return false; }
  void toggleLambdaGrid() override {}
  bool routingGridOn() const override { return false; }
  void toggleRoutingGrid() override {}
  void setPrintHeader(bool) override {}
  void boxesAt(LambdaPoint, std::vector<int>& out) override { out.clear(); }
};

struct FrameFixture {
  TestContext t;
  FakeToolView view;
  FrameWindow window;
  struct NoHelp : HelpOpener {
    bool open(const std::string&) override { return false; }
  } help;
  FrameController f{t.ctx, view, window, help};
  LayoutDatabase& db = t.ctx.db;
  // the editing operations behind Undo, invert diffusion and connect layers
  EditOperations ops{t.ctx.db, t.ctx.tech, t.status};
  EditingCommands editing{f, ops};

  PixelPoint px(LambdaPoint p) const { return view.toPixel(p); }
  void drag(LambdaPoint a, LambdaPoint b) {
    f.mouseDown(px(a), FrameController::Button::Left);
    f.mouseMove(px(b));
    f.mouseUp(px(b), FrameController::Button::Left);
  }
  void click(LambdaPoint p) {
    f.mouseDown(px(p), FrameController::Button::Left);
    f.mouseUp(px(p), FrameController::Button::Left);
  }
  std::string panel(int i) const { return t.status.text(i); }
  const LayoutBox& box(int p) const { return static_cast<const LayoutDatabase&>(db).box(p); }
  // live boxes of a layer, in table order
  std::vector<Rect> boxes(int layer) const {
    std::vector<Rect> v;
    for (int p = 1; p <= db.boxCount(); ++p)
      if (box(p).state != 0 && box(p).layer == layer) v.push_back({box(p).x1, box(p).y1, box(p).x2, box(p).y2});
    return v;
  }
  int live() const {
    int n = 0;
    for (int p = 1; p <= db.boxCount(); ++p) n += box(p).state != 0;
    return n;
  }
};

}  // namespace quill::testing
