// The logic of the move window TFormMove ("Move"): the boxes, labels and
// R/L/C symbols marked in an area move by a step in lambda at each arrow
// click, and every 350 ms while an arrow is held down.
//
// Registered for state 40; the release marks the elements and shows the
// window (not modal). The window writes EditStep before each arrow.
#pragma once
#include <functional>
#include <string>

#include "core/LayoutDatabase.h"
#include "editor/Labels.h"
#include "editor/ToolView.h"
#include "platform/StatusMessage.h"
#include "platform/Timer.h"

namespace quill {

enum class MoveDirection : int { Left, Up, Down, Right };

class MoveStepEditor : public StateHandler {
 public:
  static constexpr int kRepeatMs = 350;
  MoveStepEditor(LayoutDatabase& db, StatusMessage& status, ToolView& view, Timer& repeat);

  NumberEdit EditStep{1, 1, 1000};  // lambda, kept for the program's lifetime

  // marks the elements of the area (earlier marks go); their number
  int select(Rect area);
  // an arrow pressed: one step now, then one per tick until arrowUp
  void arrowDown(MoveDirection d);
  void arrowUp();
  // one step of the marked elements; false when nothing moved
  bool step(MoveDirection d);
  // "Finish" and closing the window: every mark goes
  void sbFinishClick();
  bool isOpen() const { return open_; }

  std::function<void()> showWindow;
  std::function<void()> closeWindow;

  // StateHandler (state 40)
  void release(FrameController& f, LambdaPoint a, LambdaPoint b) override;

 private:
  void show(const std::string& t) { status_.write(StatusMessage::Main, t); }

  LayoutDatabase& db_;
  StatusMessage& status_;
  ToolView& view_;
  Timer& repeat_;
  FrameController* frame_ = nullptr;
  bool open_ = false;
};

}  // namespace quill
