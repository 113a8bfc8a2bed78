// The main window under the offscreen platform: start-up with an example,
// a box dragged in box mode lands in the database and on the screen, zoom
// with a drag, Escape, the prompts of the menu commands, ask-to-save, help
// through a fake opener and printing to PDF.
#include <gtest/gtest.h>

#include <QFile>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <cstdlib>

#include "core/RuleFile.h"
#include "editor/ui/D_Palette.h"
#include "editor/ui/Frame.h"
#include "platform/FakeDialogs.h"

using namespace quill;

namespace {

std::string dataFile(const std::string& name) {
  const char* d = std::getenv("QUILLMERE_DATA");
  return std::string(d ? d : "../../data") + "/" + name;
}

struct FakeHelp : HelpOpener {
  std::vector<std::string> pages;
  bool open(const std::string& page) override {
    pages.push_back(page);
    return false;
  }
};

struct Window {
  Tmdiframe frame;
  FakeDialogs dialogs;
  DebugLog debug;
  FakeClock clock;
  FakeRandom random;
  AppContext ctx{Services{frame.status(), dialogs, debug, clock, random}};

  Window() {
    frame.bind(ctx);
    frame.resize(900, 700);
    frame.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&frame));
    loadRuleFile(ctx.tech, ctx.db.layers, dataFile("default.rul"), frame.status(), debug);
    EXPECT_TRUE(openExample());
    frame.createToolWindows();
  }
  bool openExample() { return frame.controller().openLayoutFile(dataFile("inverter.msk")); }
  ~Window() { frame.unbind(); }  // the context goes before the window
  FrameController& f() { return frame.controller(); }
  LayoutView& view() { return frame.view(); }
  QWidget* area() { return frame.PaintLayout; }
  std::string panel(int i) { return frame.status().text(i); }
  void trigger(const char* name) {
    QAction* a = frame.action(QString::fromLatin1(name));
    ASSERT_NE(a, nullptr) << name;
    a->trigger();
  }
  void drag(QPoint a, QPoint b) {
    QTest::mousePress(area(), Qt::LeftButton, {}, a);
    QTest::mouseMove(area(), (a + b) / 2);
    QTest::mouseMove(area(), b);
    QTest::mouseRelease(area(), Qt::LeftButton, {}, b);
  }
  QImage screen() { return area()->grab().toImage().convertToFormat(QImage::Format_RGB32); }
};

}  // namespace

TEST(FrameWindow, StartsWithTheExampleAndEveryMenuEntryAndToolButton) {
  Window w;
  EXPECT_EQ(w.frame.windowTitle().toStdString(), "Quillmere 3 - " + dataFile("inverter.msk"));
  EXPECT_GT(w.ctx.db.boxCount(), 10);
  for (const MenuEntry& e : menuEntries()) EXPECT_NE(w.frame.action(QString::fromLatin1(e.name)), nullptr) << e.name;
  for (const ToolButtonEntry& b : toolButtons()) {
    QAction* a = w.frame.action(QString::fromLatin1(b.name));
    ASSERT_NE(a, nullptr) << b.name;
    EXPECT_EQ(a->toolTip().toStdString(), b.hint);
  }
  // the hidden button of the mode group, and the three panels
  EXPECT_FALSE(w.frame.sbNone->isVisible());
  EXPECT_TRUE(w.frame.action("sbBox")->isChecked());  // the palette's start-up chose poly in box mode
  w.f().modeNone();
  EXPECT_TRUE(w.frame.sbNone->isChecked());
  EXPECT_FALSE(w.frame.action("sbBox")->isChecked());
  EXPECT_EQ(w.frame.status().panel(0)->width(), 450);
  EXPECT_EQ(w.frame.status().panel(1)->width(), 140);
  EXPECT_GE(w.frame.status().panel(2)->width(), 50);
  // tools not built yet are there but disabled; the editing commands work
  EXPECT_TRUE(w.frame.action("mnuCut")->isEnabled());
  EXPECT_TRUE(w.frame.action("mnuDrc")->isEnabled());
  EXPECT_TRUE(w.frame.action("sbText")->isEnabled());  // the label command
  EXPECT_FALSE(w.frame.action("sbFactory")->isEnabled());  // the 3D process window
  EXPECT_TRUE(w.frame.action("mnuZoomIn")->isEnabled());
  EXPECT_TRUE(w.frame.action("sbBox")->isEnabled());
  EXPECT_EQ(w.frame.action("mnuOpen")->shortcut(), QKeySequence(QStringLiteral("F3")));
}

