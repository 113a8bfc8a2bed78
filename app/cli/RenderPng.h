// The drawing half of "quillmere-cli render": the layout as the editor's
// view draws it at start-up, written as a PNG. Built with Qt Gui; a build
// without Qt has a stand-in that refuses.
#pragma once
#include <optional>
#include <string>

#include "core/AppContext.h"

namespace quill {

struct RenderRequest {
  std::string out;
  int width = 1600, height = 1000;
  bool mono = false;
  std::optional<Rect> window;  // lambda; none: view all
};

// Empty on success, else what went wrong.
std::string renderLayoutPng(AppContext& ctx, const RenderRequest& r);

// The Qt platform to select before the application object exists: the
// offscreen one when neither QT_QPA_PLATFORM nor DISPLAY is set, else none.
const char* renderPlatformOverride(const char* qpaPlatform, const char* display);

}  // namespace quill
