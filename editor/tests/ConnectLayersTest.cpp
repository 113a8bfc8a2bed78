// Connect layers: which cut arrays join the lowest and the highest
// conductor at a point or over an area, their counts by the pitch, and the
// cases that change nothing.
#include <gtest/gtest.h>

#include <map>

#include "editor/ConnectCuts.h"
#include "editor/tests/ToolFixture.h"

using namespace quill;
using quill::testing::FrameFixture;

namespace {
struct Connect : FrameFixture {
  Connect() {
    TechnologyRules& t = t_();
    t.metalLevels = 6;
    for (int r : {R401, R601, R801, RA01, RC01, RE01}) t.ruleRef(r) = 2;
    for (int r : {R402, R602, R802, RA02, RC02, RE02, R311, R312}) t.ruleRef(r) = 3;
    for (int r : {R403, R604, R605, R804, R805, RA04, RA05, RC04, RC05, RE04, RE05}) t.ruleRef(r) = 1;
    ops.cutArrays = contactCutArrays(db, t);
  }
  TechnologyRules& t_() { return t.ctx.tech; }
  // layers of the boxes added after the first n, with their counts
  std::map<int, int> added(int n) const {
    std::map<int, int> m;
    for (int p = n + 1; p <= db.boxCount(); ++p)
      if (box(p).state != 0) ++m[box(p).layer];
    return m;
  }
};
}  // namespace

TEST(ConnectLayers, TheArraysJoinTheLowestAndHighestConductorAtThePoint) {
  struct Case {
    std::vector<int> layers;  // boxes (0,0)-(10,10) on these layers
    const char* message;
    std::map<int, int> added;
  };
  const char* kNone = "No layout at that location. Try again.";
  const char* kTwo = "Two different layers should be at that location. Try again.";
  const Case cases[] = {
      {{}, kNone, {}},
      {{kNwell, kOption}, kNone, {}},  // no conductor
      {{kMetal}, kTwo, {}},
      {{kMetal3}, kTwo, {}},  // one metal level alone: no array would be built
      {{kMetal2, kMetal2}, kTwo, {}},
      {{kDiffn, kMetal}, "Contact created from diffn to metal", {{kContact, 1}, {kDiffn, 1}, {kMetal, 1}}},
      {{kMetal2, kPoly}, "Contact created from poly to metal2",
       {{kContact, 1}, {kPoly, 1}, {kMetal, 2}, {kVia, 1}, {kMetal2, 1}}},
      {{kMetal, kMetal3}, "Contact created from metal to metal3",
       {{kMetal, 1}, {kVia, 1}, {kMetal2, 2}, {kVia2, 1}, {kMetal3, 1}}},
      {{kPoly2, kMetal}, "Contact created from poly2 to metal", {{kContact, 1}, {kPoly2, 1}, {kMetal, 1}}},
  };
  for (const Case& c : cases) {
    Connect x;
    for (int l : c.layers) x.db.addBox(0, 0, 10, 10, l);
    x.db.extracted = true;
    const int n = x.db.boxCount();
    x.ops.connectLayers({5, 5, 5, 5});
    EXPECT_EQ(x.panel(0), c.message);
    EXPECT_EQ(x.added(n), c.added) << c.message;
    EXPECT_EQ(x.db.modified, !c.added.empty()) << c.message;
    EXPECT_EQ(x.db.extracted, c.added.empty()) << c.message;
  }
}

TEST(ConnectLayers, TheAreaGivesColumnsAndRowsByThePitchRoundedHalfToEven) {
  struct Case {
    Rect area;
    int cuts;
  };
  // the contact pitch is R401 + R402 = 5
  const Case cases[] = {
      {{0, 0, 10, 5}, 2},     // 2 x 1
      {{0, 0, 13, 0}, 3},     // 2.6 columns, a zero extent gives one row
      {{0, 0, 12, 12}, 4},    // 2.4 x 2.4
      {{0, 0, 2, 2}, 1},      // at least one
      {{10, 20, 0, 8}, 4},    // corners in any order: 2 x 2.4
  };
  for (const Case& c : cases) {
    Connect x;
    x.db.addBox(-50, -50, 50, 50, kDiffp);
    x.db.addBox(-50, -50, 50, 50, kMetal);
    x.ops.connectLayers(c.area);
    EXPECT_EQ(x.added(2)[kContact], c.cuts) << c.area.x2 << "x" << c.area.y2;
  }
}

TEST(ConnectLayers, NoPitchOrNoRoomAddsNothingAndUndoRemovesTheCuts) {
  {
    Connect x;
    x.t_().ruleRef(R601) = 0;
    x.t_().ruleRef(R602) = 0;
    x.db.addBox(0, 0, 10, 10, kPoly);
    x.db.addBox(0, 0, 10, 10, kMetal2);
    x.ops.connectLayers({5, 5, 5, 5});
    EXPECT_EQ(x.panel(0), "Two different layers should be at that location. Try again.");
    EXPECT_EQ(x.db.boxCount(), 2);
  }
  {
    Connect x;
    for (int i = 0; i < kMaxBoxes - 4; ++i) x.db.addBox(100, 100, 101, 101, kPoly);
    x.db.addBox(0, 0, 10, 10, kDiffn);
    x.db.addBox(0, 0, 10, 10, kMetal2);  // contact and via: six boxes
    x.ops.connectLayers({5, 5, 5, 5});
    EXPECT_EQ(x.panel(0), "Warning : box data base full ...");
    EXPECT_EQ(x.db.boxCount(), kMaxBoxes - 2);
    EXPECT_FALSE(x.db.modified);
  }
  {
    // through state 48 and the pop-up entry, then Undo
    Connect x;
    x.db.addBox(0, 0, 20, 20, kPoly);
    x.db.addBox(0, 0, 20, 20, kMetal);
    x.f.execute(Command::LayerConnection);
    EXPECT_EQ(x.f.mode(), kModeConnect);
    x.drag({5, 5}, {15, 10});
    EXPECT_EQ(x.added(2)[kContact], 2);
    x.f.execute(Command::Undo);
    EXPECT_TRUE(x.added(2).empty());
    const PopupMenu menu = x.f.preparePopup(x.px({5, 5}));
    for (std::size_t i = 0; i < menu.items.size(); ++i)
      if (menu.items[i].kind == PopupItem::ConnectLayers) {
        EXPECT_TRUE(menu.items[i].enabled);
        x.f.choosePopup(menu, i);
      }
    EXPECT_EQ(x.added(2)[kContact], 1);
    EXPECT_EQ(x.panel(0), "Contact created from poly to metal");
  }
}
