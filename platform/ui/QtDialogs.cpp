#include "platform/ui/QtDialogs.h"

#include <QFileDialog>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "platform/Cp1252.h"

namespace quill {

namespace {
QString q(const std::string& s) { return QString::fromUtf8(cp1252ToUtf8(s)); }

QLabel* makeLine(QWidget* parent, const char* name) {
  auto* l = new QLabel(parent);
  l->setObjectName(QString::fromLatin1(name));
  l->setTextFormat(Qt::PlainText);
  l->setAlignment(Qt::AlignCenter);
  return l;
}
}  // namespace

TFormMessage::TFormMessage(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("FormMessage"));
  setWindowTitle(QStringLiteral("Message"));
  LabelMessage = makeLine(this, "LabelMessage");
  LabelMessage2 = makeLine(this, "LabelMessage2");
  btnOk = new QPushButton(QStringLiteral("OK"), this);
  btnOk->setObjectName(QStringLiteral("btnOk"));
  btnOk->setDefault(true);
  connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);

  auto* v = new QVBoxLayout(this);
  v->addWidget(LabelMessage);
  v->addWidget(LabelMessage2);
  auto* h = new QHBoxLayout;
  h->addStretch();
  h->addWidget(btnOk);
  h->addStretch();
  v->addLayout(h);
  setMinimumWidth(360);
}

void TFormMessage::setup(const std::string& caption, const std::string& line1, const std::string& line2,
                         const std::string& button) {
  setWindowTitle(q(caption));
  LabelMessage->setText(q(line1));
  LabelMessage2->setText(q(line2));
  btnOk->setText(q(button));
}

TFormConfirm::TFormConfirm(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("FormConfirm"));
  setWindowTitle(QStringLiteral("Confirm"));
  LabelConfirm = makeLine(this, "LabelConfirm");
  LabelConfirm2 = makeLine(this, "LabelConfirm2");
  btnYes = new QPushButton(QStringLiteral("Yes"), this);
  btnNo = new QPushButton(QStringLiteral("No"), this);
  btnCancel = new QPushButton(QStringLiteral("Cancel"), this);
  btnYes->setObjectName(QStringLiteral("btnYes"));
  btnNo->setObjectName(QStringLiteral("btnNo"));
  btnCancel->setObjectName(QStringLiteral("btnCancel"));
  btnYes->setDefault(true);
  connect(btnYes, &QPushButton::clicked, this, [this] { finishWith(ConfirmResult::Yes); });
  connect(btnNo, &QPushButton::clicked, this, [this] { finishWith(ConfirmResult::No); });
  connect(btnCancel, &QPushButton::clicked, this, [this] { finishWith(ConfirmResult::Cancel); });

  TimerBlink = new QTimer(this);
  TimerBlink->setObjectName(QStringLiteral("TimerBlink"));
  TimerBlink->setInterval(kBlinkMs);
  connect(TimerBlink, &QTimer::timeout, this, &TFormConfirm::TimerBlinkTimer);

  auto* v = new QVBoxLayout(this);
  v->addWidget(LabelConfirm);
  v->addWidget(LabelConfirm2);
  auto* h = new QHBoxLayout;
  h->addStretch();
  h->addWidget(btnYes);
  h->addWidget(btnNo);
  h->addWidget(btnCancel);
  h->addStretch();
  v->addLayout(h);
  setMinimumWidth(360);
  paintLine2();
}

void TFormConfirm::setup(const std::string& line1, const std::string& line2, bool withCancel) {
  LabelConfirm->setText(q(line1));
  LabelConfirm2->setText(q(line2));
  btnCancel->setVisible(withCancel);
  answer_ = withCancel ? ConfirmResult::Cancel : ConfirmResult::No;
  grey_ = false;
  paintLine2();
}

void TFormConfirm::TimerBlinkTimer() {
  grey_ = !grey_;
  paintLine2();
}

void TFormConfirm::paintLine2() {
  QPalette p = LabelConfirm2->palette();
  p.setColor(QPalette::WindowText, grey_ ? QColor(128, 128, 128) : QColor(0, 0, 0));
  LabelConfirm2->setPalette(p);
}

void TFormConfirm::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  TimerBlink->start();
}

void TFormConfirm::hideEvent(QHideEvent* e) {
  TimerBlink->stop();
  QDialog::hideEvent(e);
}

void TFormConfirm::finishWith(ConfirmResult r) {
  answer_ = r;
  done(static_cast<int>(r));
}

void QtDialogs::message(const std::string& caption, const std::string& line1, const std::string& line2,
                        const std::string& button) {
  TFormMessage w(parent_);
  w.setup(caption, line1, line2, button);
  w.exec();
}

ConfirmResult QtDialogs::confirm(const std::string& line1, const std::string& line2, bool withCancel) {
  TFormConfirm w(parent_);
  w.setup(line1, line2, withCancel);
  w.exec();
  return w.answer();
}

std::optional<std::string> QtDialogs::openFileName(const std::string& title, const std::string& filter) {
  QString f = QFileDialog::getOpenFileName(parent_, q(title), QString(), q(filter));
  if (f.isEmpty()) return std::nullopt;
  return utf8ToCp1252(f.toStdString());
}

std::optional<std::string> QtDialogs::saveFileName(const std::string& title, const std::string& filter,
                                                   const std::string& suggested) {
  QString f = QFileDialog::getSaveFileName(parent_, q(title), q(suggested), q(filter));
  if (f.isEmpty()) return std::nullopt;
  return utf8ToCp1252(f.toStdString());
}

}  // namespace quill
