// The simulation window's logic on a memory surface: runs of the example
// circuits in the five modes, the throttled event pump, runs asked for
// during a run, keys, lists, the step box, printing and measurements.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "core/MskFile.h"
#include "core/RuleFile.h"
#include "core/Text.h"
#include "platform/FakeDialogs.h"
#include "platform/MemorySurface.h"
#include "sim/SimulWindow.h"
#include "verify/Extract.h"

using namespace quill;

namespace {

// moves by step on every reading, as a run's wall clock does
class TickingClock : public Clock {
 public:
  std::int64_t milliseconds() const override { return now_ += step; }
  std::string shortDate() const override { return "12/10/2026"; }
  std::string longTime() const override { return "13:00:00"; }
  std::int64_t step = 0;

 private:
  mutable std::int64_t now_ = 0;
};

class RecordingStatus : public StatusMessage {
 public:
  std::vector<std::string> lines;  // panel 0, in order
  bool saw(const std::string& prefix) const {
    return std::any_of(lines.begin(), lines.end(), [&](const std::string& l) { return l.rfind(prefix, 0) == 0; });
  }

 protected:
  void show(int panel, std::string_view text) override {
    if (panel == 0) lines.emplace_back(text);
  }
};

struct Host : SimulationWindowHost {
  MemorySurface* surface = nullptr;
  int pumps = 0, waits = 0, runs = 0, depth = 0, maxDepth = 0, closed = 0;
  bool printOk = false;
  std::string printed = "-";
  std::function<void()> onPump, onWait;
  void pumpEvents() override {
    ++pumps;
    if (onPump) onPump();
  }
  void waitForEvents() override {
    ++waits;
    if (onWait) onWait();
  }
  void runningChanged(bool on) override {
    if (on) {
      ++runs;
      maxDepth = std::max(maxDepth, ++depth);
    } else {
      --depth;
    }
  }
  bool printDialog() override { return printOk; }
  void printPlot(const std::string& header) override { printed = header; }
  void closeWindow() override { ++closed; }
  void resizeSurface(int w, int h) override { *surface = MemorySurface(w, h); }
};

std::string dataFile(const std::string& name) { return std::string(QUILL_DATA_DIR) + "/" + name; }

struct Sim {
  RecordingStatus status;
  FakeDialogs dialogs;
  DebugLog debug;
  TickingClock clock;
  FakeRandom random;
  AppContext ctx{Services{status, dialogs, debug, clock, random}};
  ExtractionOptions options;
  ExtractedCircuit circuit;
  std::unique_ptr<SimulationEngine> engine;
  std::unique_ptr<SimulationWindow> window;
  MemorySurface surface{1050, 440};
  Host host;
  PlotBackground background = PlotBackground::Black;

  // an empty layout name: the circuit is built by the test
  explicit Sim(const std::string& layout = "inverter.msk") {
    loadRuleFile(ctx.tech, ctx.db.layers, dataFile("default.rul"), status, debug);
    if (!layout.empty()) {
      openLayout(ctx, dataFile(layout));
      options.model = MosModelLevel::Level1;
      EXPECT_TRUE(extractCircuit(ctx.db, ctx.tech, options, circuit, ctx.services).ok());
    }
    engine = std::make_unique<SimulationEngine>(ctx.db, ctx.tech, circuit, ctx.services);
    engine->models.level = MosModelLevel::Level1;
    window = std::make_unique<SimulationWindow>(*engine, ctx, circuit, &options);
    host.surface = &surface;
    window->setHost(&host);
    window->setSurface(&surface);
    window->background = [this] { return background; };
    if (!layout.empty()) {
      EXPECT_TRUE(window->UpdateOptions());
    }
  }
  int node(const std::string& name) const {
    for (int i = 0; i <= circuit.highestNode(); ++i)
      if (circuit.nodes[static_cast<std::size_t>(i)].name == name) return i;
    return -1;
  }
  bool text(const std::string& prefix) const {
    const auto& t = surface.texts();
    return std::any_of(t.begin(), t.end(), [&](const MemorySurface::TextCall& c) { return c.text.rfind(prefix, 0) == 0; });
  }
  int count(Colour c, int y1, int y2) const {
    int n = 0;
    for (int y = y1; y < y2; ++y)
      for (int x = 0; x < surface.width(); ++x) n += surface.pixel(x, y) == c;
    return n;
  }
  Colour colourOf(int node) const {
    const SimulationPlot& p = window->plot();
    return p.traceColour(p.traces[static_cast<std::size_t>(p.traceOf(node))]);
  }
};

}  // namespace

