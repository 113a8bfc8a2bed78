// The main window's command controller, headless: prompts, the mouse
// protocol with its rubber shapes, keys, ask-to-save, leave, long
// operations, node names, the pop-up, help and printing, with a fake view,
// fake operations and a fake clock.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "core/MskFile.h"
#include "core/Text.h"
#include "core/TextFile.h"
#include "core/tests/TestFiles.h"
#include "editor/Frame.h"
#include "platform/MemorySurface.h"

using namespace quill;
using quill::testing::TempDir;

namespace {

// 4 pixels per lambda; lambda (0, 0) at the bottom-left pixel, moved by scrolling.
class FakeView : public FrameView {
 public:
  explicit FakeView(LayoutDatabase& db) : db_(db) {}
  MemorySurface surf{200, 100};
  int ox = 0, oy = 0;  // view window's lower-left corner, lambda
  int redraws = 0, viewAlls = 0;
  std::vector<std::pair<PixelPoint, PixelPoint>> zooms, rulers;
  bool mono = false, white = false, lambdaGrid = true, routingGrid = false, header = false;
  std::vector<bool> headerAtDraw;
  int gridStep = 10;

  Surface* surface() override { return &surf; }
  LambdaPoint toLambda(PixelPoint p) const override {
    return {static_cast<std::int32_t>(std::lround(p.x / 4.0)) + ox,
            static_cast<std::int32_t>(std::lround((100 - p.y) / 4.0)) + oy};
  }
  PixelPoint toPixel(LambdaPoint p) const override { return {(p.x - ox) * 4, 100 - (p.y - oy) * 4}; }
  Rect viewWindow() const override { return {ox, oy, ox + 50, oy + 25}; }
  int lambdaGridStep() const override { return gridStep; }
  void redraw() override {
    ++redraws;
    headerAtDraw.push_back(header);
    surf.setPenMode(PenMode::Copy);
    surf.fillRect(0, 0, 200, 100, white ? rgb(255, 255, 255) : 0);
  }
  void viewAll() override {
    ++viewAlls;
    redraw();
  }
  void zoomInArea(PixelPoint a, PixelPoint b) override {
    zooms.push_back({a, b});
    redraw();
  }
  void zoomOut() override { redraw(); }
  void scrollHorizontal(int d) override {
    ox += d > 0 ? 10 : -10;
    redraw();
  }
  void scrollVertical(int d) override {
    oy += d > 0 ? 5 : -5;
    redraw();
  }
  void ruler(PixelPoint a, PixelPoint b) override {
    rulers.push_back({a, b});
    redraw();
  }
  void clearRuler() override {}
  bool monochrome() const override { return mono; }
  void setMonochrome(bool on) override {
    mono = on;
    redraw();
  }
  bool whiteBackground() const override { return white; }
  void toggleBackground() override {
    white = !white;
    redraw();
  }
  bool lambdaGridOn() const override { return lambdaGrid; }
  void toggleLambdaGrid() override { lambdaGrid = !lambdaGrid; }
  bool routingGridOn() const override { return routingGrid; }
  void toggleRoutingGrid() override { routingGrid = !routingGrid; }
  void setPrintHeader(bool on) override { header = on; }
  void boxesAt(LambdaPoint p, std::vector<int>& out) override {
    out.clear();
    for (int i = 1; i <= db_.boxCount(); ++i)
      if (db_.box(i).state != 0 && db_.boxIntersects(i, p.x, p.y, p.x, p.y)) out.push_back(i);
  }

 private:
  LayoutDatabase& db_;
};

struct FakeWindow : FrameWindow {
  std::string title;
  Command pressed = Command::None;
  bool printConfirmed = true;
  int prints = 0, closes = 0;
  std::vector<bool> whiteWhenPrinted;
  FakeView* view = nullptr;
  void setTitle(const std::string& t) override { title = t; }
  void pressModeButton(Command c) override { pressed = c; }
  bool printDialog() override { return printConfirmed; }
  void printDrawingArea() override {
    ++prints;
    whiteWhenPrinted.push_back(view->white);
  }
  void closeProgram() override { ++closes; }
};

struct FakeHelp : HelpOpener {
  bool found = false;
  std::vector<std::string> opened;
  bool open(const std::string& page) override {
    opened.push_back(page);
    return found;
  }
};

struct FakePalette : FramePalette {
  int shown = 0, protectAlls = 0, unprotectAlls = 0;
  std::vector<bool> metalButtons;
  void showPalette() override { ++shown; }
  void protectAll() override { ++protectAlls; }
  void unprotectAll() override { ++unprotectAlls; }
  void showMetalButtons(bool release) override { metalButtons.push_back(release); }
};

// An operation that records what it was called with.
struct FakeOperation : StateHandler {
  std::vector<std::pair<LambdaPoint, LambdaPoint>> releases;
  std::vector<LambdaPoint> presses;
  std::vector<char> keys;
  int cancels = 0;
  std::function<bool(FrameController&, LambdaPoint)> onPress;
  std::function<void(FrameController&, LambdaPoint, LambdaPoint)> onRelease;
  std::vector<Rect> outlines;

