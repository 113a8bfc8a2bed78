// The generators in the main frame's command states: the menu entries open
// the window on their page, the generate button arms a placement, a click
// places the element at the clicked point, failures are said once, and the
// palette's contact and pad placements run through the same primitives.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "core/tests/TestFiles.h"
#include "editor/Frame.h"
#include "editor/GeneratorPlacement.h"
#include "platform/MemorySurface.h"

using namespace quill;

namespace {

// 4 pixels per lambda, lambda (0, 0) at the bottom-left pixel
class FakeView : public FrameView {
 public:
  MemorySurface surf{200, 100};
  int redraws = 0;
  Surface* surface() override { return &surf; }
  LambdaPoint toLambda(PixelPoint p) const override {
    return {static_cast<std::int32_t>(std::lround(p.x / 4.0)),
            static_cast<std::int32_t>(std::lround((100 - p.y) / 4.0))};
  }
  PixelPoint toPixel(LambdaPoint p) const override { return {p.x * 4, 100 - p.y * 4}; }
  Rect viewWindow() const override { return {0, 0, 50, 25}; }
  int lambdaGridStep() const override { return 10; }
  void redraw() override { ++redraws; }
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

struct FakeHelp : HelpOpener {
  bool open(const std::string&) override { return false; }
};

struct Fixture {
  quill::testing::TestContext t;
  AppContext& ctx = t.ctx;
  FakeView view;
  FrameWindow window;
  FakeHelp help;
  FrameController frame{ctx, view, window, help};
  GeneratorSettings settings;
  GeneratorCommands gen{frame, settings};
  std::vector<GeneratorPage> opened;
  int released = 0;
  Fixture() {
    gen.openWindow = [this](GeneratorPage p) { opened.push_back(p); };
    gen.releasePaletteButtons = [this] { ++released; };
  }
  void click(LambdaPoint p) {
    const PixelPoint px = view.toPixel(p);
    frame.mouseMove(px);
    frame.mouseDown(px, FrameController::Button::Left);
    frame.mouseUp(px, FrameController::Button::Left);
  }
  const std::string& prompt() { return t.status.text(StatusMessage::Main); }
};

}  // namespace

TEST(GeneratorCommands, MenuEntriesOpenTheWindowOnTheirPage) {
  Fixture f;
  struct Case {
    Command c;
    GeneratorPage page;
    const char* status;
  };
  const Case cases[] = {
      {Command::GenContacts, GeneratorPage::Contacts, "Add contacts..."},
      {Command::GenPmos, GeneratorPage::Mos, "p-channel MOS Generator"},
      {Command::GenNmos, GeneratorPage::Mos, "n-channel MOS Generator"},
  };
  for (const Case& c : cases) {
    EXPECT_TRUE(f.frame.enabled(c.c));
    f.frame.execute(c.c);
    ASSERT_FALSE(f.opened.empty());
    EXPECT_EQ(f.opened.back(), c.page);
    EXPECT_EQ(f.prompt(), c.status);
    if (c.c == Command::GenPmos) {
      EXPECT_EQ(f.settings.mosKind, MosKind::P);
    }
  }
  EXPECT_EQ(f.settings.mosKind, MosKind::N);
  f.frame.execute(Command::GenPads);
  EXPECT_EQ(f.opened.back(), GeneratorPage::Pads);
  EXPECT_TRUE(f.gen.available(GeneratorPage::Mos));
  EXPECT_FALSE(f.gen.available(GeneratorPage::Inductor));

  // gone with the object: no state or menu entry calls it any more
  {
    GeneratorCommands other(f.frame, f.settings);
  }
  EXPECT_FALSE(f.frame.enabled(Command::GenContacts));
  EXPECT_EQ(f.frame.handler(kModeGenMos), nullptr);
}

TEST(GeneratorCommands, GenerateArmsThePlacementAndEachClickPlacesTheDevice) {
  Fixture f;
  f.settings.mosW = 10;
  f.settings.mosFingers = 2;
  f.ctx.db.addBox(0, 0, 1, 1, kMetal);
  f.gen.arm(GeneratorPage::Mos);
  EXPECT_EQ(f.frame.mode(), kModeGenMos);
  EXPECT_EQ(f.prompt(), "In the drawing, select the location for the MOS...");
  EXPECT_EQ(f.ctx.db.undoBoxMark, 1);  // undo removes what is placed from now on
  EXPECT_TRUE(f.frame.dragging());     // the device's outline follows the cursor
  EXPECT_EQ(f.gen.elementSize(GeneratorPage::Mos), (Rect{0, -1, 26, 14}));

  f.click({10, 5});
  ASSERT_EQ(f.ctx.db.boxCount(), 1 + 9);
  EXPECT_EQ(f.ctx.db.box(2).layer, kDiffn);
  EXPECT_EQ(f.ctx.db.box(2).x1, 10);
  EXPECT_EQ(f.ctx.db.box(2).y1, 7);  // the gate starts at the point, the diffusion R307 above
  EXPECT_TRUE(f.ctx.db.modified);
  EXPECT_EQ(f.released, 1);
  EXPECT_GT(f.view.redraws, 0);
  // drawn once at the end, the layout's extent still follows
  ASSERT_TRUE(f.gen.place(GeneratorPage::Mos, {200, 5}));
  EXPECT_EQ(f.ctx.db.boundingBox().x2, 226);
}

TEST(GeneratorCommands, ContactsAndPadsKeepAnUndoMarkPerPlacement) {
  Fixture f;
  f.settings.contactChoice = ContactChoice::Poly;
  f.gen.arm(GeneratorPage::Contacts);
  EXPECT_EQ(f.frame.mode(), kModeGenContacts);
  EXPECT_EQ(f.prompt(), "In the drawing, select the location for contacts...");
  f.click({5, 5});
  EXPECT_EQ(f.ctx.db.boxCount(), 3);
  ASSERT_TRUE(f.gen.place(GeneratorPage::Contacts, {20, 5}));
  EXPECT_EQ(f.ctx.db.undoBoxMark, 3);
  EXPECT_EQ(f.ctx.db.undoKind, kUndoRemoveAdded);

  // the rubber shape of an array far beyond the box table comes at once
  f.settings.contactRows = f.settings.contactColumns = 100000;
  EXPECT_EQ(f.gen.elementSize(GeneratorPage::Contacts), (Rect{-3, -3, 599997, 599997}));
  f.settings.contactRows = f.settings.contactColumns = 1;

  f.settings.singlePadSize = 50;
  f.gen.arm(GeneratorPage::Pads);
  EXPECT_EQ(f.frame.mode(), kModeGenPad);
  EXPECT_EQ(f.prompt(), "In the drawing, select the location for the bonding pad 50.0x50.0 \xB5m...");
  ASSERT_TRUE(f.gen.place(GeneratorPage::Pads, {100, 100}));
  EXPECT_EQ(f.ctx.db.undoBoxMark, 6);
  EXPECT_EQ(f.ctx.db.box(f.ctx.db.boxCount()).layer, kPassiv);
}

TEST(GeneratorCommands, AFullTableIsSaidOnceAndCancelGoesBackToBoxes) {
  Fixture f;
  for (int i = 0; i < kMaxBoxes - 2; ++i) f.ctx.db.addBox(0, 0, 1, 1, kMetal);
  f.settings.contactChoice = ContactChoice::Diffp;
  f.settings.contactRows = 4;
  EXPECT_FALSE(f.gen.place(GeneratorPage::Contacts, {0, 0}));
  EXPECT_EQ(f.prompt(), "Box table full: contacts not placed");
  EXPECT_EQ(f.ctx.db.boxCount(), kMaxBoxes);
  EXPECT_FALSE(f.gen.place(GeneratorPage::Mos, {0, 0}));
  EXPECT_EQ(f.prompt(), "Box table full: MOS device not placed");

  f.gen.arm(GeneratorPage::Mos);
  f.gen.cancel();
  EXPECT_EQ(f.frame.mode(), kModeBox);
}

TEST(GeneratorCommands, PaletteContactsAndPadsRunThroughThePrimitives) {
  Fixture f;
  FramePaletteHost host(f.frame);
  f.gen.bindPalette(host);
  ASSERT_TRUE(host.contactGenerator && host.padGenerator && host.generatorWindow);
  host.addContact(10, 10, kMetal2);
  ASSERT_EQ(f.ctx.db.boxCount(), 3);
  EXPECT_EQ(f.ctx.db.box(1).layer, kVia);
  host.addBondingPad(0, 0, 20);
  EXPECT_EQ(f.ctx.db.box(f.ctx.db.boxCount()).layer, kPassiv);
  host.openGenerator("MOS");
  EXPECT_EQ(f.opened.back(), GeneratorPage::Mos);
  host.openGenerator("Contacts");
  EXPECT_EQ(f.opened.back(), GeneratorPage::Contacts);
  // a kind that has no contact is refused in the status line
  host.addContact(0, 0, kNwell);
  EXPECT_NE(f.prompt().find("refused"), std::string::npos);
}
