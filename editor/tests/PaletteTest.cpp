// The layer palette's logic against a host that records what it is asked.
#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <string>
#include <vector>

#include "editor/Palette.h"

using namespace quill;

namespace {

struct FakeHost : PaletteHost {
  LayoutDatabase* db = nullptr;
  std::vector<std::string> calls;
  void boxMode() override { calls.push_back("boxMode"); }
  void setEditMode(int state, std::string_view prompt) override {
    calls.push_back("state " + std::to_string(state) + " " + std::string(prompt));
  }
  void placeText(int code, std::string_view prompt) override {
    calls.push_back("text " + std::to_string(code) + " " + std::string(prompt));
  }
  void placeContact(const Rect& r, std::string_view prompt) override {
    calls.push_back("contact " + std::to_string(r.x1) + "," + std::to_string(r.y1) + "," + std::to_string(r.x2) +
                    "," + std::to_string(r.y2) + " " + std::string(prompt));
  }
  void openGenerator(std::string_view page) override { calls.push_back("generator " + std::string(page)); }
  // a stand-in for the contact primitive: lower plate, cut, metal
  void addContact(std::int32_t x, std::int32_t y, int kind) override {
    calls.push_back("addContact " + std::to_string(x) + "," + std::to_string(y) + " " + db->layers[kind].name);
    db->addBox(x - 2, y - 2, x + 2, y + 2, kind);
    db->addBox(x - 1, y - 1, x + 1, y + 1, kContact);
    db->addBox(x - 2, y - 2, x + 2, y + 2, kMetal);
  }
  void addBondingPad(std::int32_t x, std::int32_t y, std::int32_t size) override {
    calls.push_back("addPad " + std::to_string(x) + "," + std::to_string(y) + " " + std::to_string(size));
    db->addBox(x, y, x + size, y + size, kPassiv);
  }
  void redraw() override { calls.push_back("redraw"); }
  void bringToFront() override { calls.push_back("front"); }
  void escape() override { calls.push_back("escape"); }

  bool called(const std::string& c) const {
    for (const auto& s : calls)
      if (s == c) return true;
    return false;
  }
};

struct PaletteFixture : ::testing::Test {
  LayoutDatabase db;
  TechnologyRules tech;
  SilentStatus status;
  FakeHost host;
  Palette palette{db, tech, status, host};
  int changes = 0;

  void SetUp() override {
    host.db = &db;
    tech.metalLevels = 6;
    palette.setOnChanged([this] { ++changes; });
    palette.Init();
    host.calls.clear();
  }
  const std::string& message() const { return status.text(StatusMessage::Main); }
  int row(int layer) const { return paletteRowOf(layer); }
};

}  // namespace

TEST_F(PaletteFixture, StartsOnPolyInBoxModeWithEveryLayerOpen) {
  LayoutDatabase d;
  FakeHost h;
  h.db = &d;
  d.currentLayer = kMetal;
  Palette p(d, tech, status, h);
  p.Init();
  EXPECT_EQ(d.currentLayer, kPoly);
  EXPECT_EQ(message(), "Set layer to poly.");
  EXPECT_TRUE(h.called("boxMode"));
  EXPECT_TRUE(h.called("redraw"));
  EXPECT_EQ(p.highlightedRow(), paletteRowOf(kPoly));
  for (int r = 0; r < kPaletteRowCount; ++r) EXPECT_FALSE(p.protectDown(r)) << r;
  EXPECT_EQ(p.toolHint(PaletteTool::ContactPoly), "Contact metal/poly");
  EXPECT_EQ(p.toolHint(PaletteTool::ContactMetal2), "Contact metal/metal2");
}