TEST(FrameWindow, BoxDraggedInBoxModeIsInTheDatabaseAndOnTheScreen) {
  Window w;
  w.trigger("sbBox");
  EXPECT_TRUE(w.frame.action("sbBox")->isChecked());
  EXPECT_EQ(w.f().mode(), kModeBox);
  w.ctx.db.currentLayer = kMetal2;
  // an empty part of the drawing area, right of the cell
  const QPoint a(w.area()->width() - 200, 80), b(w.area()->width() - 100, 160);
  const int before = w.ctx.db.boxCount();
  const QImage empty = w.screen();
  w.drag(a, b);
  ASSERT_EQ(w.ctx.db.boxCount(), before + 1);
  const LayoutBox& box = w.ctx.db.box(before + 1);
  EXPECT_EQ(box.layer, kMetal2);
  EXPECT_EQ(box.x1, w.view().wx(a.x()));
  EXPECT_EQ(box.x2, w.view().wx(b.x()));
  EXPECT_EQ(box.y1, w.view().wy(b.y()));
  EXPECT_EQ(box.y2, w.view().wy(a.y()));
  EXPECT_TRUE(w.ctx.db.modified);
  EXPECT_NE(w.panel(0).find("Store a metal2 box"), std::string::npos);
  // the box's colour is where the box is, and was not there before
  const QImage shown = w.screen();
  const QPoint mid((a + b) / 2 + QPoint(1, 1));
  const QRgb metal2 = toQRgb(w.ctx.db.layers[kMetal2].colour);
  EXPECT_NE(empty.pixel(mid) & 0xFFFFFF, metal2 & 0xFFFFFF);
  EXPECT_EQ(shown.pixel(mid) & 0xFFFFFF, metal2 & 0xFFFFFF);
}

TEST(FrameWindow, RubberBandIsDrawnOverTheLayoutAndTakenAwayWithoutARedraw) {
  Window w;
  w.trigger("sbBox");
  const QImage before = w.screen();
  const QPoint a(40, 40), b(300, 200);
  QTest::mousePress(w.area(), Qt::LeftButton, {}, a);
  QTest::mouseMove(w.area(), b);
  EXPECT_TRUE(w.f().rubberShown());
  EXPECT_NE(w.screen(), before);
  EXPECT_NE(w.panel(0).find("box size"), std::string::npos);
  // Escape cancels: no box, box mode, the picture as it was
  const int boxes = w.ctx.db.boxCount();
  QTest::keyClick(w.area(), Qt::Key_Escape);
  EXPECT_FALSE(w.f().dragging());
  QTest::mouseRelease(w.area(), Qt::LeftButton, {}, b);
  EXPECT_EQ(w.ctx.db.boxCount(), boxes);
  EXPECT_EQ(w.f().mode(), kModeBox);
  EXPECT_TRUE(w.frame.action("sbBox")->isChecked());
  EXPECT_EQ(w.screen(), before);
}

TEST(FrameWindow, ZoomWithADrag) {
  Window w;
  w.trigger("sbzoomin");
  EXPECT_EQ(w.f().mode(), kModeZoomIn);
  EXPECT_TRUE(w.frame.action("sbzoomin")->isChecked());
  EXPECT_EQ(w.panel(0), "Select the area to zoom in...");
  const Rect old = w.view().viewWindow();
  const QPoint a(w.view().sx(2), w.view().sy(20)), b(w.view().sx(14), w.view().sy(8));
  w.drag(a, b);
  const Rect now = w.view().viewWindow();
  EXPECT_LT(now.x2 - now.x1, old.x2 - old.x1);
  EXPECT_LE(now.x1, 2);
  EXPECT_GE(now.x2, 14);
  EXPECT_EQ(w.f().mode(), kModeBox);
  // previous zoom region is remembered by the view; View All shows the whole layout again
  w.trigger("sbshow");
  EXPECT_GT(w.view().viewWindow().x2 - w.view().viewWindow().x1, now.x2 - now.x1);
}