  bool press(FrameController& f, LambdaPoint p) override {
    presses.push_back(p);
    return onPress ? onPress(f, p) : false;
  }
  void release(FrameController& f, LambdaPoint a, LambdaPoint b) override {
    releases.push_back({a, b});
    if (onRelease) onRelease(f, a, b);
  }
  void rubberOutlines(FrameController&, LambdaPoint, LambdaPoint, std::vector<Rect>& out) override {
    out = outlines;
  }
  void key(FrameController&, char c) override { keys.push_back(c); }
  void cancel(FrameController&) override { ++cancels; }
};

struct Fixture {
  quill::testing::TestContext t;
  AppContext& ctx = t.ctx;
  LayoutDatabase& db = t.ctx.db;
  FakeView view{t.ctx.db};
  FakeWindow window;
  FakeHelp help;
  FakePalette palette;
  FrameController f{t.ctx, view, window, help};
  Fixture() {
    window.view = &view;
    f.setPalette(&palette);
    f.boxMode();
  }
  const std::string& panel(int i) { return t.status.text(i); }
  void drag(PixelPoint a, PixelPoint b) {
    f.mouseDown(a, FrameController::Button::Left);
    f.mouseMove(b);
    f.mouseUp(b, FrameController::Button::Left);
  }
};

// taken before any test changes the working directory
const std::string kDataDir = [] {
  const char* d = std::getenv("QUILLMERE_DATA");
  return std::filesystem::absolute(d ? d : "../../data").string();
}();
std::string dataFile(const std::string& name) { return kDataDir + "/" + name; }

}  // namespace

TEST(Frame, CommandsEnterTheirStateWithItsPrompt) {
  struct Case {
    Command command;
    int mode;
    const char* prompt;
  };
  const Case cases[] = {
      {Command::Cut, 4, "Select in the drawing the portion of layout to cut... "},
      {Command::ViewInterconnect, 5, "Click in the layout the interconnect..."},
      {Command::Rotate90, 6, "Select the drawing to rotate..."},
      {Command::RotateMinus90, 7, "Select the drawing to rotate..."},
      {Command::ZoomIn, 10, "Select the area to zoom in..."},
      {Command::ViewNode, 12, "In the drawing, select the node to view..."},
      {Command::MeasureDistance, 13, "Create a point-to-point line in the drawing ..."},
      {Command::Copy, 14, "Select in the drawing the elements to copy ..."},
      {Command::TextTool, 16, "Fix the text location with the cursor..."},
      {Command::MosCharacteristics, 21,
       "Click the desired MOS channel (crossing between poly and diffusion)..."},
      {Command::MoveStretch, 25, "In the layout, give the box border to stretch..."},
      {Command::VirtualInductance, 31, "In the layout, fix the virtual inductor position ..."},
      {Command::CrossSection2D, 33,
       "Draw with the mouse the line indicating where the vertical process must be shown..."},
      {Command::FlipHorizontal, 36, "Select in the drawing the elements to flip horizontally..."},
      {Command::FlipVertical, 37, "Select in the drawing the elements to flip vertically..."},
      {Command::Parametric, 39, "Select the text for parametric analysis, or click anywhere"},
      {Command::MoveStep, 40, "In the layout, select the area to move ..."},
      {Command::Duplicate, 41, "Select in the drawing the portion of layout to duplicate in X Y... "},
      {Command::VirtualResistance, 43, "In the layout, fix the resistance position ..."},
      {Command::VirtualCapacitance, 46, "In the layout, fix the capacitance position ..."},
      {Command::LayerConnection, 48, "Fix the location of connector between layers..."},
      {Command::ViewNodeTool, 12, "Select a node in the drawing..."},
  };
  Fixture x;
  FakeOperation op;
  for (const Case& c : cases) x.f.registerHandler(c.mode, &op);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.prompt);
    x.f.boxMode();
    x.t.status.write(0, "");
    ASSERT_TRUE(x.f.enabled(c.command));
    x.f.execute(c.command);
    EXPECT_EQ(x.f.mode(), c.mode);
    EXPECT_EQ(x.panel(0), c.prompt);
    EXPECT_EQ(x.window.pressed, buttonForMode(c.mode));
  }
}

TEST(Frame, StatesWithoutTheirOperationAreDisabledAndRefused) {
  Fixture x;
  for (Command c : {Command::Cut, Command::Copy, Command::MoveStretch, Command::ViewNode, Command::TextTool,
                    Command::Drc, Command::ImportCif, Command::Undo, Command::SimVoltageTime}) {
    EXPECT_FALSE(x.f.enabled(c));
    x.f.execute(c);
    EXPECT_EQ(x.f.mode(), kModeBox);
  }
  // what only needs the view and the database works now
  for (Command c : {Command::New, Command::Open, Command::Save, Command::SaveAs, Command::ZoomIn,
                    Command::MeasureDistance, Command::GenerateBox, Command::Print, Command::Leave,
                    Command::ReferenceManual, Command::Palette})
    EXPECT_TRUE(x.f.enabled(c));
  // a registered command becomes available
  int runs = 0;
  x.f.registerCommand(Command::Drc, [&] { ++runs; });
  x.f.execute(Command::Drc);
  EXPECT_EQ(runs, 1);
}

