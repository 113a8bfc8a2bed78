#include "editor/ui/LayoutWidget.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace quill {

namespace {
PixelPoint at(const QMouseEvent* e) {
  const QPoint p = e->position().toPoint();
  return {p.x(), p.y()};
}
FrameController::Button buttonOf(Qt::MouseButton b) {
  if (b == Qt::LeftButton) return FrameController::Button::Left;
  if (b == Qt::RightButton) return FrameController::Button::Right;
  return FrameController::Button::Other;
}
}  // namespace

LayoutWidget::LayoutWidget(QWidget* parent) : QWidget(parent), surface_(1, 1) {
  setObjectName(QStringLiteral("PaintLayout"));
  setMouseTracking(true);
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMinimumSize(64, 48);
}

void LayoutWidget::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.drawImage(0, 0, surface_.image());
}

void LayoutWidget::resizeEvent(QResizeEvent* e) {
  QWidget::resizeEvent(e);
  surface_.resize(std::max(1, width()), std::max(1, height()));
  if (controller_) controller_->redraw();
  update();
}

void LayoutWidget::mousePressEvent(QMouseEvent* e) {
  if (!controller_) return;
  controller_->mouseDown(at(e), buttonOf(e->button()));
  if (e->button() == Qt::RightButton) emit popupRequested(e->position().toPoint());
}

void LayoutWidget::mouseMoveEvent(QMouseEvent* e) {
  if (controller_) controller_->mouseMove(at(e));
}

void LayoutWidget::mouseReleaseEvent(QMouseEvent* e) {
  if (controller_) controller_->mouseUp(at(e), buttonOf(e->button()));
}

void LayoutWidget::mouseDoubleClickEvent(QMouseEvent* e) {
  if (!controller_) return;
  if (e->button() == Qt::LeftButton) {
    // the second press of a double-click is still a press for the gestures
    controller_->mouseDown(at(e), FrameController::Button::Left);
    controller_->doubleClick();
  }
}

FrameKey LayoutWidget::keyOf(int key, char& ch) {
  ch = 0;
  switch (key) {
    case Qt::Key_Left: return FrameKey::Left;
    case Qt::Key_Right: return FrameKey::Right;
    case Qt::Key_Up: return FrameKey::Up;
    case Qt::Key_Down: return FrameKey::Down;
    case Qt::Key_Escape: return FrameKey::Escape;
    case Qt::Key_Control: return FrameKey::Control;
    default: break;
  }
  if (key >= Qt::Key_A && key <= Qt::Key_Z) {
    ch = static_cast<char>('A' + (key - Qt::Key_A));
    return FrameKey::Character;
  }
  return FrameKey::Other;
}

void LayoutWidget::keyPressEvent(QKeyEvent* e) { emit keyPressed(e); }

}  // namespace quill
