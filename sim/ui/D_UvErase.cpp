#include "sim/ui/D_UvErase.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/Cp1252.h"

namespace quill {

TFormUvErase::TFormUvErase(LayoutDatabase& db, QWidget* parent) : QDialog(parent), erase_(db, timer_) {
  setWindowTitle("EEPROM control");
  auto* layout = new QVBoxLayout(this);
  label_ = new QLabel(this);
  progress_ = new QProgressBar(this);
  progress_->setRange(0, UvErase::kTicks);
  btnOk_ = new QPushButton("OK", this);
  layout->addWidget(label_);
  layout->addWidget(progress_);
  layout->addWidget(btnOk_);
  connect(btnOk_, &QPushButton::clicked, this, [this] { btnOkClick(); });
  erase_.onChange = [this] { UpdateOptions(); };
  UpdateOptions();
}

void TFormUvErase::FormShow() {
  erase_.start();
  UpdateOptions();
  show();
}

void TFormUvErase::UpdateOptions() {
  label_->setText(QString::fromUtf8(cp1252ToUtf8(erase_.text()).c_str()));
  progress_->setValue(erase_.progress());
}

void TFormUvErase::btnOkClick() {
  erase_.ok();
  close();
}

}  // namespace quill
