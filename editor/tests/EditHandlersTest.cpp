#include <gtest/gtest.h>

#include <cmath>

#include "core/tests/TestFiles.h"
#include "editor/EditHandlers.h"
#include "editor/tests/ToolFixture.h"
#include "platform/MemorySurface.h"

using namespace quill;

namespace {
using View = quill::testing::FakeToolView;

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
