#include "editor/ui/EditTools.h"

namespace quill {

EditToolWindows::EditToolWindows(FrameController& frame, LayoutView& view, QWidget* parent)
    : view_(view), commands_(frame, view_, repeat_) {
  duplicate_ = std::make_unique<TFormDuplicate>(commands_.duplicate, frame.context().db, parent);
  move_ = std::make_unique<TFormMove>(commands_.move, parent);
  search_ = std::make_unique<TFormSearch>(commands_.search, parent);
  res_ = std::make_unique<TFormRes>(commands_.rlc, parent);
  commands_.duplicate.showWindow = [this] { duplicate_->showModal(); };
  commands_.move.showWindow = [this] { move_->showTool(); };
  commands_.move.closeWindow = [this] { move_->closeTool(); };
  commands_.rlc.showWindow = [this] { res_->showModal(); };
  commands_.setSearchWindow([this] { search_->showTool(); });
}

EditToolWindows::~EditToolWindows() {
  repeat_.stop();
  commands_.duplicate.showWindow = nullptr;
  commands_.move.showWindow = nullptr;
  commands_.move.closeWindow = nullptr;
  commands_.rlc.showWindow = nullptr;
  // the windows go before the commands that they show
  res_.reset();
  search_.reset();
  move_.reset();
  duplicate_.reset();
}

}  // namespace quill
