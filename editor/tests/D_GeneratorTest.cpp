// The generator window, offscreen: its pages and generate button, the
// contacts page's via stack, the MOS page's units, options, kinds and Imax,
// and the hand-over to the host.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <vector>

#include "core/tests/TestFiles.h"
#include "editor/ui/D_Generator.h"

using namespace quill;

namespace {

struct FakeHost : GeneratorHost {
  std::vector<GeneratorPage> armed;
  int cancels = 0;
  void arm(GeneratorPage p) override { armed.push_back(p); }
  void cancel() override { ++cancels; }
  bool available(GeneratorPage p) const override {
    return p == GeneratorPage::Contacts || p == GeneratorPage::Mos || p == GeneratorPage::Pads;
  }
};

struct Fixture {
  quill::testing::TestContext t;
  AppContext& ctx = t.ctx;
  GeneratorSettings settings;
  FakeHost host;
  std::unique_ptr<TFormGenerator> w;
  explicit Fixture(void (*setup)(TechnologyRules&) = nullptr) {
    if (setup) setup(ctx.tech);
    w = std::make_unique<TFormGenerator>(settings, ctx, host);
  }
  void type(QLineEdit* e, const char* text) {
    e->clear();
    QTest::keyClicks(e, QString::fromLatin1(text));
  }
};

}  // namespace

TEST(TFormGenerator, PagesInOrderAndTheGenerateButtonFollowsThePage) {
  Fixture f;
  EXPECT_EQ(f.w->windowTitle(), "Layout Generator");
  const char* captions[] = {"Pads", "Inductor", "Contacts", "MOS", "Path", "Logo", "Bus", "Res", "Diode", "Capa"};
  ASSERT_EQ(f.w->PageControl->count(), 10);
  for (int i = 0; i < 10; ++i) EXPECT_EQ(f.w->PageControl->tabText(i), captions[i]);
  // the first opening is on the contacts
  EXPECT_EQ(f.w->page(), GeneratorPage::Contacts);
  EXPECT_EQ(f.w->btnOk->text(), "Generate Contact");
  f.w->PageControl->setCurrentIndex(static_cast<int>(GeneratorPage::Mos));
  EXPECT_EQ(f.w->btnOk->text(), "Generate Device");
  EXPECT_TRUE(f.w->btnOk->isEnabled());
  f.w->PageControl->setCurrentIndex(static_cast<int>(GeneratorPage::Path));
  EXPECT_EQ(f.w->btnOk->text(), "Start Path...");
  EXPECT_FALSE(f.w->btnOk->isEnabled());  // nothing to arm there yet
  EXPECT_EQ(f.w->btnCancel->text(), "Cancel");
}

TEST(TFormGenerator, ContactsPageEditsAndItsViaStack) {
  Fixture f([](TechnologyRules& t) { t.metalLevels = 4; });
  f.w->showOn(GeneratorPage::Contacts);
  f.type(f.w->EditRows, "3");
  EXPECT_EQ(f.settings.contactRows, 3);
  EXPECT_EQ(f.t.status.text(StatusMessage::Main), "3 contact row.");
  f.type(f.w->EditColumns, "x");
  EXPECT_EQ(f.settings.contactColumns, 1);

  QTest::mouseClick(f.w->RadioContact[2], Qt::LeftButton);  // N+ Diff to Metal 1
  EXPECT_EQ(f.settings.contactChoice, ContactChoice::Diffn);
  f.w->CheckVia[2]->click();  // Metal3 to Metal4 brings the two below
  EXPECT_TRUE(f.w->CheckVia[0]->isChecked());
  EXPECT_TRUE(f.w->CheckVia[1]->isChecked());
  EXPECT_TRUE(f.w->CheckVia[2]->isChecked());
  // four metal levels: no Metal4 to Metal5 nor Metal5 to Metal6
  EXPECT_FALSE(f.w->CheckVia[3]->isEnabled());
  EXPECT_FALSE(f.w->CheckVia[4]->isEnabled());
  f.w->CheckVia[1]->click();  // unchecked: the stack ends below it
  EXPECT_TRUE(f.w->CheckVia[0]->isChecked());
  EXPECT_FALSE(f.w->CheckVia[2]->isChecked());

  f.w->btnOk->click();
  EXPECT_FALSE(f.w->isVisible());
  ASSERT_EQ(f.host.armed.size(), 1u);
  EXPECT_EQ(f.host.armed[0], GeneratorPage::Contacts);
}

