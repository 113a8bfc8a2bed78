// The editing tool windows of the main window, made once at start-up: the
// duplicate, move, box search and virtual R, L, C windows over their logic
// (editor/ToolWindows.h), with the move window's repeat timer and the
// layout view they show their results in.
#pragma once
#include <functional>
#include <memory>

#include "editor/ToolWindows.h"
#include "editor/View.h"
#include "editor/ui/D_Duplicate.h"
#include "editor/ui/D_Move.h"
#include "editor/ui/D_RLC.h"
#include "editor/ui/D_SearchBox.h"
#include "platform/ui/QtTimer.h"

namespace quill {

// ToolView over the program's LayoutView.
class LayoutToolView : public ToolView {
 public:
  explicit LayoutToolView(LayoutView& v) : v_(v) {}
  PixelPoint toPixel(LambdaPoint p) const override { return {v_.sx(p.x), v_.sy(p.y)}; }
  void setView(const Rect& r) override { v_.SetView(r.x1, r.y1, r.x2, r.y2); }
  void viewAll() override { v_.ViewAll(); }
  void redraw() override { v_.Redraw(); }

 private:
  LayoutView& v_;
};

class EditToolWindows {
 public:
  // registers the states and commands with frame; parent: the main window
  EditToolWindows(FrameController& frame, LayoutView& view, QWidget* parent);
  ~EditToolWindows();
  EditToolWindows(const EditToolWindows&) = delete;
  EditToolWindows& operator=(const EditToolWindows&) = delete;

  ToolWindowCommands& commands() { return commands_; }
  TFormDuplicate* FormDuplicate() const { return duplicate_.get(); }
  TFormMove* FormMove() const { return move_.get(); }
  TFormSearch* FormSearch() const { return search_.get(); }
  TFormRes* FormRes() const { return res_.get(); }

 private:
  QtTimer repeat_;
  LayoutToolView view_;
  ToolWindowCommands commands_;
  std::unique_ptr<TFormDuplicate> duplicate_;
  std::unique_ptr<TFormMove> move_;
  std::unique_ptr<TFormSearch> search_;
  std::unique_ptr<TFormRes> res_;
};

}  // namespace quill
