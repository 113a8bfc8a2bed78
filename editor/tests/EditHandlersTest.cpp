#include <gtest/gtest.h>

#include <cmath>

#include "core/tests/TestFiles.h"
#include "editor/EditHandlers.h"
#include "platform/MemorySurface.h"

using namespace quill;

namespace {
// 4 pixels per lambda, lambda (0, 0) at the bottom-left pixel
class View : public FrameView {
 public:
  MemorySurface surf{400, 400};
  Surface* surface() override { return &surf; }
  LambdaPoint toLambda(PixelPoint p) const override {
    return {static_cast<std::int32_t>(std::lround(p.x / 4.0)), static_cast<std::int32_t>(std::lround((400 - p.y) / 4.0))};
  }
  PixelPoint toPixel(LambdaPoint p) const override { return {p.x * 4, 400 - p.y * 4}; }
  Rect viewWindow() const override { return {0, 0, 100, 100}; }
  int lambdaGridStep() const override { return 10; }
  void redraw() override {}
  void viewAll() override {}
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

struct Fixture {
  quill::testing::TestContext t;
  View view;
  FrameWindow window;
  struct NoHelp : HelpOpener {
    bool open(const std::string&) override { return false; }
  } help;
  FrameController f{t.ctx, view, window, help};
  EditOperations ops{t.ctx.db, t.ctx.tech, t.status};
  EditingCommands commands{f, ops};
  PixelPoint px(int x, int y) { return view.toPixel({x, y}); }
  void drag(LambdaPoint a, LambdaPoint b) {
    f.mouseDown(px(a.x, a.y), FrameController::Button::Left);
    f.mouseMove(px(b.x, b.y));
    f.mouseUp(px(b.x, b.y), FrameController::Button::Left);
  }
  void moveTo(LambdaPoint b) { f.mouseMove(px(b.x, b.y)); }
  void click(LambdaPoint b) {
    f.mouseDown(px(b.x, b.y), FrameController::Button::Left);
    f.mouseUp(px(b.x, b.y), FrameController::Button::Left);
  }
  int live(int layer) {
    int n = 0;
    const LayoutDatabase& db = t.ctx.db;
    for (int p = 1; p <= db.boxCount(); ++p) n += db.box(p).state != 0 && db.box(p).layer == layer;
    return n;
  }
};
}  // namespace

TEST(EditingCommands, BoxThenCopyByGestures) {
  Fixture x;
  x.f.boxMode();
  x.t.ctx.db.currentLayer = kMetal;
  x.drag({10, 10}, {20, 20});
  ASSERT_EQ(x.live(kMetal), 1);
  x.f.execute(Command::Copy);
  EXPECT_EQ(x.f.mode(), kModeCopySelect);
  x.drag({5, 5}, {25, 25});
  EXPECT_EQ(x.f.mode(), kModeCopyTarget);
  EXPECT_EQ(x.t.status.text(0), "Give the target location for copying 1 elements ...");
  x.moveTo({55, 25});
  x.f.mouseUp(x.px(55, 25), FrameController::Button::Left);
  EXPECT_EQ(x.live(kMetal), 2);
  EXPECT_EQ(x.f.mode(), kModeCopySelect);
  EXPECT_TRUE(x.f.enabled(Command::Undo));
  x.f.execute(Command::Undo);
  EXPECT_EQ(x.live(kMetal), 1);
}

TEST(EditingCommands, EscapeDuringAMoveBringsThePickedBoxesBack) {
  Fixture x;
  LayoutDatabase& db = x.t.ctx.db;
  db.addBox(10, 10, 20, 20, kMetal);
  db.addBox(60, 60, 70, 70, kPoly);
  db.box(2).state = 0;  // deleted earlier: stays deleted
  x.f.execute(Command::MoveStretch);
  x.drag({5, 5}, {25, 25});
  EXPECT_EQ(x.f.mode(), kModeMoveTarget);
  EXPECT_EQ(x.live(kMetal), 0);
  x.f.escape();
  EXPECT_EQ(x.live(kMetal), 1);
  EXPECT_EQ(x.live(kPoly), 0);
}
