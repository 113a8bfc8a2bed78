// Our netlists in an independent circuit simulator: the examples must run
// in its batch mode with every model, and the inverter's delay it measures
// must agree with the one our own simulator measures on the same circuit.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "core/MskFile.h"
#include "core/RuleFile.h"
#include "core/Text.h"
#include "core/tests/TestFiles.h"
#include "exchange/SpiceNetlist.h"
#include "editor/Stimulus.h"
#include "sim/Engine.h"

using namespace quill;

namespace {

bool haveNgspice() { return std::system("command -v ngspice > /dev/null 2>&1") == 0; }

struct Example {
  quill::testing::TestContext t;
  ExtractionOptions options;
  ExtractedCircuit circuit;
  ExtractResult extraction;
  Example(const std::string& layout, MosModelLevel model) {
    const std::string data = QUILL_DATA_DIR;
    loadRuleFile(t.ctx.tech, t.ctx.db.layers, data + "/default.rul", t.status, t.debug);
    openLayout(t.ctx, data + "/" + layout);
    options.model = model;
    extraction = extractCircuit(t.ctx.db, t.ctx.tech, options, circuit, t.ctx.services);
    EXPECT_TRUE(extraction.ok()) << extraction.message;
  }
  int node(const std::string& name) const {
    for (int i = 2; i <= circuit.highestNode(); ++i)
      if (circuit.nodes[static_cast<std::size_t>(i)].name == name) return i;
    return -1;
  }
  double tsim() const { return t.ctx.layoutSettings.simulationLengthNs * 1e-9; }
  std::vector<std::string> deck() {
    SpiceRequest r;
    r.tsim = tsim();
    r.timeStep = t.ctx.tech.timeStep;
    return buildSpiceNetlist(t.ctx.db, t.ctx.tech, circuit, extraction, r).lines;
  }
};

struct Batch {
  int exitCode = -1;
  std::vector<std::string> lines;
};

Batch runNgspice(const std::vector<std::string>& deck, const std::string& name) {
  quill::testing::writeLines(name + ".cir", deck);
  Batch b;
  const int rc = std::system(("ngspice -b " + name + ".cir > " + name + ".log 2>&1").c_str());
  b.exitCode = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
  std::ifstream in(name + ".log");
  for (std::string l; std::getline(in, l);) b.lines.push_back(l);
  return b;
}

// (time, v(node)) of every row of the printed table
std::vector<std::pair<double, double>> printedAt(const Batch& b, int spiceNode) {
  const std::string want = "v(" + std::to_string(spiceNode) + ")";
  std::vector<std::pair<double, double>> v;
  int column = -1;
  for (const std::string& l : b.lines) {
    std::istringstream in(l);
    std::vector<std::string> words;
    for (std::string w; in >> w;) words.push_back(w);
    if (words.size() > 2 && words[0] == "Index") {
      auto it = std::find(words.begin(), words.end(), want);
      column = it == words.end() ? -1 : static_cast<int>(it - words.begin());
    } else if (column > 0 && static_cast<int>(words.size()) > column && !words[0].empty() &&
               std::isdigit(static_cast<unsigned char>(words[0][0]))) {
      v.push_back({std::strtod(words[1].c_str(), nullptr),
                   std::strtod(words[static_cast<std::size_t>(column)].c_str(), nullptr)});
    }
  }
  return v;
}
std::vector<double> printed(const Batch& b, int spiceNode) {
  std::vector<double> v;
  for (const auto& [t, x] : printedAt(b, spiceNode)) v.push_back(x);
  return v;
}

// "name = value ..." as the batch mode prints a measurement
double measured(const Batch& b, const std::string& name) {
  for (const std::string& l : b.lines) {
    std::istringstream in(l);
    std::string w, eq;
    double v = 0;
    if (in >> w >> eq >> v && w == name && eq == "=") return v;
  }
  return NAN;
}

}  // namespace

