// The status bar, the message and confirm windows and the debug window.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMainWindow>
#include <QTest>
#include <QTimer>

#include "platform/ui/QtDebugWindow.h"
#include "platform/ui/QtDialogs.h"
#include "platform/ui/QtStatusMessage.h"

using namespace quill;

TEST(QtStatusMessage, ThreePanelsShowTheTextsAsUnicode) {
  QMainWindow w;
  FakeClock clock;
  QtStatusMessage status(w.statusBar(), &clock);
  w.resize(900, 300);
  w.show();
  status.write(0, "Welcome to Quillmere 3.0c");
  status.write(1, "W=2.0\xB5m");  // CP1252 micro sign
  status.write(2, "<b>cmos</b>");  // shown as typed, not as markup
  EXPECT_EQ(status.panel(0)->text(), QStringLiteral("Welcome to Quillmere 3.0c"));
  EXPECT_EQ(status.panel(1)->text(), QString::fromUtf8("W=2.0\u00B5m"));
  EXPECT_EQ(status.panel(2)->text(), QStringLiteral("<b>cmos</b>"));
  EXPECT_EQ(status.panel(2)->textFormat(), Qt::PlainText);
  EXPECT_EQ(status.text(1), "W=2.0\xB5m");
  EXPECT_EQ(status.panel(3), nullptr);

  EXPECT_EQ(status.panel(0)->width(), 450);
  EXPECT_EQ(status.panel(1)->width(), 140);
  // the last panel is at least 50 wide and takes the rest of the bar
  EXPECT_EQ(status.panel(2)->minimumWidth(), 50);
  EXPECT_GE(status.panel(2)->width(), 50);
  EXPECT_LT(status.panel(0)->x(), status.panel(1)->x());
  EXPECT_LT(status.panel(1)->x(), status.panel(2)->x());
}

TEST(QtStatusMessage, PumpsEventsAtMostEveryFifteenMilliseconds) {
  QMainWindow w;
  FakeClock clock;
  clock.advance(1000);
  QtStatusMessage status(w.statusBar(), &clock);
  int delivered = 0;
  auto post = [&] { QMetaObject::invokeMethod(qApp, [&] { ++delivered; }, Qt::QueuedConnection); };

  post();
  status.write(0, "first");  // the first write always lets events run
  EXPECT_EQ(delivered, 1);
  post();
  clock.advance(14);
  status.write(0, "too soon");
  status.pump();
  EXPECT_EQ(delivered, 1);
  EXPECT_EQ(status.panel(0)->text(), QStringLiteral("too soon"));  // the text shows anyway
  clock.advance(1);
  status.write(1, "now");
  EXPECT_EQ(delivered, 2);
}

TEST(TFormMessage, ShowsCaptionLinesAndButton) {
  TFormMessage m;
  m.setup("Warning: default design rule file not found", "The file \"default.rul\" was not found in work directory",
          "Layout editing and simulation may be hazardous", "Select foundry");
  EXPECT_EQ(m.windowTitle(), QStringLiteral("Warning: default design rule file not found"));
  EXPECT_EQ(m.LabelMessage->text(), QStringLiteral("The file \"default.rul\" was not found in work directory"));
  EXPECT_EQ(m.LabelMessage2->text(), QStringLiteral("Layout editing and simulation may be hazardous"));
  EXPECT_EQ(m.btnOk->text(), QStringLiteral("Select foundry"));
  m.show();
  QTest::mouseClick(m.btnOk, Qt::LeftButton);
  EXPECT_EQ(m.result(), QDialog::Accepted);
  EXPECT_FALSE(m.isVisible());
}

