#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>

#include "core/MskFile.h"
#include "core/RuleFile.h"
#include "core/Text.h"
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

namespace {
// records what the engine tells a window
struct Recorder : SimulationObserver {
  SimulationEngine* e = nullptr;
  std::vector<double> starts, periods, frequencies;
  std::vector<std::pair<double, double>> delays;
  std::vector<std::pair<double, double>> dc;
  std::function<void(double)> onPlot, onPause;
  void plotted(double t) override {
    if (onPlot) onPlot(t);
  }
  void delayStart(double t) override { starts.push_back(t); }
  void delayMeasured(double a, double b, bool) override { delays.push_back({a, b}); }
  void frequencyMeasured(double a, double b, double hz) override {
    periods.push_back(b - a);
    frequencies.push_back(hz);
  }
  void dcPoint(double vx, double vy, bool) override { dc.push_back({vx, vy}); }
  void paused(double t) override {
    if (onPause) onPause(t);
  }
};
}  // namespace

TEST(Engine, TheObserverHearsOfDelayStartsDelaysAndPeriods) {
  Example e("inverter.msk");
  SimulationEngine& s = *e.engine;
  s.startNode = e.node("in");
  s.stopNode = s.frequencyNode = e.node("out");
  s.settings.trigger = e.t.ctx.tech.vdd / 2;
  s.settings.dt = 1e-12;
  s.settings.tsim = 6e-9;
  ASSERT_TRUE(s.ResetSimulation());
  Recorder r;
  ASSERT_TRUE(s.RunSimulation(&r));
  ASSERT_FALSE(r.starts.empty());
  ASSERT_FALSE(r.delays.empty());
  // every delay begins at a recorded start crossing, and the last one is the result
  for (auto [a, b] : r.delays) {
    EXPECT_NE(std::find(r.starts.begin(), r.starts.end(), a), r.starts.end());
    EXPECT_GT(b, a);
  }
  const double last = r.delays.back().second - r.delays.back().first;
  EXPECT_TRUE(last == s.results.riseDelay || last == s.results.fallDelay);
  ASSERT_FALSE(r.frequencies.empty());
  EXPECT_DOUBLE_EQ(r.frequencies.back(), s.results.frequency);
  EXPECT_NEAR(r.frequencies.back() * r.periods.back(), 1.0, 1e-9);
}

TEST(Engine, ABusValueHasABitPerMemberAboveHalfTheSupply) {
  OneNode x(1e-15);
  for (int i = 0; i < 3; ++i) x.circuit.addNode("b");
  const double vdd = x.t.ctx.tech.vdd;
  struct Case {
    std::vector<double> volts;  // nodes 2..5
    std::vector<int> members;
    int value;
  } cases[] = {
      {{0, 0, 0, 0}, {2, 3, 4, 5}, 0},
      {{vdd, 0, vdd, vdd}, {2, 3, 4, 5}, 13},
      {{vdd, vdd, vdd, vdd}, {2, 3, 4, 5}, 15},
      {{vdd, vdd, vdd, vdd}, {2, -1, 4, 99}, 5},      // missing members count as 0
      {{0.5 * vdd, vdd, 0, 0}, {2, 3}, 2},            // exactly half is not above
  };
  for (const Case& c : cases) {
    for (std::size_t i = 0; i < c.volts.size(); ++i) x.circuit.nodes[2 + i].V = c.volts[i];
    EXPECT_EQ(x.engine->BusValue(c.members), c.value);
  }
}

TEST(Engine, AnEyeRunStartsASweepAtEveryEdgeOfTheSynchronisingInput) {
  Example e("inverter.msk");
  SimulationEngine& s = *e.engine;
  s.startNode = e.node("in");
  s.stopNode = e.node("out");
  s.settings.mode = kModeEye;
  s.settings.dt = 1e-12;
  s.settings.tsim = 3e-9;
  s.settings.eyeLength = 2e-9;
  s.settings.plotWidth = 100;
  ASSERT_TRUE(s.ResetSimulation());
  Recorder r;
  long longest = 0;
  r.onPlot = [&](double t) {
    longest = std::max(longest, s.steps());
    if (t > 12e-9) s.stop();
  };
  // the input switches about every nanosecond, so no sweep reaches the
  // run's 3 ns: only the stop ends it
  EXPECT_FALSE(s.RunSimulation(&r));
  EXPECT_GT(longest, 500);
  EXPECT_LT(longest, 1500);
  EXPECT_EQ(s.plotDecimation(), 20);
}

TEST(Engine, APausedRunOnlyWaitsUntilResumed) {
  Example e("inverter.msk");
  SimulationEngine& s = *e.engine;
  s.settings.dt = 1e-12;
  s.settings.tsim = 2e-9;
  ASSERT_TRUE(s.ResetSimulation());
  Recorder r;
  std::vector<double> pausedAt;
  r.onPlot = [&](double t) {
    if (t > 1e-9 && pausedAt.empty() && !s.isPaused()) s.pause();
  };
  std::string message;
  r.onPause = [&](double t) {
    pausedAt.push_back(t);
    message = e.t.status.text(0);
    if (pausedAt.size() == 3) s.pause();
  };
  ASSERT_TRUE(s.RunSimulation(&r));
  ASSERT_EQ(pausedAt.size(), 3u);
  EXPECT_EQ(pausedAt[0], pausedAt[2]);  // time stands still
  EXPECT_EQ(message, "Pause simulation at time " + F(pausedAt[0] * 1e9, 5, 3) + " ns");
  EXPECT_NEAR(s.time(), 2e-9, 1e-15);
  EXPECT_NE(e.t.status.text(0).find("ns simulation in "), std::string::npos);
}

