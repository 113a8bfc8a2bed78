#include "editor/ui/D_RLC.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "platform/Cp1252.h"

namespace quill {

namespace {
QString q(const std::string& cp1252) { return QString::fromUtf8(cp1252ToUtf8(cp1252).c_str()); }
std::string cp(const QString& s) { return utf8ToCp1252(s.toUtf8().toStdString()); }

// The three symbols, drawn rather than shipped.
QPixmap picture(int kind) {
  QPixmap pm(96, 40);
  pm.fill(Qt::white);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing, true);
  p.setPen(QPen(Qt::black, 2));
  if (kind == kRlcResistor) {
    QPainterPath path(QPointF(4, 20));
    path.lineTo(22, 20);
    for (int i = 0; i < 6; ++i) path.lineTo(26 + i * 8, i % 2 ? 28 : 12);
    path.lineTo(74, 20);
    path.lineTo(92, 20);
    p.drawPath(path);
  } else if (kind == kRlcCapacitor) {
    p.drawLine(4, 20, 42, 20);
    p.drawLine(42, 6, 42, 34);
    p.drawLine(54, 6, 54, 34);
    p.drawLine(54, 20, 92, 20);
  } else {
    p.drawLine(4, 20, 20, 20);
    for (int i = 0; i < 4; ++i) p.drawArc(QRectF(20 + i * 14, 10, 14, 20), 0, 180 * 16);
    p.drawLine(76, 20, 92, 20);
  }
  return pm;
}
}  // namespace

TFormRes::TFormRes(RlcEditor& editor, QWidget* parent) : QDialog(parent), editor_(editor) {
  setObjectName("FormRes");
  setWindowTitle("Virtual R,L,C Parameters");
  auto* top = new QVBoxLayout(this);
  auto* pictures = new QHBoxLayout;
  top->addLayout(pictures);
  auto image = [this, pictures](const char* name, int kind) {
    auto* l = new QLabel(this);
    l->setObjectName(name);
    l->setPixmap(picture(kind));
    pictures->addWidget(l);
    return l;
  };
  ImageRes = image("ImageRes", kRlcResistor);
  ImageCapa = image("ImageCapa", kRlcCapacitor);
  ImageInductor = image("ImageInductor", kRlcInductor);
  LabelInfo = new QLabel(this);
  LabelInfo->setObjectName("LabelInfo");
  top->addWidget(LabelInfo);

  LabelCapa = new QLabel("Capacitance value (pF):", this);
  LabelCapa->setObjectName("LabelCapa");
  LabelInductance = new QLabel("Inductance value (nH):", this);
  LabelInductance->setObjectName("LabelInductance");
  top->addWidget(LabelCapa);
  top->addWidget(LabelInductance);
  EditValue = new QLineEdit(this);
  EditValue->setObjectName("EditValue");
  top->addWidget(EditValue);

  auto* sizeRow = new QHBoxLayout;
  top->addLayout(sizeRow);
  sizes_ = new QButtonGroup(this);
  auto sizeButton = [this, sizeRow](const char* name, const char* caption, int size) {
    auto* b = new QToolButton(this);
    b->setObjectName(name);
    b->setText(caption);
    b->setCheckable(true);
    sizes_->addButton(b, size);
    sizeRow->addWidget(b);
    return b;
  };
  sbSmall = sizeButton("sbSmall", "Small", 1);
  sbMedium = sizeButton("sbMedium", "Medium", 5);
  sbLarge = sizeButton("sbLarge", "Large", 25);

  RadioParams = new QGroupBox("Resistance Parameters", this);
  RadioParams->setObjectName("RadioParams");
  auto* radios = new QVBoxLayout(RadioParams);
  paramGroup_ = new QButtonGroup(this);
  for (int i = 0; i < kRlcParamCount; ++i) {
    auto* r = new QRadioButton(rlcParamCaption(i), RadioParams);
    params[static_cast<std::size_t>(i)] = r;
    paramGroup_->addButton(r, i);
    radios->addWidget(r);
  }
  top->addWidget(RadioParams);

  auto* buttons = new QHBoxLayout;
  top->addLayout(buttons);
  buttons->addStretch();
  btnOk = new QPushButton("OK", this);
  btnOk->setObjectName("btnOk");
  btnOk->setAutoDefault(false);
  btnCancel = new QPushButton("Cancel", this);
  btnCancel->setObjectName("btnCancel");
  btnCancel->setAutoDefault(false);
  buttons->addWidget(btnOk);
  buttons->addWidget(btnCancel);

  connect(EditValue, &QLineEdit::textEdited, this, [this](const QString& t) {
    editor_.EditValue = cp(t);
    editor_.EditValueChange();
    updating_ = true;
    params[static_cast<std::size_t>(editor_.RadioParams)]->setChecked(true);
    updating_ = false;
  });
  connect(paramGroup_, &QButtonGroup::idClicked, this, [this](int id) {
    if (updating_) return;
    editor_.RadioParamsClick(id);
    EditValue->setText(q(editor_.EditValue));
  });
  connect(sizes_, &QButtonGroup::idClicked, this, [this](int id) { editor_.sizeClick(id); });
  connect(btnOk, &QPushButton::clicked, this, [this] {
    editor_.EditValue = cp(EditValue->text());
    if (editor_.btnOkClick()) accept();
  });
  connect(btnCancel, &QPushButton::clicked, this, [this] {
    editor_.btnCancelClick();
    reject();
  });
}

void TFormRes::UpdateOptions() {
  updating_ = true;
  const int k = editor_.kind;
  ImageRes->setVisible(k == kRlcResistor);
  ImageCapa->setVisible(k == kRlcCapacitor);
  ImageInductor->setVisible(k == kRlcInductor);
  LabelCapa->setVisible(k == kRlcCapacitor);
  LabelInductance->setVisible(k == kRlcInductor);
  RadioParams->setVisible(k == kRlcResistor);
  LabelInfo->setText(q(editor_.info));
  EditValue->setText(q(editor_.EditValue));
  if (QAbstractButton* b = sizes_->button(editor_.size)) b->setChecked(true);
  params[static_cast<std::size_t>(editor_.RadioParams)]->setChecked(true);
  updating_ = false;
  adjustSize();
}

void TFormRes::showModal() {
  UpdateOptions();
  exec();
}

}  // namespace quill
