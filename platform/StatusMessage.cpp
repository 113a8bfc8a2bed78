#include "platform/StatusMessage.h"

namespace quill {

void StatusMessage::write(int panel, std::string_view text) {
  if (panel < 0 || panel > 2) panel = 0;
  panels_[panel].assign(text);
  show(panel, text);
  pumpEvents();
}

void StatusMessage::progress(int panel, std::string_view text) {
  progress_ = true;
  write(panel, text);
  progress_ = false;
}

const std::string& StatusMessage::text(int panel) const {
  static const std::string empty;
  if (panel < 0 || panel > 2) return empty;
  return panels_[panel];
}

}  // namespace quill