// Each protect button takes its layer, and a metal above metal1 the via
// below it; releasing frees both, and the layer becomes current either way.
TEST_F(PaletteFixture, ProtectButtonsGuardTheLayerAndTheViaBelow) {
  struct Case { int layer; int via; };
  const Case cases[] = {
      {kMetal2, kVia}, {kMetal3, kVia2}, {kMetal4, kVia3}, {kMetal5, kVia4}, {kMetal6, kVia5},
      {kMetal, 0}, {kPoly2, 0}, {kContact, 0}, {kPoly, 0}, {kDiffp, 0}, {kDiffn, 0}, {kNwell, 0}, {kOption, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(db.layers[c.layer].name);
    db.currentLayer = kDiffn == c.layer ? kPoly : kDiffn;
    host.calls.clear();
    palette.ToggleProtection(c.layer);
    EXPECT_EQ(db.currentLayer, c.layer);
    EXPECT_TRUE(db.layers[c.layer].isProtected);
    if (c.via) {
      EXPECT_TRUE(db.layers[c.via].isProtected);
    }
    EXPECT_TRUE(palette.protectDown(row(c.layer)));
    EXPECT_EQ(message(), "Protect " + db.layers[c.layer].name + ". Delete, copy, stetch commands cannot modify this layer");
    EXPECT_FALSE(host.called("boxMode"));  // protecting keeps the command going
    EXPECT_TRUE(host.called("redraw"));
    if (c.layer != kOption) {
      EXPECT_EQ(palette.protectHint(row(c.layer)), "Unprotect " + db.layers[c.layer].name);
    }

    host.calls.clear();
    palette.ToggleProtection(c.layer);
    EXPECT_EQ(db.currentLayer, c.layer);
    EXPECT_FALSE(db.layers[c.layer].isProtected);
    if (c.via) {
      EXPECT_FALSE(db.layers[c.via].isProtected);
    }
    EXPECT_FALSE(palette.protectDown(row(c.layer)));
    EXPECT_EQ(message(), "Unprotect " + db.layers[c.layer].name + ". Editing commands become active on this layer ");
    EXPECT_TRUE(host.called("boxMode"));
    if (c.layer != kOption) {
      EXPECT_EQ(palette.protectHint(row(c.layer)), "Protect " + db.layers[c.layer].name);
    }
  }
  EXPECT_EQ(palette.protectHint(row(kOption)), "Protect options");
  for (int l = 1; l <= kLayerCount; ++l) EXPECT_FALSE(db.layers[l].isProtected) << l;
}

// Choosing a protected metal again frees its via too, whether by its layer
// button or by the path keys, and its protect button comes up with it.
TEST_F(PaletteFixture, SetLayerOnAProtectedMetalFreesItsVia) {
  for (bool full : {true, false}) {
    SCOPED_TRACE(full);
    palette.ToggleProtection(kMetal4);
    palette.SetLayer(kMetal2, true);
    ASSERT_TRUE(db.layers[kVia3].isProtected);
    palette.SetLayer(kMetal4, full);
    EXPECT_EQ(db.currentLayer, kMetal4);
    EXPECT_FALSE(db.layers[kMetal4].isProtected);
    EXPECT_FALSE(db.layers[kVia3].isProtected);
    EXPECT_FALSE(palette.protectDown(row(kMetal4)));
  }
}

TEST_F(PaletteFixture, SetLayerSelectsHighlightsAndSetsTheContactHints) {
  struct Case { int layer; bool red; const char* polyHint; const char* metalHint; };
  // in order: a layer above metal6 keeps the metal contact hint it had
  const Case cases[] = {
      {kPoly, true, "Contact metal/poly", "Contact metal/metal2"},
      {kPoly2, true, "Contact metal/poly2", "Contact metal/metal2"},
      {kMetal2, true, "Contact metal/poly2", "Contact metal/metal2"},
      {kVia2, false, "Contact metal/poly2", "Contact metal2/metal3"},
      {kMetal3, true, "Contact metal/poly2", "Contact metal2/metal3"},
      {kMetal4, true, "Contact metal/poly2", "Contact metal3/metal4"},
      {kMetal5, true, "Contact metal/poly2", "Contact metal4/metal5"},
      {kMetal6, true, "Contact metal/poly2", "Contact metal5/metal6"},
      {kPassiv, false, "Contact metal/poly2", "Contact metal5/metal6"},
      {kDiffn, true, "Contact metal/poly2", "Contact metal/metal2"},
  };
  tech.doublePoly = true;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.layer);
    host.calls.clear();
    palette.SetLayer(c.layer, true);
    EXPECT_EQ(db.currentLayer, c.layer);
    EXPECT_EQ(message(), "Set layer to " + db.layers[c.layer].name + ".");
    EXPECT_EQ(palette.highlightedRow(), c.red ? row(c.layer) : -1);
    EXPECT_EQ(palette.toolHint(PaletteTool::ContactPoly), c.polyHint);
    EXPECT_EQ(palette.toolHint(PaletteTool::ContactMetal2), c.metalHint);
    EXPECT_EQ(host.calls, (std::vector<std::string>{"boxMode", "front", "redraw"}));
  }
  // without the full flag: no box mode, no redraw, the main window still comes forward
  host.calls.clear();
  palette.SetLayer(kMetal3, false);
  EXPECT_EQ(host.calls, std::vector<std::string>{"front"});
}

