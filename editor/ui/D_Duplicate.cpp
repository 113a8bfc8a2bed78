#include "editor/ui/D_Duplicate.h"

#include <QAbstractTableModel>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>

#include "platform/Cp1252.h"

namespace quill {

namespace {
QString q(const std::string& cp1252) { return QString::fromUtf8(cp1252ToUtf8(cp1252).c_str()); }
std::string cp(const QString& s) { return utf8ToCp1252(s.toUtf8().toStdString()); }

// The marked boxes, scaled into the group's paint area in their layer colours.
class SelectionPreview : public QWidget {
 public:
  SelectionPreview(DuplicateEditor& e, const LayoutDatabase& db, QWidget* parent)
      : QWidget(parent), e_(e), db_(db) {
    setObjectName("PaintSelect");
    setMinimumSize(160, 120);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.fillRect(rect(), Qt::black);
    const Rect x = e_.extent();
    const double w = std::max<double>(1, double(x.x2) - x.x1), h = std::max<double>(1, double(x.y2) - x.y1);
    const double s = std::min((width() - 8) / w, (height() - 8) / h);
    for (int pos : e_.marked()) {
      if (pos < 1 || pos > db_.boxCount()) continue;
      const LayoutBox& b = db_.box(pos);
      const Colour c = db_.layers[b.layer].colour;
      const QColor colour(redOf(c), greenOf(c), blueOf(c));
      const QRectF r(4 + (b.x1 - x.x1) * s, height() - 4 - (b.y2 - x.y1) * s, (double(b.x2) - b.x1) * s,
                     (double(b.y2) - b.y1) * s);
      p.setPen(colour);
      p.setBrush(QColor(colour.red(), colour.green(), colour.blue(), 110));
      p.drawRect(r);
    }
  }

 private:
  DuplicateEditor& e_;
  const LayoutDatabase& db_;
};
}  // namespace

// The 128 x 128 cells of the editor's grid.
class DuplicateGridModel : public QAbstractTableModel {
 public:
  explicit DuplicateGridModel(DuplicateEditor& e, QObject* parent) : QAbstractTableModel(parent), e_(e) {}
  int rowCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : kProgramGridSize; }
  int columnCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : kProgramGridSize; }
  QVariant data(const QModelIndex& i, int role) const override {
    if (!i.isValid()) return {};
    if (role == Qt::DisplayRole) return QString(QChar(e_.cell(i.column(), i.row())));
    if (role == Qt::TextAlignmentRole) return int(Qt::AlignCenter);
    return {};
  }
  void toggle(const QModelIndex& i) {
    e_.StringArrayDblClick(i.column(), i.row());
    emit dataChanged(i, i);
  }
  void refresh() {
    beginResetModel();
    endResetModel();
  }

 private:
  DuplicateEditor& e_;
};

