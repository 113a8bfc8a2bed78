// The Design Rules window shows the records as they are when it opens.
#include <gtest/gtest.h>

#include <QTest>

#include "core/ui/D_Rules.h"

using namespace quill;

namespace {
QString cell(const TFormRules& w, int r, int c) {
  const QTableWidgetItem* it = w.StringRules->item(r, c);
  return it ? it->text() : QStringLiteral("<none>");
}
}  // namespace

TEST(TFormRules, ShowsTheTechnologyEachTimeItOpens) {
  TechnologyRules tech;
  LayerTable layers;
  tech.technologyName = "cmos 0.25\xB5m";  // CP1252 micro sign
  tech.ruleFilePath = "cmos025.rul";
  tech.ruleRef(R501) = 3;
  TFormRules w(tech, layers);
  w.show();
  EXPECT_EQ(w.windowTitle(), QString::fromUtf8("Design rules for cmos 0.25\u00B5m"));
  EXPECT_EQ(w.LabelTechno->text(), QString::fromUtf8("Techno: cmos 0.25\u00B5m loaded from file \"cmos025.rul\""));
  EXPECT_EQ(w.GroupRules->title(), QStringLiteral("Design rules and electrical parameters"));
  EXPECT_EQ(w.StringRules->columnCount(), 12);
  EXPECT_EQ(w.StringRules->rowCount(), 2 + 12);
  EXPECT_EQ(cell(w, 0, 4), QStringLiteral("Surf capa"));
  EXPECT_EQ(cell(w, 1, 4), QString::fromUtf8("af/\u00B5m2"));
  EXPECT_EQ(cell(w, 2, 0), QStringLiteral("nitride"));
  EXPECT_EQ(cell(w, 3, 0), QStringLiteral("passiv"));
  EXPECT_EQ(cell(w, 4, 0), QStringLiteral("metal2"));
  EXPECT_EQ(cell(w, 6, 0), QStringLiteral("metal"));
  EXPECT_EQ(cell(w, 6, 1), QStringLiteral("3"));
  EXPECT_EQ(cell(w, 13, 0), QStringLiteral("oxyde"));
  // read-only
  EXPECT_EQ(w.StringRules->editTriggers(), QAbstractItemView::NoEditTriggers);
  EXPECT_FALSE(w.StringRules->item(6, 1)->flags() & Qt::ItemIsEditable);

  QTest::mouseClick(w.sbOk, Qt::LeftButton);
  EXPECT_FALSE(w.isVisible());

  // a new technology read while it was closed shows on the next opening
  tech.technologyName = "cmos6m";
  tech.metalLevels = 6;
  tech.ruleRef(RF01) = 8;
  w.show();
  EXPECT_EQ(w.windowTitle(), QStringLiteral("Design rules for cmos6m"));
  EXPECT_EQ(w.StringRules->rowCount(), 2 + 20);
  EXPECT_EQ(cell(w, 4, 0), QStringLiteral("metal6"));
  EXPECT_EQ(cell(w, 4, 1), QStringLiteral("8"));
  EXPECT_EQ(cell(w, 21, 0), QStringLiteral("oxyde"));
}