TEST(SimulWindow, ARunDrawsEveryTraceInItsBandAndEndsWithItsMeasurements) {
  Sim s;
  s.window->ComboTimeChange(6);  // 5 ns
  s.window->FormActivate();
  const int in = s.node("in"), out = s.node("out");
  EXPECT_TRUE(s.status.saw("2 nodes, delay starter is n\xB0" + std::to_string(in) + ", delay end is n\xB0" + std::to_string(out)));
  const std::string last = s.status.lines.back();
  EXPECT_NE(last.find(" 5.00ns simulation in "), std::string::npos) << last;
  EXPECT_NE(last.find("with MOS model Level 1 with 1 NMOS, 1 pMOS"), std::string::npos) << last;
  EXPECT_EQ(s.window->caption(), "Analog simulation of " + s.ctx.db.fileName);
  EXPECT_EQ(s.window->closeCaption(), "Close");
  ASSERT_EQ(s.window->traces().size(), 2u);
  EXPECT_EQ(s.window->traces()[0].node, in);  // driven first
  // bands of 200 rows: the input in the upper one, the output swinging
  // between its zero line (420) and VDD (2.5 V, 66.7 px/V, row 253) in the lower
  const Colour ci = s.colourOf(in), co = s.colourOf(out);
  EXPECT_GT(s.count(ci, 20, 221), 100);
  EXPECT_EQ(s.count(ci, 221, 440), 0);
  EXPECT_EQ(s.count(co, 0, 220), 0);
  EXPECT_GT(s.count(co, 250, 258), 0);
  EXPECT_GT(s.count(co, 415, 421), 0);
  // the last delay as an integer in ps, the final output and its extremes
  const SimulationResults& r = s.engine->results;
  ASSERT_TRUE(r.hasRise || r.hasFall);
  EXPECT_TRUE(s.text(F(roundHalfEven(r.riseDelay * 1e12), 1, 0) + "ps") ||
              s.text(F(roundHalfEven(r.fallDelay * 1e12), 1, 0) + "ps"));
  EXPECT_TRUE(s.text(F(s.engine->voltage(out), 1, 2)));
  EXPECT_TRUE(s.text(F(r.maxV, 1, 3) + "V (dV="));
  EXPECT_EQ(s.window->powerText(), r.powerText);
  EXPECT_EQ(s.host.runs, 1);
}

TEST(SimulWindow, TheEventPumpFollowsTheWallClockNotThePlottedSteps) {
  struct Case {
    std::int64_t msPerReading;
    int least, most;
  } cases[] = {{0, 0, 0}, {1, 55, 75}, {20, 900, 1100}};
  for (const Case& c : cases) {
    Sim s;
    s.clock.step = c.msPerReading;
    s.window->FormActivate();  // about 1000 plotted steps
    EXPECT_GE(s.host.pumps, c.least) << c.msPerReading;
    EXPECT_LE(s.host.pumps, c.most) << c.msPerReading;
  }
}

TEST(SimulWindow, AModeChangeDuringARunStopsItAndRunsAgainWithoutNesting) {
  Sim s;
  s.clock.step = 20;
  bool once = false;
  s.host.onPump = [&] {
    if (!once) s.window->SimulModeChange(3);
    once = true;
  };
  s.window->FormActivate();
  EXPECT_EQ(s.host.runs, 2);
  EXPECT_EQ(s.host.maxDepth, 1);
  EXPECT_EQ(s.window->mode(), kModeFrequency);
  EXPECT_TRUE(s.status.saw("Change to simulation mode 3"));
  EXPECT_TRUE(s.status.saw("Simulation stopped at time "));
  EXPECT_NE(s.status.lines.back().find("ns simulation in "), std::string::npos);
}

