// The main window's Simulate commands without windows: extraction, the
// floating-well answer, the tab and model chosen, the window opened.
#include <gtest/gtest.h>

#include "core/MskFile.h"
#include "core/RuleFile.h"
#include "core/tests/TestFiles.h"
#include "editor/View.h"
#include "platform/MemorySurface.h"
#include "sim/SimulCommands.h"

using namespace quill;

namespace {

struct Wells : WellDialog {
  WellAnswer answer = WellAnswer::Polarize;
  std::vector<std::string> asked;
  WellAnswer ask(int, const std::string& text) override {
    asked.push_back(text);
    return answer;
  }
};

struct Fixture : SimulationCommandHost {
  quill::testing::TestContext t;
  MemorySurface layout{800, 600}, plot{1050, 440};
  LayoutView view{t.ctx.db, t.ctx.tech, t.status, t.clock};
  LayoutViewFrame link{view};
  FrameWindow window;
  struct NoHelp : HelpOpener {
    bool open(const std::string&) override { return false; }
  } help;
  FrameController f{t.ctx, link, window, help};
  ExtractionOptions options;
  ExtractedCircuit circuit;
  SimulationEngine engine{t.ctx.db, t.ctx.tech, circuit, t.ctx.services};
  SimulationWindow simul{engine, t.ctx, circuit, &options};
  SimulationCommands commands{f, simul, circuit, options, *this};
  Wells wells;
  std::vector<std::string> calls;
  int shownMode = -1;
  double wellVoltage = -1;
  int well = 0;
  bool noStartNode = false;

  Fixture() {
    view.setSurface(&layout);
    simul.setSurface(&plot);
    simul.setWellDialog(&wells);
    const std::string data = QUILL_DATA_DIR;
    loadRuleFile(t.ctx.tech, t.ctx.db.layers, data + "/default.rul", t.status, t.debug);
    openLayout(t.ctx, data + "/inverter.msk");
    t.ctx.layoutSettings.simulationLengthNs = 2;
  }
  void hideToolWindows() override { calls.push_back("hide"); }
  void showToolWindows() override { calls.push_back("show"); }
  void showSimulationWindow() override {
    calls.push_back("window");
    shownMode = simul.mode();
    // extraction may have moved the box in the table
    for (int i = 1; well && i <= t.ctx.db.boxCount(); ++i) {
      const LayoutBox& b = static_cast<const LayoutDatabase&>(t.ctx.db).box(i);
      if (b.state && b.layer == kNwell && b.x1 == 200) wellVoltage = engine.voltage(b.node);
    }
    if (noStartNode) {
      simul.AssignNodes();
      simul.ComboStartChange(static_cast<int>(simul.traces().size()));
    }
    simul.FormActivate();
  }
};

}  // namespace

TEST(SimulCommands, EachModeCommandExtractsChoosesItsTabAndRunsInTheWindow) {
  struct Case {
    Command command;
    int mode;
    const char* status;
  } cases[] = {{Command::SimVoltageTime, kModeVoltageTime, "ns simulation in "},
               {Command::SimVoltageCurrent, kModeVoltageCurrent, "ns simulation in "},
               {Command::SimStatic, kModeStatic, "DC analysis complete for in versus out"},
               {Command::SimFrequency, kModeFrequency, "ns simulation in "},
               {Command::SimEye, kModeEye, "ns simulation in "}};
  for (const Case& c : cases) {
    Fixture x;
    ASSERT_TRUE(x.f.enabled(c.command));
    // a clocked input restarts the eye's sweeps until the user stops the
    // run; without a synchronising input it ends after its length
    x.noStartNode = c.mode == kModeEye;
    x.f.execute(c.command);
    EXPECT_TRUE(x.t.ctx.db.extracted);
    EXPECT_EQ(x.calls, (std::vector<std::string>{"hide", "window", "show"}));
    EXPECT_EQ(x.shownMode, c.mode);
    EXPECT_NE(x.t.status.text(0).find(c.status), std::string::npos) << x.t.status.text(0);
    EXPECT_TRUE(x.simul.nodesAssigned());
  }
}

TEST(SimulCommands, TheFloatingWellAnswerDecidesTheRun) {
  struct Case {
    WellAnswer answer;
    bool shown;
    double voltage;  // of the well when the window opens
  } cases[] = {{WellAnswer::Cancel, false, -1}, {WellAnswer::Run, true, 0}, {WellAnswer::Polarize, true, 2.5}};
  for (const Case& c : cases) {
    Fixture x;
    x.well = x.t.ctx.db.addBox(200, 200, 240, 240, kNwell);
    x.wells.answer = c.answer;
    x.f.execute(Command::SimVoltageTime);
    ASSERT_EQ(x.wells.asked, std::vector<std::string>{"Warning: 1 N-well region(s) floating"});
    EXPECT_EQ(x.t.status.text(1), c.shown ? x.t.status.text(1) : "1 float. wells");
    EXPECT_EQ(!x.calls.empty(), c.shown);
    if (!c.shown) {
      EXPECT_EQ(x.t.status.text(0), "Simulation stopped. Add N+/metal contact and VDD supply to floating wells.");
    }
    EXPECT_DOUBLE_EQ(x.wellVoltage, c.voltage);
  }
}

TEST(SimulCommands, AModelCommandSetsTheModelExtractsAgainAndRuns) {
  struct Case {
    Command command;
    MosModelLevel level;
    const char* name;
  } cases[] = {{Command::ModelLevel1, MosModelLevel::Level1, "Level 1"},
               {Command::ModelLevel3, MosModelLevel::Level3, "Level 3"},
               {Command::ModelBsim4, MosModelLevel::Bsim4, "Bsim4"}};
  Fixture x;
  x.f.execute(Command::SimVoltageTime);
  for (const Case& c : cases) {
    x.f.execute(c.command);
    EXPECT_EQ(x.options.model, c.level);
    EXPECT_EQ(x.engine.models.level, c.level);
    EXPECT_NE(x.t.status.text(0).find(std::string("with MOS model ") + c.name + " with 1 NMOS"), std::string::npos)
        << x.t.status.text(0);
  }
}
