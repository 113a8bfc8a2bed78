// quillmere: the layout editor.
//
// QUILLMERE_SMOKE_QUIT_MS=n: quit after n ms, print the status panels, the
// title and the layout summary, and answer every dialog without waiting.
// QUILLMERE_SCREENSHOT=file.png (with the smoke variable): save a picture
// of the window and its palette just before, the window filling the screen.
#include <QApplication>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "app/editor/LayoutSummary.h"
#include "app/editor/SmokeDialogs.h"
#include "app/editor/StartupSequence.h"
#include "core/RuleFile.h"
#include "core/Startup.h"
#include "editor/ui/D_Palette.h"
#include "editor/ui/Frame.h"
#include "platform/Cp1252.h"
#include "platform/Random.h"
#include "platform/ui/QtDebugWindow.h"
#include "platform/ui/QtDialogs.h"

using namespace quill;

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Quillmere 3"));

  const char* smokeEnv = std::getenv("QUILLMERE_SMOKE_QUIT_MS");
  const bool smoke = smokeEnv != nullptr;
  const char* shotEnv = std::getenv("QUILLMERE_SCREENSHOT");
  const QString shot = (smoke && shotEnv) ? QString::fromLocal8Bit(shotEnv) : QString();

  Tmdiframe frame;
  QtDialogs qtDialogs(&frame);
  SmokeDialogs smokeDialogs;
  QtDebugWindow debug;
  SystemClock clock;
  DefaultRandom random;
  AppContext ctx(Services{frame.status(), smoke ? static_cast<Dialogs&>(smokeDialogs) : qtDialogs, debug, clock,
                          random});
  frame.bind(ctx);
  QObject::connect(&frame, &Tmdiframe::left, &app, &QCoreApplication::quit);
  if (!shot.isEmpty() && frame.screen()) {
    // no window manager maximises under a bare X server
    frame.setGeometry(frame.screen()->availableGeometry());
    frame.show();
  } else {
    frame.showMaximized();
  }
  // the drawing area gets its size before the layout is viewed
  QCoreApplication::processEvents();

  std::vector<std::string> args;
  const QStringList qargs = QApplication::arguments();
  for (qsizetype i = 1; i < qargs.size(); ++i) args.push_back(utf8ToCp1252(qargs[i].toStdString()));

  StartupSteps steps;
  steps.loadFiles = startUpLoading;
  steps.loadRules = loadRuleFile;
  steps.setTitle = [&frame](const std::string& t) { frame.setTitle(t); };
  steps.afterLoading = [&frame] {
    frame.controller().execute(Command::ViewAll);
    frame.createToolWindows();
  };
  steps.selectFoundry = [&frame] { return frame.controller().selectFoundry(); };
  runStartUp(ctx, args, steps);
  frame.commandsChanged();

  if (smoke) {
    const int ms = std::max(0, std::atoi(smokeEnv));
    QTimer::singleShot(ms, &app, [&] {
      if (!shot.isEmpty()) {
        // the window with the palette laid over it where it stands on the
        // screen (a bare X server has no window manager to stack them)
        QPixmap picture = frame.grab();
        QWidget* palette = frame.FormPalette();
        if (palette && palette->isVisible()) {
          QPainter p(&picture);
          const QPoint at = palette->geometry().topLeft() - frame.geometry().topLeft();
          p.drawPixmap(at, palette->grab());
          p.setPen(QColor(90, 90, 90));
          p.drawRect(QRect(at, palette->size()).adjusted(-1, -1, 0, 0));
        }
        std::printf("screenshot: %s\n", picture.save(shot) ? "saved" : "failed");
      }
      frame.closeProgram();  // no leave questions in a smoke run
    });
  }
  int rc = app.exec();
  if (smoke) {
    for (int i = 0; i < 3; ++i) std::printf("panel%d: %s\n", i, cp1252ToUtf8(frame.status().text(i)).c_str());
    std::printf("title: %s\n", frame.windowTitle().toStdString().c_str());
    std::printf("mode: %d\n", frame.controller().mode());
    const std::string summary = cp1252ToUtf8(layoutSummary(ctx));
    std::size_t from = 0;
    while (from <= summary.size()) {
      std::size_t nl = summary.find('\n', from);
      if (nl == std::string::npos) nl = summary.size();
      std::printf("layout: %s\n", summary.substr(from, nl - from).c_str());
      from = nl + 1;
    }
    std::fflush(stdout);
  }
  frame.unbind();  // the context goes first
  return rc;
}