TEST(SpiceNgspice, TheExamplesRunInBatchModeWithEveryModelAndSwing) {
  if (!haveNgspice()) GTEST_SKIP() << "ngspice is not installed here (CI installs it)";
  quill::testing::TempDir dir;
  for (const char* layout : {"inverter", "ring5"}) {
    for (MosModelLevel m : {MosModelLevel::Level1, MosModelLevel::Level3, MosModelLevel::Bsim4}) {
      Example e(std::string(layout) + ".msk", m);
      const std::string name = std::string(layout) + "_" + modelName(m);
      SCOPED_TRACE(name);
      const Batch b = runNgspice(e.deck(), name);
      EXPECT_EQ(b.exitCode, 0);
      for (const std::string& l : b.lines) {
        const std::string u = toUpperAscii(l);
        EXPECT_EQ(u.find("ERROR"), std::string::npos) << l;
        EXPECT_EQ(u.find("UNRECOGNIZED"), std::string::npos) << l;
        EXPECT_EQ(u.find("SINGULAR MATRIX"), std::string::npos) << l;
      }
      // the analysis really ran: the output goes rail to rail
      const std::vector<double> out = printed(b, e.node("out"));
      ASSERT_GT(out.size(), 20u);
      const auto [lo, hi] = std::minmax_element(out.begin(), out.end());
      EXPECT_LT(*lo, 0.1 * e.t.ctx.tech.vdd);
      EXPECT_GT(*hi, 0.9 * e.t.ctx.tech.vdd);
    }
  }
}

// Level 1 at a 0.1 ps step without couplings. The two simulators load the
// output differently (ours with fixed node capacitances, the other with its
// own bias-dependent gate and overlap capacitances), so 30% is the bound.
TEST(SpiceNgspice, TheInverterDelayAgreesWithOurSimulator) {
  if (!haveNgspice()) GTEST_SKIP() << "ngspice is not installed here (CI installs it)";
  quill::testing::TempDir dir;
  Example e("inverter.msk", MosModelLevel::Level1);
  const int in = e.node("in"), out = e.node("out");
  ASSERT_GE(in, 2);
  ASSERT_GE(out, 2);
  const double vdd = e.t.ctx.tech.vdd;

  SimulationEngine s(e.t.ctx.db, e.t.ctx.tech, e.circuit, e.t.ctx.services);
  s.models.level = MosModelLevel::Level1;
  s.settings.dt = 1e-13;
  s.settings.tsim = e.tsim();
  s.startNode = in;
  s.stopNode = out;
  ASSERT_TRUE(s.ResetSimulation());
  ASSERT_TRUE(s.RunSimulation()) << e.t.status.text(0);
  ASSERT_TRUE(s.results.hasRise && s.results.hasFall);

  std::vector<std::string> deck = e.deck();
  const std::string half = F(vdd / 2, 0, 3);
  for (std::string& l : deck)
    if (l.starts_with(".TRAN ")) l = ".TRAN 0.1P " + F(e.tsim() * 1e9, 0, 2) + "N 0 0.1P";
  // the fourth edges of the clock: settled, and before the run ends
  const std::string vin = "v(" + std::to_string(in) + ")", vout = "v(" + std::to_string(out) + ")";
  deck.insert(deck.end() - 1, {".meas tran tfall TRIG " + vin + " VAL=" + half + " RISE=4 TARG " + vout +
                                   " VAL=" + half + " FALL=4",
                               ".meas tran trise TRIG " + vin + " VAL=" + half + " FALL=4 TARG " + vout +
                                   " VAL=" + half + " RISE=4"});
  const Batch b = runNgspice(deck, "delay");
  ASSERT_EQ(b.exitCode, 0);
  const double fall = measured(b, "tfall"), rise = measured(b, "trise");
  ASSERT_TRUE(fall > 0 && rise > 0) << "no delay measured";
  std::cout << "inverter delay, ours / independent: rise " << s.results.riseDelay * 1e12 << " / " << rise * 1e12
            << " ps, fall " << s.results.fallDelay * 1e12 << " / " << fall * 1e12 << " ps\n";
  EXPECT_NEAR(s.results.riseDelay / rise, 1.0, 0.3);
  EXPECT_NEAR(s.results.fallDelay / fall, 1.0, 0.3);
}

