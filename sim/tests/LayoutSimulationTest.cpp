// Simulation on the layout: boxes take the colour of their node's voltage
// while it runs, and their layer's drawing again at the end.
#include <gtest/gtest.h>

#include "core/MskFile.h"
#include "core/Text.h"
#include "core/RuleFile.h"
#include "core/tests/TestFiles.h"
#include "platform/MemorySurface.h"
#include "sim/LayoutSimulation.h"

using namespace quill;

namespace {
struct Fixture {
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
  LayoutSimulation onLayout{f, view, simul, circuit, options};

  explicit Fixture(const char* file) {
    view.setSurface(&layout);
    simul.setSurface(&plot);
    const std::string data = QUILL_DATA_DIR;
    loadRuleFile(t.ctx.tech, t.ctx.db.layers, data + "/default.rul", t.status, t.debug);
    if (*file) openLayout(t.ctx, data + "/" + file);
    t.ctx.layoutSettings.simulationLengthNs = 3;
    view.ViewAll();
  }
  // the pixel at the middle of the first live box of a node
  std::pair<int, int> pointOf(int node) {
    const LayoutDatabase& db = t.ctx.db;
    for (int i = 1; i <= db.boxCount(); ++i) {
      const LayoutBox& b = db.box(i);
      if (b.state && b.node == node && b.x2 - b.x1 >= 4 && b.y2 - b.y1 >= 4)
        return {view.sx((b.x1 + b.x2) / 2.0), view.sy((b.y1 + b.y2) / 2.0)};
    }
    return {-1, -1};
  }
};
}  // namespace

TEST(LayoutSimulation, BoxesShowTheirNodesVoltageWhileItRunsAndTheirLayersAfter) {
  Fixture x("inverter.msk");
  ASSERT_TRUE(x.f.enabled(Command::SimOnLayout));
  int redraws = 0, matching = 0, out = -1;
  std::pair<int, int> at;
  x.onLayout.areaChanged = [&] {
    if (out < 0) {
      for (int i = 2; i <= x.circuit.highestNode(); ++i)
        if (x.circuit.nodes[static_cast<std::size_t>(i)].name == "out") out = i;
      at = x.pointOf(out);
    }
    ++redraws;
    matching += x.layout.pixel(at.first, at.second) == x.view.VoltageColour(x.engine.voltage(out));
    EXPECT_TRUE(x.f.simulationRunning());
  };
  x.f.execute(Command::SimOnLayout);
  ASSERT_GE(out, 2);
  ASSERT_GE(at.first, 0);
  EXPECT_GT(redraws, 10);
  EXPECT_EQ(matching, redraws);
  EXPECT_FALSE(x.f.simulationRunning());
  EXPECT_NE(x.t.status.text(0).find("ns simulation in "), std::string::npos) << x.t.status.text(0);
  // the colour scale, labelled in tenths of HVDD up to HVDD "V"
  bool scale = false;
  for (const auto& t : x.layout.texts()) scale = scale || t.text == F(x.t.ctx.tech.vddHigh, 4, 2) + "V";
  EXPECT_TRUE(scale);
  // drawn normally again: the box shows no voltage colour any more
  EXPECT_NE(x.layout.pixel(at.first, at.second), x.view.VoltageColour(x.engine.voltage(out)));
}

TEST(LayoutSimulation, ALayoutWithoutMosDevicesIsRefused) {
  Fixture x("");
  x.t.ctx.db.addBox(0, 0, 20, 4, kMetal);
  int redraws = 0;
  x.onLayout.areaChanged = [&] { ++redraws; };
  x.f.execute(Command::SimOnLayout);
  EXPECT_EQ(x.t.status.text(0), "Sorry, no MOS device found in this layout. Try again.");
  EXPECT_EQ(redraws, 0);
}
