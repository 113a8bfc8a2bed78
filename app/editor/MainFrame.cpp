#include "app/editor/MainFrame.h"

#include <QStatusBar>

#include "app/editor/LayoutSummary.h"
#include "platform/Cp1252.h"

namespace quill {

Tmdiframe::Tmdiframe(QWidget* parent) : QMainWindow(parent) {
  setObjectName(QStringLiteral("mdiframe"));
  setWindowTitle(QStringLiteral("Quillmere 3"));
  LabelSummary = new QLabel(this);
  LabelSummary->setObjectName(QStringLiteral("LabelSummary"));
  LabelSummary->setTextFormat(Qt::PlainText);
  LabelSummary->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  LabelSummary->setMargin(12);
  setCentralWidget(LabelSummary);
  status_ = std::make_unique<QtStatusMessage>(statusBar());
  resize(1200, 800);
}

void Tmdiframe::setTitle(const std::string& title) { setWindowTitle(QString::fromUtf8(cp1252ToUtf8(title))); }

void Tmdiframe::refreshSummary() {
  if (ctx_) LabelSummary->setText(QString::fromUtf8(cp1252ToUtf8(layoutSummary(*ctx_))));
}

}  // namespace quill
