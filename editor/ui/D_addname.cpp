#include "editor/ui/D_addname.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include "editor/Expression.h"
#include "platform/Cp1252.h"

namespace quill {

namespace {

QString q(const std::string& cp1252) { return QString::fromUtf8(cp1252ToUtf8(cp1252).c_str()); }
std::string cp(const QString& s) { return utf8ToCp1252(s.toUtf8().toStdString()); }

QLineEdit* addEdit(QFormLayout* form, const char* caption, const char* name) {
  auto* e = new QLineEdit;
  e->setObjectName(name);
  form->addRow(caption, e);
  return e;
}

QPushButton* button(QWidget* parent, QBoxLayout* row, const QString& caption, const char* name) {
  auto* b = new QPushButton(caption, parent);
  b->setObjectName(name);
  b->setAutoDefault(false);
  row->addWidget(b);
  return b;
}

}  // namespace

TFormAddText::TFormAddText(QWidget* parent) : QDialog(parent) {
  setObjectName("FormAddText");
  auto* top = new QVBoxLayout(this);
  PageControl = new QTabWidget(this);
  PageControl->setObjectName("PageControl");
  top->addWidget(PageControl);
  for (int i = 0; i < kLabelPageCount; ++i) {
    auto* w = new QWidget;
    w->setObjectName(pageControlName(static_cast<LabelPage>(i)));
    tabs[static_cast<std::size_t>(i)] = w;
    PageControl->addTab(w, pageTitle(static_cast<LabelPage>(i)));
  }
  auto tab = [this](LabelPage p) { return tabs[static_cast<std::size_t>(p)]; };

  {  // DC Supply
    QWidget* t = tab(LabelPage::Vdd);
    auto* v = new QVBoxLayout(t);
    auto* form = new QFormLayout;
    v->addLayout(form);
    EditVdd = addEdit(form, "DC Voltage level (V):", "EditVdd");
    auto* fixed = new QHBoxLayout;
    v->addLayout(fixed);
    const char* volts[] = {"5V", "3.3V", "2.5V", "1.8V", "1.2V"};
    for (std::size_t i = 0; i < btnVolts.size(); ++i) btnVolts[i] = button(t, fixed, volts[i], volts[i]);
    auto* tech = new QHBoxLayout;
    v->addLayout(tech);
    btnVdd = button(t, tech, "", "btnVdd");
    btnVddH = button(t, tech, "", "btnVddH");
    btnVddDiv2 = button(t, tech, "", "btnVddDiv2");
    LabelSupply = new QLabel(t);
    v->addWidget(LabelSupply);
    v->addStretch();
    const char* texts[] = {"5.00", "3.30", "2.50", "1.80", "1.20"};
    for (std::size_t i = 0; i < btnVolts.size(); ++i) {
      const char* text = texts[i];
      connect(btnVolts[i], &QPushButton::clicked, this, [this, text] { act([text](LabelEditor& e) { e.DcText(text); }); });
    }
    connect(btnVdd, &QPushButton::clicked, this, [this] { act([](LabelEditor& e) { e.DcVdd(); }); });
    connect(btnVddH, &QPushButton::clicked, this, [this] { act([](LabelEditor& e) { e.DcVddHigh(); }); });
    connect(btnVddDiv2, &QPushButton::clicked, this, [this] { act([](LabelEditor& e) { e.DcVddHalf(); }); });
  }
  {  // Clock
    QWidget* t = tab(LabelPage::Clock);
    auto* v = new QVBoxLayout(t);
    auto* form = new QFormLayout;
    v->addLayout(form);
    EditClockHigh = addEdit(form, "High Level (V):", "EditClockHigh");
    EditClockLow = addEdit(form, "Low level (V):", "EditClockLow");
    EditTl = addEdit(form, "Time low (tl)", "EditTl");
    EditTr = addEdit(form, "Rise time (tr)", "EditTr");
    EditTh = addEdit(form, "Time high (th)", "EditTh");
    EditTf = addEdit(form, "Fall time (tf)", "EditTf");
    auto* row = new QHBoxLayout;
    v->addLayout(row);
    btnSlower = button(t, row, "Slower", "btnSlower");
    btnFaster = button(t, row, "Faster", "btnFaster");
    btnLastClock = button(t, row, "~Last Clock", "btnLastClock");
    LabelPeriod = new QLabel(t);
    v->addWidget(LabelPeriod);
    v->addStretch();
    connect(btnSlower, &QPushButton::clicked, this, [this] { act([](LabelEditor& e) { e.ClockSlower(); }); });
    connect(btnFaster, &QPushButton::clicked, this, [this] { act([](LabelEditor& e) { e.ClockFaster(); }); });
    connect(btnLastClock, &QPushButton::clicked, this, [this] { act([](LabelEditor& e) { e.LastClock(); }); });
  }
  {  // Pulse
    QWidget* t = tab(LabelPage::Pulse);
    auto* v = new QVBoxLayout(t);
    auto* form = new QFormLayout;
    v->addLayout(form);
    EditPulseHigh = addEdit(form, "High Level (V):", "EditPulseHigh");
    EditPulseLow = addEdit(form, "Low level (V):", "EditPulseLow");
    EditTs = addEdit(form, "Time start (ts)", "EditTs");
    EditPulseTr = addEdit(form, "Rise time (tr)", "EditPulseTr");
    EditTp = addEdit(form, "Time pulse (tp)", "EditTp");
    EditPulseTf = addEdit(form, "Fall time (tf)", "EditPulseTf");
    auto* row = new QHBoxLayout;
    v->addLayout(row);
    btnLarger = button(t, row, "Larger", "btnLarger");
    btnShorter = button(t, row, "Shorter", "btnShorter");
    btnLastPulse = button(t, row, "~Last Pulse", "btnLastPulse");
    auto* levels = new QHBoxLayout;
    v->addLayout(levels);
    btnPositive = button(t, levels, "Positive", "btnPositive");
    btnNegative = button(t, levels, "Negative", "btnNegative");
    v->addStretch();
    connect(btnLarger, &QPushButton::clicked, this, [this] { act([](LabelEditor& e) { e.PulseLarger(); }); });
    connect(btnShorter, &QPushButton::clicked, this, [this] { act([](LabelEditor& e) { e.PulseShorter(); }); });
    connect(btnLastPulse, &QPushButton::clicked, this, [this] { act([](LabelEditor& e) { e.LastPulse(); }); });
    connect(btnPositive, &QPushButton::clicked, this, [this] { act([](LabelEditor& e) { e.PulseHighLow(); }); });
    connect(btnNegative, &QPushButton::clicked, this, [this] { act([](LabelEditor& e) { e.PulseLowHigh(); }); });
  }
  {  // Sinus
    QWidget* t = tab(LabelPage::Sinus);
    auto* v = new QVBoxLayout(t);
    auto* form = new QFormLayout;
    v->addLayout(form);
    EditFreq = addEdit(form, "Frequency (MHz):", "EditFreq");
    EditAmpl = addEdit(form, "Amplitude(V):", "EditAmpl");
    EditOffset = addEdit(form, "Offset (V):", "EditOffset");
    EditIncrease = addEdit(form, "Increase f:", "EditIncrease");
    auto* noise = new QHBoxLayout;
    v->addLayout(noise);
    sbNoise = new QToolButton(t);
    sbNoise->setObjectName("sbNoise");
    sbNoise->setText("Add Noise");
    sbNoise->setCheckable(true);
    noise->addWidget(sbNoise);
    EditNoise = new QLineEdit(t);
    EditNoise->setObjectName("EditNoise");
    noise->addWidget(EditNoise);
    noise->addWidget(new QLabel("mV Rms", t));
    auto* row = new QHBoxLayout;
    v->addLayout(row);
    btnSinusFaster = button(t, row, "Faster", "btnSinusFaster");
    btnSinusSlower = button(t, row, "Slower", "btnSinusSlower");
    v->addStretch();
    connect(sbNoise, &QToolButton::toggled, this, [this](bool on) { EditNoise->setEnabled(on); });
    connect(btnSinusFaster, &QPushButton::clicked, this, [this] { act([](LabelEditor& e) { e.SinusFaster(); }); });
    connect(btnSinusSlower, &QPushButton::clicked, this, [this] { act([](LabelEditor& e) { e.SinusSlower(); }); });
  }
  {  // Variable
    auto* v = new QVBoxLayout(tab(LabelPage::Var));
    v->addWidget(new QLabel("\"Not in Simu\": the text only names the node under it."));
    v->addWidget(new QLabel("\"Visible in simu\": the simulator also draws the node's voltage."));
    v->addStretch();
  }
  {  // Ground
    auto* v = new QVBoxLayout(tab(LabelPage::Vss));
    v->addWidget(new QLabel("Add a 0.0 V DC supply at text location"));
    v->addStretch();
  }
  {  // PWL
    QWidget* t = tab(LabelPage::Pwl);
    auto* v = new QVBoxLayout(t);
    auto* form = new QFormLayout;
    v->addLayout(form);
    EditPwlHigh = addEdit(form, "Level 1 (V):", "EditPwlHigh");
    EditPwlLow = addEdit(form, "Level 0 (V):", "EditPwlLow");
    StringPwl = new QTableWidget(PwlGrid::kRows, 2, t);
    StringPwl->setObjectName("StringPwl");
    StringPwl->setEditTriggers(QAbstractItemView::AnyKeyPressed | QAbstractItemView::EditKeyPressed |
                               QAbstractItemView::SelectedClicked);
    StringPwl->setSelectionMode(QAbstractItemView::SingleSelection);
    StringPwl->horizontalHeader()->setStretchLastSection(true);
    v->addWidget(StringPwl);
    auto* row = new QHBoxLayout;
    v->addLayout(row);
    btnClear = button(t, row, "Clear", "btnClear");
    btnInvert = button(t, row, "Invert", "btnInvert");
    auto* seq = new QHBoxLayout;
    v->addLayout(seq);
    seq->addWidget(new QLabel("Seq:", t));
    EditSeq = new QLineEdit(t);
    EditSeq->setObjectName("EditSeq");
    seq->addWidget(EditSeq);
    btnInsert = button(t, seq, "Insert", "btnInsert");
    v->addWidget(new QLabel("0=Vss, 1=Vdd, 2=HVdd,", t));
    v->addWidget(new QLabel("x=3-state, r=random", t));
    connect(btnClear, &QPushButton::clicked, this, [this] { act([](LabelEditor& e) { e.PwlClear(); }); });
    connect(btnInvert, &QPushButton::clicked, this, [this] { act([](LabelEditor& e) { e.PwlInvert(); }); });
    connect(btnInsert, &QPushButton::clicked, this, [this] { act([](LabelEditor& e) { e.PwlInsert(); }); });
    connect(StringPwl, &QTableWidget::cellDoubleClicked, this,
            [this](int row, int col) { StringPwlDblClick(row, col); });
  }
  {  // Math
    QWidget* t = tab(LabelPage::Math);
    auto* v = new QVBoxLayout(t);
    v->addWidget(new QLabel("Equation:", t));
    ComboEquation = new QComboBox(t);
    ComboEquation->setObjectName("ComboEquation");
    ComboEquation->setEditable(true);
    for (const std::string& e : equationExamples()) ComboEquation->addItem(q(e));
    v->addWidget(ComboEquation);
    ListFunctions = new QListWidget(t);
    ListFunctions->setObjectName("ListFunctions");
    for (const FunctionHelp& f : expressionFunctions())
      ListFunctions->addItem(QString("%1: %2, e.g. %3").arg(f.name, f.meaning, f.example));
    ListFunctions->setSelectionMode(QAbstractItemView::NoSelection);
    v->addWidget(ListFunctions);
  }

  auto* name = new QHBoxLayout;
  top->addLayout(name);
  name->addWidget(new QLabel("Label name :", this));
  EditText = new QLineEdit("node0", this);
  EditText->setObjectName("EditText");
  name->addWidget(EditText);
  auto* buttons = new QHBoxLayout;
  top->addLayout(buttons);
  btnCancel = button(this, buttons, "Cancel", "btnCancel");
  sbVisible = new QToolButton(this);
  sbVisible->setObjectName("sbVisible");
  sbVisible->setCheckable(true);
  sbVisible->setText("Not in simu");
  buttons->addWidget(sbVisible);
  btnAssign = button(this, buttons, "Assign", "btnAssign");
  btnAssign->setDefault(true);

  connect(sbVisible, &QToolButton::toggled, this,
          [this](bool down) { sbVisible->setText(down ? "Visible in simu" : "Not in simu"); });
  connect(PageControl, &QTabWidget::currentChanged, this, [this](int i) { PageControlChange(i); });
  connect(btnCancel, &QPushButton::clicked, this, [this] { reject(); });
  connect(btnAssign, &QPushButton::clicked, this, [this] { sbAssignClick(); });
}

void TFormAddText::bind(LabelEditor& editor) { editor_ = &editor; }

void TFormAddText::showModal(LabelEditor& editor) {
  bind(editor);
  UpdateOptions();
  exec();
}

void TFormAddText::UpdateOptions() {
  if (!editor_) return;
  LabelEditor& e = *editor_;
  updating_ = true;
  PageControl->setCurrentIndex(static_cast<int>(e.page));
  setWindowTitle(q(e.caption()));
  EditText->setText(q(e.EditText));
  sbVisible->setChecked(e.visible);
  sbVisible->setText(e.visibleCaption());

  EditVdd->setText(q(e.EditVdd.text));
  btnVdd->setText(q(e.vddCaption()));
  btnVddH->setText(q(e.vddHighCaption()));
  btnVddDiv2->setText(q(e.vddHalfCaption()));
  LabelSupply->setText(q(e.supplyNote()));

  EditClockHigh->setText(q(e.clockHigh.text));
  EditClockLow->setText(q(e.clockLow.text));
  EditTl->setText(q(e.clockTl.text));
  EditTr->setText(q(e.clockTr.text));
  EditTh->setText(q(e.clockTh.text));
  EditTf->setText(q(e.clockTf.text));
  LabelPeriod->setText(q(e.periodText));

  EditPulseHigh->setText(q(e.pulseHigh.text));
  EditPulseLow->setText(q(e.pulseLow.text));
  EditTs->setText(q(e.pulseTs.text));
  EditPulseTr->setText(q(e.pulseTr.text));
  EditTp->setText(q(e.pulseTp.text));
  EditPulseTf->setText(q(e.pulseTf.text));

  EditFreq->setText(q(e.sinusFrequency.text));
  EditAmpl->setText(q(e.sinusAmplitude.text));
  EditOffset->setText(q(e.sinusOffset.text));
  EditIncrease->setText(q(e.sinusIncrease.text));
  EditNoise->setText(q(e.sinusNoise.text));
  sbNoise->setChecked(e.addNoise);
  EditNoise->setEnabled(e.addNoise);

  EditPwlHigh->setText(q(e.pwlHigh.text));
  EditPwlLow->setText(q(e.pwlLow.text));
  const PwlGrid& g = e.StringPwl;
  StringPwl->setHorizontalHeaderLabels({q(g.cell(PwlGrid::kTimeColumn, 0)), q(g.cell(PwlGrid::kCodeColumn, 0))});
  for (int r = 1; r <= PwlGrid::kRows; ++r)
    for (int c = 0; c < 2; ++c) {
      QTableWidgetItem* item = StringPwl->item(r - 1, c);
      if (!item) {
        item = new QTableWidgetItem;
        StringPwl->setItem(r - 1, c, item);
      }
      item->setText(q(g.cell(c, r)));
    }
  EditSeq->setText(q(e.seq));
  ComboEquation->setEditText(q(e.ComboEquation));
  updating_ = false;
}

void TFormAddText::readControls() {
  if (!editor_) return;
  LabelEditor& e = *editor_;
  e.page = static_cast<LabelPage>(PageControl->currentIndex());
  e.EditText = cp(EditText->text());
  e.visible = sbVisible->isChecked();
  e.EditVdd.text = cp(EditVdd->text());
  e.clockHigh.text = cp(EditClockHigh->text());
  e.clockLow.text = cp(EditClockLow->text());
  e.clockTl.text = cp(EditTl->text());
  e.clockTr.text = cp(EditTr->text());
  e.clockTh.text = cp(EditTh->text());
  e.clockTf.text = cp(EditTf->text());
  e.pulseHigh.text = cp(EditPulseHigh->text());
  e.pulseLow.text = cp(EditPulseLow->text());
  e.pulseTs.text = cp(EditTs->text());
  e.pulseTr.text = cp(EditPulseTr->text());
  e.pulseTp.text = cp(EditTp->text());
  e.pulseTf.text = cp(EditPulseTf->text());
  e.sinusFrequency.text = cp(EditFreq->text());
  e.sinusAmplitude.text = cp(EditAmpl->text());
  e.sinusOffset.text = cp(EditOffset->text());
  e.sinusIncrease.text = cp(EditIncrease->text());
  e.sinusNoise.text = cp(EditNoise->text());
  e.addNoise = sbNoise->isChecked();
  e.pwlHigh.text = cp(EditPwlHigh->text());
  e.pwlLow.text = cp(EditPwlLow->text());
  for (int r = 1; r <= PwlGrid::kRows; ++r)
    for (int c = 0; c < 2; ++c) {
      const QTableWidgetItem* item = StringPwl->item(r - 1, c);
      e.StringPwl.setCell(c, r, item ? cp(item->text()) : std::string());
    }
  e.StringPwl.selected = std::max(1, StringPwl->currentRow() + 1);
  e.seq = cp(EditSeq->text());
  e.ComboEquation = cp(ComboEquation->currentText());
}

template <class F>
void TFormAddText::act(F f) {
  if (!editor_) return;
  readControls();
  f(*editor_);
  UpdateOptions();
}

void TFormAddText::PageControlChange(int index) {
  if (updating_ || !editor_ || index < 0) return;
  editor_->page = static_cast<LabelPage>(index);
  setWindowTitle(q(editor_->caption()));
}

void TFormAddText::StringPwlDblClick(int row, int col) {
  act([row, col](LabelEditor& e) { e.PwlDoubleClick(col, row + 1); });
}

void TFormAddText::sbAssignClick() {
  if (editor_) {
    readControls();
    editor_->Assign();
  }
  accept();
}

}  // namespace quill
