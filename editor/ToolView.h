// The layout view as the editing tool windows use it: pixels for hit
// tests, a view window to show a found box, view all and redraw. The main
// window gives its LayoutView; tests give a small fake.
#pragma once
#include "core/LayoutDatabase.h"
#include "editor/Frame.h"

namespace quill {

class ToolView {
 public:
  virtual ~ToolView() = default;
  virtual PixelPoint toPixel(LambdaPoint p) const = 0;
  // shows this lambda window
  virtual void setView(const Rect& window) = 0;
  virtual void viewAll() = 0;
  virtual void redraw() = 0;
};

// Every box, label and R/L/C symbol marked or selected goes back to normal.
void unmarkAll(LayoutDatabase& db);

}  // namespace quill
