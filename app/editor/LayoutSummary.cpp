#include "app/editor/LayoutSummary.h"

namespace quill {

std::string layoutSummary(const AppContext& ctx) {
  const LayoutDatabase& db = ctx.db;
  int boxes = 0, labels = 0;
  for (int i = 1; i <= db.boxCount(); ++i)
    if (db.box(i).state != 0) ++boxes;
  for (int i = 1; i <= db.labelCount(); ++i)
    if (db.label(i).active != 0) ++labels;
  const Rect& b = db.boundingBox();
  return "Layout: " + db.fileName + "\nTechnology: " + ctx.tech.technologyName + "\nBoxes: " + std::to_string(boxes) +
         "\nLabels: " + std::to_string(labels) + "\nBounding box: (" + std::to_string(b.x1) + ", " +
         std::to_string(b.y1) + ") - (" + std::to_string(b.x2) + ", " + std::to_string(b.y2) + ")";
}

}  // namespace quill