TEST(SimulWindow, KeysStopPauseAndChooseTheModel) {
  for (char k : {'\x1b', 'q', 'S'}) {
    Sim s;
    s.clock.step = 20;
    s.host.onPump = [&] { s.window->keyPress(k); };
    s.window->FormActivate();
    EXPECT_EQ(s.status.lines.back().rfind("Simulation stopped at time ", 0), 0u) << int(k);
  }
  {
    Sim s;
    s.clock.step = 20;
    bool paused = false;
    s.host.onPump = [&] {
      if (!paused) s.window->keyPress('p');
      paused = true;
    };
    s.host.onWait = [&] {
      if (s.host.waits == 3) s.window->keyPress('P');
    };
    s.window->FormActivate();
    EXPECT_EQ(s.host.waits, 3);
    EXPECT_TRUE(s.status.saw("Pause simulation at time "));
    EXPECT_NE(s.status.lines.back().find("ns simulation in "), std::string::npos);
  }
  {
    Sim s;
    s.ctx.db.extracted = true;
    s.window->keyPress('"');
    EXPECT_EQ(s.engine->models.level, MosModelLevel::Level3);
    EXPECT_EQ(s.options.model, MosModelLevel::Level3);
    EXPECT_FALSE(s.ctx.db.extracted);  // the effective lengths follow the model
    EXPECT_EQ(s.status.lines.back(), "Select model LEVEL3");
    s.window->keyPress('&');
    EXPECT_EQ(s.engine->models.level, MosModelLevel::Level1);
    EXPECT_EQ(s.status.lines.back(), "Select model LEVEL1");
  }
}

TEST(SimulWindow, TheStepBoxFollowsTheTechnologyAndKeepsItsValueForABadEntry) {
  Sim s;
  EXPECT_EQ(s.window->stepText, "1");  // DELT of the rule file, in ps
  s.window->ComboTimeChange(0);
  struct Case {
    const char* text;
    double dt;
    const char* shown;
  } cases[] = {{"2", 2e-12, "2"}, {"abc", 2e-12, "2"}, {"0.0001", 2e-12, "2"}, {"2000", 2e-12, "2"},
               {"0.5", 0.5e-12, "0.5"}};
  for (const Case& c : cases) {
    s.window->EditDtChange(c.text);
    s.window->sbMoreClick();
    EXPECT_DOUBLE_EQ(s.engine->settings.dt, c.dt) << c.text;
    EXPECT_EQ(s.window->stepText, c.shown) << c.text;
  }
  // the same technology keeps what was typed; another one brings its DELT
  s.window->UpdateOptions();
  EXPECT_EQ(s.window->stepText, "0.5");
  s.ctx.tech.ruleFilePath = "other.rul";
  s.ctx.tech.timeStep = 2.5e-12;
  s.window->UpdateOptions();
  EXPECT_EQ(s.window->stepText, "2.5");
  // in the DC mode the box is the precision
  s.window->selectModeFromCommand(2);
  EXPECT_EQ(s.window->stepBoxText(), "0.1");
}

TEST(SimulWindow, NodeAssignmentTakesTheFirstDrivenAndFreeNodesAndKeepsTheEvaluatedName) {
  Sim s("nand2.msk");
  s.window->AssignNodes();
  EXPECT_EQ(s.engine->startNode, s.node("a"));
  EXPECT_EQ(s.engine->stopNode, s.node("out"));
  EXPECT_EQ(s.engine->frequencyNode, s.node("out"));
  s.window->ComboEvalChange(1);  // "b"
  EXPECT_EQ(s.engine->frequencyNode, s.node("b"));
  s.window->circuitChanged();
  s.window->AssignNodes();
  EXPECT_EQ(s.engine->frequencyNode, s.node("b"));
  EXPECT_EQ(s.window->evalItem, 1);
  EXPECT_EQ(s.window->nodeItems(), (std::vector<std::string>{"a", "b", "out", "(none)"}));
}