TEST(Frame, BoxDragSnapsShowsItsSizeAndStoresTheBox) {
  Fixture x;
  x.ctx.tech.lambda = 0.5;
  x.db.layers[kPoly].widthRule = 2;
  const std::vector<Colour> before = x.view.surf.pixels();
  // (9, 91) snaps to lambda (2, 2), drawn at pixel (8, 92)
  x.f.mouseDown({9, 91}, FrameController::Button::Left);
  EXPECT_TRUE(x.f.dragging());
  EXPECT_EQ(x.f.anchor(), (PixelPoint{8, 92}));
  x.f.mouseMove({13, 88});  // lambda (3, 3): 1 x 1
  EXPECT_EQ(x.panel(0), "poly box size 0.500 x 0.500 \xB5m, (1 x 1 lambda) (too small)");
  x.f.mouseMove({30, 61});  // lambda (8, 10)
  EXPECT_EQ(x.panel(0), "poly box size 3.000 x 4.000 \xB5m, (6 x 8 lambda) ");
  EXPECT_NE(x.view.surf.pixels(), before);  // the rubber band is there
  x.f.mouseUp({30, 61}, FrameController::Button::Left);
  EXPECT_EQ(x.view.surf.pixels(), before);  // and gone without a redraw
  EXPECT_EQ(x.view.redraws, 0);
  ASSERT_EQ(x.db.boxCount(), 1);
  const LayoutBox& b = x.db.box(1);
  EXPECT_EQ((Rect{b.x1, b.y1, b.x2, b.y2}), (Rect{2, 2, 8, 10}));
  EXPECT_EQ(b.layer, kPoly);
  EXPECT_TRUE(x.db.modified);
  EXPECT_EQ(x.panel(0), "Store a poly box with size 6 x 8 lambda (3.000 x 4.000 \xB5m)");
  EXPECT_EQ(x.f.mode(), kModeBox);
}

TEST(Frame, BoxClickReportsWhatLiesThereAndStoresNothing) {
  Fixture x;
  x.db.addBox(0, 0, 10, 10, kMetal);
  x.db.addBox(0, 0, 10, 10, kDiffn);
  x.db.extracted = true;
  x.drag({8, 92}, {8, 92});  // lambda (2, 2)
  EXPECT_EQ(x.db.boxCount(), 2);
  EXPECT_EQ(x.panel(0), "Cursor at location (2,2) ,diffn,metal");
  EXPECT_TRUE(x.db.extracted);
}

TEST(Frame, StoringABoxClearsTheExtraction) {
  Fixture x;
  x.db.extracted = true;
  x.drag({0, 100}, {40, 60});
  EXPECT_FALSE(x.db.extracted);
}

TEST(Frame, CutReleasesCloserThanTheDebounceAreIgnored) {
  Fixture x;
  FakeOperation cut;
  x.f.registerHandler(kModeCut, &cut);
  x.f.execute(Command::Cut);
  x.drag({0, 100}, {40, 60});
  x.t.clock.advance(200);
  x.drag({0, 100}, {40, 60});
  EXPECT_EQ(cut.releases.size(), 1u);
  x.t.clock.advance(300);
  x.drag({0, 100}, {40, 60});
  ASSERT_EQ(cut.releases.size(), 2u);
  EXPECT_EQ(cut.releases[1].first, (LambdaPoint{0, 0}));
  EXPECT_EQ(cut.releases[1].second, (LambdaPoint{10, 10}));
}

TEST(Frame, ZoomDragGoesToTheViewAndEscapeCancelsADrag) {
  Fixture x;
  x.f.execute(Command::ZoomIn);
  x.drag({10, 10}, {50, 40});
  ASSERT_EQ(x.view.zooms.size(), 1u);
  EXPECT_EQ(x.view.zooms[0].first, (PixelPoint{12, 8}));  // the snapped press
  EXPECT_EQ(x.view.zooms[0].second, (PixelPoint{50, 40}));
  EXPECT_EQ(x.f.mode(), kModeBox);

  const std::vector<Colour> before = x.view.surf.pixels();
  x.f.mouseDown({0, 100}, FrameController::Button::Left);
  x.f.mouseMove({40, 60});
  x.f.keyPress(FrameKey::Escape);
  EXPECT_FALSE(x.f.dragging());
  EXPECT_TRUE(x.t.status.stopRequested());
  x.f.mouseUp({40, 60}, FrameController::Button::Left);
  EXPECT_EQ(x.db.boxCount(), 0);
  EXPECT_EQ(x.f.mode(), kModeBox);
  EXPECT_EQ(x.window.pressed, Command::BoxTool);
  (void)before;
}

TEST(Frame, ZoomInIsRefusedWhileChoosingACopyTargetOrPasting) {
  Fixture x;
  FakeOperation op;
  x.f.registerHandler(kModeCopyTarget, &op);
  x.f.registerHandler(kModePaste, &op);
  for (int m : {kModeCopyTarget, kModePaste}) {
    x.f.beginTarget(m, "target");
    x.f.execute(Command::ZoomIn);
    EXPECT_EQ(x.f.mode(), m);
    EXPECT_EQ(x.panel(0), "Zoom in is not possible with the active command");
  }
}

TEST(Frame, CopyTargetDisplacementCountsTheScrolling) {
  Fixture x;
  FakeOperation select, target;
  select.onRelease = [](FrameController& f, LambdaPoint, LambdaPoint) {
    f.beginTarget(kModeCopyTarget, "Give the target location for copying 1 elements ...");
  };
  target.outlines = {{2, 2, 6, 6}};
  target.onRelease = [](FrameController& f, LambdaPoint, LambdaPoint) { f.setMode(kModeCopySelect); };
  x.f.registerHandler(kModeCopySelect, &select);
  x.f.registerHandler(kModeCopyTarget, &target);
  x.f.execute(Command::Copy);
  x.drag({0, 100}, {40, 60});
  ASSERT_EQ(x.f.mode(), kModeCopyTarget);
  EXPECT_TRUE(x.f.dragging());
  EXPECT_EQ(x.f.anchor(), (PixelPoint{40, 60}));
  x.f.mouseMove({60, 60});
  x.f.keyPress(FrameKey::Right);  // the view moves 10 lambda right
  EXPECT_EQ(x.f.accumulated(), (LambdaPoint{10, 0}));
  EXPECT_TRUE(x.f.rubberShown());
  x.f.mouseDown({60, 60}, FrameController::Button::Left);
  x.f.mouseUp({60, 60}, FrameController::Button::Left);
  ASSERT_EQ(target.releases.size(), 1u);
  const auto& [a, b] = target.releases[0];
  EXPECT_EQ(b.x - a.x, 5 + 10);  // 20 pixels of mouse and 10 lambda of scrolling
  EXPECT_EQ(b.y - a.y, 0);
  EXPECT_EQ(x.f.mode(), kModeCopySelect);
}

