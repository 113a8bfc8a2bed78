#include <gtest/gtest.h>

#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>

#include "core/tests/TestFiles.h"
#include "verify/ui/D_SimuOpt.h"

using namespace quill;

namespace {
struct Window {
  quill::testing::TestContext t;
  ExtractionOptions opt;
  ExtractedCircuit c;
  ExtractionPanel panel{t.ctx.db, t.ctx.tech, opt, c, t.ctx.services};
  TFormSimuOpt w{panel};
};
}  // namespace

TEST(TFormSimuOpt, ControlsFollowAndSetTheOptions) {
  Window x;
  x.opt.cleaningMode = 1;
  x.opt.cleaningCycles = 7;
  x.w.FormShow();
  EXPECT_EQ(x.w.tabs()->tabText(0), "Extractor Options");
  EXPECT_TRUE(x.w.cleaningButton(2)->isChecked());  // "Merge Only" is mode 1
  EXPECT_EQ(x.w.cleaningButton(0)->text(), "Purge and Merge      Cycles:");
  EXPECT_EQ(x.w.EditCycles()->text(), "7");
  EXPECT_TRUE(x.w.CheckSpice()->isChecked());
  EXPECT_FALSE(x.w.CheckCrosstalk()->isChecked());
  EXPECT_TRUE(x.w.modelButton(1)->isChecked());
  EXPECT_EQ(x.w.modelButton(2)->text(), "Advanced BSIM4");

  x.w.cleaningButton(1)->click();
  EXPECT_EQ(x.opt.cleaningMode, 2);
  x.t.ctx.db.extracted = true;
  x.w.CheckCrosstalk()->click();
  EXPECT_TRUE(x.opt.lateralCouplings);
  EXPECT_FALSE(x.t.ctx.db.extracted);
  x.w.modelButton(0)->click();
  EXPECT_EQ(x.opt.model, MosModelLevel::Level1);
  x.w.EditCycles()->setText("xyz");
  emit x.w.EditCycles()->editingFinished();
  EXPECT_EQ(x.opt.cleaningCycles, 7);
  EXPECT_EQ(x.w.EditCycles()->text(), "7");
  x.w.CheckSpice()->click();
  EXPECT_FALSE(x.opt.generateSpice);
  EXPECT_EQ(x.t.status.text(0), "Do not generate SPICE file after extraction");
}

TEST(TFormSimuOpt, ExtractShowsTheSpiceFile) {
  quill::testing::TempDir dir;
  Window x;
  x.t.ctx.db.fileName = "cell.msk";
  x.t.ctx.db.addBox(0, 0, 20, 6, kDiffn);
  x.t.ctx.db.addBox(9, -2, 11, 8, kPoly);
  x.t.ctx.db.addLabel(30, 30, "BSIM");
  x.panel.writeSpice = [](const std::string& path) {
    quill::testing::writeLines(path, {"* cell", "M1 1 2 3 0 N"});
    return true;
  };
  x.w.FormShow();
  x.w.btnExtract()->click();
  EXPECT_EQ(x.c.deviceCount(Polarity::N), 1);
  EXPECT_EQ(x.w.GroupSpice()->title(), "Spice File :cell.CIR");
  EXPECT_EQ(x.w.SpiceWindow()->toPlainText(), "* cell\nM1 1 2 3 0 N\n");
  EXPECT_TRUE(x.w.modelButton(2)->isChecked());  // the label chose BSIM4
}