TEST(SimulWindow, ListChangesReportTheNodeTheyChoose) {
  Sim s;
  s.window->AssignNodes();
  const std::string in = std::to_string(s.node("in")), out = std::to_string(s.node("out"));
  struct Case {
    int tab;
    char list;  // s start, t stop, e evaluation
    int item;
    std::string status;
  } cases[] = {
      {0, 's', 0, "Selected start node for delay computation is n\xB0" + in + " \"in\""},
      {0, 't', 1, "Selected stop node for delay computation is n\xB0" + out + " \"out\""},
      {2, 's', 0, "Selected X axis node is n\xB0" + in + " \"in\""},
      {2, 't', 1, "Selected Y node is n\xB0" + out + " \"out\""},
      {3, 'e', 1, "Select node \"out\" for frequency computation (1.25V)"},
      {0, 'e', 1, "Select node \"out\" for min/max voltage computation "},
  };
  for (const Case& c : cases) {
    s.window->selectModeFromCommand(c.tab);
    if (c.list == 's') s.window->ComboStartChange(c.item);
    if (c.list == 't') s.window->ComboStopChange(c.item);
    if (c.list == 'e') s.window->ComboEvalChange(c.item);
    EXPECT_EQ(s.status.lines.back(), c.status);
  }
  // "(none)" and entries beyond the list clear the node
  s.window->ComboStartChange(2);
  EXPECT_EQ(s.engine->startNode, -1);
  s.window->ComboStopChange(7);
  EXPECT_EQ(s.engine->stopNode, -1);
  EXPECT_EQ(s.window->stopItem, 2);
}

TEST(SimulWindow, PrintingNeedsALightBackground) {
  Sim s;
  EXPECT_EQ(s.window->printHint(), "Printer disabled with black background");
  s.window->sbPrintClick();
  EXPECT_EQ(s.status.lines.back(), "Warning: use File-> Colors -> Monochrom or white background to enable printer");
  EXPECT_EQ(s.host.printed, "-");
  s.background = PlotBackground::White;
  EXPECT_EQ(s.window->printHint(), "Print the simulation");
  s.window->sbPrintClick();  // dialog cancelled
  EXPECT_EQ(s.host.printed, "-");
  s.host.printOk = true;
  s.window->sbPrintClick();
  EXPECT_EQ(s.host.printed, "12/10/2026 13:00:00");
  EXPECT_TRUE(s.status.saw("Print the simulation..."));
  EXPECT_EQ(s.status.lines.back(), " Simulation image sent to printer");
}

TEST(SimulWindow, DragsMeasureTimesVoltagesAndSlopes) {
  Sim s;
  s.window->FormActivate();  // 10 ns over 1000 columns
  s.window->mousePress(150, 100);
  s.window->mouseRelease(350, 101);
  EXPECT_TRUE(s.text("2.000ns"));
  EXPECT_TRUE(s.text(" 500MHz"));
  s.window->mousePress(600, 100);
  s.window->mouseRelease(601, 200);
  EXPECT_TRUE(s.text("-1.500V"));
  const std::size_t texts = s.surface.texts().size();
  s.window->mousePress(700, 100);
  s.window->mouseRelease(701, 101);  // a click measures nothing
  EXPECT_EQ(s.surface.texts().size(), texts);
  s.window->mouseMove(550, 420);
  EXPECT_EQ(s.status.lines.back(), "Cursor at  time 5.000ns , out=0.000 V");

  s.window->selectModeFromCommand(2);
  s.window->mousePress(50, 420);
  s.window->mouseRelease(550, 220);
  EXPECT_EQ(s.status.lines.back().rfind("dx=1.25,dy=", 0), 0u) << s.status.lines.back();
}

