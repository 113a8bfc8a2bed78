#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>
#include <vector>

#include "editor/EditOps.h"

using namespace quill;

namespace {
struct Fixture {
  LayoutDatabase db;
  TechnologyRules tech;
  SilentStatus status;
  EditOperations ops{db, tech, status};
  int redraws = 0;
  Fixture() { ops.redraw = [this] { ++redraws; }; }

  // live boxes as sorted rectangles of a layer
  std::vector<Rect> boxes(int layer) const {
    std::vector<Rect> v;
    for (int p = 1; p <= db.boxCount(); ++p) {
      const LayoutBox& b = static_cast<const LayoutDatabase&>(db).box(p);
      if (b.state != 0 && b.layer == layer) v.push_back({b.x1, b.y1, b.x2, b.y2});
    }
    std::sort(v.begin(), v.end(),
              [](const Rect& a, const Rect& b) { return std::tie(a.x1, a.y1, a.x2, a.y2) < std::tie(b.x1, b.y1, b.x2, b.y2); });
    return v;
  }
  std::int64_t area(int layer) const {
    std::int64_t a = 0;
    for (const Rect& r : boxes(layer)) a += std::int64_t{r.x2 - r.x1} * (r.y2 - r.y1);
    return a;
  }
};

ToScreen identity() {
  return [](std::int32_t x, std::int32_t y, int& px, int& py) { px = x * 10, py = -y * 10; };
}
}  // namespace

TEST(EditOps, StoreBoxAndTheClickReport) {
  Fixture f;
  f.db.currentLayer = kMetal;
  f.ops.storeBox({10, 10, 0, 0});
  EXPECT_EQ(f.status.text(0), "Store a metal box with size 10 x 10 lambda (5.000 x 5.000 \xB5m)");
  EXPECT_TRUE(f.db.modified);
  f.db.extracted = true;
  f.db.currentLayer = kPoly;
  f.ops.storeBox({2, 2, 8, 8});
  EXPECT_FALSE(f.db.extracted);
  f.ops.storeBox({5, 5, 5, 5});
  EXPECT_EQ(f.status.text(0), "Cursor at location (5,5) ,poly,metal");
  EXPECT_EQ(f.db.boxCount(), 2);
  f.ops.undo();
  EXPECT_EQ(f.boxes(kPoly).size(), 0u);  // undo of the last store
}

TEST(EditOps, CuttingTheMiddleLeavesFourPiecesAndUndoRestoresIt) {
  Fixture f;
  f.db.addBox(0, 0, 10, 10, kMetal);
  f.ops.deleteInArea({3, 3, 7, 7}, 40, identity());
  EXPECT_EQ(f.boxes(kMetal).size(), 4u);
  EXPECT_EQ(f.area(kMetal), 100 - 16);
  EXPECT_EQ(f.status.text(0), "Killed metal box");
  f.ops.undo();
  EXPECT_EQ(f.area(kMetal), 100);
  EXPECT_EQ(f.boxes(kMetal).size(), 5u);
}

TEST(EditOps, ACutTakesTheTopLayerOfAStackFirst) {
  Fixture f;
  f.db.addBox(0, 0, 10, 10, kPoly);
  f.db.addBox(2, 2, 8, 8, kMetal);
  f.ops.deleteInArea({-1, -1, 11, 11}, 100, identity());
  EXPECT_TRUE(f.boxes(kMetal).empty());
  EXPECT_EQ(f.boxes(kPoly).size(), 1u);
  f.ops.deleteInArea({-1, -1, 11, 11}, 100, identity());
  EXPECT_TRUE(f.boxes(kPoly).empty());
  f.ops.deleteInArea({-1, -1, 11, 11}, 100, identity());
  EXPECT_EQ(f.status.text(0), "Nothing to erase here...");
  // a box only touching the area along an edge is not cut
  Fixture g;
  g.db.addBox(0, 0, 10, 10, kMetal);
  g.ops.deleteInArea({10, 0, 20, 10}, 100, identity());
  EXPECT_EQ(g.boxes(kMetal), (std::vector<Rect>{{0, 0, 10, 10}}));
  EXPECT_EQ(g.status.text(0), "Nothing to erase here...");
  // protected layers are left alone
  Fixture h;
  h.db.addBox(0, 0, 10, 10, kMetal);
  h.db.layers[kMetal].isProtected = true;
  h.ops.deleteInArea({-1, -1, 11, 11}, 100, identity());
  EXPECT_EQ(h.boxes(kMetal).size(), 1u);
}

