// The simulation window and the floating-well warning under the offscreen
// platform: the Simulate command opens the window modally, it runs at once
// and draws; keys and the close button stop a run; the tabs show their
// controls; printing goes to a PDF file.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>

#include "core/MskFile.h"
#include "core/RuleFile.h"
#include "platform/FakeDialogs.h"
#include "platform/MemorySurface.h"
#include "platform/ui/QtSurface.h"
#include "sim/ui/D_simul.h"

using namespace quill;

namespace {

std::string dataFile(const std::string& name) {
  const char* d = std::getenv("QUILLMERE_DATA");
  return std::string(d ? d : "../../data") + "/" + name;
}

struct Fixture {
  SilentStatus status;
  FakeDialogs dialogs;
  DebugLog debug;
  SystemClock clock;
  DefaultRandom random;
  AppContext ctx{Services{status, dialogs, debug, clock, random}};
  MemorySurface layout{800, 600};
  LayoutView view{ctx.db, ctx.tech, status, clock};
  LayoutViewFrame link{view};
  FrameWindow window;
  struct NoHelp : HelpOpener {
    bool open(const std::string&) override { return false; }
  } help;
  FrameController f{ctx, link, window, help};
  ExtractionOptions options;
  ExtractedCircuit circuit;
  FrameSimulation sim{f, view, options, circuit, nullptr};
  std::vector<std::string> palette;

  explicit Fixture(const char* file = "inverter.msk") {
    view.setSurface(&layout);
    loadRuleFile(ctx.tech, ctx.db.layers, dataFile("default.rul"), status, debug);
    openLayout(ctx, dataFile(file));
    sim.options().model = MosModelLevel::Level1;
    sim.hidePalette = [this] { palette.push_back("hide"); };
    sim.showPalette = [this] { palette.push_back("show"); };
    sim.FormSimul()->resize(900, 560);
  }
  TFormSimul& form() { return *sim.FormSimul(); }
  // runs the command; while its modal window is open, check is called every
  // 10 ms until it returns true, then the window is closed
  void whileOpen(Command c, std::function<bool()> check) {
    QTimer poll;
    int ticks = 0;
    QObject::connect(&poll, &QTimer::timeout, [&] {
      if (!form().isVisible()) return;
      if (check() || ++ticks > 3000) {
        EXPECT_LE(ticks, 3000) << "the window did not get where the test waits for";
        poll.stop();
        if (form().logic().running()) form().logic().btnCloseClick();
        QTimer::singleShot(0, [this] { form().btnClose->click(); });
      }
    });
    poll.start(10);
    f.execute(c);
  }
  std::string panel(int i) const { return status.text(i); }
};

}  // namespace

TEST(TFormWell, AnswersWithTheButtonPressedAndCancelsWhenClosed) {
  TFormWell w;
  EXPECT_EQ(w.windowTitle(), "Well Polarization Warning");
  struct Case {
    QPushButton* button;
    WellAnswer answer;
    const char* caption;
  } cases[] = {{w.btnRun(), WellAnswer::Run, "Simulate as it (Risk of damage)"},
               {w.btnPolarize(), WellAnswer::Polarize, "Polarize Nwell to VDD (Safe)"},
               {w.btnCancel(), WellAnswer::Cancel, "Cancel simulation"},
               {nullptr, WellAnswer::Cancel, ""}};
  for (const Case& c : cases) {
    QTimer::singleShot(0, &w, [&] {
      EXPECT_TRUE(w.isVisible());
      if (c.button) c.button->click();
      else w.close();
    });
    EXPECT_EQ(w.ask(2, "Warning: 2 N-well region(s) floating"), c.answer);
    EXPECT_EQ(w.LabelWarning()->text(), "Warning: 2 N-well region(s) floating");
    if (c.button) {
      EXPECT_EQ(c.button->text(), c.caption);
    }
  }
}

TEST(TFormSimul, TheSimulateCommandOpensTheWindowWhichRunsAndDraws) {
  Fixture x;
  QImage shot;
  std::string caption;
  x.whileOpen(Command::SimVoltageTime, [&] {
    if (x.panel(0).find("ns simulation in ") == std::string::npos) return false;
    shot = x.form().DrawSimu->grab().toImage().convertToFormat(QImage::Format_RGB32);
    caption = x.form().btnClose->text().toStdString();
    return true;
  });
  EXPECT_FALSE(x.form().isVisible());
  EXPECT_EQ(x.palette, (std::vector<std::string>{"hide", "show"}));
  EXPECT_EQ(x.form().windowTitle().toStdString(), "Analog simulation of " + x.ctx.db.fileName);
  EXPECT_EQ(caption, "Close");
  EXPECT_EQ(x.form().ComboStart->currentText(), "in");
  EXPECT_EQ(x.form().ComboEval->currentText(), "out");
  EXPECT_EQ(x.form().EditDt->text(), "1");
  EXPECT_TRUE(x.form().LabelWatts->text().startsWith("P="));
  // both traces are on the picture in their colours
  ASSERT_FALSE(shot.isNull());
  const SimulationPlot& p = x.sim.window().plot();
  for (const Trace& t : p.traces) {
    const QRgb c = toQRgb(p.traceColour(t));
    int n = 0;
    for (int y = 0; y < shot.height(); ++y)
      for (int xx = 0; xx < shot.width(); ++xx) n += shot.pixel(xx, y) == c;
    EXPECT_GT(n, 100) << x.ctx.db.fileName;
  }
}

