// The editing tool windows in the main window under the offscreen platform:
// each is reached from its menu entry and a gesture in the drawing area,
// and works through its own controls.
#include <gtest/gtest.h>

#include <QAbstractItemModel>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <cstdlib>

#include "core/RuleFile.h"
#include "core/Text.h"
#include "editor/ui/D_Palette.h"
#include "editor/ui/Frame.h"
#include "platform/FakeDialogs.h"

using namespace quill;

namespace {

std::string dataFile(const std::string& name) {
  const char* d = std::getenv("QUILLMERE_DATA");
  return std::string(d ? d : "../../data") + "/" + name;
}

// the main window on an empty layout of the default technology, showing
// (0, 0)-(100, 100)
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
    frame.createToolWindows();
    frame.view().SetView(0, 0, 100, 100);
  }
  ~Window() { frame.unbind(); }
  FrameController& f() { return frame.controller(); }
  EditToolWindows& tools() { return *frame.editTools(); }
  QWidget* area() { return frame.PaintLayout; }
  std::string panel(int i) { return frame.status().text(i); }
  QPoint at(int x, int y) { return {frame.view().sx(x), frame.view().sy(y)}; }
  void trigger(const char* name) {
    QAction* a = frame.action(QString::fromLatin1(name));
    ASSERT_NE(a, nullptr) << name;
    ASSERT_TRUE(a->isEnabled()) << name;
    a->trigger();
  }
  void drag(QPoint a, QPoint b) {
    QTest::mousePress(area(), Qt::LeftButton, {}, a);
    QTest::mouseMove(area(), (a + b) / 2);
    QTest::mouseMove(area(), b);
    QTest::mouseRelease(area(), Qt::LeftButton, {}, b);
  }
  const LayoutBox& box(int p) const { return static_cast<const LayoutDatabase&>(ctx.db).box(p); }
  int live(int layer) const {
    int n = 0;
    for (int p = 1; p <= ctx.db.boxCount(); ++p) n += box(p).state != 0 && box(p).layer == layer;
    return n;
  }
};

void type(QLineEdit* e, const char* text) {
  e->selectAll();
  QTest::keyClicks(e, text);
}

// runs f once the modal window shows (status writes let events run before
// it does); closes it after 10 s at the latest
void whenShown(QDialog* d, std::function<void()> f) {
  auto* poll = new QTimer(d);
  QObject::connect(poll, &QTimer::timeout, d, [d, f, poll] {
    if (!d->isVisible()) return;
    poll->deleteLater();
    poll->stop();
    f();
  });
  poll->start(5);
  QTimer::singleShot(10000, d, [d] { d->reject(); });
}

}  // namespace

TEST(EditToolWindows, DuplicateProgramsAndGeneratesThroughItsControls) {
  Window w;
  w.ctx.db.addBox(10, 10, 14, 14, kMetal);
  TFormDuplicate* d = w.tools().FormDuplicate();
  whenShown(d, [&] {
    EXPECT_EQ(d->windowTitle(), "Duplicate in X Y");
    EXPECT_EQ(d->GroupLayout->title(), "Selected layout(1 elements)");
    EXPECT_EQ(d->LabelSize->text(), "Size : 4x4 lambda");
    ASSERT_EQ(d->ComboBox->count(), 1);
    EXPECT_EQ(d->ComboBox->itemText(0), "metal 4x4 lambda");
    EXPECT_FALSE(d->BitBtnFill->isEnabled());
    type(d->EditMulX, "4");
    type(d->EditMulY, "2");
    QTest::mouseClick(d->CheckProgram, Qt::LeftButton);
    EXPECT_TRUE(d->BitBtnFill->isEnabled());
    type(d->EditString, "A5 3C");
    QTest::mouseClick(d->BitBtnFill, Qt::LeftButton);
    const QAbstractItemModel* m = d->StringArray->model();
    EXPECT_EQ(m->data(m->index(0, 1)).toString(), "1");
    EXPECT_EQ(m->data(m->index(1, 2)).toString(), "0");
    QTest::mouseClick(d->btnGenerate, Qt::LeftButton);
  });
  w.trigger("mnuDuplicate");
  w.drag(w.at(5, 20), w.at(20, 5));
  EXPECT_FALSE(d->isVisible());
  EXPECT_EQ(w.panel(0), "Generate in X,Y..");
  EXPECT_EQ(w.live(kMetal), 4);  // the ones of A5 3C
  EXPECT_TRUE(w.ctx.db.modified);
  EXPECT_TRUE(w.frame.action("mnuUndo")->isEnabled());
  w.trigger("mnuUndo");
  EXPECT_EQ(w.live(kMetal), 1);

  // Cancel leaves the layout as it was
  whenShown(d, [&] { QTest::mouseClick(d->btnCancel, Qt::LeftButton); });
  w.trigger("mnuDuplicate");
  w.drag(w.at(5, 20), w.at(20, 5));
  EXPECT_EQ(w.panel(0), "Cancel duplicate");
  EXPECT_EQ(w.live(kMetal), 1);
}