TEST_F(PaletteFixture, RowsAndHeightFollowTheTechnology) {
  struct Case { int levels; bool doublePoly; std::vector<int> hidden; int height; };
  const Case cases[] = {
      {6, false, {kPoly2}, 410},
      {5, true, {kMetal6}, 388},
      {3, false, {kMetal4, kMetal5, kMetal6, kPoly2}, 344},
      {2, false, {kMetal3, kMetal4, kMetal5, kMetal6, kPoly2}, 322},
      {1, false, {kMetal2, kMetal3, kMetal4, kMetal5, kMetal6, kPoly2}, 300},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.levels);
    tech.metalLevels = c.levels;
    tech.doublePoly = c.doublePoly;
    palette.ShowMetalButtons(true);
    for (int r = 0; r < kPaletteRowCount; ++r) {
      int layer = paletteRows()[static_cast<std::size_t>(r)].layer;
      bool hidden = std::find(c.hidden.begin(), c.hidden.end(), layer) != c.hidden.end();
      EXPECT_EQ(palette.rowShown(r), !hidden) << paletteRows()[static_cast<std::size_t>(r)].caption;
    }
    EXPECT_EQ(palette.windowHeight(), c.height);
  }
}

TEST_F(PaletteFixture, AReadTechnologyBringsTheCurrentLayerDownToItsTopMetal) {
  struct Case { int levels; int before; int after; };
  const Case cases[] = {
      {3, kMetal5, kMetal3}, {3, kMetal3, kMetal3}, {3, kVia2, kVia2}, {3, kPassiv, kMetal3},
      {2, kMetal3, kMetal2}, {1, kMetal2, kMetal2}, {6, kMetal6, kMetal6}, {6, kPwell, kMetal6}, {4, kPoly, kPoly},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.levels) + " " + std::to_string(c.before));
    tech.metalLevels = c.levels;
    db.currentLayer = c.before;
    palette.ShowMetalButtons(true);
    EXPECT_EQ(db.currentLayer, c.after);
  }
  // a metal5 shown red before is no row at all with three levels
  tech.metalLevels = 3;
  db.currentLayer = kMetal5;
  EXPECT_EQ(palette.highlightedRow(), -1);
}

TEST_F(PaletteFixture, ReadingARuleFileReleasesButtonsButKeepsTheFlags) {
  for (int l : {kMetal2, kMetal6, kPoly, kNwell, kContact}) palette.ToggleProtection(l);
  palette.ShowMetalButtons(true);
  for (int l : {kMetal2, kMetal6, kPoly, kNwell}) {
    EXPECT_FALSE(palette.protectDown(row(l))) << l;
    EXPECT_TRUE(db.layers[l].isProtected) << l;
  }
  EXPECT_TRUE(db.layers[kVia].isProtected);
  EXPECT_TRUE(palette.protectDown(row(kContact)));
  // without release the buttons stay as they are
  palette.ToggleProtection(kMetal3);
  palette.ShowMetalButtons(false);
  EXPECT_TRUE(palette.protectDown(row(kMetal3)));
}

