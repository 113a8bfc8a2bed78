#include "app/cli/RenderPng.h"

#include <QGuiApplication>
#include <QImage>
#include <QFile>
#include <QString>
#include <cstdlib>
#include <memory>

#include "editor/View.h"
#include "platform/ui/QtSurface.h"

namespace quill {

namespace {
// The application object fonts and images need; made only by this command,
// once per process, and kept to the end (Qt does not like a second one).
void ensureGuiApplication() {
  if (QCoreApplication::instance()) return;
  if (const char* p = renderPlatformOverride(std::getenv("QT_QPA_PLATFORM"), std::getenv("DISPLAY")))
    ::setenv("QT_QPA_PLATFORM", p, 1);
  static int argc = 1;
  static char name[] = "quillmere-cli";
  static char* argv[] = {name, nullptr};
  static std::unique_ptr<QGuiApplication> app = std::make_unique<QGuiApplication>(argc, argv);
}
}  // namespace

std::string renderLayoutPng(AppContext& ctx, const RenderRequest& r) {
  ensureGuiApplication();
  QtSurface surface(r.width, r.height);
  {
    // the editor's view at start-up: colour scheme, black background,
    // lambda grid on, then the monochrome command when asked
    LayoutView view(ctx.db, ctx.tech, ctx.services.status, ctx.services.clock);
    view.setSurface(&surface);
    if (r.mono) view.SetMonochrome(true);
    if (r.window) view.SetView(r.window->x1, r.window->y1, r.window->x2, r.window->y2);
    else view.ViewAll();
  }
  const QImage& img = surface.image();
  if (!img.save(QFile::decodeName(r.out.c_str()), "PNG")) return "cannot write \"" + r.out + "\"";
  return {};
}

}  // namespace quill
