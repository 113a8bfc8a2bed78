// Binds the editing operations to the main frame's command states: cut,
// rotate, flip, invert diffusion, box, copy, move and stretch, paste,
// connect layers (state 48 and the pop-up's entry), and the Undo command.
#pragma once
#include <memory>

#include "editor/EditOps.h"
#include "editor/Frame.h"

namespace quill {

class EditingCommands {
 public:
  EditingCommands(FrameController& frame, EditOperations& ops);
  ~EditingCommands();
  EditingCommands(const EditingCommands&) = delete;
  EditingCommands& operator=(const EditingCommands&) = delete;

 private:
  struct Handlers;
  FrameController& frame_;
  EditOperations& ops_;
  std::unique_ptr<Handlers> h_;
};

}  // namespace quill
