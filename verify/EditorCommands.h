// The checker's commands in the editor: Design Rule Checker (markers on the
// view, zoom to the first violation, stretch mode to mend it) and Clean
// layout.
#pragma once
#include <vector>

#include "editor/Frame.h"
#include "editor/View.h"
#include "verify/Drc.h"

namespace quill {

class VerifyCommands {
 public:
  VerifyCommands(FrameController& frame, LayoutView& view);
  ~VerifyCommands();
  VerifyCommands(const VerifyCommands&) = delete;
  VerifyCommands& operator=(const VerifyCommands&) = delete;

  void designRuleCheck();
  void cleanLayout();
  // the markers of the last check, drawn again on request
  void drawMarkers();
  const DrcResult& lastResult() const { return last_; }

 private:
  FrameController& frame_;
  LayoutView& view_;
  DrcResult last_;
};

}  // namespace quill
