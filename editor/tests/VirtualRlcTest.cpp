// The virtual R, L, C window's logic: new symbols of each placement state,
// editing the symbol under a click (double-click and pop-up too), the
// resistor's parameter texts, the hit rectangle, and the refusals.
#include <gtest/gtest.h>

#include "editor/ToolWindows.h"
#include "editor/tests/ToolFixture.h"

using namespace quill;
using quill::testing::FrameFixture;

namespace {
struct Rlc : FrameFixture {
  FakeTimer timer;
  ToolWindowCommands tools{f, view, timer};
  RlcEditor& r = tools.rlc;
  std::function<void(RlcEditor&)> user;
  int shown = 0, released = 0;
  Rlc() {
    r.showWindow = [this] {
      ++shown;
      if (user) user(r);
    };
    r.released = [this] { ++released; };
  }
  Rect at(int i) const { return {db.rlc(i).x1, db.rlc(i).y1, db.rlc(i).x2, db.rlc(i).y2}; }
};
}  // namespace

TEST(VirtualRlc, EachPlacementStateOffersItsKindAndAddsTheSymbolAtTheClick) {
  struct Case {
    Command command;
    int kind;
    const char *value, *info;
    int size;
    Rect symbol;
    const char* message;
  };
  const Case cases[] = {
      {Command::VirtualResistance, kRlcResistor, "100", "Resistor between nodes", 1, {20, 20, 25, 20},
       "Resistor 100 has noise 1.29nV"},  // 1e9 sqrt(4kTR) at 27 °C
      {Command::VirtualCapacitance, kRlcCapacitor, "0.01", "Capa between node and ground", 5, {20, 20, 45, 20},
       "Updated impedance value"},
      {Command::VirtualInductance, kRlcInductor, "1", "Inductor between nodes", 25, {20, 20, 145, 20},
       "Updated impedance value"},
  };
  for (const Case& c : cases) {
    Rlc x;
    x.db.extracted = true;
    x.user = [&](RlcEditor& e) {
      EXPECT_EQ(e.kind, c.kind);
      EXPECT_EQ(e.EditValue, c.value);
      EXPECT_EQ(e.info, c.info);
      EXPECT_EQ(e.target(), 0);
      e.sizeClick(c.size);
      EXPECT_TRUE(e.btnOkClick());
    };
    x.f.execute(c.command);
    x.click({20, 20});
    ASSERT_EQ(x.shown, 1) << c.value;
    ASSERT_EQ(x.db.rlcCount(), 1);
    EXPECT_EQ(x.at(1), c.symbol);
    EXPECT_EQ(x.db.rlc(1).kind, c.kind);
    EXPECT_EQ(x.db.rlc(1).size, c.size);
    EXPECT_EQ(x.db.rlc(1).text, c.value);
    EXPECT_EQ(x.panel(0), c.message);
    EXPECT_TRUE(x.db.modified);
    EXPECT_FALSE(x.db.extracted);
    EXPECT_EQ(x.released, 1);
    x.f.execute(Command::Undo);  // the add is undone like any other
    EXPECT_FALSE(x.db.rlc(1).active);
  }
}