TFormDuplicate::TFormDuplicate(DuplicateEditor& editor, const LayoutDatabase& db, QWidget* parent)
    : QDialog(parent), editor_(editor) {
  setObjectName("FormDuplicate");
  setWindowTitle("Duplicate in X Y");
  auto* top = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  top->addLayout(form);
  EditMulX = new QLineEdit(this);
  EditMulX->setObjectName("EditMulX");
  form->addRow("Multiply in X :", EditMulX);
  EditMulY = new QLineEdit(this);
  EditMulY->setObjectName("EditMulY");
  form->addRow("Multiply in Y :", EditMulY);
  LabelSize = new QLabel(this);
  LabelSize->setObjectName("LabelSize");
  top->addWidget(LabelSize);

  GroupLayout = new QGroupBox(this);
  GroupLayout->setObjectName("GroupLayout");
  auto* g = new QVBoxLayout(GroupLayout);
  PaintSelect = new SelectionPreview(editor_, db, GroupLayout);
  g->addWidget(PaintSelect);
  top->addWidget(GroupLayout);

  auto* program = new QHBoxLayout;
  top->addLayout(program);
  CheckProgram = new QCheckBox("Assign data to", this);
  CheckProgram->setObjectName("CheckProgram");
  program->addWidget(CheckProgram);
  ComboBox = new QComboBox(this);
  ComboBox->setObjectName("ComboBox");
  program->addWidget(ComboBox, 1);

  grid_ = new DuplicateGridModel(editor_, this);
  StringArray = new QTableView(this);
  StringArray->setObjectName("StringArray");
  StringArray->setModel(grid_);
  StringArray->horizontalHeader()->setDefaultSectionSize(22);
  StringArray->verticalHeader()->setDefaultSectionSize(20);
  StringArray->setEditTriggers(QAbstractItemView::NoEditTriggers);
  StringArray->setMinimumHeight(160);
  top->addWidget(StringArray, 1);

  auto* fill = new QHBoxLayout;
  top->addLayout(fill);
  fill->addWidget(new QLabel("Edit hexadecimal data:", this));
  EditString = new QLineEdit(this);
  EditString->setObjectName("EditString");
  fill->addWidget(EditString, 1);
  BitBtnFill = new QPushButton("Fill array", this);
  BitBtnFill->setObjectName("BitBtnFill");
  BitBtnFill->setAutoDefault(false);
  fill->addWidget(BitBtnFill);

  auto* buttons = new QHBoxLayout;
  top->addLayout(buttons);
  btnGenerate = new QPushButton("Generate", this);
  btnGenerate->setObjectName("btnGenerate");
  btnGenerate->setAutoDefault(false);
  btnCancel = new QPushButton("Cancel", this);
  btnCancel->setObjectName("btnCancel");
  btnCancel->setAutoDefault(false);
  buttons->addStretch();
  buttons->addWidget(btnGenerate);
  buttons->addWidget(btnCancel);

  connect(CheckProgram, &QCheckBox::toggled, this, [this](bool on) {
    if (updating_) return;
    editor_.CheckProgram = on;
    enableProgramming();
  });
  connect(ComboBox, &QComboBox::currentIndexChanged, this, [this](int i) {
    if (!updating_ && i >= 0) editor_.ComboBox = i;
  });
  connect(StringArray, &QTableView::doubleClicked, this, [this](const QModelIndex& i) { grid_->toggle(i); });
  connect(BitBtnFill, &QPushButton::clicked, this, [this] {
    readControls();
    editor_.BitBtnFillClick();
    grid_->refresh();
  });
  connect(btnGenerate, &QPushButton::clicked, this, [this] {
    readControls();
    if (editor_.btnGenerateClick()) accept();
  });
  connect(btnCancel, &QPushButton::clicked, this, [this] {
    editor_.btnCancelClick();
    reject();
  });
  resize(420, 620);
}

TFormDuplicate::~TFormDuplicate() = default;

void TFormDuplicate::readControls() {
  editor_.EditMulX.text = cp(EditMulX->text());
  editor_.EditMulY.text = cp(EditMulY->text());
  editor_.EditString = cp(EditString->text());
  editor_.CheckProgram = CheckProgram->isChecked();
  if (ComboBox->currentIndex() >= 0) editor_.ComboBox = ComboBox->currentIndex();
}

void TFormDuplicate::enableProgramming() {
  const bool on = editor_.CheckProgram;
  ComboBox->setEnabled(on);
  EditString->setEnabled(on);
  BitBtnFill->setEnabled(on);
}

void TFormDuplicate::UpdateOptions() {
  updating_ = true;
  EditMulX->setText(q(editor_.EditMulX.text));
  EditMulY->setText(q(editor_.EditMulY.text));
  LabelSize->setText(q(editor_.sizeText()));
  GroupLayout->setTitle(q(editor_.groupCaption()));
  CheckProgram->setChecked(editor_.CheckProgram);
  ComboBox->clear();
  for (const std::string& e : editor_.entries()) ComboBox->addItem(q(e));
  ComboBox->setCurrentIndex(std::clamp(editor_.ComboBox, 0, std::max(0, ComboBox->count() - 1)));
  EditString->setText(q(editor_.EditString));
  enableProgramming();
  grid_->refresh();
  PaintSelect->update();
  updating_ = false;
}

void TFormDuplicate::showModal() {
  UpdateOptions();
  exec();
}

}  // namespace quill