TEST(SimulWindow, TheCurrentModeDrawsTheSupplyCurrentsAndSumsThemUp) {
  Sim s;
  s.window->selectModeFromCommand(1);
  s.window->checkDelayAndIdd = true;  // "Show Idd"
  s.window->checkGainAndIss = true;   // "Show Iss"
  s.window->AssignNodes();
  ASSERT_EQ(s.window->currentItems().front().rfind("I(N1 ", 0), 0u);
  EXPECT_EQ(s.window->currentItems().back(), "(none)");
  s.window->ComboListIChange(0);
  EXPECT_EQ(s.status.lines.back(), "Select 0");
  s.window->FormActivate();
  EXPECT_TRUE(s.text("Idd in red"));
  EXPECT_TRUE(s.text("iddmax="));
  EXPECT_TRUE(s.text("Iss in green"));
  EXPECT_TRUE(s.text("iddAvr="));
  EXPECT_TRUE(s.text(s.window->currentItems().front() + "="));
  const int hm = s.window->plot().geometry.middle();
  EXPECT_GT(s.count(SimulationPlot::kIddColour, 20, hm), 20);
  EXPECT_GT(s.count(rgb(255, 255, 255), 20, hm), 20);  // the watched device
}

TEST(SimulWindow, TheDcModeMarksTheSwitchingVoltageAndTheSlope) {
  Sim s;
  s.window->selectModeFromCommand(2);
  s.window->checkMinMax = true;  // "X(50%)"
  s.window->checkSlope = true;
  s.window->FormActivate();
  EXPECT_EQ(s.status.lines.back(), "DC analysis complete for in versus out using MOS Model Level 1");
  EXPECT_TRUE(s.text("Vc=" + F(s.engine->results.switchingVoltage, 5, 3) + "V at y=Vdd/2"));
  const auto& t = s.surface.texts();
  EXPECT_TRUE(std::any_of(t.begin(), t.end(), [](const MemorySurface::TextCall& c) {
    return c.text.size() > 3 && c.text.substr(c.text.size() - 3) == "V/V" && c.text[0] == '-';
  }));
}

TEST(SimulWindow, TheFrequencyModePlotsEveryPeriodInTheUpperHalf) {
  Sim s("ring5.msk");
  s.window->selectModeFromCommand(3);
  s.window->FormActivate();
  EXPECT_GT(s.engine->results.frequency, 1e8);
  const int hm = s.window->plot().geometry.middle();
  EXPECT_GT(s.count(rgb(255, 255, 255), 20, hm), 25);  // points joined by lines
}

TEST(SimulWindow, ABusValueIsWrittenWhenItChanges) {
  Sim s("");
  for (const char* n : {"d[0]", "d[1]", "d[2]"}) s.circuit.addNode(n);
  s.circuit.nodes[2].kind = 0;
  s.circuit.nodes[2].visible = 2;
  s.circuit.nodes[3].kind = 2;
  s.circuit.nodes[4].kind = 0;
  s.circuit.buildDeviceLists();
  ASSERT_TRUE(s.window->UpdateOptions());
  s.window->checkGainAndIss = true;  // "Bus value"
  s.window->FormActivate();
  const auto& t = s.surface.texts();
  EXPECT_EQ(std::count_if(t.begin(), t.end(), [](const MemorySurface::TextCall& c) { return c.text == "5"; }), 1);
}

TEST(SimulWindow, MonochromeDrawsEveryTraceInOnePenWithItsOwnMarkers) {
  Sim s;
  s.background = PlotBackground::Monochrome;
  s.window->FormActivate();
  const SimulationPlot& p = s.window->plot();
  ASSERT_EQ(p.traces.size(), 2u);
  EXPECT_NE(p.traces[0].palette % 7, p.traces[1].palette % 7);  // two marker shapes
  for (int band = 0; band < 2; ++band) {
    int black = 0, coloured = 0;
    for (int y = 20 + band * 200; y < 20 + (band + 1) * 200; ++y)
      for (int x = 50; x < s.surface.width(); ++x) {
        const Colour c = s.surface.pixel(x, y);
        black += c == rgb(0, 0, 0);
        coloured += redOf(c) != greenOf(c) || greenOf(c) != blueOf(c);
      }
    EXPECT_GT(black, 300) << band;
    EXPECT_EQ(coloured, 0) << band;
  }
}