TEST(Frame, EscapeDuringAMoveRestoresOnlyWhatTheMoveTookAway) {
  Fixture x;
  for (int i = 0; i < 3; ++i) x.db.addBox(i * 10, 0, i * 10 + 5, 5, kMetal);
  x.db.addLabel(1, 1, "a");
  x.db.addLabel(21, 1, "b");
  x.db.box(1).state = 0;  // deleted by an earlier cut
  x.db.label(1).active = 0;
  FakeOperation stretch, move;
  stretch.onPress = [&](FrameController& f, LambdaPoint) {
    x.db.box(3).state = 0;  // picked up for moving
    x.db.label(2).active = 0;
    f.setPickedUp({3}, {2});
    f.beginTarget(kModeMoveTarget, "Give the target location for moving 1 elements ...");
    return true;
  };
  x.f.registerHandler(kModeStretch, &stretch);
  x.f.registerHandler(kModeMoveTarget, &move);
  x.f.execute(Command::MoveStretch);
  x.f.mouseDown({88, 92}, FrameController::Button::Left);
  ASSERT_EQ(x.f.mode(), kModeMoveTarget);
  x.f.mouseMove({100, 80});
  x.f.keyPress(FrameKey::Escape);
  EXPECT_EQ(x.db.box(3).state, 1);
  EXPECT_EQ(x.db.label(2).active, 1);
  EXPECT_EQ(x.db.box(1).state, 0);
  EXPECT_EQ(x.db.label(1).active, 0);
  EXPECT_EQ(move.cancels, 1);
  EXPECT_EQ(x.f.mode(), kModeBox);
  EXPECT_TRUE(move.releases.empty());
}

TEST(Frame, ZoomOutIsIgnoredWhileMoving) {
  Fixture x;
  FakeOperation move;
  x.f.registerHandler(kModeMoveTarget, &move);
  x.f.beginTarget(kModeMoveTarget, "move");
  const int before = x.view.redraws;
  x.f.execute(Command::ZoomOut);
  EXPECT_EQ(x.view.redraws, before);
}

TEST(Frame, RubberShapesAreRestoredExactly) {
  // each kind drawn and erased leaves the surface as it was
  Fixture x;
  for (int i = 0; i < 200; i += 7) x.view.surf.fillRect(i, 0, i + 3, 100, rgb(i, 255 - i, 40));
  const std::vector<Colour> before = x.view.surf.pixels();
  FakeOperation op;
  op.outlines = {{1, 1, 5, 5}, {3, 3, 9, 8}};
  for (int m : {kModeCrossSection, kModeCopyTarget, kModeContact, kModePathStart, kModeStretchTarget, kModeCut})
    x.f.registerHandler(m, &op);
  x.f.setMode(kModeCrossSection);
  x.f.mouseDown({3, 3}, FrameController::Button::Left);
  x.f.mouseMove({150, 70});
  EXPECT_NE(x.view.surf.pixels(), before);
  x.f.mouseMove({20, 90});
  x.f.mouseUp({20, 90}, FrameController::Button::Left);
  EXPECT_EQ(x.view.surf.pixels(), before);

  x.f.mouseMove({50, 50});
  x.f.beginTarget(kModeCopyTarget, "t");
  x.f.mouseMove({70, 20});
  x.f.mouseUp({70, 20}, FrameController::Button::Left);
  EXPECT_EQ(x.view.surf.pixels(), before);

  x.f.beginPlacement(kModeContact, {-2, -2, 3, 3}, "Enter the location for contact poly...");
  x.f.mouseMove({120, 40});
  EXPECT_NE(x.view.surf.pixels(), before);
  x.f.mouseUp({120, 40}, FrameController::Button::Left);
  EXPECT_EQ(x.view.surf.pixels(), before);
  EXPECT_EQ(op.releases.back().second, (LambdaPoint{30, 15}));

  x.f.setMode(kModePathStart);
  x.f.mouseDown({40, 40}, FrameController::Button::Left);
  x.f.mouseUp({40, 40}, FrameController::Button::Left);
  EXPECT_EQ(x.f.mode(), kModePath);
  EXPECT_EQ(x.panel(0), "Start path...");
  x.f.mouseMove({90, 20});
  x.f.mouseMove({60, 80});
  EXPECT_NE(x.view.surf.pixels(), before);
  x.f.setMode(kModeBox);  // a new command takes the shape away
  EXPECT_FALSE(x.f.rubberShown());
  EXPECT_EQ(x.view.surf.pixels(), before);
}