TEST(EditOps, AClickOnALabelTextDeletesTheLabelOnly) {
  Fixture f;
  f.db.addBox(0, 0, 20, 20, kMetal);
  f.db.addLabel(2, 10, "out");
  // the area's corner lies on the text, right of and below the anchor on screen
  f.ops.deleteInArea({4, 9, 4, 9}, 0, identity());
  EXPECT_EQ(f.db.label(1).active, 0);
  EXPECT_EQ(f.boxes(kMetal).size(), 1u);
  EXPECT_EQ(f.status.text(0), "Killed text box");
}

TEST(EditOps, CopyKeepsLabelPropertiesAndPasteMakesPlainNames) {
  Fixture f;
  f.db.addBox(0, 0, 4, 4, kMetal);
  int clk = f.db.addLabel(2, 2, "clk");
  f.db.label(clk).kind = kLabelClock;
  f.db.label(clk).param = {1e-10, 2e-10, 3e-10, 4e-10};
  ASSERT_EQ(f.ops.selectForCopy({-1, -1, 5, 5}), 2);
  EXPECT_EQ(f.status.text(0), "2 element(s) selected (area 4 x 4 lambda )");
  f.ops.copy(10, 0);
  EXPECT_EQ(f.status.text(0), "2 elements copied.");
  ASSERT_EQ(f.db.labelCount(), 2);
  EXPECT_EQ(f.db.label(2).x, 12);
  EXPECT_EQ(f.db.label(2).kind, kLabelClock);
  EXPECT_EQ(f.db.label(2).param[3], 4e-10);
  EXPECT_EQ(f.boxes(kMetal).size(), 2u);
  f.ops.undo();
  EXPECT_EQ(f.boxes(kMetal).size(), 1u);

  Fixture g;
  g.db.addBox(0, 0, 4, 4, kMetal);
  int l = g.db.addLabel(2, 2, "clk");
  g.db.label(l).kind = kLabelClock;
  g.ops.deleteInArea({-1, -1, 5, 5}, 100, identity());
  Rect e;
  ASSERT_TRUE(g.ops.preparePaste(e));
  g.ops.paste(30, 10);
  bool plain = false;
  for (int i = 1; i <= g.db.labelCount(); ++i)
    if (g.db.label(i).active && g.db.label(i).text == "clk") plain = g.db.label(i).kind == kLabelName;
  EXPECT_TRUE(plain);
  EXPECT_EQ(g.boxes(kMetal).size(), 1u);
}

TEST(EditOps, MoveAndStretchWithTheirUndo) {
  Fixture f;
  f.db.addBox(0, 0, 4, 4, kMetal);
  f.db.addBox(20, 0, 30, 10, kMetal);
  auto sel = f.ops.selectForMove({-1, -1, 5, 5});
  EXPECT_EQ(sel.boxes, 1);
  EXPECT_EQ(f.status.text(0), "1 boxes, 0 label to move ...");
  f.ops.move(5, 5);
  EXPECT_EQ(f.boxes(kMetal), (std::vector<Rect>{{5, 5, 9, 9}, {20, 0, 30, 10}}));
  f.ops.undo();
  EXPECT_EQ(f.boxes(kMetal), (std::vector<Rect>{{0, 0, 4, 4}, {20, 0, 30, 10}}));

  // nothing inside: the right border of the box under the area
  Fixture g;
  g.db.addBox(0, 0, 10, 10, kMetal);
  auto st = g.ops.selectForMove({9, 2, 11, 8});
  EXPECT_EQ(st.stretch, StretchSide::East);
  EXPECT_EQ(g.status.text(0), "metal box (5.000x5.000 \xB5m)  stretched east...");
  g.ops.stretch(6, 0);
  EXPECT_EQ(g.boxes(kMetal), (std::vector<Rect>{{0, 0, 16, 10}}));
  g.ops.undo();
  EXPECT_EQ(g.boxes(kMetal), (std::vector<Rect>{{0, 0, 10, 10}}));
  EXPECT_EQ(g.ops.selectForMove({50, 50, 60, 60}).stretch, StretchSide::None);
  EXPECT_EQ(g.status.text(0), "No box or text selected");
}

