#include <gtest/gtest.h>

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include "sim/ui/D_UvErase.h"

using namespace quill;

TEST(TFormUvErase, ShowsItsCaptionAndOkErasesAndCloses) {
  LayoutDatabase db;
  int a = db.addBox(0, 0, 4, 4, kPoly2);
  db.box(a).value = 500;
  TFormUvErase w(db);
  w.FormShow();
  EXPECT_EQ(w.windowTitle(), "EEPROM control");
  EXPECT_EQ(w.textLabel()->text(), "The floating gates are being erased. Please wait.");
  EXPECT_EQ(w.progressBar()->value(), 0);
  EXPECT_TRUE(w.isVisible());
  QTest::mouseClick(w.okButton(), Qt::LeftButton);
  EXPECT_EQ(db.box(a).value, 0);
  EXPECT_FALSE(w.isVisible());
}