TEST_F(PaletteFixture, ProtectAllCoversTheLevelsThatExistAndUnprotectAllFreesEverything) {
  tech.metalLevels = 3;
  palette.ShowMetalButtons(true);
  db.currentLayer = kDiffp;
  host.calls.clear();
  palette.ProtectAll();
  EXPECT_EQ(message(), "Protect all");
  EXPECT_EQ(db.currentLayer, kDiffp);
  EXPECT_TRUE(host.called("redraw"));
  for (int l : {kOption, kMetal3, kVia2, kMetal2, kVia, kMetal, kPoly2, kContact, kPoly, kDiffp, kDiffn, kNwell})
    EXPECT_TRUE(db.layers[l].isProtected) << l;
  for (int l : {kMetal4, kVia3, kMetal5, kVia4, kMetal6, kVia5, kPwell, kPassiv})
    EXPECT_FALSE(db.layers[l].isProtected) << l;
  EXPECT_TRUE(palette.protectDown(row(kOption)));
  EXPECT_FALSE(palette.protectDown(row(kMetal4)));

  // a button already down still protects a layer that was freed elsewhere
  db.layers[kMetal2].isProtected = false;
  db.layers[kVia].isProtected = false;
  ASSERT_TRUE(palette.protectDown(row(kMetal2)));
  palette.ProtectAll();
  EXPECT_TRUE(db.layers[kMetal2].isProtected);
  EXPECT_TRUE(db.layers[kVia].isProtected);

  db.layers[kPwell].isProtected = true;
  palette.UnprotectAll();
  EXPECT_EQ(message(), "Unprotect layers ...");
  for (int l = 1; l <= kLayerCount; ++l) EXPECT_FALSE(db.layers[l].isProtected) << l;
  for (int r = 0; r < kPaletteRowCount; ++r) EXPECT_FALSE(palette.protectDown(r)) << r;
}

TEST_F(PaletteFixture, ContactButtonsArmTheSizedSquareOfTheirKind) {
  tech.ruleRef(R401) = 2; tech.ruleRef(R403) = 1;  // 4
  tech.ruleRef(R311) = 3;                          // 7
  tech.ruleRef(R601) = 3; tech.ruleRef(R604) = 1;  // 5
  tech.ruleRef(R801) = 4; tech.ruleRef(R804) = 2;  // 8
  tech.ruleRef(RA01) = 5; tech.ruleRef(RA04) = 1;  // 7
  tech.ruleRef(RC01) = 2; tech.ruleRef(RC04) = 2;  // 6
  tech.ruleRef(RE01) = 9; tech.ruleRef(RE04) = 3;  // 15
  struct Case { PaletteTool tool; int current; int kind; int size; const char* host; };
  const Case cases[] = {
      {PaletteTool::ContactDiffn, kMetal3, kDiffn, 4, "contact -2,-2,2,2 Enter the location for contact Diffn..."},
      {PaletteTool::ContactDiffp, kPoly, kDiffp, 4, "contact -2,-2,2,2 Enter the location for contact Diffp..."},
      {PaletteTool::ContactPoly, kPoly, kPoly, 4, "contact -2,-2,2,2 Enter the location for contact poly..."},
      {PaletteTool::ContactPoly, kPoly2, kPoly2, 7, "contact -3,-3,4,4 Enter the location for contact poly2..."},
      {PaletteTool::ContactVia, kMetal5, kMetal2, 5, "contact -2,-2,3,3 Enter the location for contact metal2..."},
      {PaletteTool::ContactMetal2, kMetal, kMetal2, 5, "contact -2,-2,3,3 Enter the location for contact metal2..."},
      {PaletteTool::ContactMetal2, kMetal2, kMetal2, 5, "contact -2,-2,3,3 Enter the location for contact metal2..."},
      {PaletteTool::ContactMetal2, kMetal3, kMetal3, 8, "contact -4,-4,4,4 Enter the location for contact metal3..."},
      {PaletteTool::ContactMetal2, kVia3, kMetal4, 7, "contact -3,-3,4,4 Enter the location for contact metal4..."},
      {PaletteTool::ContactMetal2, kMetal5, kMetal5, 6, "contact -3,-3,3,3 Enter the location for contact metal5..."},
      {PaletteTool::ContactMetal2, kMetal6, kMetal6, 15, "contact -7,-7,8,8 Enter the location for contact metal6..."},
      {PaletteTool::ContactMetal2, kPassiv, kMetal6, 15, "contact -7,-7,8,8 Enter the location for contact metal6..."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.host);
    db.currentLayer = c.current;
    host.calls.clear();
    palette.ToolClick(c.tool);
    EXPECT_EQ(palette.contactKind(), c.kind);
    EXPECT_EQ(palette.elementSize(), c.size);
    EXPECT_EQ(host.calls, std::vector<std::string>{c.host});
    EXPECT_EQ(palette.pressedTool(), c.tool);
  }
}

