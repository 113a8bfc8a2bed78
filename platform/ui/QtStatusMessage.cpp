#include "platform/ui/QtStatusMessage.h"

#include <QCoreApplication>

#include "platform/Cp1252.h"

namespace quill {

QtStatusMessage::QtStatusMessage(QStatusBar* bar, const Clock* clock)
    : clock_(clock ? *clock : systemClock_) {
  for (int i = 0; i < 3; ++i) {
    auto* l = new QLabel(bar);
    l->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
    l->setTextFormat(Qt::PlainText);
    l->setFrameShape(QFrame::StyledPanel);
    l->setFrameShadow(QFrame::Sunken);
    // the last panel takes what is left of the bar, as long technology
    // names and the Select Foundry hint need it
    if (i < 2) {
      l->setFixedWidth(kPanelWidths[i]);
      bar->addWidget(l);
    } else {
      l->setMinimumWidth(kPanelWidths[i]);
      bar->addWidget(l, 1);
    }
    labels_[static_cast<std::size_t>(i)] = l;
  }
}

QLabel* QtStatusMessage::panel(int index) const {
  if (index < 0 || index > 2) return nullptr;
  return labels_[static_cast<std::size_t>(index)];
}

void QtStatusMessage::show(int panel, std::string_view text) {
  QLabel* l = this->panel(panel);
  if (!l) return;
  QString s = QString::fromUtf8(cp1252ToUtf8(text));
  l->setText(s);
  l->setToolTip(s);
}

void QtStatusMessage::pumpEvents() {
  std::int64_t now = clock_.milliseconds();
  if (pumped_ && now - lastPump_ < kPumpIntervalMs) return;
  pumped_ = true;
  lastPump_ = now;
  // user input included: Escape must reach the window during long loops
  QCoreApplication::processEvents();
}

}  // namespace quill