TEST(Frame, PathKeysReachThePathOperation) {
  Fixture x;
  FakeOperation path;
  x.f.registerHandler(kModePath, &path);
  x.f.registerHandler(kModePathStart, &path);
  x.f.setMode(kModePathStart);
  x.f.mouseDown({40, 40}, FrameController::Button::Left);
  EXPECT_EQ(x.panel(0), "Path start...");
  x.f.mouseUp({40, 40}, FrameController::Button::Left);
  x.f.keyPress(FrameKey::Character, 'd');
  x.f.keyPress(FrameKey::Character, 'U');
  EXPECT_EQ(path.keys, (std::vector<char>{'D', 'U'}));
  x.f.mouseUp({80, 40}, FrameController::Button::Left);
  ASSERT_EQ(path.releases.size(), 2u);
  EXPECT_EQ(path.releases[1].first, (LambdaPoint{10, 15}));
  EXPECT_EQ(path.releases[1].second, (LambdaPoint{20, 15}));
}

TEST(Frame, KeysDuringASimulationOnlyRequestAStopAndCtrlIsIgnored) {
  Fixture x;
  x.db.addBox(0, 0, 20, 20, kDiffp);
  x.f.mouseMove({20, 80});
  x.f.keyPress(FrameKey::Control);
  x.f.keyPress(FrameKey::Character, 'n', true);
  EXPECT_EQ(x.db.box(1).layer, kDiffp);
  x.f.setSimulationRunning(true);
  x.f.keyPress(FrameKey::Character, 'n');
  x.f.keyPress(FrameKey::Right);
  EXPECT_TRUE(x.t.status.stopRequested());
  EXPECT_EQ(x.db.box(1).layer, kDiffp);
  EXPECT_EQ(x.view.ox, 0);
}

TEST(Frame, NAndPKeysTurnDiffusionsNearTheCursorAndLeaveProtectedLayersAlone) {
  Fixture x;
  x.db.addBox(0, 0, 10, 10, kDiffp);   // under the cursor
  x.db.addBox(11, 0, 20, 10, kDiffp);  // one lambda away
  x.db.addBox(0, 0, 10, 10, kPoly);
  x.db.extracted = true;
  x.f.mouseMove({40, 60});  // lambda (10, 10)
  x.view.gridStep = 10;     // d = 0
  x.f.keyPress(FrameKey::Character, 'n');
  EXPECT_EQ(x.db.box(1).layer, kDiffn);
  EXPECT_EQ(x.db.box(2).layer, kDiffp);
  EXPECT_EQ(x.db.box(3).layer, kPoly);
  EXPECT_TRUE(x.db.modified);
  EXPECT_FALSE(x.db.extracted);

  x.view.gridStep = 50;  // d = 3 reaches the second box
  x.db.modified = false;
  x.db.layers[kDiffp].isProtected = true;
  x.f.keyPress(FrameKey::Character, 'n');
  EXPECT_EQ(x.db.box(2).layer, kDiffp);
  x.f.keyPress(FrameKey::Character, 'p');
  EXPECT_EQ(x.db.box(1).layer, kDiffn);
  EXPECT_FALSE(x.db.modified);

  x.db.layers[kDiffp].isProtected = false;
  x.f.keyPress(FrameKey::Character, 'N');
  EXPECT_EQ(x.db.box(2).layer, kDiffn);
  x.f.keyPress(FrameKey::Character, 'P');
  EXPECT_EQ(x.db.box(1).layer, kDiffp);
  EXPECT_EQ(x.db.box(2).layer, kDiffp);
}

TEST(Frame, NodeNamesUnderTheCursorOnlyWhileExtractedAndNeverFromStaleNodes) {
  Fixture x;
  x.db.addBox(0, 0, 10, 10, kMetal);
  x.db.addBox(0, 0, 10, 10, kPoly);
  x.db.addBox(0, 0, 10, 10, kDiffn);
  x.db.addBox(0, 0, 10, 10, kContact);
  x.db.addBox(0, 0, 10, 10, kNwell);
  const int a = x.db.addNode("out");
  x.db.box(1).node = a;
  x.db.box(2).node = a;       // same name once
  x.db.box(3).node = 1;       // vdd
  x.db.box(4).node = -1;      // not assigned
  x.db.box(5).node = 2999;    // stale: beyond the table
  x.t.status.write(1, "12 errors");
  x.f.mouseMove({20, 80});
  EXPECT_EQ(x.panel(1), "12 errors");  // not extracted: left alone
  x.db.extracted = true;
  x.f.mouseMove({20, 80});
  EXPECT_EQ(x.panel(1), "out vdd");
  x.f.mouseMove({150, 20});
  EXPECT_EQ(x.panel(1), "");
}

TEST(Frame, AskToSaveYesNoCancel) {
  TempDir dir;
  struct Case {
    ConfirmResult answer;
    bool saveWorks;
    bool cleared;
  };
  const Case cases[] = {
      {ConfirmResult::No, true, true},
      {ConfirmResult::Cancel, true, false},
      {ConfirmResult::Yes, true, true},
      {ConfirmResult::Yes, false, false},  // a failed save keeps the layout
  };
  for (const Case& c : cases) {
    Fixture x;
    x.db.addBox(0, 0, 5, 5, kMetal);
    x.db.modified = true;
    x.db.fileNamed = true;
    x.db.fileName = c.saveWorks ? dir.file("kept.msk") : dir.file("missing/dir/kept.msk");
    x.t.dialogs.answers = {c.answer};
    x.f.execute(Command::New);
    ASSERT_EQ(x.t.dialogs.confirms.size(), 1u);
    EXPECT_EQ(x.t.dialogs.confirms[0].line1, "Warning: layout modified.");
    EXPECT_EQ(x.t.dialogs.confirms[0].line2, "Save the layout?");
    EXPECT_EQ(x.db.boxCount() == 0, c.cleared);
    if (c.cleared) {
      EXPECT_EQ(x.db.fileName, "Example.msk");
      EXPECT_EQ(x.window.title, "Quillmere 3 - Example.msk");
    }
    if (c.answer == ConfirmResult::Yes && c.saveWorks) {
      EXPECT_TRUE(fileExists(dir.file("kept.msk")));
    }
  }
}