// Every source form as the other simulator reads it: its printed voltages
// are the ones our simulator drives.
TEST(SpiceNgspice, ItReadsEverySourceFormAsOurSimulatorDrivesIt) {
  if (!haveNgspice()) GTEST_SKIP() << "ngspice is not installed here (CI installs it)";
  quill::testing::TempDir dir;
  quill::testing::TestContext t;
  t.ctx.tech.vdd = 2.5;
  t.ctx.tech.vddHigh = 3.3;
  ExtractedCircuit c;
  auto add = [&](const std::string& name, int kind, int level1, int level0) {
    const int n = c.addNode(name);
    CircuitNode& x = c.nodes[static_cast<std::size_t>(n)];
    x.kind = static_cast<std::uint8_t>(kind);
    x.levelHigh = level1;
    x.levelLow = level0;
    x.visible = 2;
    x.label = t.ctx.db.addLabel(n, n, name);
    LayoutLabel& l = t.ctx.db.label(x.label);
    l.kind = x.kind;
    l.level1 = level1;
    l.level0 = level0;
    return n;
  };
  const int clock = add("clk", kLabelClock, 1000, 100);
  t.ctx.db.label(c.nodes[clock].label).param = {0.3e-9, 0.45e-9, 0.9e-9, 1.05e-9};
  const int pulse = add("pls", kLabelPulse, 800, 0);
  t.ctx.db.label(c.nodes[pulse].label).param = {0.5e-9, 0.7e-9, 1.5e-9, 1.6e-9};
  const int sine = add("sin", kLabelSinus, 500, 300);
  t.ctx.db.label(c.nodes[sine].label).param = {700, 0, 0, 0};
  const int chirp = add("chirp", kLabelSinus, 500, 300);
  t.ctx.db.label(c.nodes[chirp].label).param = {500, 15, 0, 0};
  const int math = add("m", kLabelMath, 1000, 0);
  t.ctx.db.label(c.nodes[math].label).text = "vdd*exp(-sqr((t-1e-9)/4e-10))";
  const int seq = add("seq", kLabelPwl, 1000, 0);
  auto table = std::make_unique<PwlTable>();
  const double times[] = {0.25, 0.55, 1.05, 1.65};
  const std::uint8_t codes[] = {1, 2, 0, 1};
  for (int k = 0; k < 4; ++k) {
    table->time[static_cast<std::size_t>(k + 1)] = times[k];
    table->code[static_cast<std::size_t>(k + 1)] = codes[k];
  }
  table->count = 4;
  t.ctx.db.label(c.nodes[seq].label).pwl = std::move(table);
  const int high = add("vhv", kLabelHighSupply, 1320, 0);

  ExtractResult complete{ExtractOutcome::Complete, ""};
  SpiceRequest r;
  r.tsim = 2e-9;
  r.timeStep = 1e-12;
  const Batch b = runNgspice(buildSpiceNetlist(t.ctx.db, t.ctx.tech, c, complete, r).lines, "sources");
  ASSERT_EQ(b.exitCode, 0);
  for (const std::string& l : b.lines) EXPECT_EQ(toUpperAscii(l).find("ERROR"), std::string::npos) << l;

  DefaultRandom random;
  StimulusRun run(random);
  for (int n : {clock, pulse, sine, chirp, math, seq}) {
    StimulusSource ours(t.ctx.db.label(c.nodes[n].label), ExpressionConstants{2.5, 3.3, 1e-12});
    ours.reset(random);
    const auto v = printedAt(b, n);
    SCOPED_TRACE(c.nodes[n].name);
    ASSERT_GT(v.size(), 100u);
    for (const auto& [time, volts] : v) {
      // a step changes within 1 ps of its time
      if (n == seq && std::any_of(std::begin(times), std::end(times),
                                  [&](double s) { return time > s * 1e-9 - 1e-13 && time < s * 1e-9 + 1.1e-12; }))
        continue;
      EXPECT_NEAR(volts, ours.at(time, run).volts, 2e-3) << time * 1e9 << " ns";
    }
  }
  const std::vector<double> hv = printed(b, high);
  ASSERT_FALSE(hv.empty());
  EXPECT_NEAR(hv.front(), 3.3, 1e-9);
}
