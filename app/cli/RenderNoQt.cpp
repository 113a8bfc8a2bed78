// A build without Qt has no fonts or image files to draw with.
#include "app/cli/RenderPng.h"

namespace quill {

std::string renderLayoutPng(AppContext&, const RenderRequest&) {
  return "render needs the program built with its windows (Qt)";
}

}  // namespace quill