TEST(FrameWindow, MenuCommandsWriteTheirPrompts) {
  struct Case {
    const char* action;
    int mode;
    const char* prompt;
  };
  const Case cases[] = {
      {"mnuZoomIn", kModeZoomIn, "Select the area to zoom in..."},
      {"mnuMeasureDistance", kModeRuler, "Create a point-to-point line in the drawing ..."},
      {"mnuInsert", kModeBox, "Insert file..."},
      {"mnuSelectFoundry", kModeNone, "Select a Rule file"},
      {"mnuPalette", -1, "Show palette menu..."},
      {"mnuProtectAll", -1, "Protect all"},
      {"mnuUnprotectAll", -1, "Unprotect layers ..."},
  };
  Window w;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.action);
    QAction* a = w.frame.action(QString::fromLatin1(c.action));
    ASSERT_NE(a, nullptr);
    ASSERT_TRUE(a->isEnabled());
    w.f().boxMode();
    a->trigger();
    EXPECT_EQ(w.panel(0), c.prompt);
    if (c.mode >= 0) {
      EXPECT_EQ(w.f().mode(), c.mode);
    }
  }
}

TEST(FrameWindow, AskToSaveYesNoCancelOnNew) {
  QTemporaryDir dir;
  struct Case {
    ConfirmResult answer;
    bool cleared;
  };
  for (const Case& c : {Case{ConfirmResult::Cancel, false}, Case{ConfirmResult::No, true},
                        Case{ConfirmResult::Yes, true}}) {
    Window w;
    w.trigger("sbBox");
    w.drag({40, 40}, {120, 120});
    ASSERT_TRUE(w.ctx.db.modified);
    const std::string saved = dir.filePath(QStringLiteral("saved.msk")).toStdString();
    w.ctx.db.fileName = saved;
    w.ctx.db.fileNamed = true;
    w.dialogs.answers = {c.answer};
    w.trigger("mnuNew");
    ASSERT_EQ(w.dialogs.confirms.size(), 1u);
    EXPECT_EQ(w.dialogs.confirms[0].line1, "Warning: layout modified.");
    EXPECT_EQ(w.ctx.db.boxCount() == 0, c.cleared);
    EXPECT_EQ(QFile::exists(QString::fromStdString(saved)), c.answer == ConfirmResult::Yes);
    if (c.cleared) {
      EXPECT_EQ(w.frame.windowTitle().toStdString(), "Quillmere 3 - Example.msk");
    }
  }
}

TEST(FrameWindow, HelpGoesThroughTheOpener) {
  Window w;
  FakeHelp help;
  w.frame.setHelpOpener(&help);
  w.trigger("mnuReferenceManual");
  EXPECT_EQ(help.pages, (std::vector<std::string>{"html\\index.htm"}));
  EXPECT_EQ(w.panel(0), "Could not find \"html\\index.htm\"");
  // the system opener finds nothing in a folder without the page
  QtHelpOpener system(QTemporaryDir().path().toStdString());
  EXPECT_FALSE(system.open("html\\index.htm"));
  EXPECT_EQ(QtHelpOpener("/x").pathOf("html\\index.htm"), "/x/html/index.htm");
}

TEST(FrameWindow, PrintsTheDrawingAreaToPdf) {
  QTemporaryDir dir;
  const QString pdf = dir.filePath(QStringLiteral("layout.pdf"));
  Window w;
  w.frame.setPrintDialog([&](QPrinter& p) {
    p.setOutputFormat(QPrinter::PdfFormat);
    p.setOutputFileName(pdf);
    return true;
  });
  ASSERT_FALSE(w.view().whiteBackground());
  w.trigger("mnuPrint");
  EXPECT_EQ(w.panel(0), "Print complete");
  QFile f(pdf);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_TRUE(f.read(5).startsWith("%PDF"));
  EXPECT_GT(f.size(), 1000);
  EXPECT_TRUE(w.view().whiteBackground());
  EXPECT_FALSE(w.view().printHeader());
  EXPECT_TRUE(w.frame.ToolBar1->isVisibleTo(&w.frame));
  EXPECT_TRUE(w.frame.statusBar()->isVisibleTo(&w.frame));
  // a second print from the white background comes back to black
  w.trigger("mnuPrint");
  EXPECT_FALSE(w.view().whiteBackground());
}

