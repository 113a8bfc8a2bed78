#include "verify/ui/D_SimuOpt.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "platform/Cp1252.h"

namespace quill {

namespace {
QString qt(const std::string& cp1252) { return QString::fromUtf8(cp1252ToUtf8(cp1252).c_str()); }
}  // namespace

TFormSimuOpt::TFormSimuOpt(ExtractionPanel& panel, QWidget* parent) : QDialog(parent), panel_(panel) {
  setWindowTitle("Options");
  auto* top = new QVBoxLayout(this);
  tabs_ = new QTabWidget(this);
  top->addWidget(tabs_);
  auto* page = new QWidget(tabs_);
  tabs_->addTab(page, "Extractor Options");
  auto* grid = new QGridLayout(page);

  auto* cleaning = new QGroupBox("DataBase", page);
  auto* cl = new QGridLayout(cleaning);
  radioCleaning_ = new QButtonGroup(this);
  for (int i = 0; i < 4; ++i) {
    cleaning_[i] = new QRadioButton(kCleaningItems[i], cleaning);
    radioCleaning_->addButton(cleaning_[i], i);
    cl->addWidget(cleaning_[i], i, 0);
  }
  editCycles_ = new QLineEdit(cleaning);
  editCycles_->setMaximumWidth(50);
  cl->addWidget(editCycles_, 0, 1);
  grid->addWidget(cleaning, 0, 0);

  auto* model = new QGroupBox("MOS Model ", page);
  auto* ml = new QVBoxLayout(model);
  radioModel_ = new QButtonGroup(this);
  for (int i = 0; i < 3; ++i) {
    model_[i] = new QRadioButton(kModelItems[i], model);
    radioModel_->addButton(model_[i], i);
    ml->addWidget(model_[i]);
  }
  grid->addWidget(model, 0, 1);

  checkSpice_ = new QCheckBox("Generate a SPICE file after extraction", page);
  checkCrosstalk_ = new QCheckBox("Handle Lateral Couplings", page);
  checkOverlap_ = new QCheckBox("Handle vertical couplings", page);
  grid->addWidget(checkSpice_, 1, 0, 1, 2);
  grid->addWidget(checkCrosstalk_, 2, 0, 1, 2);
  grid->addWidget(checkOverlap_, 3, 0, 1, 2);

  auto* buttons = new QHBoxLayout;
  btnExtract_ = new QPushButton("Extract", page);
  btnPrint_ = new QPushButton("Print Netlist", page);
  buttons->addWidget(btnExtract_);
  buttons->addWidget(btnPrint_);
  buttons->addStretch();
  grid->addLayout(buttons, 4, 0, 1, 2);

  groupSpice_ = new QGroupBox("Spice File :", page);
  auto* sl = new QVBoxLayout(groupSpice_);
  spiceWindow_ = new QPlainTextEdit(groupSpice_);
  spiceWindow_->setReadOnly(true);
  sl->addWidget(spiceWindow_);
  grid->addWidget(groupSpice_, 5, 0, 1, 2);

  connect(radioCleaning_, &QButtonGroup::idClicked, this, [this](int id) {
    if (!updating_) panel_.setCleaningItem(id);
  });
  connect(editCycles_, &QLineEdit::editingFinished, this, [this] {
    if (updating_) return;
    panel_.setCyclesText(utf8ToCp1252(editCycles_->text().toStdString()));
    UpdateOptions();
  });
  connect(checkSpice_, &QCheckBox::toggled, this, [this](bool on) {
    if (!updating_) panel_.setGenerateSpice(on);
  });
  connect(checkCrosstalk_, &QCheckBox::toggled, this, [this](bool on) {
    if (!updating_) panel_.setLateralCouplings(on);
  });
  connect(checkOverlap_, &QCheckBox::toggled, this, [this](bool on) {
    if (!updating_) panel_.setVerticalCouplings(on);
  });
  connect(radioModel_, &QButtonGroup::idClicked, this, [this](int id) {
    if (!updating_) panel_.setModelItem(id);
  });
  connect(btnExtract_, &QPushButton::clicked, this, [this] { btnExtractClick(); });
  connect(btnPrint_, &QPushButton::clicked, this, [this] { btnPrintClick(); });
  UpdateOptions();
}

void TFormSimuOpt::UpdateOptions() {
  updating_ = true;
  const ExtractionOptions& o = panel_.options();
  cleaning_[cleaningItemOfMode(o.cleaningMode)]->setChecked(true);
  editCycles_->setText(QString::number(o.cleaningCycles));
  checkSpice_->setChecked(o.generateSpice);
  checkCrosstalk_->setChecked(o.lateralCouplings);
  checkOverlap_->setChecked(o.verticalCouplings);
  model_[panel_.modelItem()]->setChecked(true);
  updating_ = false;
}

void TFormSimuOpt::FormShow() {
  UpdateOptions();
  show();
}

void TFormSimuOpt::btnExtractClick() {
  ExtractionPanel::Output o = panel_.extract();
  // a "BSIM" label may have changed the model
  UpdateOptions();
  if (o.spiceFile.empty()) return;
  spiceWindow_->setPlainText(qt(o.spiceText));
  groupSpice_->setTitle(qt("Spice File :" + o.spiceFile));
}

void TFormSimuOpt::btnPrintClick() {
  QPrinter printer;
  QPrintDialog dialog(&printer, this);
  if (dialog.exec() == QDialog::Accepted) spiceWindow_->print(&printer);
}

}  // namespace quill
