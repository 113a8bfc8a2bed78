#include "editor/ui/D_Move.h"

#include <QCloseEvent>
#include <QFormLayout>
#include <QGridLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "platform/Cp1252.h"

namespace quill {

namespace {
QString q(const std::string& cp1252) { return QString::fromUtf8(cp1252ToUtf8(cp1252).c_str()); }
std::string cp(const QString& s) { return utf8ToCp1252(s.toUtf8().toStdString()); }
}  // namespace

TFormMove::TFormMove(MoveStepEditor& editor, QWidget* parent) : QDialog(parent), editor_(editor) {
  setObjectName("FormMove");
  setWindowTitle("Move");
  setModal(false);
  setWindowFlag(Qt::Tool, true);
  auto* top = new QVBoxLayout(this);
  auto* arrows = new QGridLayout;
  top->addLayout(arrows);
  auto arrow = [this, arrows](const char* name, Qt::ArrowType type, MoveDirection d, int row, int col) {
    auto* b = new QToolButton(this);
    b->setObjectName(name);
    b->setArrowType(type);
    b->setFixedSize(36, 36);
    arrows->addWidget(b, row, col);
    // the logic repeats the step itself while the button is down
    connect(b, &QToolButton::pressed, this, [this, d] {
      editor_.EditStep.text = cp(EditStep->text());
      editor_.arrowDown(d);
      EditStep->setText(q(editor_.EditStep.text));
    });
    connect(b, &QToolButton::released, this, [this] { editor_.arrowUp(); });
    return b;
  };
  sbUp = arrow("sbUp", Qt::UpArrow, MoveDirection::Up, 0, 1);
  sbLeft = arrow("sbLeft", Qt::LeftArrow, MoveDirection::Left, 1, 0);
  sbRight = arrow("sbRight", Qt::RightArrow, MoveDirection::Right, 1, 2);
  sbDown = arrow("sbDown", Qt::DownArrow, MoveDirection::Down, 2, 1);
  auto* form = new QFormLayout;
  top->addLayout(form);
  EditStep = new QLineEdit(this);
  EditStep->setObjectName("EditStep");
  form->addRow("Step (lambda)", EditStep);
  sbFinish = new QPushButton("Finish", this);
  sbFinish->setObjectName("sbFinish");
  sbFinish->setAutoDefault(false);
  top->addWidget(sbFinish);
  connect(sbFinish, &QPushButton::clicked, this, [this] { editor_.sbFinishClick(); });
}

void TFormMove::UpdateOptions() { EditStep->setText(q(editor_.EditStep.text)); }

void TFormMove::showTool() {
  UpdateOptions();
  show();
  raise();
}

void TFormMove::closeTool() { hide(); }

void TFormMove::closeEvent(QCloseEvent* e) {
  if (editor_.isOpen()) editor_.sbFinishClick();
  e->accept();
}

void TFormMove::reject() {
  // Escape in the window is Finish too
  if (editor_.isOpen()) editor_.sbFinishClick();
  QDialog::reject();
}

}  // namespace quill