TEST(Frame, AnUnmodifiedLayoutAsksNothing) {
  Fixture x;
  x.t.dialogs.files = {dataFile("inverter.msk")};
  x.f.execute(Command::New);
  x.f.execute(Command::Open);
  EXPECT_TRUE(x.t.dialogs.confirms.empty());
  EXPECT_GT(x.db.boxCount(), 0);
}

TEST(Frame, OpenInsertAndSaveGoThroughTheFileDialogs) {
  TempDir dir;
  Fixture x;
  const std::string inv = dataFile("inverter.msk");
  x.t.dialogs.files = {inv};
  x.f.execute(Command::Open);
  EXPECT_EQ(x.t.dialogs.filters.back(), kLayoutFilter);
  EXPECT_EQ(x.window.title, "Quillmere 3 - " + inv);
  EXPECT_EQ(x.view.viewAlls, 1);
  EXPECT_FALSE(x.db.modified);
  const int n = x.db.boxCount();
  ASSERT_GT(n, 0);

  x.t.dialogs.files = {inv};
  x.f.execute(Command::InsertLayout);
  EXPECT_EQ(x.db.boxCount(), 2 * n);
  EXPECT_TRUE(x.db.modified);

  // a new layout was never saved: Save asks for a name
  x.t.dialogs.answers = {ConfirmResult::No};
  x.f.execute(Command::New);
  x.drag({0, 100}, {40, 60});
  x.t.dialogs.files = {dir.file("fresh")};
  x.f.execute(Command::Save);
  EXPECT_TRUE(fileExists(dir.file("fresh.msk")));
  EXPECT_EQ(x.window.title, "Quillmere 3 - " + dir.file("fresh.msk"));
  EXPECT_FALSE(x.db.modified);
  // now it has a name: Save asks nothing
  x.drag({0, 100}, {40, 60});
  const std::size_t asked = x.t.dialogs.filters.size();
  x.f.execute(Command::Save);
  EXPECT_EQ(x.t.dialogs.filters.size(), asked);
  EXPECT_EQ(x.panel(0).rfind("Save", 0), 0u);
}

TEST(Frame, SelectFoundryReadsTheRuleFileAndReleasesThePaletteButtons) {
  Fixture x;
  x.t.dialogs.files = {dataFile("default.rul")};
  x.f.execute(Command::SelectFoundry);
  EXPECT_EQ(x.t.dialogs.filters.back(), kRuleFilter);
  EXPECT_NE(x.ctx.tech.technologyName, "unknown");
  EXPECT_EQ(x.palette.metalButtons, (std::vector<bool>{true}));
  EXPECT_EQ(x.panel(0), "The current technology is  \"" + x.ctx.tech.technologyName + "\",  power supply " +
                            F(x.ctx.tech.vdd, 5, 2) + "V");
  EXPECT_EQ(x.f.mode(), kModeNone);
}

TEST(Frame, LeaveAsksToSaveThenToLeave) {
  TempDir dir;
  struct Case {
    bool modified;
    std::vector<ConfirmResult> answers;
    bool saveWorks;
    bool leaves;
    std::size_t asked;
  };
  const Case cases[] = {
      {false, {ConfirmResult::Yes}, true, true, 1},
      {false, {ConfirmResult::No}, true, false, 1},
      {true, {ConfirmResult::Cancel}, true, false, 1},
      {true, {ConfirmResult::No, ConfirmResult::Yes}, true, true, 2},
      {true, {ConfirmResult::Yes, ConfirmResult::Yes}, true, true, 2},
      {true, {ConfirmResult::Yes, ConfirmResult::Yes}, false, false, 1},
  };
  for (const Case& c : cases) {
    Fixture x;
    x.db.modified = c.modified;
    x.db.fileNamed = true;
    x.db.fileName = c.saveWorks ? dir.file("l.msk") : dir.file("no/such/l.msk");
    x.t.dialogs.answers = {c.answers.begin(), c.answers.end()};
    x.f.execute(Command::Leave);
    EXPECT_EQ(x.window.closes, c.leaves ? 1 : 0);
    ASSERT_EQ(x.t.dialogs.confirms.size(), c.asked);
    if (c.modified) {
      EXPECT_EQ(x.t.dialogs.confirms[0].line2, "Save the layout before leaving ?");
    }
    const auto& last = x.t.dialogs.confirms.back();
    if (c.leaves) {
      EXPECT_EQ(last.line1, "Do you really want to leave me?");
      EXPECT_EQ(last.button, "Yes/No");  // no Cancel button
    }
  }
}