TEST(TFormGenerator, MosPageUnitsOptionsKindsAndImax) {
  Fixture f([](TechnologyRules& t) {
    t.lambda = 0.125;
    t.mosKindNames = {"Standard", "?", "High voltage", "?"};
    t.ruleRef(R303) = 6;
  });
  f.w->showOn(GeneratorPage::Mos);
  EXPECT_EQ(f.w->EditMosW->text(), "10");
  EXPECT_EQ(f.w->LabelUnitW->text(), "lambda");
  f.w->RadioMicron->click();
  EXPECT_EQ(f.w->EditMosW->text(), "1.250");
  EXPECT_EQ(f.w->LabelUnitL->text(), QString::fromUtf8("\xC2\xB5m"));
  f.type(f.w->EditMosW, "2.5");
  EXPECT_EQ(f.settings.mosW, 20);

  // the technology has no second poly: no floating-gate device
  EXPECT_TRUE(f.w->sbFNmos->isHidden());
  EXPECT_TRUE(f.w->LabelDoubleGate->isHidden());
  // two named options: the group shows them, the third sets the long gate
  EXPECT_FALSE(f.w->GroupOptions->isHidden());
  EXPECT_FALSE(f.w->RadioOption[0]->isHidden());
  EXPECT_TRUE(f.w->RadioOption[1]->isHidden());
  EXPECT_EQ(f.w->RadioOption[2]->text(), "High voltage");
  const QString before = f.w->btnImax->text();
  EXPECT_TRUE(before.startsWith("Imax:") && before.endsWith("mA")) << before.toStdString();
  f.w->RadioOption[2]->click();
  EXPECT_EQ(f.settings.mosL, 6);
  EXPECT_EQ(f.w->EditMosL->text(), "0.750");
  EXPECT_NE(f.w->btnImax->text(), before);

  const QString nmos = f.w->btnImax->text();
  f.w->sbPmos->click();
  EXPECT_EQ(f.settings.mosKind, MosKind::P);
  EXPECT_NE(f.w->btnImax->text(), nmos);
  f.type(f.w->EditMosGates, "4");
  EXPECT_EQ(f.settings.mosFingers, 4);
  f.w->CheckPolarization->click();
  EXPECT_TRUE(f.settings.mosPolarization);

  f.w->btnOk->click();
  ASSERT_EQ(f.host.armed.size(), 1u);
  EXPECT_EQ(f.host.armed[0], GeneratorPage::Mos);
  EXPECT_EQ(f.settings.mosW, 20);  // the shown text reads back to the same device
  EXPECT_EQ(f.settings.mosL, 6);
}

TEST(TFormGenerator, OneOptionHidesTheGroupAndSecondPolyShowsTheFloatingGate) {
  Fixture f([](TechnologyRules& t) { t.doublePoly = true; });
  f.w->showOn(GeneratorPage::Mos);
  EXPECT_TRUE(f.w->GroupOptions->isHidden());
  EXPECT_FALSE(f.w->sbFNmos->isHidden());
  f.w->sbFNmos->click();
  EXPECT_EQ(f.settings.mosKind, MosKind::FloatingN);
  EXPECT_EQ(f.t.status.text(StatusMessage::Main), "Change to nMOS with floating gate...");
}

TEST(TFormGenerator, SinglePadAndCancel) {
  Fixture f;
  f.w->showOn(GeneratorPage::Pads);
  EXPECT_EQ(f.w->btnOk->text(), "Generate Pad");
  EXPECT_TRUE(f.w->RadioSinglePad->isChecked());
  EXPECT_FALSE(f.w->RadioPadRing->isEnabled());  // no pad-ring generator behind this host
  f.type(f.w->EditUserSize, "60");
  EXPECT_EQ(f.settings.singlePadSize, 60);
  f.w->btnCancel->click();
  EXPECT_FALSE(f.w->isVisible());
  EXPECT_EQ(f.host.cancels, 1);
  EXPECT_TRUE(f.host.armed.empty());
}