TEST_F(PaletteFixture, ContactSizesFromHugeRulesStayInside32Bits) {
  tech.ruleRef(R401) = std::numeric_limits<std::int32_t>::max();
  tech.ruleRef(R403) = std::numeric_limits<std::int32_t>::max();
  palette.ToolClick(PaletteTool::ContactDiffn);
  EXPECT_EQ(palette.elementSize(), std::numeric_limits<std::int32_t>::max());
  Rect s = palette.placementShape();
  EXPECT_EQ(s.x1, -1073741823);
  EXPECT_EQ(s.x2, 1073741824);
  // a negative size from a broken rule file gives a point, not an inverted square
  tech.ruleRef(R401) = -9;
  tech.ruleRef(R403) = 0;
  palette.ToolClick(PaletteTool::ContactDiffn);
  EXPECT_EQ(palette.placementShape(), (Rect{0, 0, 0, 0}));
}

TEST_F(PaletteFixture, PlacingAContactAddsItEndsTheCommandAndMarksTheUndo) {
  db.addBox(0, 0, 10, 10, kMetal);
  db.extracted = true;
  db.currentLayer = kMetal3;
  palette.ToolClick(PaletteTool::ContactMetal2);
  host.calls.clear();
  palette.PlaceContact(12, -4);
  EXPECT_EQ(host.calls, (std::vector<std::string>{"addContact 12,-4 metal3", "boxMode", "redraw"}));
  EXPECT_EQ(message(), "Contact fixed at 12,-4 on the layout");
  EXPECT_EQ(db.boxCount(), 4);
  EXPECT_EQ(db.undoBoxMark, 1);  // undo removes the contact only
  EXPECT_EQ(db.undoKind, 0);
  EXPECT_TRUE(db.modified);
  EXPECT_FALSE(db.extracted);
  EXPECT_FALSE(palette.pressedTool().has_value());
}

TEST_F(PaletteFixture, PadPlacementTakesItsSizeInLambda) {
  struct Case { double padUm; double lambda; int size; };
  const Case cases[] = {{80, 0.5, 161}, {50, 0.125, 401}, {1.25, 0.5, 3}, {1.75, 0.5, 5}};  // halves to even
  for (const Case& c : cases) {
    SCOPED_TRACE(c.padUm);
    tech.lambda = c.lambda;
    palette.setPadPlacement(c.padUm);
    host.calls.clear();
    palette.PlaceContact(7, 8);
    EXPECT_EQ(host.calls.front(), "addPad 7,8 " + std::to_string(c.size));
    EXPECT_EQ(message(), "Contact fixed at 7,8 on the layout");
  }
}