TEST(EditToolWindows, MoveStepsWhileAnArrowIsDownAndFinishUnmarks) {
  Window w;
  w.ctx.db.addBox(10, 10, 14, 14, kPoly);
  w.trigger("mnuMoveStep");
  w.drag(w.at(5, 20), w.at(20, 5));
  TFormMove* m = w.tools().FormMove();
  ASSERT_TRUE(m->isVisible());
  EXPECT_EQ(m->windowTitle(), "Move");
  EXPECT_EQ(w.panel(0), "Use the arrows to move the 1 boxes and text with a lambda step.");
  type(m->EditStep, "2");
  QTest::mousePress(m->sbRight, Qt::LeftButton);
  QTest::mouseRelease(m->sbRight, Qt::LeftButton);
  QTest::mouseClick(m->sbUp, Qt::LeftButton);
  EXPECT_EQ((Rect{w.box(1).x1, w.box(1).y1, w.box(1).x2, w.box(1).y2}), (Rect{12, 12, 16, 16}));
  EXPECT_TRUE(w.ctx.db.modified);
  QTest::mouseClick(m->sbFinish, Qt::LeftButton);
  EXPECT_FALSE(m->isVisible());
  EXPECT_EQ(w.box(1).state, 1);
}

TEST(EditToolWindows, SearchFindsShowsAndChangesThroughItsControls) {
  Window w;
  w.ctx.db.addBox(10, 10, 12, 16, kPoly);
  w.trigger("mnuChangeBox");
  TFormSearch* s = w.tools().FormSearch();
  ASSERT_TRUE(s->isVisible());
  EXPECT_EQ(s->windowTitle(), "Change box size or layer");
  ASSERT_EQ(s->ListLayers->count(), kMetal6);  // six metal levels
  EXPECT_EQ(s->ComboLayers->currentText(), "via");
  EXPECT_FALSE(s->btnChange->isEnabled());
  s->ListLayers->setCurrentRow(kPoly - 1);
  QTest::mouseClick(s->CheckShow, Qt::LeftButton);
  QTest::mouseClick(s->btnSearch, Qt::LeftButton);
  EXPECT_EQ(w.panel(0), "Found poly box width 2, height 6 lambda (" + F(2 * w.ctx.tech.lambda, 5, 3) + "x" +
                            F(6 * w.ctx.tech.lambda, 5, 3) + "\xB5m)");
  EXPECT_EQ(w.frame.view().viewWindow().x1, 11 - 40);
  QTest::mouseClick(s->CheckChange, Qt::LeftButton);
  EXPECT_TRUE(s->btnChange->isEnabled());
  type(s->EditChange, "4");
  QTest::mouseClick(s->btnChange, Qt::LeftButton);
  EXPECT_EQ((Rect{w.box(1).x1, w.box(1).y1, w.box(1).x2, w.box(1).y2}), (Rect{10, 10, 14, 14}));
  QTest::mouseClick(s->btnInvert, Qt::LeftButton);
  EXPECT_EQ(w.f().mode(), kModeInvertDiffusion);
  QTest::mouseClick(s->btnClose, Qt::LeftButton);
  EXPECT_FALSE(s->isVisible());
  EXPECT_EQ(w.box(1).state, 1);
}

TEST(EditToolWindows, VirtualResistorPlacedThenEditedByADoubleClick) {
  Window w;
  TFormRes* r = w.tools().FormRes();
  whenShown(r, [&] {
    EXPECT_EQ(r->windowTitle(), "Virtual R,L,C Parameters");
    EXPECT_FALSE(r->ImageRes->isHidden());
    EXPECT_TRUE(r->ImageCapa->isHidden());
    EXPECT_TRUE(r->ImageInductor->isHidden());
    EXPECT_EQ(r->EditValue->text(), "100");
    EXPECT_TRUE(r->params[kFixedResistance]->isChecked());
    QTest::mouseClick(r->params[kMetalResistance], Qt::LeftButton);
    EXPECT_EQ(r->EditValue->text(), "R(metal)");
    QTest::mouseClick(r->sbLarge, Qt::LeftButton);
    QTest::mouseClick(r->btnOk, Qt::LeftButton);
  });
  w.frame.palette()->ToolClick(PaletteTool::Res);
  EXPECT_EQ(w.f().mode(), kModeResistor);
  QTest::mouseClick(w.area(), Qt::LeftButton, {}, w.at(20, 30));
  ASSERT_EQ(w.ctx.db.rlcCount(), 1);
  const RlcSymbol& s = w.ctx.db.rlc(1);
  EXPECT_EQ((Rect{s.x1, s.y1, s.x2, s.y2}), (Rect{20, 30, 145, 30}));
  EXPECT_EQ(s.text, "R(metal)");
  EXPECT_EQ(w.panel(0), "Updated resistance value");
  EXPECT_FALSE(w.frame.palette()->pressedTool().has_value());

  whenShown(r, [&] {
    EXPECT_EQ(r->EditValue->text(), "R(metal)");
    EXPECT_TRUE(r->params[kMetalResistance]->isChecked());
    type(r->EditValue, "330");
    EXPECT_TRUE(r->params[kFixedResistance]->isChecked());
    QTest::mouseClick(r->btnOk, Qt::LeftButton);
  });
  w.f().modeNone();
  QTest::mouseDClick(w.area(), Qt::LeftButton, {}, w.at(22, 30));
  EXPECT_EQ(w.ctx.db.rlc(1).text, "330");
  EXPECT_EQ(w.panel(0).rfind("Resistor 330 has noise ", 0), 0u);
}

TEST(EditToolWindows, ConnectLayersLaysTheContactsOfTheTechnology) {
  Window w;
  w.ctx.db.addBox(10, 10, 30, 30, kPoly);
  w.ctx.db.addBox(10, 10, 30, 30, kMetal);
  w.trigger("sbConnect");
  w.drag(w.at(15, 15), w.at(25, 20));
  EXPECT_EQ(w.panel(0), "Contact created from poly to metal");
  EXPECT_EQ(w.live(kContact), 2);  // 10 x 5 lambda at the pitch R401 + R402
}