TEST(Frame, ALongOperationDisablesTableChangesAndDefersClosing) {
  Fixture x;
  x.f.beginLongOperation();
  EXPECT_FALSE(x.f.enabled(Command::New));
  EXPECT_FALSE(x.f.enabled(Command::Open));
  EXPECT_FALSE(x.f.enabled(Command::BoxTool));
  EXPECT_TRUE(x.f.enabled(Command::ViewAll));
  EXPECT_TRUE(x.f.enabled(Command::Leave));
  x.drag({0, 100}, {40, 60});
  EXPECT_EQ(x.db.boxCount(), 0);
  x.f.keyPress(FrameKey::Escape);
  EXPECT_TRUE(x.t.status.stopRequested());
  EXPECT_FALSE(x.f.leave());
  EXPECT_TRUE(x.f.leavePending());
  EXPECT_TRUE(x.t.dialogs.confirms.empty());
  x.t.dialogs.answers = {ConfirmResult::Yes};
  x.f.endLongOperation();
  EXPECT_EQ(x.window.closes, 1);
  EXPECT_TRUE(x.f.enabled(Command::New));
}

TEST(Frame, FileCommandsAreLongOperations) {
  // a status write during the read lets events run; a second Open then is refused
  Fixture x;
  struct Reentrant : StatusMessage {
    FrameController* f = nullptr;
    bool sawDisabled = false;
    void show(int, std::string_view) override {}
    void pumpEvents() override {
      if (f && f->busy() && !f->enabled(Command::Open)) sawDisabled = true;
    }
  };
  Reentrant status;
  FakeDialogs dialogs;
  DebugLog debug;
  FakeClock clock;
  FakeRandom random;
  AppContext ctx(Services{status, dialogs, debug, clock, random});
  FakeView view(ctx.db);
  FakeWindow window;
  window.view = &view;
  FakeHelp help;
  FrameController f(ctx, view, window, help);
  status.f = &f;
  EXPECT_TRUE(f.openLayoutFile(dataFile("inverter.msk")));
  EXPECT_TRUE(status.sawDisabled);
  EXPECT_FALSE(f.busy());
}

TEST(Frame, HelpPagesGoThroughTheOpener) {
  Fixture x;
  x.f.execute(Command::ReferenceManual);
  EXPECT_EQ(x.help.opened, (std::vector<std::string>{"html\\index.htm"}));
  EXPECT_EQ(x.panel(0), "Could not find \"html\\index.htm\"");
  x.help.found = true;
  x.t.status.write(0, "");
  x.f.execute(Command::ReferenceManual);
  EXPECT_EQ(x.panel(0), "");
}

TEST(Frame, PrintTogglesTheBackgroundWithTheHeaderAndTwiceComesBack) {
  Fixture x;
  x.window.printConfirmed = false;
  x.f.execute(Command::Print);
  EXPECT_EQ(x.window.prints, 0);
  x.window.printConfirmed = true;
  x.f.execute(Command::Print);
  EXPECT_EQ(x.window.whiteWhenPrinted, (std::vector<bool>{true}));
  EXPECT_TRUE(x.view.white);  // stays toggled
  EXPECT_EQ(x.panel(0), "Print complete");
  EXPECT_FALSE(x.view.header);
  EXPECT_TRUE(x.view.headerAtDraw.back());  // the last redraw still had the header
  x.f.execute(Command::Print);
  EXPECT_FALSE(x.view.white);
}

TEST(Frame, PopupListsOneBoxPerLayerFromTheLastAndDeletesIt) {
  Fixture x;
  x.db.addBox(0, 0, 10, 10, kMetal);
  x.db.addBox(0, 0, 10, 10, kPoly);
  x.db.addBox(0, 0, 10, 10, kMetal);
  x.db.addBox(0, 0, 10, 10, kOption);
  x.db.addBox(0, 0, 10, 10, kDiffn);
  x.db.layers[kDiffn].isProtected = true;
  PopupMenu m = x.f.preparePopup({20, 80});
  std::vector<std::string> deletes;
  bool option = false;
  for (const PopupItem& i : m.items) {
    if (i.kind == PopupItem::DeleteBox) deletes.push_back(i.caption + "#" + std::to_string(i.box));
    if (i.kind == PopupItem::OptionProperties) option = true;
  }
  EXPECT_TRUE(option);
  EXPECT_EQ(deletes, (std::vector<std::string>{"option#4", "metal#3", "poly#2"}));
  std::size_t metal = 0;
  for (std::size_t i = 0; i < m.items.size(); ++i)
    if (m.items[i].kind == PopupItem::DeleteBox && m.items[i].box == 3) metal = i;
  x.f.choosePopup(m, metal);
  EXPECT_EQ(x.db.box(3).state, 0);
  EXPECT_EQ(x.db.box(1).state, 1);
  EXPECT_TRUE(x.db.modified);
  EXPECT_EQ(x.f.mode(), kModeNone);
  // the same menu again does nothing: the box is gone
  x.db.modified = false;
  x.f.choosePopup(m, metal);
  EXPECT_FALSE(x.db.modified);

  PopupMenu outside = x.f.preparePopup({150, 10});
  for (const PopupItem& i : outside.items) EXPECT_NE(i.kind, PopupItem::OptionProperties);
}

TEST(Frame, DoubleClickEntersViewNodeUnlessCuttingOrCopying) {
  Fixture x;
  FakeOperation node;
  x.f.registerHandler(kModeViewNode, &node);
  x.f.mouseDown({20, 80}, FrameController::Button::Left);
  x.f.mouseUp({20, 80}, FrameController::Button::Left);
  x.f.doubleClick();
  EXPECT_EQ(x.f.mode(), kModeViewNode);
  EXPECT_EQ(x.window.pressed, Command::ViewNodeTool);
  ASSERT_EQ(node.presses.size(), 1u);
  EXPECT_EQ(node.presses[0], (LambdaPoint{5, 5}));
  // pressing viewNode again quits
  x.f.execute(Command::ViewNodeTool);
  EXPECT_EQ(x.f.mode(), kModeNone);
  EXPECT_EQ(x.panel(0), "Quit the viewNode command...");

  FakeOperation cut;
  x.f.registerHandler(kModeCut, &cut);
  x.f.execute(Command::Cut);
  x.f.doubleClick();
  EXPECT_EQ(x.f.mode(), kModeCut);
}

