// quillmere: the layout editor.
#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

#include "app/editor/MainFrame.h"
#include "app/editor/SmokeDialogs.h"
#include "app/editor/StartupSequence.h"
#include "core/RuleFile.h"
#include "core/Startup.h"
#include "platform/Cp1252.h"
#include "platform/Random.h"
#include "platform/ui/QtDebugWindow.h"
#include "platform/ui/QtDialogs.h"

using namespace quill;

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Quillmere 3"));

  // smoke run: quit after this many ms and print what the window shows
  const char* smokeEnv = std::getenv("QUILLMERE_SMOKE_QUIT_MS");
  const bool smoke = smokeEnv != nullptr;

  Tmdiframe frame;
  QtDialogs qtDialogs(&frame);
  SmokeDialogs smokeDialogs;
  QtDebugWindow debug;
  SystemClock clock;
  DefaultRandom random;
  AppContext ctx(Services{frame.status(), smoke ? static_cast<Dialogs&>(smokeDialogs) : qtDialogs, debug, clock,
                          random});
  frame.bind(ctx);
  frame.showMaximized();

  std::vector<std::string> args;
  const QStringList qargs = QApplication::arguments();
  for (qsizetype i = 1; i < qargs.size(); ++i) args.push_back(utf8ToCp1252(qargs[i].toStdString()));

  StartupSteps steps;
  steps.loadFiles = startUpLoading;
  steps.loadRules = loadRuleFile;
  steps.setTitle = [&frame](const std::string& t) { frame.setTitle(t); };
  runStartUp(ctx, args, steps);
  ctx.db.computeBoundingBox();
  frame.refreshSummary();

  if (smoke) {
    int ms = std::atoi(smokeEnv);
    QTimer::singleShot(ms > 0 ? ms : 0, &app, &QCoreApplication::quit);
  }
  int rc = app.exec();
  if (smoke) {
    for (int i = 0; i < 3; ++i) std::printf("panel%d: %s\n", i, cp1252ToUtf8(frame.status().text(i)).c_str());
    std::printf("title: %s\n", frame.windowTitle().toStdString().c_str());
    std::fflush(stdout);
  }
  return rc;
}
