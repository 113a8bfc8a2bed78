#include "app/editor/MainFrame.h"

#include <QStatusBar>

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

std::string layoutSummary(const AppContext& ctx) {
  const LayoutDatabase& db = ctx.db;
  int boxes = 0, labels = 0;
  for (int i = 1; i <= db.boxCount(); ++i)
    if (db.box(i).state != 0) ++boxes;
  for (int i = 1; i <= db.labelCount(); ++i)
    if (db.label(i).active != 0) ++labels;
  const Rect& b = db.boundingBox();
  return "Layout: " + db.fileName + "\nTechnology: " + ctx.tech.technologyName +
         "\nBoxes: " + std::to_string(boxes) + "\nLabels: " + std::to_string(labels) +
         "\nBounding box: (" + std::to_string(b.x1) + ", " + std::to_string(b.y1) + ") - (" +
         std::to_string(b.x2) + ", " + std::to_string(b.y2) + ")";
}

}  // namespace quill
