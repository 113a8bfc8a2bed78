#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "core/MskFile.h"
#include "core/RuleFile.h"
#include "core/tests/TestFiles.h"
#include "sim/Engine.h"
#include "verify/Extract.h"

using namespace quill;

namespace {
struct Example {
  quill::testing::TestContext t;
  ExtractionOptions options;
  ExtractedCircuit circuit;
  std::unique_ptr<SimulationEngine> engine;

  explicit Example(const std::string& layout) {
    const std::string data = QUILL_DATA_DIR;
    loadRuleFile(t.ctx.tech, t.ctx.db.layers, data + "/default.rul", t.status, t.debug);
    openLayout(t.ctx, data + "/" + layout);
    options.model = MosModelLevel::Level1;
    ExtractResult r = extractCircuit(t.ctx.db, t.ctx.tech, options, circuit, t.ctx.services);
    EXPECT_TRUE(r.ok()) << r.message;
    engine = std::make_unique<SimulationEngine>(t.ctx.db, t.ctx.tech, circuit, t.ctx.services);
    engine->models.level = MosModelLevel::Level1;
  }
  int node(const std::string& name) {
    for (int i = 0; i <= circuit.highestNode(); ++i)
      if (circuit.nodes[static_cast<std::size_t>(i)].name == name) return i;
    return -1;
  }
};

// node 2 free, tied to the supply through a small resistor
struct OneNode {
  quill::testing::TestContext t;
  ExtractedCircuit circuit;
  std::unique_ptr<SimulationEngine> engine;
  explicit OneNode(double capacitance) {
    circuit.addNode("x");
    circuit.nodes[2].capacitance = capacitance;
    circuit.nodes[2].kind = 3;
    circuit.buildDeviceLists();
    int r = t.ctx.db.addRlc(0, 0, 5, 0, kRlcResistor, "1", 1);
    t.ctx.db.rlc(r).value = 1;
    t.ctx.db.rlc(r).node1 = 1;
    t.ctx.db.rlc(r).node2 = 2;
    engine = std::make_unique<SimulationEngine>(t.ctx.db, t.ctx.tech, circuit, t.ctx.services);
    engine->settings.dt = 1e-11;
    engine->ResetSimulation();
  }
};
}  // namespace

TEST(Engine, AStronglyDrivenNodeRisesByTheLimitAfterSmoothingAndSoftStart) {
  OneNode x(1e-15);
  std::vector<double> v;
  x.engine->settings.tsim = 2e-11;  // only prepares the run
  x.engine->RunSimulation();
  for (int i = 0; i < 30; ++i) {
    const double before = x.engine->voltage(2);
    x.engine->SimulationStep();
    v.push_back(x.engine->voltage(2) - before);
  }
  // increments grow through the 1/4, 1/2, 1/4 taps towards the 0.1 V limit,
  // never past it: after the run's two steps (the first soft-started to
  // nothing, the second 0.025) come 0.0375, 0.05 ...
  EXPECT_NEAR(v[0], 0.0375, 1e-12);
  EXPECT_NEAR(v[1], 0.05, 1e-12);
  EXPECT_NEAR(v.back(), 0.1, 1e-3);
  for (std::size_t i = 1; i < v.size(); ++i) {  // 0.1 V away from the supply, still saturated
    EXPECT_LE(v[i], 0.1 + 1e-12);
    EXPECT_GE(v[i], v[i - 1] - 1e-12);
  }
  // the soft start: at t = 0 the factor is 0 and nothing moves
  OneNode y(1e-15);
  EXPECT_EQ(y.engine->softStart(), 0.0);
  y.engine->settings.tsim = 1e-11;
  y.engine->RunSimulation();
  EXPECT_EQ(y.engine->voltage(2), 0.0);
}

TEST(Engine, ZeroCapacitanceIsFlooredAtReset) {
  OneNode x(0);
  EXPECT_EQ(x.circuit.nodes[2].capacitance, 1e-16);
  EXPECT_EQ(x.circuit.nodes[1].V, x.t.ctx.tech.vdd);
}

