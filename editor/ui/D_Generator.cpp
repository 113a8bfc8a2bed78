#include "editor/ui/D_Generator.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "platform/Cp1252.h"

namespace quill {

namespace {

QString q(const std::string& s) { return QString::fromUtf8(cp1252ToUtf8(s)); }
std::string cp(const QString& s) { return utf8ToCp1252(s.toUtf8().toStdString()); }

QLineEdit* edit(QWidget* parent, const char* name) {
  auto* e = new QLineEdit(parent);
  e->setObjectName(QString::fromLatin1(name));
  e->setMaximumWidth(90);
  return e;
}

}  // namespace

TFormGenerator::TFormGenerator(GeneratorSettings& settings, AppContext& ctx, GeneratorHost& host, QWidget* parent)
    : QDialog(parent), s_(settings), ctx_(ctx), host_(host) {
  setObjectName(QStringLiteral("FormGenerator"));
  setWindowTitle(QStringLiteral("Layout Generator"));

  PageControl = new QTabWidget(this);
  PageControl->setObjectName(QStringLiteral("PageControl"));
  for (int i = 0; i < kGeneratorPageCount; ++i) {
    const auto p = static_cast<GeneratorPage>(i);
    QWidget* w = p == GeneratorPage::Contacts ? buildContacts()
                 : p == GeneratorPage::Mos    ? buildMos()
                 : p == GeneratorPage::Pads   ? buildPads()
                                              : new QWidget;
    w->setObjectName(QStringLiteral("Tab") + QString::fromLatin1(pageCaption(p)));
    tabs[static_cast<std::size_t>(i)] = w;
    PageControl->addTab(w, QString::fromLatin1(pageCaption(p)));
  }
  connect(PageControl, &QTabWidget::currentChanged, this, [this] { UpdateBtnOk(); });

  btnOk = new QPushButton(this);
  btnOk->setObjectName(QStringLiteral("btnOk"));
  btnOk->setDefault(true);
  btnCancel = new QPushButton(QStringLiteral("Cancel"), this);
  btnCancel->setObjectName(QStringLiteral("btnCancel"));
  connect(btnOk, &QPushButton::clicked, this, [this] { btnOKClick(); });
  connect(btnCancel, &QPushButton::clicked, this, [this] { btnCancelClick(); });

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(btnOk);
  buttons->addWidget(btnCancel);
  auto* top = new QVBoxLayout(this);
  top->addWidget(PageControl);
  top->addLayout(buttons);

  // the first opening shows the contacts
  PageControl->setCurrentIndex(static_cast<int>(GeneratorPage::Contacts));
  UpdateOptions();
}

QWidget* TFormGenerator::buildContacts() {
  auto* page = new QWidget;
  auto* choice = new QGroupBox(QStringLiteral("With Poly and diff"), page);
  choice->setObjectName(QStringLiteral("RadioContact"));
  auto* cl = new QVBoxLayout(choice);
  auto* group = new QButtonGroup(page);
  const char* captions[4] = {"(None)", "Poly to Metal 1", "N+ Diff to Metal 1", "P+ Diff to Metal 1"};
  for (int i = 0; i < 4; ++i) {
    auto* r = new QRadioButton(QString::fromLatin1(captions[i]), choice);
    cl->addWidget(r);
    group->addButton(r, i);
    RadioContact[static_cast<std::size_t>(i)] = r;
    connect(r, &QRadioButton::toggled, this, [this, i](bool on) {
      if (on && !updating_) s_.contactChoice = static_cast<ContactChoice>(i);
    });
  }
  auto* vias = new QGroupBox(QStringLiteral("Between metal"), page);
  vias->setObjectName(QStringLiteral("GroupVias"));
  auto* vl = new QVBoxLayout(vias);
  for (int i = 0; i < kBetweenMetalCount; ++i) {
    auto* c = new QCheckBox(QString::fromLatin1(betweenMetalCaption(i)), vias);
    c->setObjectName(QStringLiteral("CheckVia%1").arg(i + 1));
    vl->addWidget(c);
    CheckVia[static_cast<std::size_t>(i)] = c;
    connect(c, &QCheckBox::toggled, this, [this, i](bool on) {
      if (updating_) return;
      DoStackedVias(s_, i, on);
      UpdateOptions();
    });
  }
  EditRows = edit(page, "EditRows");
  EditColumns = edit(page, "EditColumns");
  connect(EditRows, &QLineEdit::textEdited, this,
          [this](const QString& t) { editContactRows(s_, cp(t), ctx_.services.status); });
  connect(EditColumns, &QLineEdit::textEdited, this,
          [this](const QString& t) { editContactColumns(s_, cp(t), ctx_.services.status); });

  auto* grid = new QGridLayout(page);
  grid->addWidget(choice, 0, 0, 3, 1);
  grid->addWidget(vias, 0, 1, 3, 1);
  grid->addWidget(new QLabel(QStringLiteral("Rows"), page), 3, 0);
  grid->addWidget(EditRows, 3, 1);
  grid->addWidget(new QLabel(QStringLiteral("Columns"), page), 4, 0);
  grid->addWidget(EditColumns, 4, 1);
  return page;
}

QWidget* TFormGenerator::buildMos() {
  auto* page = new QWidget;
  auto kindButton = [&](const char* name, const char* text, MosKind k) {
    auto* b = new QToolButton(page);
    b->setObjectName(QString::fromLatin1(name));
    b->setText(QString::fromLatin1(text));
    b->setCheckable(true);
    b->setAutoExclusive(true);
    connect(b, &QToolButton::clicked, this, [this, k] { chooseKind(k); });
    return b;
  };
  sbNmos = kindButton("sbNmos", "nMOS", MosKind::N);
  sbPmos = kindButton("sbPmos", "pMOS", MosKind::P);
  sbFNmos = kindButton("sbFNmos", "nMOS FG", MosKind::FloatingN);
  LabelDoubleGate = new QLabel(QStringLiteral("Double gate "), page);
  LabelDoubleGate->setObjectName(QStringLiteral("LabelDoubleGate"));

  EditMosW = edit(page, "EditMosW");
  EditMosL = edit(page, "EditMosL");
  EditMosGates = edit(page, "EditMosGates");
  LabelUnitW = new QLabel(page);
  LabelUnitL = new QLabel(page);
  connect(EditMosW, &QLineEdit::textEdited, this, [this](const QString& t) {
    if (editMosWidth(s_, ctx_.tech, cp(t), ctx_.services.status)) UpdateImax();
  });
  connect(EditMosL, &QLineEdit::textEdited, this, [this](const QString& t) {
    if (editMosLength(s_, ctx_.tech, cp(t), ctx_.services.status)) UpdateImax();
  });
  connect(EditMosGates, &QLineEdit::textEdited, this, [this](const QString& t) {
    if (editMosFingers(s_, cp(t), ctx_.services.status)) UpdateImax();
  });

  auto* units = new QGroupBox(QStringLiteral("Units"), page);
  units->setObjectName(QStringLiteral("RadioUnits"));
  auto* ul = new QVBoxLayout(units);
  RadioMicron = new QRadioButton(q("in micron (\xB5m)"), units);
  RadioLambda = new QRadioButton(QStringLiteral("in lambda"), units);
  ul->addWidget(RadioMicron);
  ul->addWidget(RadioLambda);
  auto unitsChanged = [this] {
    if (updating_) return;
    s_.mosUnits = RadioMicron->isChecked() ? MosUnits::Micron : MosUnits::Lambda;
    UpdateWLValues();
  };
  connect(RadioMicron, &QRadioButton::toggled, this, unitsChanged);

  CheckPolarization = new QCheckBox(QStringLiteral("Add polarization"), page);
  CheckPolarization->setObjectName(QStringLiteral("CheckPolarization"));
  connect(CheckPolarization, &QCheckBox::toggled, this, [this](bool on) {
    if (!updating_) s_.mosPolarization = on;
  });

  GroupOptions = new QGroupBox(QStringLiteral("Options"), page);
  GroupOptions->setObjectName(QStringLiteral("GroupOptions"));
  auto* ol = new QVBoxLayout(GroupOptions);
  for (int i = 0; i < 4; ++i) {
    auto* r = new QRadioButton(GroupOptions);
    r->setObjectName(QStringLiteral("RadioOption%1").arg(i + 1));
    ol->addWidget(r);
    RadioOption[static_cast<std::size_t>(i)] = r;
    connect(r, &QRadioButton::toggled, this, [this, i](bool on) {
      if (!on || updating_) return;
      chooseMosOption(s_, ctx_.tech, i);
      UpdateWLValues();
      UpdateImax();
    });
  }

  btnImax = new QPushButton(page);
  btnImax->setObjectName(QStringLiteral("btnImax"));
  connect(btnImax, &QPushButton::clicked, this, [this] { UpdateImax(); });

  auto* kinds = new QHBoxLayout;
  kinds->addWidget(sbNmos);
  kinds->addWidget(sbPmos);
  kinds->addWidget(sbFNmos);
  kinds->addWidget(LabelDoubleGate);
  kinds->addStretch();
  auto* grid = new QGridLayout(page);
  grid->addLayout(kinds, 0, 0, 1, 3);
  grid->addWidget(new QLabel(QStringLiteral("W"), page), 1, 0);
  grid->addWidget(EditMosW, 1, 1);
  grid->addWidget(LabelUnitW, 1, 2);
  grid->addWidget(new QLabel(QStringLiteral("L"), page), 2, 0);
  grid->addWidget(EditMosL, 2, 1);
  grid->addWidget(LabelUnitL, 2, 2);
  grid->addWidget(new QLabel(QStringLiteral("Fingers"), page), 3, 0);
  grid->addWidget(EditMosGates, 3, 1);
  grid->addWidget(units, 1, 3, 2, 1);
  grid->addWidget(CheckPolarization, 4, 0, 1, 3);
  grid->addWidget(GroupOptions, 3, 3, 3, 1);
  grid->addWidget(btnImax, 5, 0, 1, 3);
  return page;
}

QWidget* TFormGenerator::buildPads() {
  auto* page = new QWidget;
  RadioPadRing = new QRadioButton(QStringLiteral("Pad ring "), page);
  RadioPadRing->setObjectName(QStringLiteral("RadioPadRing"));
  RadioSinglePad = new QRadioButton(q("Single pad with size (\xB5m):"), page);
  RadioSinglePad->setObjectName(QStringLiteral("RadioSinglePad"));
  EditUserSize = edit(page, "EditUserSize");
  connect(EditUserSize, &QLineEdit::textEdited, this,
          [this](const QString& t) { editSinglePadSize(s_, cp(t), ctx_.services.status); });
  auto padChoice = [this] {
    if (updating_) return;
    s_.padRing = RadioPadRing->isChecked();
    UpdateBtnOk();
  };
  connect(RadioPadRing, &QRadioButton::toggled, this, padChoice);
  auto* grid = new QGridLayout(page);
  grid->addWidget(RadioPadRing, 0, 0, 1, 2);
  grid->addWidget(RadioSinglePad, 1, 0);
  grid->addWidget(EditUserSize, 1, 1);
  grid->setRowStretch(2, 1);
  return page;
}

GeneratorPage TFormGenerator::page() const { return static_cast<GeneratorPage>(PageControl->currentIndex()); }

void TFormGenerator::setModelLevel(MosModelLevel level) {
  level_ = level;
  UpdateImax();
}

void TFormGenerator::showOn(GeneratorPage p) {
  PageControl->setCurrentIndex(static_cast<int>(p));
  UpdateOptions();
  open();
}

void TFormGenerator::UpdateOptions() {
  updating_ = true;
  const TechnologyRules& tech = ctx_.tech;
  s_.followTechnology(tech);
  // contacts
  EditRows->setText(QString::number(s_.contactRows));
  EditColumns->setText(QString::number(s_.contactColumns));
  RadioContact[static_cast<std::size_t>(s_.contactChoice)]->setChecked(true);
  for (int i = 0; i < kBetweenMetalCount; ++i) {
    QCheckBox* c = CheckVia[static_cast<std::size_t>(i)];
    c->setEnabled(betweenMetalEnabled(tech, i));
    c->setChecked(s_.betweenMetal[static_cast<std::size_t>(i)]);
  }
  // MOS
  sbFNmos->setVisible(tech.doublePoly);
  LabelDoubleGate->setVisible(tech.doublePoly);
  if (s_.mosKind == MosKind::FloatingN && !tech.doublePoly) s_.mosKind = MosKind::N;
  (s_.mosKind == MosKind::P ? sbPmos : s_.mosKind == MosKind::FloatingN ? sbFNmos : sbNmos)->setChecked(true);
  (s_.mosUnits == MosUnits::Micron ? RadioMicron : RadioLambda)->setChecked(true);
  EditMosGates->setText(QString::number(s_.mosFingers));
  CheckPolarization->setChecked(s_.mosPolarization);
  const std::vector<int> offered = mosOptionsOffered(tech);
  GroupOptions->setVisible(offered.size() > 1);
  for (int i = 0; i < 4; ++i) {
    QRadioButton* r = RadioOption[static_cast<std::size_t>(i)];
    const bool shown = std::find(offered.begin(), offered.end(), i) != offered.end();
    r->setVisible(shown);
    r->setText(q(tech.mosKindNames[static_cast<std::size_t>(i)]));
    if (i == s_.mosOption) r->setChecked(true);
  }
  // pads
  (s_.padRing ? RadioPadRing : RadioSinglePad)->setChecked(true);
  RadioPadRing->setEnabled(host_.padRingAvailable());
  EditUserSize->setText(QString::number(s_.singlePadSize));
  updating_ = false;
  UpdateWLValues();
  UpdateImax();
  UpdateBtnOk();
}

void TFormGenerator::UpdateWLValues() {
  const WLTexts t = wlTexts(s_, ctx_.tech);
  EditMosW->setText(q(t.w));
  EditMosL->setText(q(t.l));
  LabelUnitW->setText(q(t.unit));
  LabelUnitL->setText(q(t.unit));
}

void TFormGenerator::UpdateImax() {
  btnImax->setText(q(imaxCaption(mosImax(ctx_.tech, level_, s_.mosDevice()))));
}

void TFormGenerator::UpdateBtnOk() {
  const GeneratorPage p = page();
  btnOk->setText(QString::fromLatin1(generateCaption(p)));
  const bool ring = p == GeneratorPage::Pads && s_.padRing;
  btnOk->setEnabled(ring ? host_.padRingAvailable() : host_.available(p));
}

void TFormGenerator::chooseKind(MosKind k) {
  chooseMosKind(s_, k, ctx_.services.status);
  UpdateImax();
}

void TFormGenerator::readEdits(GeneratorPage p) {
  StatusMessage& st = ctx_.services.status;
  switch (p) {
    case GeneratorPage::Contacts:
      editContactRows(s_, cp(EditRows->text()), st);
      editContactColumns(s_, cp(EditColumns->text()), st);
      break;
    case GeneratorPage::Mos:
      // the texts shown for the stored values read back to the same values
      editMosWidth(s_, ctx_.tech, cp(EditMosW->text()), st);
      editMosLength(s_, ctx_.tech, cp(EditMosL->text()), st);
      editMosFingers(s_, cp(EditMosGates->text()), st);
      break;
    case GeneratorPage::Pads:
      editSinglePadSize(s_, cp(EditUserSize->text()), st);
      break;
    default: break;
  }
}

void TFormGenerator::btnOKClick() {
  const GeneratorPage p = page();
  readEdits(p);
  accept();
  host_.arm(p);
}

void TFormGenerator::btnCancelClick() {
  reject();
  host_.cancel();
}

}  // namespace quill