TEST(VirtualRlc, TheSymbolUnderAClickIsEditedAndKeepsItsOrientation) {
  Rlc x;
  x.db.addRlc(10, 10, 10, 15, kRlcResistor, "220", 1);  // vertical
  x.db.addRlc(30, 10, 35, 10, kRlcCapacitor, "0.5", 5);
  x.db.rlc(1).node1 = 3;
  x.db.rlc(1).node2 = 4;
  x.db.rlc(2).node1 = 7;
  x.db.extracted = true;
  x.user = [](RlcEditor& e) {
    EXPECT_EQ(e.target(), 1);
    EXPECT_EQ(e.kind, kRlcResistor);
    EXPECT_EQ(e.EditValue, "220");
    EXPECT_EQ(e.RadioParams, kFixedResistance);
    e.RadioParamsClick(kMetalResistance);
    EXPECT_EQ(e.EditValue, "R(metal)");
    e.sizeClick(25);
    EXPECT_TRUE(e.btnOkClick());
  };
  // a placement click on a symbol of another kind edits that symbol
  x.f.execute(Command::VirtualCapacitance);
  x.click({10, 12});
  EXPECT_EQ(x.panel(1), "R(3,4)");
  EXPECT_EQ(x.at(1), (Rect{10, 10, 10, 135}));  // 125 lambda long
  EXPECT_EQ(x.db.rlc(1).text, "R(metal)");
  EXPECT_EQ(x.db.rlcCount(), 2);
  EXPECT_EQ(x.panel(0), "Updated resistance value");

  // the double-click and the pop-up's Text properties open the same window
  x.user = [](RlcEditor& e) {
    EXPECT_EQ(e.kind, kRlcCapacitor);
    EXPECT_EQ(e.size, 5);
    e.EditValue = "2";
    EXPECT_TRUE(e.btnOkClick());
  };
  x.f.modeNone();
  x.f.mouseDown(x.px({32, 10}), FrameController::Button::Left);
  x.f.mouseUp(x.px({32, 10}), FrameController::Button::Left);
  x.db.extracted = true;
  x.f.doubleClick();
  EXPECT_EQ(x.panel(1), "C(7,vss)");
  EXPECT_EQ(x.db.rlc(2).text, "2");
  EXPECT_EQ(x.f.mode(), kModeNone);
  const PopupMenu menu = x.f.preparePopup(x.px({33, 11}));
  for (std::size_t i = 0; i < menu.items.size(); ++i)
    if (menu.items[i].kind == PopupItem::TextProperties) x.f.choosePopup(menu, i);
  EXPECT_EQ(x.shown, 3);
  EXPECT_EQ(x.panel(0), "Updated impedance value");
}

TEST(VirtualRlc, HitRectangleIsTheSymbolWidenedBySizePlusTenPixels) {
  // 4 pixels per lambda: the symbol (10,10)-(15,10) of size 1 covers pixels
  // x 40..60 at y 360, widened by 11
  LayoutDatabase db;
  SilentStatus status;
  quill::testing::FakeToolView view;
  RlcEditor e(db, TechnologyRules{}, status, view);
  db.addRlc(10, 10, 15, 10, kRlcResistor, "1", 1);
  db.addRlc(14, 10, 19, 10, kRlcResistor, "2", 1);
  const std::pair<LambdaPoint, int> cases[] = {
      {{8, 10}, 1}, {{7, 10}, 0}, {{10, 12}, 1}, {{10, 13}, 0}, {{10, 8}, 1}, {{10, 7}, 0},
      {{15, 10}, 2},  // both: the last in table order
      {{21, 10}, 2}, {{22, 10}, 0},
  };
  for (const auto& [p, hit] : cases) EXPECT_EQ(e.symbolAt(p), hit) << p.x << "," << p.y;
  db.rlc(2).active = 0;
  EXPECT_EQ(e.symbolAt({15, 10}), 1);
}

TEST(VirtualRlc, ResistorTextsAndTheParameterEntriesFollowEachOther) {
  const std::pair<const char*, int> cases[] = {
      {"100", kFixedResistance}, {"R(all)", kAllResistance}, {"R(metal)", kMetalResistance},
      {"R(Metal)=120", kMetalResistance}, {"r(poly)", kPolyResistance}, {"R(diff)", kDiffResistance},
      {"R", kFixedResistance}, {"Rx", kFixedResistance}, {"R(x)", kFixedResistance}, {"", kFixedResistance},
  };
  for (const auto& [text, param] : cases) EXPECT_EQ(rlcParamOfText(text), param) << text;
  for (int p = 0; p < kRlcParamCount; ++p) EXPECT_EQ(rlcParamOfText(rlcParamText(p)), p);
}

TEST(VirtualRlc, AnEmptyValueOrAFullTableAddsNothing) {
  Rlc x;
  for (int i = 0; i < kMaxRlc; ++i) x.db.addRlc(100, 100 + 10 * i, 105, 100 + 10 * i, kRlcResistor, "1", 1);
  x.db.modified = false;
  x.user = [&x](RlcEditor& e) {
    e.EditValue = "";
    EXPECT_FALSE(e.btnOkClick());  // the window stays
    EXPECT_EQ(x.panel(0), "Give the value of the symbol");
    e.EditValue = "47";
    EXPECT_TRUE(e.btnOkClick());
  };
  x.f.execute(Command::VirtualResistance);
  x.click({20, 20});
  EXPECT_EQ(x.panel(0), "Warning : R,L,C table full ...");
  EXPECT_EQ(x.db.rlcCount(), kMaxRlc);
  EXPECT_FALSE(x.db.modified);
  EXPECT_EQ(x.released, 0);
}
