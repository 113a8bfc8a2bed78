#include "editor/ToolWindows.h"

namespace quill {

void unmarkAll(LayoutDatabase& db) {
  for (int p = 1; p <= db.boxCount(); ++p)
    if (static_cast<const LayoutDatabase&>(db).box(p).state > 1) db.box(p).state = 1;
  for (int i = 1; i <= db.labelCount(); ++i)
    if (db.label(i).active > 1) db.label(i).active = 1;
  for (int i = 1; i <= db.rlcCount(); ++i)
    if (db.rlc(i).active > 1) db.rlc(i).active = 1;
}

ToolWindowCommands::ToolWindowCommands(FrameController& frame, ToolView& view, Timer& repeat)
    : duplicate(frame.context().db, frame.status(), view),
      move(frame.context().db, frame.status(), view, repeat),
      search(frame.context().db, frame.context().tech, frame.status(), view),
      rlc(frame.context().db, frame.context().tech, frame.status(), view),
      frame_(frame) {
  frame_.registerHandler(kModeDuplicate, &duplicate);
  frame_.registerHandler(kModeMoveStep, &move);
  frame_.registerHandler(kModeResistor, &rlc.handlerFor(kRlcResistor));
  frame_.registerHandler(kModeInductor, &rlc.handlerFor(kRlcInductor));
  frame_.registerHandler(kModeCapacitor, &rlc.handlerFor(kRlcCapacitor));
  frame_.editRlcAt = [this](LambdaPoint p) { return rlc.editAt(p); };
  search.invertDiffusions = [this] {
    if (frame_.handler(kModeInvertDiffusion)) frame_.setMode(kModeInvertDiffusion);
  };
}

void ToolWindowCommands::setSearchWindow(std::function<void()> show) {
  frame_.registerCommand(Command::ChangeBox, std::move(show));
}

ToolWindowCommands::~ToolWindowCommands() {
  for (int m : {kModeDuplicate, kModeMoveStep, kModeResistor, kModeInductor, kModeCapacitor})
    frame_.registerHandler(m, nullptr);
  frame_.registerCommand(Command::ChangeBox, nullptr);
  frame_.editRlcAt = nullptr;
}

}  // namespace quill
