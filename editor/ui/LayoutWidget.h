// The drawing area of the main window: paints from its backing store (a
// QImage surface the layout view draws into, with the rubber shapes drawn
// over it in not-xor) and turns mouse and key events into the controller's
// abstract events.
#pragma once
#include <QWidget>

#include "editor/Frame.h"
#include "platform/ui/QtSurface.h"

namespace quill {

class LayoutWidget : public QWidget {
  Q_OBJECT
 public:
  explicit LayoutWidget(QWidget* parent = nullptr);

  QtSurface& surface() { return surface_; }
  // the controller the events go to (null: none)
  void setController(FrameController* c) { controller_ = c; }
  // the backing store's picture (for grabs and printing)
  const QImage& image() { return surface_.image(); }

  static FrameKey keyOf(int qtKey, char& ch);

 signals:
  // right button pressed at a point of the area
  void popupRequested(QPoint at);
  // a key the controller does not take (menu shortcuts go to the window)
  void keyPressed(QKeyEvent* e);

 protected:
  void paintEvent(QPaintEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;

 private:
  QtSurface surface_;
  FrameController* controller_ = nullptr;
};

}  // namespace quill