TEST(TFormSimul, KeysAndTheCloseButtonStopARunningSimulation) {
  Fixture x;
  x.sim.window().ComboTimeChange(12);  // 500 ns: long enough to catch it running
  enum { Start, Paused, Resumed, Stopping, Done } stage = Start;
  std::string during;
  bool stillOpen = false;
  x.whileOpen(Command::SimVoltageTime, [&] {
    SimulationWindow& l = x.form().logic();
    switch (stage) {
      case Start:
        if (!l.running()) return false;
        during = x.form().btnClose->text().toStdString();
        QTest::keyClick(&x.form(), Qt::Key_P);
        stage = Paused;
        return false;
      case Paused:
        if (x.panel(0).rfind("Pause simulation at time ", 0) != 0) return false;
        QTest::keyClick(&x.form(), Qt::Key_P);
        stage = Resumed;
        return false;
      case Resumed:
        x.form().close();  // refused while running: it stops the run instead
        stillOpen = x.form().isVisible();
        stage = Stopping;
        return false;
      case Stopping:
        if (l.running()) return false;
        stage = Done;
        return true;
      case Done: break;
    }
    return true;
  });
  EXPECT_EQ(during, "Stop");
  EXPECT_TRUE(stillOpen);
  EXPECT_EQ(stage, Done);
  EXPECT_EQ(x.panel(0).rfind("Simulation stopped at time ", 0), 0u) << x.panel(0);

  // the S key, in either case, stops as well
  Fixture y;
  y.sim.window().ComboTimeChange(12);
  bool sent = false;
  y.whileOpen(Command::SimVoltageTime, [&] {
    if (!sent && y.form().logic().running()) {
      QTest::keyClick(&y.form(), Qt::Key_S);
      sent = true;
    }
    return sent && !y.form().logic().running();
  });
  EXPECT_EQ(y.panel(0).rfind("Simulation stopped at time ", 0), 0u) << y.panel(0);
}

TEST(TFormSimul, EachTabShowsItsOwnControls) {
  Fixture x;
  struct Case {
    int tab;
    const char* group;
    const char* start;
    const char* step;
    bool stepEnabled;
  };
  TFormSimul& f = x.form();
  f.show();  // no run: the tab comes from a mode command
  const Case cases[] = {
      {0, "Display", "between...", "Step(ps)", true},
      {1, "Current", "Available I", "Step(ps)", true},
      {2, "Select", "X Axis", "Precis(V)", true},
      {3, "Frequency", "Trigger", "Step(ps)", true},
      {4, "Synchro", "with input", "Step(ps)", false},
  };
  for (const Case& c : cases) {
    x.sim.window().selectModeFromCommand(c.tab);
    EXPECT_EQ(f.SimulMode->currentIndex(), c.tab);
    EXPECT_EQ(f.GroupDelay->title(), c.group);
    EXPECT_EQ(f.LabelStartAndTrig->text(), c.start);
    EXPECT_EQ(f.GroupStep->title(), c.step);
    EXPECT_EQ(f.GroupStep->isEnabled(), c.stepEnabled);
    EXPECT_EQ(f.ComboListI->isHidden(), c.tab != 1);
    EXPECT_EQ(f.ComboCurrent->isHidden(), c.tab != 1);
    EXPECT_EQ(f.EditTrigger->isHidden(), c.tab != 3);
    EXPECT_EQ(f.ComboFreq->isHidden(), c.tab != 3);
    EXPECT_EQ(f.ComboXScale->isHidden(), c.tab != 2);
    EXPECT_EQ(f.ComboEye->isHidden(), c.tab != 4);
    EXPECT_EQ(f.GroupCtk->isHidden(), c.tab == 4);
    EXPECT_EQ(f.sbFft->isHidden(), c.tab == 2 || c.tab == 4);
    EXPECT_EQ(f.CheckSlope->isHidden(), c.tab != 2);
  }
  EXPECT_EQ(f.SimulMode->tabText(3), "Frequency vs.time");
  f.hide();
}

TEST(TFormSimul, PrintingGoesToThePrinterOnALightBackground) {
  Fixture x;
  QTemporaryDir dir;
  const QString pdf = dir.filePath("simulation.pdf");
  x.form().setPrintDialog([&](QPrinter& p) {
    p.setOutputFormat(QPrinter::PdfFormat);
    p.setOutputFileName(pdf);
    return true;
  });
  x.view.ToggleBackground();  // white
  x.whileOpen(Command::SimVoltageTime, [&] {
    if (x.form().logic().running() || x.panel(0).find("ns simulation in ") == std::string::npos) return false;
    EXPECT_EQ(x.form().sbPrint->toolTip(), "Print the simulation");
    x.form().sbPrint->click();
    return true;
  });
  EXPECT_EQ(x.panel(0), " Simulation image sent to printer");
  EXPECT_GT(QFileInfo(pdf).size(), 1000);
}

TEST(TFormSimul, SimulationOnTheLayoutRedrawsTheDrawingAreaAsItRuns) {
  Fixture x;
  int drawn = 0;
  x.sim.layoutDrawn = [&] { ++drawn; };
  x.f.execute(Command::SimOnLayout);
  EXPECT_GT(drawn, 5);
  EXPECT_FALSE(x.form().isVisible());  // no window of its own
  EXPECT_NE(x.panel(0).find("ns simulation in "), std::string::npos) << x.panel(0);
}