TEST(TFormConfirm, ButtonsGiveTheirResultsAndCancelCanBeHidden) {
  struct Row {
    bool withCancel;
    const char* button;  // object name of the button clicked, or null for Escape
    ConfirmResult expected;
  };
  const Row rows[] = {
      {true, "btnYes", ConfirmResult::Yes},   {true, "btnNo", ConfirmResult::No},
      {true, "btnCancel", ConfirmResult::Cancel}, {true, nullptr, ConfirmResult::Cancel},
      {false, "btnYes", ConfirmResult::Yes},  {false, nullptr, ConfirmResult::No},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(std::string(r.button ? r.button : "Escape") + (r.withCancel ? " with Cancel" : " without Cancel"));
    TFormConfirm c;
    c.setup("Warning: layout modified.", "Save the layout?", r.withCancel);
    EXPECT_EQ(c.windowTitle(), QStringLiteral("Confirm"));
    EXPECT_EQ(c.LabelConfirm->text(), QStringLiteral("Warning: layout modified."));
    EXPECT_EQ(c.LabelConfirm2->text(), QStringLiteral("Save the layout?"));
    EXPECT_EQ(c.btnYes->text(), QStringLiteral("Yes"));
    EXPECT_EQ(c.btnNo->text(), QStringLiteral("No"));
    EXPECT_EQ(c.btnCancel->text(), QStringLiteral("Cancel"));
    c.show();
    EXPECT_EQ(c.btnCancel->isVisible(), r.withCancel);
    if (r.button)
      QTest::mouseClick(c.findChild<QPushButton*>(QString::fromLatin1(r.button)), Qt::LeftButton);
    else
      QTest::keyClick(&c, Qt::Key_Escape);
    EXPECT_EQ(c.answer(), r.expected);
    EXPECT_FALSE(c.isVisible());
  }
}

TEST(TFormConfirm, SecondLineBlinksGreyAndBlackWhileShown) {
  TFormConfirm c;
  c.setup("Do you really want to leave me?", "", false);
  EXPECT_EQ(c.TimerBlink->interval(), 600);
  EXPECT_FALSE(c.TimerBlink->isActive());
  c.show();
  EXPECT_TRUE(c.TimerBlink->isActive());
  auto colour = [&] { return c.LabelConfirm2->palette().color(QPalette::WindowText); };
  EXPECT_EQ(colour(), QColor(0, 0, 0));
  c.TimerBlinkTimer();
  EXPECT_EQ(colour(), QColor(128, 128, 128));
  c.TimerBlinkTimer();
  EXPECT_EQ(colour(), QColor(0, 0, 0));
  c.hide();
  EXPECT_FALSE(c.TimerBlink->isActive());
}

TEST(QtDialogs, ConfirmAndMessageRunModallyUntilAButtonIsPressed) {
  QtDialogs d;
  QTimer::singleShot(0, [] {
    auto* w = qobject_cast<TFormConfirm*>(QApplication::activeModalWidget());
    ASSERT_NE(w, nullptr);
    w->btnNo->click();
  });
  EXPECT_EQ(d.confirm("This file already exists", "Will you overwrite it?"), ConfirmResult::No);

  QString seen;
  QTimer::singleShot(0, [&] {
    auto* w = qobject_cast<TFormMessage*>(QApplication::activeModalWidget());
    ASSERT_NE(w, nullptr);
    seen = w->windowTitle() + "|" + w->LabelMessage->text() + "|" + w->btnOk->text();
    w->btnOk->click();
  });
  d.message("Note", "Quillmere was reconfigured in", "in cmos \xB5 technology");
  EXPECT_EQ(seen, QStringLiteral("Note|Quillmere was reconfigured in|Ok"));
}

TEST(QtDebugWindow, KeepsTheLinesAndShowsThemWithTheCaption) {
  QtDebugWindow d;
  d.addLine("line 1");
  d.addLine("temp 27\xB0" "C");
  d.showWithCaption("Unknown keywords");
  EXPECT_EQ(d.caption(), "Unknown keywords");
  ASSERT_EQ(d.lines().size(), 2u);
  EXPECT_TRUE(d.window()->isVisible());
  EXPECT_EQ(d.window()->windowTitle(), QStringLiteral("Unknown keywords"));
  EXPECT_EQ(d.window()->toPlainText(), QString::fromUtf8("line 1\ntemp 27\u00B0C"));
  d.clear();
  d.addLine("after clear");
  d.showWithCaption("Again");
  EXPECT_EQ(d.window()->toPlainText(), QStringLiteral("after clear"));
}
