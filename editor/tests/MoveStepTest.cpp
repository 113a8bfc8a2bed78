// Move step by step through the frame's state 40: what is marked, the step
// of each arrow and of the 350 ms repeat while it is held, Finish, and the
// moves that are refused.
#include <gtest/gtest.h>

#include <limits>

#include "editor/ToolWindows.h"
#include "editor/tests/ToolFixture.h"

using namespace quill;
using quill::testing::FrameFixture;

namespace {
struct Move : FrameFixture {
  FakeTimer timer;
  ToolWindowCommands tools{f, view, timer};
  MoveStepEditor& m = tools.move;
  int shown = 0, closed = 0;
  Move() {
    m.showWindow = [this] { ++shown; };
    m.closeWindow = [this] { ++closed; };
  }
  void select(LambdaPoint a, LambdaPoint b) {
    f.execute(Command::MoveStep);
    drag(a, b);
  }
};
}  // namespace

TEST(MoveStep, ArrowsMoveTheMarkedBoxesLabelsAndSymbolsAndRepeatWhileHeld) {
  Move x;
  x.db.addBox(10, 10, 14, 14, kMetal);
  x.db.addBox(12, 12, 13, 13, kNwell);
  x.db.layers[kNwell].isProtected = true;
  x.db.addBox(60, 60, 70, 70, kPoly);  // outside
  x.db.addLabel(11, 11, "a");
  x.db.addRlc(12, 10, 17, 10, kRlcResistor, "100", 1);
  x.db.modified = false;
  x.db.extracted = true;
  x.select({5, 5}, {20, 20});
  EXPECT_EQ(x.panel(0), "Use the arrows to move the 3 boxes and text with a lambda step.");
  EXPECT_EQ(x.shown, 1);
  EXPECT_EQ(x.f.mode(), kModeBox);
  EXPECT_EQ(x.box(1).state, 3);
  EXPECT_EQ(x.box(2).state, 1);  // protected

  x.m.EditStep.text = "3";
  x.m.arrowDown(MoveDirection::Right);
  EXPECT_EQ(x.boxes(kMetal), (std::vector<Rect>{{13, 10, 17, 14}}));
  EXPECT_TRUE(x.db.modified);
  EXPECT_FALSE(x.db.extracted);
  // held: one more step every 350 ms until the button goes up
  ASSERT_TRUE(x.timer.active());
  EXPECT_EQ(x.timer.interval, 350);
  x.timer.fire(2);
  x.m.arrowUp();
  EXPECT_FALSE(x.timer.active());
  x.timer.fire(3);
  x.m.EditStep.text = "0";  // out of range: the step stays 3
  x.m.arrowDown(MoveDirection::Down);
  x.m.arrowUp();
  EXPECT_EQ(x.boxes(kMetal), (std::vector<Rect>{{19, 7, 23, 11}}));
  EXPECT_EQ(x.boxes(kNwell), (std::vector<Rect>{{12, 12, 13, 13}}));
  EXPECT_EQ(x.boxes(kPoly), (std::vector<Rect>{{60, 60, 70, 70}}));
  EXPECT_EQ(x.db.label(1).x, 20);
  EXPECT_EQ(x.db.label(1).y, 8);
  const RlcSymbol& r = x.db.rlc(1);
  EXPECT_EQ((Rect{r.x1, r.y1, r.x2, r.y2}), (Rect{21, 7, 26, 7}));

  x.m.sbFinishClick();
  EXPECT_EQ(x.closed, 1);
  EXPECT_EQ(x.box(1).state, 1);
  EXPECT_EQ(x.db.label(1).active, 1);
  EXPECT_EQ(x.db.rlc(1).active, 1);
  x.m.arrowDown(MoveDirection::Left);  // nothing is marked any more
  x.m.arrowUp();
  EXPECT_EQ(x.boxes(kMetal), (std::vector<Rect>{{19, 7, 23, 11}}));
}

TEST(MoveStep, NothingMarkedOrAStepOffThePlaneMovesNothing) {
  Move x;
  x.select({5, 5}, {20, 20});
  EXPECT_EQ(x.panel(0), "No box selected to move. Try again...");
  EXPECT_EQ(x.shown, 0);

  // a box at the right end of the coordinates: the whole group stays
  constexpr std::int32_t kTop = std::numeric_limits<std::int32_t>::max();
  x.db.addBox(0, 0, 4, 4, kMetal);
  x.db.addBox(kTop - 4, 0, kTop - 2, 4, kMetal);
  x.m.release(x.f, {-1, -1}, {kTop, 5});
  ASSERT_EQ(x.shown, 1);
  x.db.modified = false;
  x.m.EditStep.text = "3";
  x.m.arrowDown(MoveDirection::Right);
  EXPECT_FALSE(x.timer.active());
  EXPECT_EQ(x.panel(0), "Move refused: the elements would leave the layout's coordinates");
  EXPECT_EQ(x.boxes(kMetal), (std::vector<Rect>{{0, 0, 4, 4}, {kTop - 4, 0, kTop - 2, 4}}));
  EXPECT_FALSE(x.db.modified);
  x.m.arrowDown(MoveDirection::Left);
  x.m.arrowUp();
  EXPECT_EQ(x.boxes(kMetal), (std::vector<Rect>{{-3, 0, 1, 4}, {kTop - 7, 0, kTop - 5, 4}}));
}
