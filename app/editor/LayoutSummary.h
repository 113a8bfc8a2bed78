// The text the main window shows in place of the drawing for now: file,
// technology, box and label counts and the bounding box (CP1252).
#pragma once
#include <string>

#include "core/AppContext.h"

namespace quill {

// deleted boxes and labels are not counted
std::string layoutSummary(const AppContext& ctx);

}  // namespace quill
