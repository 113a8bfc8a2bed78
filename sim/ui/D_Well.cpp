#include "sim/ui/D_Well.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/Cp1252.h"

namespace quill {

TFormWell::TFormWell(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("FormWell"));
  setWindowTitle(QStringLiteral("Well Polarization Warning"));
  setModal(true);
  auto* layout = new QVBoxLayout(this);
  message_ = new QLabel(QStringLiteral("Floating n-well can damage either the chip and the software"), this);
  warning_ = new QLabel(this);
  warning_->setObjectName(QStringLiteral("LabelWarning"));
  run_ = new QPushButton(QStringLiteral("Simulate as it (Risk of damage)"), this);
  polarize_ = new QPushButton(QStringLiteral("Polarize Nwell to VDD (Safe)"), this);
  cancel_ = new QPushButton(QStringLiteral("Cancel simulation"), this);
  polarize_->setDefault(true);
  for (QWidget* w : {static_cast<QWidget*>(message_), static_cast<QWidget*>(warning_), static_cast<QWidget*>(run_),
                     static_cast<QWidget*>(polarize_), static_cast<QWidget*>(cancel_)})
    layout->addWidget(w);
  auto answer = [this](WellAnswer a) {
    answer_ = a;
    done(QDialog::Accepted);
  };
  connect(run_, &QPushButton::clicked, this, [answer] { answer(WellAnswer::Run); });
  connect(polarize_, &QPushButton::clicked, this, [answer] { answer(WellAnswer::Polarize); });
  connect(cancel_, &QPushButton::clicked, this, [answer] { answer(WellAnswer::Cancel); });
}

void TFormWell::reject() {
  answer_ = WellAnswer::Cancel;
  QDialog::reject();
}

WellAnswer TFormWell::ask(int, const std::string& text) {
  warning_->setText(QString::fromUtf8(cp1252ToUtf8(text)));
  answer_ = WellAnswer::Cancel;
  exec();
  return answer_;
}

}  // namespace quill