TEST(FrameWindow, LeaveAsksAndTheWindowStaysOnNo) {
  Window w;
  w.dialogs.answers = {ConfirmResult::No};
  EXPECT_FALSE(w.frame.close());
  EXPECT_TRUE(w.frame.isVisible());
  ASSERT_EQ(w.dialogs.confirms.size(), 1u);
  EXPECT_EQ(w.dialogs.confirms[0].line1, "Do you really want to leave me?");
  bool left = false;
  QObject::connect(&w.frame, &Tmdiframe::left, [&] { left = true; });
  w.dialogs.answers = {ConfirmResult::Yes};
  w.trigger("mnuLeave");
  EXPECT_TRUE(left);
  EXPECT_FALSE(w.frame.isVisible());
}

TEST(FrameWindow, RightButtonOffersToDeleteOneBoxOfEachLayerThere) {
  Window w;
  PopupMenu shown;
  w.frame.popupHook = [&](const PopupMenu& m) { shown = m; };
  const LayoutBox first = w.ctx.db.box(1);
  const QPoint at(w.view().sx((first.x1 + first.x2) / 2.0), w.view().sy((first.y1 + first.y2) / 2.0));
  QTest::mousePress(w.area(), Qt::RightButton, {}, at);
  QTest::mouseRelease(w.area(), Qt::RightButton, {}, at);
  std::size_t del = shown.items.size();
  for (std::size_t i = 0; i < shown.items.size(); ++i)
    if (shown.items[i].kind == PopupItem::DeleteBox) del = i;
  ASSERT_LT(del, shown.items.size());
  const int pos = shown.items[del].box;
  w.f().choosePopup(shown, del);
  EXPECT_EQ(w.ctx.db.box(pos).state, 0);
  EXPECT_TRUE(w.ctx.db.modified);
}

TEST(FrameWindow, PaletteIsShownBesideTheWindowAndArmsTheFrame) {
  Window w;
  ASSERT_NE(w.frame.FormPalette(), nullptr);
  EXPECT_TRUE(w.frame.FormPalette()->isVisible());
  EXPECT_EQ(w.ctx.db.currentLayer, kPoly);
  // a layer button: box mode on that layer
  w.f().setMode(kModeZoomIn);
  w.frame.palette()->SetLayer(kMetal, true);
  EXPECT_EQ(w.ctx.db.currentLayer, kMetal);
  EXPECT_EQ(w.f().mode(), kModeBox);
  // a contact button arms the contact placement
  w.frame.palette()->ToolClick(PaletteTool::ContactDiffn);
  EXPECT_EQ(w.panel(0), "Enter the location for contact Diffn...");
  EXPECT_TRUE(w.frame.palette()->pressedTool().has_value());
  EXPECT_EQ(w.f().mode(), kModeContact);
  // Escape in the palette is the window's Escape
  QTest::keyClick(w.frame.FormPalette(), Qt::Key_Escape);
  EXPECT_TRUE(w.ctx.services.status.stopRequested());
}

TEST(FrameWindow, ALongOperationDisablesTableChangesInTheWindowAndThePalette) {
  Window w;
  w.f().beginLongOperation();
  EXPECT_FALSE(w.frame.action("mnuNew")->isEnabled());
  EXPECT_FALSE(w.frame.action("sbBox")->isEnabled());
  EXPECT_TRUE(w.frame.action("mnuViewAll")->isEnabled());
  EXPECT_FALSE(w.frame.FormPalette()->layerButton(0)->isEnabled());
  EXPECT_FALSE(w.frame.FormPalette()->toolButton(PaletteTool::ContactPoly)->isEnabled());
  // closing waits for the end of the operation
  w.dialogs.answers = {ConfirmResult::Yes};
  bool left = false;
  QObject::connect(&w.frame, &Tmdiframe::left, [&] { left = true; });
  EXPECT_FALSE(w.frame.close());
  EXPECT_TRUE(w.dialogs.confirms.empty());
  w.f().endLongOperation();
  EXPECT_TRUE(left);
  EXPECT_TRUE(w.frame.action("mnuNew")->isEnabled());
  EXPECT_TRUE(w.frame.FormPalette()->layerButton(0)->isEnabled());
}
