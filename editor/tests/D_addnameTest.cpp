#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "core/MskFile.h"
#include "core/tests/TestFiles.h"
#include "editor/Stimulus.h"
#include "editor/ui/D_addname.h"

using namespace quill;

namespace {

// the command's host with the real window; 10 pixels per lambda
struct WindowHost : PlaceTextHost {
  TFormAddText& window;
  explicit WindowHost(TFormAddText& w) : window(w) {}
  PixelPoint toPixel(LambdaPoint p) const override { return {p.x * 10, -p.y * 10}; }
  int labelTextSize() const override { return 8; }
  void showLabelWindow(LabelEditor& e) override { window.showModal(e); }
  void redraw() override {}
};

void setRules(TechnologyRules& t, LayerTable& layers) {
  t.vdd = 1.8;
  t.vddHigh = 3.3;
  t.technologyName = "qm250";
  computeDerivedValues(t, layers, 5.0);
}

void type(QLineEdit* e, const char* text) {
  e->selectAll();
  QTest::keyClicks(e, text);
}

}  // namespace

TEST(TFormAddText, PlacesAClockThatIsSavedAndReadBackWithItsStimulus) {
  quill::testing::TempDir dir;
  quill::testing::TestContext tc;
  AppContext& ctx = tc.ctx;
  setRules(ctx.tech, ctx.db.layers);
  ctx.db.addBox(0, 0, 10, 4, kMetal);  // a file's labels follow its boxes
  TFormAddText window;
  WindowHost host(window);
  PlaceText place(ctx.db, ctx.tech, ctx.services.status, host);

  bool sawWindow = false;
  QTimer::singleShot(0, &window, [&] {
    sawWindow = window.isVisible();
    EXPECT_EQ(window.windowTitle(), "Add a Clock ");
    EXPECT_EQ(window.PageControl->currentWidget()->objectName(), "TabClock");
    EXPECT_EQ(window.EditText->text(), "clock1");
    type(window.EditClockHigh, "1.8");
    type(window.EditClockLow, "0");
    type(window.EditTl, "1");
    type(window.EditTr, "0.1");
    type(window.EditTh, "1");
    type(window.EditTf, "0.1");
    QTest::mouseClick(window.sbVisible, Qt::LeftButton);
    EXPECT_EQ(window.sbVisible->text(), "Visible in simu");
    QTest::mouseClick(window.btnAssign, Qt::LeftButton);
  });
  QTimer::singleShot(10000, &window, [&] { window.reject(); });  // never hang
  place.placeAt({3, 4}, kPropertyClock);
  EXPECT_TRUE(sawWindow);
  EXPECT_FALSE(window.isVisible());
  EXPECT_EQ(tc.status.text(StatusMessage::Main), "Add text \"clock1\", visible at location 3,4.");
  EXPECT_TRUE(ctx.db.modified);

  ASSERT_TRUE(saveLayout(ctx, "clk.msk"));
  quill::testing::TestContext back;
  setRules(back.ctx.tech, back.ctx.db.layers);
  ReadOptions opt;
  opt.technologyCheck = false;
  openLayout(back.ctx, "clk.msk", opt);
  const LayoutDatabase& db = back.ctx.db;
  ASSERT_EQ(db.labelCount(), 1);
  const LayoutLabel& l = db.label(1);
  EXPECT_EQ(l.text, "clock1");
  EXPECT_EQ(l.kind, kLabelClock);
  EXPECT_TRUE(l.visibleInSimulation);
  EXPECT_EQ(l.level1, 1000);
  EXPECT_EQ(l.level0, 0);
  FakeRandom r;
  StimulusRun run(r);
  StimulusSource s(l, {1.8, 3.3, 1e-11});
  const double at[][2] = {{0.5, 0}, {1.05, 0.9}, {1.5, 1.8}, {2.15, 0.9}, {2.2 + 1.5, 1.8}};
  for (const auto& p : at) EXPECT_NEAR(s.at(p[0] * 1e-9, run).volts, p[1], 1e-6) << p[0];
}

