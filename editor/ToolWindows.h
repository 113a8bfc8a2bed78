// Binds the editing tool windows' logic to the main frame: Duplicate X Y
// (state 41), Move Step by Step (state 40), the virtual R, L and C
// (states 43, 31, 46, and editRlcAt for the double-click and the pop-up)
// and "Change box size or layer " (a command opening the search window).
// The windows themselves plug in through the editors' showWindow.
#pragma once
#include <functional>

#include "editor/Duplicate.h"
#include "editor/Frame.h"
#include "editor/MoveStep.h"
#include "editor/SearchBox.h"
#include "editor/ToolView.h"
#include "editor/VirtualRlc.h"
#include "platform/Timer.h"

namespace quill {

class ToolWindowCommands {
 public:
  // repeat: the move window's auto-repeat timer
  ToolWindowCommands(FrameController& frame, ToolView& view, Timer& repeat);
  ~ToolWindowCommands();
  ToolWindowCommands(const ToolWindowCommands&) = delete;
  ToolWindowCommands& operator=(const ToolWindowCommands&) = delete;

  DuplicateEditor duplicate;
  MoveStepEditor move;
  BoxSearch search;
  RlcEditor rlc;
  // shows the search window (the command is enabled once it is set)
  void setSearchWindow(std::function<void()> show);

 private:
  FrameController& frame_;
};

}  // namespace quill