TEST(Engine, TheGainNeedsTheStartAndStopSwingsToHaveBeenSeen) {
  struct Case {
    bool trackExtremes;
    const char* status;
  } cases[] = {{true, "Gain :"}, {false, "Cannot compute the gain"}};
  for (const Case& c : cases) {
    Example e("inverter.msk");
    SimulationEngine& s = *e.engine;
    s.startNode = e.node("in");
    s.stopNode = s.frequencyNode = e.node("out");
    s.settings.mode = kModeFrequency;
    s.settings.checkGainAndIss = true;
    s.settings.checkDelayAndIdd = c.trackExtremes;
    s.settings.minMax = false;
    s.settings.dt = 1e-12;
    s.settings.tsim = 4e-9;
    ASSERT_TRUE(s.ResetSimulation());
    ASSERT_TRUE(s.RunSimulation());
    EXPECT_EQ(e.t.status.text(1).rfind(c.status, 0), 0u) << e.t.status.text(1);
    EXPECT_EQ(s.results.hasGain, c.trackExtremes);
    if (c.trackExtremes) {
      EXPECT_GT(s.results.gain, 0.5);
      EXPECT_LT(s.results.gain, 2.0);
    }
  }
}

TEST(Engine, TheDcSweepNeedsBothNodesAndGoesBackWithHysteresis) {
  Example e("inverter.msk");
  SimulationEngine& s = *e.engine;
  s.settings.mode = kModeStatic;
  s.settings.dcPoints = 20;
  s.settings.dt = 1e-12;
  ASSERT_TRUE(s.ResetSimulation());
  Recorder none;
  EXPECT_TRUE(s.RunSimulation(&none));
  EXPECT_TRUE(none.dc.empty());
  EXPECT_EQ(e.t.status.text(0), "DC analysis complete for  versus  using MOS Model Level 1");

  s.startNode = e.node("in");
  s.stopNode = e.node("out");
  s.settings.hysteresis = true;
  const double vdd = e.t.ctx.tech.vdd;
  Recorder forward, backward;
  ASSERT_TRUE(s.RunSimulation(&forward));
  ASSERT_TRUE(s.RunSimulation(&backward));
  ASSERT_EQ(forward.dc.size(), 21u);
  ASSERT_EQ(backward.dc.size(), 21u);
  EXPECT_NEAR(forward.dc.front().first, 0, 1e-12);
  EXPECT_NEAR(backward.dc.front().first, vdd, 1e-12);
  EXPECT_GT(forward.dc.front().second, 0.9 * vdd);   // input low: output high
  EXPECT_LT(backward.dc.front().second, 0.1 * vdd);
}

TEST(Engine, TheWatchedElementsCurrentIsTrackedInTheCurrentMode) {
  Example e("inverter.msk");
  SimulationEngine& s = *e.engine;
  s.settings.mode = kModeVoltageCurrent;
  s.settings.watched = {WatchedElement::Nmos, 1};
  s.settings.dt = 1e-12;
  s.settings.tsim = 6e-9;
  ASSERT_TRUE(s.ResetSimulation());
  ASSERT_TRUE(s.RunSimulation());
  EXPECT_GT(s.results.maxWatched, 1e-6);
  EXPECT_GT(s.results.maxWatchedTime, 6e-9 / 20);
  EXPECT_GT(s.results.maxIss, 1e-6);
  EXPECT_TRUE(s.results.resistorPowerText.empty());

  // a watched resistor without any supply current: its power, but no efficiency
  OneNode x(1e-15);
  x.engine->settings.mode = kModeVoltageCurrent;
  x.engine->settings.watched = {WatchedElement::Resistor, 1};
  x.engine->settings.tsim = 3e-9;
  ASSERT_TRUE(x.engine->RunSimulation());
  EXPECT_GT(x.engine->results.resistorCurrent, 0);
  EXPECT_EQ(x.engine->results.powerMw, 0);
  EXPECT_TRUE(x.engine->results.resistorPowerText.empty());
}

TEST(Engine, ANonFiniteCurrentStopsTheRunNamingTheDevice) {
  quill::testing::TestContext t;
  ExtractedCircuit c;
  const int g = c.addNode("g"), d = c.addNode("d");
  c.nodes[static_cast<std::size_t>(g)].kind = 3;
  c.nodes[static_cast<std::size_t>(d)].kind = 3;
  MosDevice m;
  m.width = 4;
  m.length = 2;
  m.gate = g;
  m.nodeA = d;
  m.nodeB = 0;
  m.bulk = 0;
  m.widthMetres = 1e-6;
  m.effectiveLength = 0.5e-6;
  c.nmos.push_back(m);
  c.buildDeviceLists();
  SimulationEngine s(t.ctx.db, t.ctx.tech, c, t.ctx.services);
  s.models.level = MosModelLevel::Level1;
  s.settings.tsim = 1e-10;
  ASSERT_TRUE(s.ResetSimulation());
  s.RunSimulation();  // soft start over, sources built
  c.nodes[static_cast<std::size_t>(g)].V = 2.5;  // the device conducts
  c.nodes[static_cast<std::size_t>(d)].V = std::nan("");
  s.settings.tsim = 2e-9;
  EXPECT_FALSE(s.RunSimulation());
  EXPECT_NE(t.status.text(0).find("nMOS 1"), std::string::npos) << t.status.text(0);
  EXPECT_FALSE(s.failure().empty());
}

TEST(Engine, VddOfZeroIsRefused) {
  quill::testing::TestContext t;
  t.ctx.tech.vdd = 0;
  ExtractedCircuit c;
  c.buildDeviceLists();
  SimulationEngine s(t.ctx.db, t.ctx.tech, c, t.ctx.services);
  s.ResetSimulation();
  EXPECT_FALSE(s.RunSimulation());
  EXPECT_NE(t.status.text(0).find("VDD"), std::string::npos);
}