TEST(Engine, TheInverterSwingsRailToRailOppositeToItsInput) {
  Example e("inverter.msk");
  const int in = e.node("in"), out = e.node("out");
  ASSERT_GE(in, 2);
  ASSERT_GE(out, 2);
  SimulationEngine& s = *e.engine;
  s.startNode = in;
  s.stopNode = out;
  s.frequencyNode = out;
  s.settings.dt = 1e-12;
  s.settings.tsim = 6e-9;
  ASSERT_TRUE(s.ResetSimulation());
  double minOut = 10, maxOut = -10;
  double opposite = 0;
  int samples = 0;
  struct Watch : SimulationObserver {
    std::function<void()> f;
    void plotted(double) override { f(); }
  } w;
  const double vdd = e.t.ctx.tech.vdd;
  w.f = [&] {
    if (s.time() < 2e-9) return;
    const double vi = s.voltage(in), vo = s.voltage(out);
    minOut = std::min(minOut, vo);
    maxOut = std::max(maxOut, vo);
    if (vi > 0.9 * vdd) opposite += vo < 0.5 * vdd ? 1 : -1, ++samples;
    if (vi < 0.1 * vdd) opposite += vo > 0.5 * vdd ? 1 : -1, ++samples;
  };
  ASSERT_TRUE(s.RunSimulation(&w)) << e.t.status.text(0);
  EXPECT_LT(minOut, 0.1 * vdd);
  EXPECT_GT(maxOut, 0.9 * vdd);
  ASSERT_GT(samples, 10);
  EXPECT_GT(opposite / samples, 0.8);  // settled samples lie on the other side
  EXPECT_TRUE(s.results.hasRise || s.results.hasFall);
  EXPECT_GT(s.results.powerMw, 0);
  EXPECT_NE(e.t.status.text(0).find("ns simulation in "), std::string::npos);
  EXPECT_NE(e.t.status.text(0).find("with MOS model Level 1 with 1 NMOS, 1 pMOS"), std::string::npos);
  // a second run without reset goes on from the end time
  ASSERT_TRUE(s.RunSimulation());
  EXPECT_NEAR(s.time(), 12e-9, 1e-15);
  EXPECT_EQ(e.t.status.text(0).substr(0, 7), " 6.00ns");
}

TEST(Engine, TheRingOscillatorOscillates) {
  Example e("ring5.msk");
  SimulationEngine& s = *e.engine;
  const int out = e.node("out");
  ASSERT_GE(out, 2);
  s.frequencyNode = out;
  s.settings.trigger = e.t.ctx.tech.vdd / 2;
  s.settings.dt = 1e-12;
  s.settings.tsim = 6e-9;
  ASSERT_TRUE(s.ResetSimulation());
  ASSERT_TRUE(s.RunSimulation()) << e.t.status.text(0);
  EXPECT_GT(s.results.frequency, 1e8);
  EXPECT_LT(s.results.frequency, 2e11);
  EXPECT_NE(e.t.status.text(1).find("dV="), std::string::npos);
  EXPECT_GT(s.results.maxV - s.results.minV, 0.8 * e.t.ctx.tech.vdd);
}

TEST(Engine, ADcSweepOfTheInverterFindsItsSwitchingVoltage) {
  Example e("inverter.msk");
  SimulationEngine& s = *e.engine;
  s.startNode = e.node("in");
  s.stopNode = e.node("out");
  s.settings.mode = kModeStatic;
  s.settings.dcPoints = 100;
  s.settings.dt = 1e-12;
  ASSERT_TRUE(s.ResetSimulation());
  ASSERT_TRUE(s.RunSimulation());
  const double vdd = e.t.ctx.tech.vdd;
  EXPECT_GT(s.results.switchingVoltage, 0.2 * vdd);
  EXPECT_LT(s.results.switchingVoltage, 0.8 * vdd);
  EXPECT_NE(e.t.status.text(0).find("DC analysis complete for in versus out using MOS Model Level 1"),
            std::string::npos);
}