TEST(TFormAddText, PagesCaptionsAndButtonsWorkThroughTheControls) {
  LayoutDatabase db;
  TechnologyRules tech;
  setRules(tech, db.layers);
  SilentStatus status;
  LabelEditor editor(db, tech, status);
  editor.prepareNew({0, 0}, LabelPage::Vdd, "vddHV", false);
  TFormAddText w;
  w.bind(editor);
  w.UpdateOptions();
  w.resize(420, 560);
  w.show();

  // the caption follows the page
  const char* captions[] = {"Add Vdd supply", "Add a Clock ", "Add a Pulse ", "Add a Sinus", "Add simple text",
                            "Add Vss supply", "Add a Piece-wise-linear", "Add a mathematical expression"};
  for (int i = 0; i < kLabelPageCount; ++i) {
    w.PageControl->setCurrentIndex(i);
    EXPECT_EQ(w.windowTitle(), captions[i]);
    EXPECT_EQ(w.PageControl->tabText(i), pageTitle(static_cast<LabelPage>(i)));
  }
  EXPECT_EQ(w.sbVisible->text(), "Not in simu");

  // DC page: the technology's buttons
  w.PageControl->setCurrentIndex(static_cast<int>(LabelPage::Vdd));
  EXPECT_EQ(w.btnVddH->text(), "VDDH 3.30V");
  EXPECT_EQ(w.LabelSupply->text(), "Default supply for qm250 is 1.80V");
  QTest::mouseClick(w.btnVddDiv2, Qt::LeftButton);
  EXPECT_EQ(w.EditVdd->text(), "0.90");
  EXPECT_EQ(w.EditText->text(), "VddDiv2");
  QTest::mouseClick(w.btnVolts[2], Qt::LeftButton);
  EXPECT_EQ(w.EditVdd->text(), "2.50");

  // clock page: Slower doubles the low and high times, the period shows
  w.PageControl->setCurrentIndex(static_cast<int>(LabelPage::Clock));
  type(w.EditTl, "1");
  type(w.EditTr, "0.1");
  type(w.EditTh, "1");
  type(w.EditTf, "0.1");
  QTest::mouseClick(w.btnSlower, Qt::LeftButton);
  EXPECT_EQ(w.EditTl->text(), "2.1");
  EXPECT_EQ(w.EditTh->text(), "2.1");
  EXPECT_EQ(w.LabelPeriod->text(), "Period 4.400 ns, frequency 0.227 GHz");
  EXPECT_EQ(status.text(StatusMessage::Main), "Larger clock");

  // PWL page: a double-click in the code column flips the step
  w.PageControl->setCurrentIndex(static_cast<int>(LabelPage::Pwl));
  QApplication::processEvents();  // the grid gets its geometry
  EXPECT_EQ(w.StringPwl->horizontalHeaderItem(1)->text(), "0/1/2/x/r");
  EXPECT_EQ(w.StringPwl->item(1, 1)->text(), "1");
  const QRect cell = w.StringPwl->visualItemRect(w.StringPwl->item(1, 1));
  QTest::mousePress(w.StringPwl->viewport(), Qt::LeftButton, {}, cell.center());
  QTest::mouseDClick(w.StringPwl->viewport(), Qt::LeftButton, {}, cell.center());
  EXPECT_EQ(w.StringPwl->item(1, 1)->text(), "0");
  w.StringPwl->setCurrentCell(1, 0);
  QTest::mouseClick(w.btnClear, Qt::LeftButton);
  EXPECT_EQ(w.StringPwl->item(1, 0)->text(), "");
  EXPECT_EQ(w.StringPwl->item(0, 0)->text(), "0.0");

  // Math page: the examples, and Assign takes the equation as the text
  w.PageControl->setCurrentIndex(static_cast<int>(LabelPage::Math));
  EXPECT_EQ(w.ComboEquation->count(), 13);
  w.ComboEquation->setCurrentIndex(1);
  EXPECT_EQ(w.ComboEquation->currentText(), "t*1e8");
  QTest::mouseClick(w.btnAssign, Qt::LeftButton);
  EXPECT_FALSE(w.isVisible());
  ASSERT_EQ(db.labelCount(), 1);
  EXPECT_EQ(db.label(1).text, "t*1e8");
  EXPECT_EQ(db.label(1).kind, kLabelMath);
  EXPECT_EQ(status.text(StatusMessage::Info), "Math OK");

  // Cancel changes nothing
  editor.prepareNew({5, 5}, LabelPage::Var, "s1", false);
  w.UpdateOptions();
  w.show();
  QTest::mouseClick(w.btnCancel, Qt::LeftButton);
  EXPECT_FALSE(w.isVisible());
  EXPECT_EQ(db.labelCount(), 1);
}
