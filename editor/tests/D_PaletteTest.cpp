// The palette window: clicks reach the records and the main frame, and the
// window follows changes made from outside (menu entries, a rule file).
#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QTest>
#include <string>
#include <vector>

#include "editor/ui/D_Palette.h"

using namespace quill;

namespace {

struct RecordingHost : PaletteHost {
  std::vector<std::string> calls;
  void boxMode() override { calls.push_back("boxMode"); }
  void setEditMode(int state, std::string_view p) override {
    calls.push_back("state " + std::to_string(state) + " " + std::string(p));
  }
  void placeText(int code, std::string_view p) override {
    calls.push_back("text " + std::to_string(code) + " " + std::string(p));
  }
  void placeContact(const Rect& r, std::string_view p) override {
    calls.push_back("contact " + std::to_string(r.x1) + "," + std::to_string(r.y1) + "," + std::to_string(r.x2) +
                    "," + std::to_string(r.y2) + " " + std::string(p));
  }
  void openGenerator(std::string_view page) override { calls.push_back("generator " + std::string(page)); }
  void addContact(std::int32_t, std::int32_t, int) override {}
  void addBondingPad(std::int32_t, std::int32_t, std::int32_t) override {}
  void redraw() override { calls.push_back("redraw"); }
  void bringToFront() override {}
  void escape() override { calls.push_back("escape"); }
  const std::string& last() const { return calls.back(); }
};

struct PaletteWindow : ::testing::Test {
  LayoutDatabase db;
  TechnologyRules tech;
  SilentStatus status;
  RecordingHost host;
  Palette palette{db, tech, status, host};

  int row(int layer) const { return paletteRowOf(layer); }
  static QColor captionColour(const QToolButton* b) { return b->palette().color(QPalette::ButtonText); }
};

}  // namespace

TEST_F(PaletteWindow, StartsBesideTheMainWindowWithTheRowsOfTheTechnology) {
  tech.metalLevels = 3;
  TFormPalette w(palette, db.layers);
  w.FormCreate(QRect(100, 50, 800, 600));
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
  EXPECT_EQ(w.windowTitle(), QStringLiteral("Palette"));
  EXPECT_TRUE(w.windowFlags() & Qt::Tool);
  EXPECT_EQ(w.pos(), QPoint(100 + 800 - 124, 50 + 95));
  EXPECT_EQ(w.height(), 344);

  for (int l : {kMetal4, kMetal5, kMetal6, kPoly2}) {
    EXPECT_FALSE(w.layerButton(row(l))->isVisible()) << l;
    EXPECT_FALSE(w.protectButton(row(l))->isVisible()) << l;
  }
  for (int l : {kOption, kMetal3, kMetal2, kMetal, kContact, kPoly, kDiffp, kDiffn, kNwell})
    EXPECT_TRUE(w.layerButton(row(l))->isVisible()) << l;
  // shown rows keep their order, 22 pixels apart
  EXPECT_EQ(w.layerButton(row(kMetal2))->y() - w.layerButton(row(kMetal3))->y(), 22);
  EXPECT_EQ(w.layerButton(row(kMetal3))->y() - w.layerButton(row(kOption))->y(), 22);
  EXPECT_EQ(w.layerButton(row(kContact))->y() - w.layerButton(row(kMetal))->y(), 22);

  EXPECT_EQ(db.currentLayer, kPoly);
  EXPECT_EQ(captionColour(w.layerButton(row(kPoly))), QColor(255, 0, 0));
  EXPECT_NE(captionColour(w.layerButton(row(kMetal))), QColor(255, 0, 0));
  EXPECT_EQ(w.layerButton(row(kPoly))->text(), QStringLiteral("Polysilicon"));
  // the poly button carries a sample of solid poly red
  QImage icon = w.layerButton(row(kPoly))->icon().pixmap(12, 12).toImage();
  EXPECT_EQ(QColor(icon.pixel(6, 6)), QColor(255, 0, 0));

  // a technology with more levels shows them when the window is opened again
  w.hide();
  tech.metalLevels = 6;
  w.show();
  EXPECT_TRUE(w.layerButton(row(kMetal6))->isVisible());
  EXPECT_EQ(w.height(), 410);
}