TEST(EditOps, RotateFlipAndInvert) {
  Fixture f;
  f.db.addBox(0, 0, 4, 2, kMetal);
  f.ops.rotate({0, 0, 4, 2}, true);
  EXPECT_EQ(f.boxes(kMetal), (std::vector<Rect>{{1, -1, 3, 3}}));
  EXPECT_EQ(f.status.text(0), "Rotate 1 elements.");
  EXPECT_TRUE(f.db.modified);
  f.ops.rotate({0, -1, 4, 3}, false);
  EXPECT_EQ(f.boxes(kMetal), (std::vector<Rect>{{0, 0, 4, 2}}));
  f.ops.flip({0, 0, 10, 2}, true);
  EXPECT_EQ(f.boxes(kMetal), (std::vector<Rect>{{6, 0, 10, 2}}));
  f.db.addBox(0, 10, 4, 14, kDiffn);
  f.ops.invertDiffusion({0, 10, 4, 14});
  EXPECT_EQ(f.boxes(kDiffp).size(), 1u);
  EXPECT_EQ(f.status.text(0), "Invert diffusion of 1 elements.");
  f.ops.invertDiffusion({100, 100, 110, 110});
  EXPECT_EQ(f.status.text(0), "No diffusion included or diff protected...");
}

TEST(EditOps, VerticalShiftMovesStretchesOrLeaves) {
  Fixture f;
  f.db.addBox(0, 0, 4, 10, kMetal);
  f.db.addBox(10, 0, 14, 30, kMetal);
  f.db.addBox(20, 25, 24, 30, kMetal);
  f.db.layers[kMetal].isProtected = true;  // protected boxes move too
  f.db.extracted = true;
  f.ops.verticalShift(-10, 20, 21);
  EXPECT_EQ(f.boxes(kMetal), (std::vector<Rect>{{0, -10, 4, 0}, {10, -10, 14, 30}, {20, 25, 24, 30}}));
  EXPECT_FALSE(f.db.extracted);
  EXPECT_FALSE(f.db.modified);
}

TEST(EditOps, CutPiecesKeepTheirValueAndAMoveOfPositionsEndsTheUndo) {
  Fixture f;
  int opt = f.db.addBox(0, 0, 10, 10, kOption);
  f.db.box(opt).value = kOptionNoSalicide | 2;
  f.ops.deleteInArea({3, 3, 7, 7}, 40, identity());
  for (int p = 1; p <= f.db.boxCount(); ++p)
    EXPECT_EQ(static_cast<const LayoutDatabase&>(f.db).box(p).value, kOptionNoSalicide | 2);
  // a sort (a rule check, an extraction) after the store: positions moved
  Fixture g;
  g.db.currentLayer = kMetal;
  g.ops.storeBox({0, 0, 5, 5});
  g.db.sortByLayer();
  g.ops.undo();
  EXPECT_EQ(g.status.text(0), "Sorry, no undo available...");
  EXPECT_EQ(g.boxes(kMetal).size(), 1u);
  // and a stretch target picked before a compaction is let go
  Fixture h;
  h.db.addBox(0, 0, 10, 10, kMetal);
  h.ops.selectForMove({9, 2, 11, 8});
  h.db.compactBoxes();
  h.ops.stretch(5, 0);
  EXPECT_EQ(h.boxes(kMetal), (std::vector<Rect>{{0, 0, 10, 10}}));
}

TEST(EditOps, CopyMoveAndPasteNeedRoomForAllTheirBoxes) {
  Fixture f;
  f.db.drawImmediately = false;
  for (int i = 0; i < kMaxBoxes - 1; ++i) f.db.addBox(i, 0, i + 1, 1, kMetal);
  f.db.drawImmediately = true;
  ASSERT_EQ(f.ops.selectForCopy({-1, -1, 3, 2}), 3);
  f.ops.copy(0, 10);
  EXPECT_EQ(f.status.text(0), "Warning : box data base full ...");
  EXPECT_EQ(f.db.boxCount(), kMaxBoxes - 1);  // nothing half done
}