TEST(Frame, ToolBarArrowsAlwaysAccumulateAndMenusToggleTheView) {
  Fixture x;
  x.f.execute(Command::ScrollRight);
  x.f.execute(Command::ScrollUp);
  EXPECT_EQ(x.f.accumulated(), (LambdaPoint{10, 5}));
  x.f.keyPress(FrameKey::Left);
  EXPECT_EQ(x.f.accumulated(), (LambdaPoint{10, 5}));  // arrow keys outside a target do not
  EXPECT_EQ(x.view.ox, 10 + -10 + 0 + 0 + 0);

  EXPECT_EQ(x.f.caption(Command::Monochrome), "Switch to monochrom");
  x.f.execute(Command::Monochrome);
  EXPECT_EQ(x.f.caption(Command::Monochrome), "Switch to color");
  EXPECT_TRUE(x.f.checked(Command::LambdaGrid));
  x.f.execute(Command::LambdaGrid);
  EXPECT_FALSE(x.f.checked(Command::LambdaGrid));
  x.f.execute(Command::ProtectAll);
  EXPECT_EQ(x.panel(0), "Protect all");
  x.f.execute(Command::UnprotectAll);
  EXPECT_EQ(x.panel(0), "Unprotect layers ...");
  EXPECT_EQ(x.palette.protectAlls, 1);
  EXPECT_EQ(x.palette.unprotectAlls, 1);
  x.f.execute(Command::GenerateBox);
  EXPECT_EQ(x.palette.shown, 1);
  EXPECT_EQ(x.f.mode(), kModeBox);
}

TEST(Frame, RulerMeasuresThenReturnsToBoxMode) {
  Fixture x;
  x.f.execute(Command::RulerTool);
  EXPECT_EQ(x.f.mode(), kModeRuler);
  x.drag({0, 100}, {40, 60});
  ASSERT_EQ(x.view.rulers.size(), 1u);
  EXPECT_EQ(x.f.mode(), kModeBox);
  EXPECT_TRUE(x.f.checked(Command::RulerTool));
  x.f.execute(Command::RulerTool);
  EXPECT_FALSE(x.f.checked(Command::RulerTool));
}

TEST(Frame, MenuAndToolBarTablesAreComplete) {
  // every control name is unique and every tool button's command has a caption
  std::vector<std::string> names;
  for (const MenuEntry& e : menuEntries()) names.push_back(e.name);
  for (const ToolButtonEntry& b : toolButtons()) names.push_back(b.name);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(std::adjacent_find(names.begin(), names.end()), names.end());
  EXPECT_EQ(toolButtons().size(), 23u);
  EXPECT_EQ(std::string(toolButtons()[9].name), "viewNode");
  int group = 0;
  for (const ToolButtonEntry& b : toolButtons()) group += b.modeGroup;
  EXPECT_EQ(group, 23 - 5 - 4);  // all but open, save, simulate, palette, ruler and the arrows
}

TEST(Frame, PaletteHostArmsContactsAndRefusesWhatIsNotBuilt) {
  Fixture x;
  FramePaletteHost host(x.f);
  Palette palette(x.db, x.ctx.tech, x.t.status, host);
  host.setPalette(&palette);
  palette.Init();
  std::vector<std::string> placed;
  // no virtual resistance yet: refused, the button comes back up
  palette.ToolClick(PaletteTool::Res);
  EXPECT_EQ(x.panel(0), "The virtual resistance is not available yet");
  EXPECT_FALSE(palette.pressedTool().has_value());
  EXPECT_EQ(x.f.mode(), kModeBox);
  palette.ToolClick(PaletteTool::ContactDiffn);
  EXPECT_EQ(x.panel(0), "The contact generator is not available yet");
  EXPECT_EQ(x.f.mode(), kModeBox);

  host.contactGenerator = [&](std::int32_t cx, std::int32_t cy, int kind) {
    placed.push_back(std::to_string(cx) + "," + std::to_string(cy) + ":" + x.db.layers[kind].name);
  };
  palette.ToolClick(PaletteTool::ContactDiffn);
  EXPECT_EQ(x.f.mode(), kModeContact);
  EXPECT_EQ(x.window.pressed, Command::None);
  EXPECT_TRUE(x.f.dragging());
  x.f.mouseMove({40, 60});
  EXPECT_TRUE(x.f.rubberShown());
  x.f.mouseUp({40, 60}, FrameController::Button::Left);
  EXPECT_EQ(placed, (std::vector<std::string>{"10,10:diffn"}));
  EXPECT_EQ(x.f.mode(), kModeBox);
  EXPECT_FALSE(palette.pressedTool().has_value());

  // Escape on the main window releases a pressed palette button
  palette.ToolClick(PaletteTool::ContactPoly);
  ASSERT_TRUE(palette.pressedTool().has_value());
  x.f.keyPress(FrameKey::Escape);
  EXPECT_FALSE(palette.pressedTool().has_value());
  EXPECT_EQ(x.f.mode(), kModeBox);
  host.setPalette(nullptr);
}