TEST_F(PaletteWindow, ClicksSetTheLayerProtectAndArmCommands) {
  tech.metalLevels = 6;
  tech.ruleRef(R801) = 4;
  tech.ruleRef(R804) = 2;
  TFormPalette w(palette, db.layers);
  w.FormCreate(QRect(0, 0, 1000, 700));
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));

  QTest::mouseClick(w.layerButton(row(kMetal3)), Qt::LeftButton);
  EXPECT_EQ(db.currentLayer, kMetal3);
  EXPECT_EQ(status.text(0), "Set layer to metal3.");
  EXPECT_EQ(captionColour(w.layerButton(row(kMetal3))), QColor(255, 0, 0));
  EXPECT_NE(captionColour(w.layerButton(row(kPoly))), QColor(255, 0, 0));
  EXPECT_EQ(w.toolButton(PaletteTool::ContactMetal2)->toolTip(), QStringLiteral("Contact metal2/metal3"));

  // protect metal4: it and via3 are protected, and metal4 is the layer now
  QTest::mouseClick(w.protectButton(row(kMetal4)), Qt::LeftButton);
  EXPECT_TRUE(w.protectButton(row(kMetal4))->isChecked());
  EXPECT_TRUE(db.layers[kMetal4].isProtected);
  EXPECT_TRUE(db.layers[kVia3].isProtected);
  EXPECT_EQ(db.currentLayer, kMetal4);
  EXPECT_EQ(w.protectButton(row(kMetal4))->toolTip(), QStringLiteral("Unprotect metal4"));
  QTest::mouseClick(w.protectButton(row(kMetal4)), Qt::LeftButton);
  EXPECT_FALSE(w.protectButton(row(kMetal4))->isChecked());
  EXPECT_FALSE(db.layers[kVia3].isProtected);

  // the Metal1/Metal2 button places a via of the layer in use
  db.currentLayer = kMetal3;
  host.calls.clear();
  QTest::mouseClick(w.toolButton(PaletteTool::ContactMetal2), Qt::LeftButton);
  EXPECT_EQ(host.last(), "contact -4,-4,4,4 Enter the location for contact metal3...");
  EXPECT_TRUE(w.toolButton(PaletteTool::ContactMetal2)->isChecked());
  // the group is exclusive
  QTest::mouseClick(w.toolButton(PaletteTool::Vdd), Qt::LeftButton);
  EXPECT_EQ(host.last(), "text 2 In the layout, select the location for the property...");
  EXPECT_TRUE(w.toolButton(PaletteTool::Vdd)->isChecked());
  EXPECT_FALSE(w.toolButton(PaletteTool::ContactMetal2)->isChecked());
  // clicking the pressed button arms it again instead of raising it
  QTest::mouseClick(w.toolButton(PaletteTool::Vdd), Qt::LeftButton);
  EXPECT_TRUE(w.toolButton(PaletteTool::Vdd)->isChecked());
  QTest::mouseClick(w.toolButton(PaletteTool::Res), Qt::LeftButton);
  EXPECT_EQ(host.last(), "state 43 In the layout, fix the resistance position ...");
  EXPECT_EQ(w.toolButton(PaletteTool::Res)->toolTip(), QStringLiteral("Add virtual Resistance"));

  // Escape on the palette goes to the main window and releases the button
  QTest::keyClick(&w, Qt::Key_Escape);
  EXPECT_EQ(status.text(0), "<Escape>");
  EXPECT_EQ(host.last(), "escape");
  EXPECT_FALSE(w.toolButton(PaletteTool::Res)->isChecked());
}

TEST_F(PaletteWindow, FollowsTheMenuEntries) {
  tech.metalLevels = 4;
  TFormPalette w(palette, db.layers);
  w.FormCreate(QRect(0, 0, 1000, 700));
  palette.ProtectAll();
  EXPECT_TRUE(w.protectButton(row(kMetal4))->isChecked());
  EXPECT_TRUE(w.protectButton(row(kOption))->isChecked());
  EXPECT_FALSE(w.protectButton(row(kMetal5))->isChecked());
  EXPECT_TRUE(db.layers[kVia3].isProtected);
  palette.UnprotectAll();
  for (int r = 0; r < kPaletteRowCount; ++r) EXPECT_FALSE(w.protectButton(r)->isChecked()) << r;

  palette.ToolClick(PaletteTool::Sinus);
  EXPECT_TRUE(w.toolButton(PaletteTool::Sinus)->isChecked());
  palette.ReleasePropertyButtons();
  EXPECT_FALSE(w.toolButton(PaletteTool::Sinus)->isChecked());
}
