#include "platform/ui/QtDebugWindow.h"

#include "platform/Cp1252.h"

namespace quill {

QtDebugWindow::QtDebugWindow() = default;
QtDebugWindow::~QtDebugWindow() = default;

QPlainTextEdit* QtDebugWindow::window() {
  if (!window_) {
    window_ = std::make_unique<QPlainTextEdit>();
    window_->setObjectName(QStringLiteral("FormDebug"));
    window_->setReadOnly(true);
    window_->setLineWrapMode(QPlainTextEdit::NoWrap);
    window_->resize(480, 320);
  }
  return window_.get();
}

void QtDebugWindow::showWithCaption(const std::string& caption) {
  DebugLog::showWithCaption(caption);
  QPlainTextEdit* w = window();
  w->setWindowTitle(QString::fromUtf8(cp1252ToUtf8(caption)));
  // lines may have been cleared since the window last showed them
  std::string all;
  for (const std::string& l : lines()) {
    if (!all.empty()) all += '\n';
    all += cp1252ToUtf8(l);
  }
  w->setPlainText(QString::fromUtf8(all));
  w->show();
  w->raise();
}

void QtDebugWindow::addLine(const std::string& line) {
  DebugLog::addLine(line);
  window()->appendPlainText(QString::fromUtf8(cp1252ToUtf8(line)));
}

}  // namespace quill
