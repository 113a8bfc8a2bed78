// Change box size or layer: the layer list by the technology, the search
// by constraint with its wrap to the start, Change and Change all, and the
// box last found dropped once the table moved under it.
#include <gtest/gtest.h>

#include "editor/ToolWindows.h"
#include "editor/tests/ToolFixture.h"

using namespace quill;
using quill::testing::FrameFixture;

namespace {
struct Search : FrameFixture {
  FakeTimer timer;
  ToolWindowCommands tools{f, view, timer};
  BoxSearch& s = tools.search;
  int opened = 0;
  Search() { tools.setSearchWindow([this] { ++opened; }); }
};
}  // namespace

TEST(BoxSearch, TheLayerListEndsAtTheTopMetal) {
  Search x;
  for (auto [levels, last] : {std::pair{1, "metal2"}, {2, "metal2"}, {3, "metal3"}, {6, "metal6"}}) {
    x.t.ctx.tech.metalLevels = levels;
    const std::vector<std::string> names = x.s.layerNames();
    EXPECT_EQ(names.front(), "option");
    EXPECT_EQ(names.back(), last) << levels;
    EXPECT_EQ(names[static_cast<std::size_t>(x.s.ComboLayers)], "via");
  }
  EXPECT_TRUE(x.f.enabled(Command::ChangeBox));
  x.f.execute(Command::ChangeBox);
  EXPECT_EQ(x.opened, 1);
}

TEST(BoxSearch, EachConstraintFindsItsBoxesInTurnThenWarnsAndStartsAgain) {
  struct Case {
    int constraint;
    const char* size;
    std::vector<int> found;  // positions in turn, 0 for the warning
  };
  const Case cases[] = {
      {kNoConstraint, "3", {1, 2, 3, 5, 0, 1}},
      {kSizeLess, "3", {1, 3, 0, 1}},     // 2 x 6 and 2 x 2
      {kSizeEqual, "6", {1, 2, 0}},       // 2 x 6 and 6 x 8
      {kSizeGreater, "6", {2, 5, 0, 2}},  // 6 x 8 and 10 x 4
      {kSizeGreater, "x", {2, 5, 0}},     // an invalid size keeps 6
  };
  for (const Case& c : cases) {
    Search x;
    x.db.addBox(0, 0, 2, 6, kPoly);
    x.db.addBox(10, 0, 16, 8, kPoly);
    x.db.addBox(20, 0, 22, 2, kPoly);
    x.db.addBox(30, 0, 32, 2, kMetal);  // another layer
    x.db.addBox(40, 0, 50, 4, kPoly);
    x.db.addBox(60, 0, 62, 2, kPoly);
    x.db.box(6).state = 0;  // deleted
    x.s.ListLayers = kPoly - 1;
    x.s.RadioConstraints = c.constraint;
    if (c.size == std::string("x")) {
      x.s.EditSize.text = "6";
      x.s.EditSize.read();
    }
    x.s.EditSize.text = c.size;
    for (int expected : c.found) {
      EXPECT_EQ(x.s.Search(), expected != 0) << c.constraint << " " << c.size;
      EXPECT_EQ(x.s.found(), expected);
      if (expected == 0) {
        EXPECT_EQ(x.panel(0), "Warning : no match with those constraints");
      }
    }
  }
  Search x;
  x.t.ctx.tech.lambda = 0.5;
  x.db.addBox(0, 0, 2, 6, kPoly);
  x.s.ListLayers = kPoly - 1;
  ASSERT_TRUE(x.s.Search());
  EXPECT_EQ(x.panel(0), "Found poly box width 2, height 6 lambda (1.000x3.000\xB5m)");
  EXPECT_TRUE(x.view.views.empty());  // "Show each change" is off
}

TEST(BoxSearch, ChangeSizeAndLayerOfTheBoxFoundAndChangeAllInOnePass) {
  Search x;
  x.db.addBox(0, 0, 2, 6, kContact);
  x.db.addBox(10, 10, 12, 12, kContact);
  x.db.addBox(20, 20, 23, 23, kContact);
  x.db.extracted = true;
  x.s.ListLayers = kContact - 1;
  EXPECT_FALSE(x.s.changeEnabled());
  EXPECT_FALSE(x.s.Change());
  x.s.CheckChange = true;
  x.s.EditChange = "4";
  ASSERT_TRUE(x.s.Search());
  ASSERT_TRUE(x.s.Change());
  EXPECT_EQ(x.boxes(kContact).front(), (Rect{0, 0, 4, 4}));  // the same lower-left corner
  EXPECT_TRUE(x.db.modified);
  EXPECT_FALSE(x.db.extracted);

  x.s.EditChange = "big";
  x.db.modified = false;
  EXPECT_FALSE(x.s.Change());
  EXPECT_EQ(x.panel(0), "Could not extract the value of \"big\"");
  EXPECT_FALSE(x.db.modified);

  // change all: size and layer, from the start to the end of the table
  x.s.EditChange = "2";
  x.s.CheckLayer = true;
  x.s.ComboLayers = kVia - 1;
  EXPECT_EQ(x.s.ChangeAll(), 3);
  EXPECT_EQ(x.panel(0), "Changed 3 box(es)");
  EXPECT_TRUE(x.boxes(kContact).empty());
  EXPECT_EQ(x.boxes(kVia), (std::vector<Rect>{{0, 0, 2, 2}, {10, 10, 12, 12}, {20, 20, 22, 22}}));
}

TEST(BoxSearch, ShownBoxesAreCentredAndHighlightedAndAMovedTableDropsTheBoxFound) {
  Search x;
  x.db.addBox(0, 0, 4, 4, kPoly);
  x.db.addBox(100, 200, 110, 210, kMetal);
  x.db.addBox(300, 300, 304, 304, kMetal);
  x.s.ListLayers = kMetal - 1;
  x.s.CheckShow = true;
  ASSERT_TRUE(x.s.Search());
  EXPECT_EQ(x.view.views.back(), (Rect{65, 165, 145, 245}));
  EXPECT_EQ(x.box(2).state, 3);
  ASSERT_TRUE(x.s.Search());
  EXPECT_EQ(x.box(2).state, 1);
  EXPECT_EQ(x.box(3).state, 3);
  x.s.Close();
  EXPECT_EQ(x.box(3).state, 1);

  // the box found moves to another position when the table is compacted
  x.db.box(1).state = 0;
  x.db.compactBoxes();
  EXPECT_EQ(x.s.found(), 0);
  x.s.CheckLayer = true;
  x.s.ComboLayers = kPoly - 1;
  EXPECT_FALSE(x.s.Change());
  EXPECT_EQ(x.boxes(kMetal).size(), 2u);

  // and when the table is sorted by layer, though the box stays where it was
  ASSERT_TRUE(x.s.Search());
  const int before = x.s.found();
  x.db.sortByLayer();
  ASSERT_EQ(x.box(before).layer, kMetal);
  EXPECT_EQ(x.s.found(), 0);

  // "Invert diffusions" enters the main window's state 24
  x.s.invertDiffusions();
  EXPECT_EQ(x.f.mode(), kModeInvertDiffusion);
}