TEST_F(PaletteFixture, AnUnknownContactKindAddsNothing) {
  for (int kind : {int(kContact), int(kMetal), int(kVia2), int(kOption), 0, 31}) {
    SCOPED_TRACE(kind);
    palette.ToolClick(PaletteTool::ContactPoly);
    palette.setContactKind(kind);
    db.undoKind = kUndoNone;
    host.calls.clear();
    palette.PlaceContact(1, 1);
    EXPECT_EQ(message(), "Unvalid layer for contact");
    EXPECT_TRUE(host.calls.empty());
    EXPECT_EQ(db.boxCount(), 0);
    EXPECT_EQ(db.undoKind, kUndoNone);
    EXPECT_FALSE(db.modified);
    EXPECT_EQ(palette.pressedTool(), PaletteTool::ContactPoly);  // still waiting for a placement
  }
}

TEST_F(PaletteFixture, AFullBoxTableIsReportedNotCalledAContact) {
  for (int i = 0; i < kMaxBoxes; ++i) db.addBox(i, 0, i + 1, 1, kMetal);
  db.modified = false;
  palette.ToolClick(PaletteTool::ContactDiffn);
  palette.PlaceContact(3, 3);
  EXPECT_EQ(message(), "Warning : box data base full ...");
  EXPECT_EQ(db.boxCount(), kMaxBoxes);
  EXPECT_FALSE(db.modified);
  EXPECT_TRUE(host.called("boxMode"));
}

TEST_F(PaletteFixture, OtherButtonsArmTheirCommands) {
  struct Case { PaletteTool tool; const char* host; const char* status; };
  const char* prop = "In the layout, select the location for the property...";
  const Case cases[] = {
      {PaletteTool::Mos, "generator MOS", "MOS Generator"},
      {PaletteTool::Contacts, "generator Contacts", "Add contacts..."},
      {PaletteTool::Res, "state 43 In the layout, fix the resistance position ...", nullptr},
      {PaletteTool::Capa, "state 46 In the layout, fix the capacitance position ...", nullptr},
      {PaletteTool::Inductor, "state 31 In the layout, fix the virtual inductor position ...", nullptr},
      {PaletteTool::Vss, "text 1 ", nullptr},
      {PaletteTool::Vdd, "text 2 ", nullptr},
      {PaletteTool::VddH, "text 3 ", nullptr},
      {PaletteTool::Pulse, "text 4 ", nullptr},
      {PaletteTool::Clock, "text 5 ", nullptr},
      {PaletteTool::Visible, "text 6 ", nullptr},
      {PaletteTool::Sinus, "text 8 ", nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(paletteToolInfo(c.tool).name);
    host.calls.clear();
    status.write(StatusMessage::Main, "");
    palette.ToolClick(c.tool);
    std::string expected = c.host;
    if (expected.rfind("text ", 0) == 0) expected += prop;
    EXPECT_EQ(host.calls, std::vector<std::string>{expected});
    if (c.status) {
      EXPECT_EQ(message(), c.status);
    }
    EXPECT_EQ(palette.pressedTool(), c.tool);
  }
}

TEST_F(PaletteFixture, ReleasingButtonsAndEscape) {
  palette.ToolClick(PaletteTool::Clock);
  host.calls.clear();
  palette.ReleasePropertyButtons();
  EXPECT_FALSE(palette.pressedTool().has_value());
  EXPECT_EQ(host.calls, std::vector<std::string>{"boxMode"});

  // a contact button is not a property button
  palette.ToolClick(PaletteTool::ContactDiffp);
  palette.ReleasePropertyButtons();
  EXPECT_EQ(palette.pressedTool(), PaletteTool::ContactDiffp);

  // a layer button ends the command
  palette.SetLayer(kMetal, true);
  EXPECT_FALSE(palette.pressedTool().has_value());

  palette.ToolClick(PaletteTool::Res);
  host.calls.clear();
  int before = changes;
  palette.Escape();
  EXPECT_EQ(message(), "<Escape>");
  EXPECT_EQ(host.calls, std::vector<std::string>{"escape"});
  EXPECT_FALSE(palette.pressedTool().has_value());
  EXPECT_GT(changes, before);
}
