#include "exchange/SpiceNetlist.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "core/MskFile.h"
#include "core/RuleFile.h"
#include "core/Text.h"
#include "core/tests/TestFiles.h"
#include "sim/Engine.h"

using namespace quill;

namespace {

struct Example {
  quill::testing::TestContext t;
  ExtractionOptions options;
  ExtractedCircuit circuit;
  ExtractResult extraction;
  explicit Example(const std::string& layout, MosModelLevel model = MosModelLevel::Level3,
                   const ExtractionLimits& limits = {}) {
    const std::string data = QUILL_DATA_DIR;
    loadRuleFile(t.ctx.tech, t.ctx.db.layers, data + "/default.rul", t.status, t.debug);
    if (!layout.empty()) openLayout(t.ctx, data + "/" + layout);
    options.model = model;
    if (!layout.empty()) extract(limits);
  }
  void extract(const ExtractionLimits& limits = {}) {
    t.ctx.db.extracted = false;
    extraction = extractCircuit(t.ctx.db, t.ctx.tech, options, circuit, t.ctx.services, limits);
  }
  SpiceNetlist netlist(SpiceRequest r = {}) {
    r.lateralCouplings = options.lateralCouplings;
    r.verticalCouplings = options.verticalCouplings;
    return buildSpiceNetlist(t.ctx.db, t.ctx.tech, circuit, extraction, r);
  }
  int node(const std::string& name) const {
    for (int i = 2; i <= circuit.highestNode(); ++i)
      if (circuit.nodes[static_cast<std::size_t>(i)].name == name) return i;
    return -1;
  }
};

// A circuit set up by hand the way extraction leaves it: nodes named and
// kinded by labels, devices in the tables.
struct Hand {
  quill::testing::TestContext t;
  ExtractedCircuit circuit;
  ExtractResult extraction{ExtractOutcome::Complete, "Extraction complete"};
  Hand() {
    t.ctx.tech.vdd = 2.5;
    t.ctx.tech.vddHigh = 3.3;
  }
  int labelled(const std::string& name, int kind, int level1 = 1000, int level0 = 0) {
    const int n = circuit.addNode(name);
    CircuitNode& c = circuit.nodes[static_cast<std::size_t>(n)];
    c.kind = static_cast<std::uint8_t>(kind);
    c.levelHigh = level1;
    c.levelLow = level0;
    const int l = t.ctx.db.addLabel(n, n, name);
    LayoutLabel& lab = t.ctx.db.label(l);
    lab.kind = static_cast<std::uint8_t>(kind);
    lab.level1 = level1;
    lab.level0 = level0;
    c.label = l;
    return n;
  }
  LayoutLabel& labelOf(int n) { return t.ctx.db.label(circuit.nodes[static_cast<std::size_t>(n)].label); }
  void sequence(int n, const std::vector<std::pair<double, char>>& steps) {
    auto table = std::make_unique<PwlTable>();
    for (const auto& [time, code] : steps) {
      ++table->count;
      table->time[static_cast<std::size_t>(table->count)] = time;
      table->code[static_cast<std::size_t>(table->count)] =
          static_cast<std::uint8_t>(code == 'x' ? kPwlRelease : code == 'r' ? kPwlRandom : code - '0');
    }
    labelOf(n).pwl = std::move(table);
  }
  void device(Polarity p, int gate, int a, int b, int bulk, int w = 6, int l = 2) {
    MosDevice d;
    d.gate = gate, d.nodeA = a, d.nodeB = b, d.bulk = bulk, d.width = w, d.length = l;
    circuit.table(p).push_back(d);
  }
  SpiceNetlist netlist(SpiceRequest r = {}) { return buildSpiceNetlist(t.ctx.db, t.ctx.tech, circuit, extraction, r); }
};

bool has(const std::vector<std::string>& lines, const std::string& l) {
  return std::find(lines.begin(), lines.end(), l) != lines.end();
}
// the first line starting with prefix, "" when none
std::string starting(const std::vector<std::string>& lines, const std::string& prefix) {
  for (const std::string& l : lines)
    if (l.starts_with(prefix)) return l;
  return "";
}
std::string joined(const std::vector<std::string>& lines) {
  std::string s;
  for (const std::string& l : lines) s += l + "\n";
  return s;
}
std::size_t occurrences(const std::string& text, const std::string& word) {
  std::size_t n = 0;
  for (std::size_t p = text.find(word); p != std::string::npos; p = text.find(word, p + 1)) ++n;
  return n;
}
std::vector<std::string> words(const std::string& l) {
  std::istringstream in(l);
  std::vector<std::string> w;
  for (std::string s; in >> s;) w.push_back(s);
  return w;
}
// the value in femtofarad of the capacitor line of element name
double femtofarad(const std::vector<std::string>& lines, const std::string& name) {
  const std::string l = starting(lines, name + " ");
  if (l.empty()) return 0;
  return std::strtod(words(l).back().c_str(), nullptr);
}

// The points of a source's PWL, (s, V), continuation lines included.
std::vector<std::pair<double, double>> pwlPoints(const std::vector<std::string>& lines, const std::string& name) {
  std::string text;
  for (std::size_t k = 0; k < lines.size(); ++k) {
    if (!lines[k].starts_with(name + " ")) continue;
    text = lines[k].substr(lines[k].find("PWL(") + 4);
    for (std::size_t j = k + 1; j < lines.size() && lines[j].starts_with("+"); ++j) text += " " + lines[j].substr(1);
    break;
  }
  std::replace(text.begin(), text.end(), ')', ' ');
  std::vector<std::pair<double, double>> pts;
  const std::vector<std::string> w = words(text);
  for (std::size_t k = 0; k + 1 < w.size(); k += 2) {
    EXPECT_EQ(w[k].back(), 'N') << w[k];
    pts.push_back({std::strtod(w[k].c_str(), nullptr) * 1e-9, std::strtod(w[k + 1].c_str(), nullptr)});
  }
  return pts;
}
double pwlAt(const std::vector<std::pair<double, double>>& pts, double t) {
  if (pts.empty()) return NAN;
  if (t <= pts.front().first) return pts.front().second;
  for (std::size_t k = 1; k < pts.size(); ++k)
    if (t <= pts[k].first + 1e-18) {
      const auto [t0, v0] = pts[k - 1];
      const auto [t1, v1] = pts[k];
      return t1 - t0 < 1e-18 ? v1 : v0 + (v1 - v0) * (t - t0) / (t1 - t0);
    }
  return pts.back().second;
}

}  // namespace

// ---- the inverter example as a whole

TEST(SpiceNetlist, TheInverterHasItsSupplyClockDevicesAndNodeNames) {
  Example e("inverter.msk");
  ASSERT_TRUE(e.extraction.ok()) << e.extraction.message;
  const SpiceNetlist n = e.netlist();
  const std::vector<std::string>& L = n.lines;
  const std::string in = std::to_string(e.node("in")), out = std::to_string(e.node("out"));
  ASSERT_NE(in, "-1");
  ASSERT_NE(out, "-1");
  EXPECT_EQ(L.at(0), "CIRCUIT " + e.t.ctx.db.fileName);
  EXPECT_EQ(L.at(2), "* IC Technology: QM250 generic 0.25um 2.5V 6-metal");
  EXPECT_TRUE(has(L, "VDD 1 0 DC 2.50"));
  // low 0.9 ns, rise 0.1, high 0.9, fall 0.1: the period ends the line
  EXPECT_TRUE(has(L, "Vin " + in + " 0 PULSE(0.00 2.50 0.90N 0.10N 0.10N 0.90N 2.00N)"));
  // drain, gate, source, bulk: the n source on ground, the p source and well on the supply
  EXPECT_TRUE(has(L, "MN1 0 " + in + " " + out + " 0 N1  W= 0.75U L= 0.25U"));
  EXPECT_TRUE(has(L, "MP1 1 " + in + " " + out + " 1 P1  W= 1.50U L= 0.25U"));
  EXPECT_TRUE(has(L, "* \"out\" corresponds to n\xB0" + out));
  EXPECT_TRUE(has(L, "* \"in\" corresponds to n\xB0" + in));
  EXPECT_EQ(starting(L, "* \"vdd\""), "");
  EXPECT_EQ(n.nmos, 1);
  EXPECT_EQ(n.pmos, 1);
  // only the kinds in use get a card
  EXPECT_EQ(occurrences(joined(L), ".MODEL "), 2u);
  EXPECT_EQ(starting(L, ".MODEL P2"), "");
  EXPECT_TRUE(has(L, ".TRAN 0.1N 10.00N"));
  EXPECT_EQ(L.back(), ".END");
}

TEST(SpiceNetlist, EachFlavourEndsWithItsOwnAnalysisLines) {
  Example e("inverter.msk");
  const std::string shown = " V(" + std::to_string(e.node("out")) + ") V(" + std::to_string(e.node("in")) + ")";
  struct Case {
    SpiceFlavour flavour;
    std::vector<std::string> tail;
  } cases[] = {
      {SpiceFlavour::Pspice, {"* (Pspice)", ".PROBE" + shown, ".PRINT TRAN" + shown, ".END"}},
      {SpiceFlavour::Winspice, {"* (Winspice)", "*#run", "*#plot" + shown, ".END"}},
  };
  for (const Case& c : cases) {
    SpiceRequest r;
    r.flavour = c.flavour;
    r.tsim = 6e-9;
    const std::vector<std::string> L = e.netlist(r).lines;
    ASSERT_GE(L.size(), 6u);
    EXPECT_EQ(std::vector<std::string>(L.end() - 4, L.end()), c.tail);
    EXPECT_EQ(*(L.end() - 5), ".TRAN 0.1N 6.00N");
    EXPECT_EQ(*(L.end() - 6), ".TEMP 27.0");
  }
}

TEST(SpiceNetlist, ModelCardsCarryTheNamesEachModelTakes) {
  struct Case {
    MosModelLevel model;
    std::vector<std::string> present, absent;
  } cases[] = {
      {MosModelLevel::Level1,
       {".MODEL N1 NMOS LEVEL=1 VTO=0.50 UO=420.000 TOX= 5.7E-9", ".MODEL P1 PMOS LEVEL=1 VTO=-0.55",
        "+GAMMA=0.450 PHI=0.820", "+LAMBDA=0.030 KP=", "+LAMBDA=0.040 KP=", "+CGSO=300.0p CGDO=300.0p",
        "+CGBO=100.0p CJSW=380.0p", "* n-MOS Model 1 :", "* p-MOS Model 1:", "* Standard 2.5V"},
       {"KAPPA", "LEVEL=14"}},
      {MosModelLevel::Level3,
       {".MODEL N1 NMOS LEVEL=3 VTO=0.50 UO=420.000 TOX= 5.7E-9", "+LD =0.015U THETA=0.180 GAMMA=0.450",
        "+PHI=0.820 KAPPA=0.030 VMAX=150.00K", "* n-MOS Model 3 :", "* p-MOS Model 3:"},
       {"LAMBDA", "LEVEL=14"}},
      // the p threshold is stored as a magnitude
      {MosModelLevel::Bsim4,
       {".MODEL N1 NMOS LEVEL=14 VTH0=0.48 U0=0.040 TOXE= 5.7E-9 LINT=0.015U VERSION=4.8",
        ".MODEL P1 PMOS LEVEL=14 VTH0=-0.52", "+K1 =0.520 K2=-0.030 DVT0=2.000", "+DVT1=0.600 LPE0=18.000e-9 ETA0=0.050",
        "+XJ=0.120U NDEP=240.000e15 PCLM=1.300", "+CGSO=300.0p CGDO=300.0p", "+CGBO=100.0p", "* n-MOS BSIM4 :",
        "* p-MOS BSIM4:"},
       {" VTO=", " TOX=", "CJSW", "LEVEL=3", "LEVEL=1 "}},
  };
  for (const Case& c : cases) {
    Example e("inverter.msk", c.model);
    const std::string text = joined(e.netlist().lines);
    for (const std::string& s : c.present) EXPECT_NE(text.find(s), std::string::npos) << modelName(c.model) << ": " << s;
    for (const std::string& s : c.absent) EXPECT_EQ(text.find(s), std::string::npos) << modelName(c.model) << ": " << s;
    // one value per name and card
    if (c.model == MosModelLevel::Bsim4) {
      EXPECT_EQ(occurrences(text, "LPE0="), 2u);
      EXPECT_EQ(occurrences(text, " U0="), 2u);
    }
  }
}

// ---- sources

TEST(SpiceNetlist, SourcesDriveWhatOurSimulatorDrives) {
  Hand h;
  const int high = h.labelled("vhv", kLabelHighSupply, 1320);  // 3.30 V above VDD 2.5
  const int half = h.labelled("half", kLabelSupply, 500);
  const int full = h.labelled("vdd2", kLabelSupply, 1000);
  const int gnd = h.labelled("gnd", kLabelGround);
  const int sine = h.labelled("s1", kLabelSinus, 500, 400);  // offset 1.25 V, amplitude 1 V
  h.labelOf(sine).param = {100, 0, 0, 0};
  const int still = h.labelled("s0", kLabelSinus, 500, 400);
  h.labelOf(still).param = {0, 0, 0, 0};
  const int bad = h.labelled("f", kLabelMath);
  h.labelOf(bad).text = "sin(2*pi*t/1e-9";
  h.device(Polarity::N, sine, gnd, half, gnd);
  h.device(Polarity::N, sine, full, half, gnd);
  const std::vector<std::string> L = h.netlist().lines;
  auto s = [](int n) { return std::to_string(n); };
  EXPECT_TRUE(has(L, "V" + s(high) + "_vhv " + s(high) + " 0 DC 3.30V"));
  EXPECT_TRUE(has(L, "V" + s(half) + "_half " + s(half) + " 0 DC 1.25V"));
  EXPECT_EQ(starting(L, "V" + s(full) + "_"), "");  // it is node 1
  EXPECT_TRUE(has(L, "Vs1 " + s(sine) + " 0 SIN(1.25 1.00 100MEG)"));
  EXPECT_TRUE(has(L, "Vs0 " + s(still) + " 0 DC 1.25"));
  EXPECT_TRUE(has(L, "* f: Incorrect parenthesis, so the node sits at VDD/2"));
  EXPECT_TRUE(has(L, "Vf " + s(bad) + " 0 DC 1.25"));
  // devices on those nodes: ground is 0, the VDD supply 1, the others keep their numbers
  EXPECT_TRUE(has(L, "MN1 " + s(half) + " " + s(sine) + " 0 0 N1  W= 3.00U L= 1.00U"));
  EXPECT_TRUE(has(L, "MN2 " + s(half) + " " + s(sine) + " 1 0 N1  W= 3.00U L= 1.00U"));
}

TEST(SpiceNetlist, SequencesAreStaircasesThatHoldTheirLastValueWhileReleased) {
  Hand h;
  const int p = h.labelled("seq", kLabelPwl, 1000, 0);
  h.sequence(p, {{0, '0'}, {1, '1'}, {2, 'x'}, {3, '0'}, {4, '2'}, {20, '1'}});
  SpiceRequest r;
  r.tsim = 10e-9;
  const std::vector<std::string> L = h.netlist(r).lines;
  const std::string n = std::to_string(p);
  // each change 1 ps long; released from 2 to 3 ns it stays high; a step after the run is left out
  EXPECT_TRUE(has(L, "Vseq " + n + " 0 PWL(0N 0.00 1N 0.00 1.001N 2.50 3N 2.50 3.001N 0.00 4N 0.00 4.001N 3.30)"))
      << joined(L);
  EXPECT_TRUE(has(L, "* seq is released (x) from 2.00 to 3.00 ns; held here at its last driven value"));
}

// Formulas, noisy and chirped sines and random steps: the netlist holds the
// very values our simulator drives with the same seed and step.
TEST(SpiceNetlist, SampledAndRandomSourcesFollowOurSimulatorStepByStep) {
  Hand h;
  const int f = h.labelled("f", kLabelMath);
  h.labelOf(f).text = "gauss(0.1)+0.5*sin(2*pi*2.5e9*t)+int(vdd*1e9)";
  const int noisy = h.labelled("noisy", kLabelSinus, 500, 200);
  h.labelOf(noisy).param = {3000, 0, 0.05, 0};
  const int chirp = h.labelled("chirp", kLabelSinus, 500, 300);
  h.labelOf(chirp).param = {1000, 20, 0, 0};
  const int rnd = h.labelled("rnd", kLabelPwl);
  const std::vector<double> steps{0.02, 0.05, 0.08, 0.11, 0.14, 0.17, 0.2};
  h.sequence(rnd, {{0.02, 'r'}, {0.05, 'r'}, {0.08, 'r'}, {0.11, 'r'}, {0.14, 'r'}, {0.17, 'r'}, {0.2, '0'}});
  h.circuit.buildDeviceLists();
  SpiceRequest r;
  r.tsim = 0.25e-9;
  r.timeStep = 1e-12;
  const std::vector<std::string> L = h.netlist(r).lines;

  DefaultRandom random;
  Services services{h.t.status, h.t.dialogs, h.t.debug, h.t.clock, random};
  SimulationEngine s(h.t.ctx.db, h.t.ctx.tech, h.circuit, services);
  s.settings.dt = r.timeStep;
  s.settings.tsim = r.tsim;
  s.settings.seed = r.seed;
  s.settings.plotWidth = 1000000;
  ASSERT_TRUE(s.ResetSimulation());
  struct Check : SimulationObserver {
    std::function<void()> f;
    void plotted(double) override { f(); }
  } check;
  std::map<int, std::vector<std::pair<double, double>>> pts;
  for (int n : {f, noisy, chirp, rnd}) {
    pts[n] = pwlPoints(L, "V" + h.circuit.nodes[static_cast<std::size_t>(n)].name);
    ASSERT_FALSE(pts[n].empty()) << n;
  }
  int compared = 0;
  check.f = [&] {
    const double t = static_cast<double>(s.steps() - 1) * r.timeStep;  // the time the step drove
    for (int n : {f, noisy, chirp, rnd}) {
      // a step changes within 1 ps of its time; its level is what is compared
      const bool edge = n == rnd && std::any_of(steps.begin(), steps.end(), [&](double b) {
        return t > b * 1e-9 - 1.5e-12 && t < b * 1e-9 + 1.5e-12;
      });
      if (edge) continue;
      EXPECT_NEAR(pwlAt(pts[n], t), s.voltage(n), 1e-4) << h.circuit.nodes[static_cast<std::size_t>(n)].name << " at " << t;
      ++compared;
    }
  };
  ASSERT_TRUE(s.RunSimulation(&check));
  EXPECT_GT(compared, 3 * 250 + 200);
  EXPECT_TRUE(has(L, "* rnd: random steps drawn as a simulation run with seed 1 draws them"));
}

TEST(SpiceNetlist, SampledSourcesUseTheRunStepUpToOnePicosecond) {
  struct Case {
    double step, expectStep;  // s
    const char* note;
  } cases[] = {
      {1e-11, 1e-12, "* f: formula t*1e9 sampled every 1 ps"},
      {5e-13, 5e-13, "* f: formula t*1e9 sampled every 0.5 ps"},
  };
  for (const Case& c : cases) {
    Hand h;
    const int f = h.labelled("f", kLabelMath);
    h.labelOf(f).text = "t*1e9";
    SpiceRequest r;
    r.tsim = 1e-11;
    r.timeStep = c.step;
    const std::vector<std::string> L = h.netlist(r).lines;
    EXPECT_TRUE(has(L, c.note)) << joined(L);
    const auto pts = pwlPoints(L, "Vf");
    ASSERT_EQ(pts.size(), static_cast<std::size_t>(std::lround(r.tsim / c.expectStep)) + 1);
    EXPECT_NEAR(pts[1].first, c.expectStep, 1e-18);
    EXPECT_NEAR(pts.back().second, 0.01, 1e-4);
  }
}

// ---- names, wells, numbers

TEST(SpiceNetlist, ElementNamesAreUniqueWithoutRegardToCase) {
  Hand h;
  const int a = h.labelled("in", kLabelClock);
  const int b = h.labelled("in", kLabelClock);
  const int c = h.labelled("IN", kLabelPulse);
  const int d = h.labelled("DD", kLabelPulse);
  const int e = h.labelled("a[0].x", kLabelPulse);
  const int half = h.labelled("out", kLabelSupply, 400);
  for (int n : {a, b, c, d, e}) h.labelOf(n).param = {1e-9, 1.1e-9, 2e-9, 2.1e-9};
  const std::vector<std::string> L = h.netlist().lines;
  auto s = [](int n) { return std::to_string(n); };
  EXPECT_NE(starting(L, "Vin " + s(a) + " "), "");
  EXPECT_NE(starting(L, "Vin_" + s(b) + " " + s(b) + " "), "");
  EXPECT_NE(starting(L, "VIN_" + s(c) + " " + s(c) + " "), "");
  EXPECT_NE(starting(L, "VDD_" + s(d) + " " + s(d) + " "), "");
  EXPECT_NE(starting(L, "Va_0__x " + s(e) + " "), "");
  EXPECT_NE(starting(L, "V" + s(half) + "_out " + s(half) + " "), "");
  std::set<std::string> seen;
  for (std::size_t k = 1; k < L.size(); ++k) {
    if (L[k].empty() || L[k][0] == '*' || L[k][0] == '+' || L[k][0] == '.') continue;
    EXPECT_TRUE(seen.insert(toUpperAscii(words(L[k])[0])).second) << L[k];
  }
}

TEST(SpiceNetlist, APmosOutsideAnyWellHasItsBulkOnTheSupply) {
  Hand h;
  const int g = h.labelled("g", kLabelClock), o = h.circuit.addNode("o"), well = h.circuit.addNode("well");
  h.labelOf(g).param = {1e-9, 1.1e-9, 2e-9, 2.1e-9};
  h.device(Polarity::P, g, 1, o, 0);
  h.device(Polarity::P, g, 1, o, well);
  h.device(Polarity::N, g, 0, o, 0);
  const std::vector<std::string> L = h.netlist().lines;
  auto s = [](int n) { return std::to_string(n); };
  const auto first = std::find(L.begin(), L.end(), "MP1 " + s(o) + " " + s(g) + " 1 1 P1  W= 3.00U L= 1.00U");
  ASSERT_NE(first, L.end()) << joined(L);
  EXPECT_EQ(*(first - 1), "* MP1 lies outside any n-well: its bulk is tied to the supply");
  EXPECT_TRUE(has(L, "MP2 " + s(o) + " " + s(g) + " 1 " + s(well) + " P1  W= 3.00U L= 1.00U"));
  EXPECT_TRUE(has(L, "MN1 " + s(o) + " " + s(g) + " 0 0 N1  W= 3.00U L= 1.00U"));
}

TEST(SpiceNetlist, SmallSizesTimesAndLevelsKeepTheirDigits) {
  Hand h;
  h.t.ctx.tech.lambda = 0.045;
  const int c = h.labelled("clk", kLabelClock, 333, 0);  // 0.8325 V
  h.labelOf(c).param = {0.5e-9, 0.501e-9, 1e-9, 1.001e-9};  // 1 ps edges
  h.device(Polarity::N, c, 0, h.circuit.addNode("o"), 0, 3, 2);
  const std::vector<std::string> L = h.netlist().lines;
  EXPECT_TRUE(has(L, "Vclk " + std::to_string(c) + " 0 PULSE(0.00 0.8325 0.50N 0.001N 0.001N 0.499N 1.001N)"))
      << joined(L);
  EXPECT_NE(starting(L, "MN1 ").find("W=0.135U L= 0.09U"), std::string::npos) << starting(L, "MN1 ");
}

TEST(SpiceNetlist, TheNodeListWarnsOfRepeatedNamesAndSkipsSuppliesAndShortExtractedNames) {
  Hand h;
  for (const char* name : {"out", "out", "N12", "N123", "N7", "VDDio", "vss2", "Vd"}) h.circuit.addNode(name);
  const std::vector<std::string> L = h.netlist().lines;
  struct Case {
    int node;
    std::string line;  // "" when not listed
  } cases[] = {
      {2, "* \"out\" corresponds to n\xB0" "2, WARNING: appears 2 times in the layout"},
      {3, "* \"out\" corresponds to n\xB0" "3, WARNING: appears 2 times in the layout"},
      {4, ""},
      {5, "* \"N123\" corresponds to n\xB0" "5"},
      {6, "* \"N7\" corresponds to n\xB0" "6"},
      {7, ""},
      {8, ""},
      {9, "* \"Vd\" corresponds to n\xB0" "9"},
  };
  for (const Case& c : cases) {
    const std::string& name = h.circuit.nodes[static_cast<std::size_t>(c.node)].name;
    if (c.line.empty()) EXPECT_EQ(starting(L, "* \"" + name + "\""), "") << name;
    else EXPECT_TRUE(has(L, c.line)) << c.line;
  }
}

// ---- capacitances and symbols

// The capacitor lines hold what our simulator integrates, less the gate
// oxide the external device models add themselves.
TEST(SpiceNetlist, CapacitorLinesLeaveOutTheGateOxide) {
  Example e("inverter.msk");
  const std::vector<std::string> L = e.netlist().lines;
  const int in = e.node("in"), out = e.node("out");
  // an nMOS of 6 x 2 and a pMOS of 12 x 2 lambda
  const double oxide = 36 * e.t.ctx.tech.gateAreaCapacitance;
  ASSERT_GT(oxide, 1e-15);
  EXPECT_NEAR(femtofarad(L, "C" + std::to_string(in)), (e.circuit.nodes[in].capacitance - oxide) * 1e15, 1e-3);
  EXPECT_NEAR(femtofarad(L, "C" + std::to_string(out)), e.circuit.nodes[out].capacitance * 1e15, 1e-3);
}

// Metal over poly: with vertical couplings off the plate stays in the
// nodes; with them on it is a coupling capacitor.
TEST(SpiceNetlist, PlateCapacitanceIsInTheNodesOrACouplingAsTheSimulatorSeesIt) {
  for (bool vertical : {false, true}) {
    Example e("");
    LayoutDatabase& db = e.t.ctx.db;
    db.addBox(0, 0, 100, 40, kPoly);
    db.addBox(20, -10, 80, 50, kMetal);
    db.addLabel(1, 1, "p");
    db.addLabel(50, 45, "m");
    e.options.verticalCouplings = vertical;
    e.extract();
    ASSERT_TRUE(e.extraction.ok()) << e.extraction.message;
    const int p = e.node("p"), m = e.node("m");
    ASSERT_GE(p, 2);
    ASSERT_GE(m, 2);
    const std::vector<std::string> L = e.netlist().lines;
    SCOPED_TRACE(vertical ? "vertical on" : "vertical off");
    for (int n : {p, m})
      EXPECT_NEAR(femtofarad(L, "C" + std::to_string(n)), e.circuit.nodes[n].capacitance * 1e15, 1e-3);
    const int lo = std::min(p, m), hi = std::max(p, m);
    const std::string cx = starting(L, "Cx" + std::to_string(lo) + "_" + std::to_string(hi) + " ");
    if (vertical) {
      ASSERT_NE(cx, "");
      EXPECT_EQ(words(cx)[1] + " " + words(cx)[2], std::to_string(lo) + " " + std::to_string(hi));
      EXPECT_NEAR(femtofarad(L, words(cx)[0]), e.circuit.coupling(lo, hi) * 1e15, 1e-3);
    } else {
      EXPECT_EQ(cx, "");
      EXPECT_FALSE(has(L, "* Crosstalk capacitance"));
    }
  }
}

TEST(SpiceNetlist, CouplingsAboveATenthOfAFemtofaradAreWrittenAlsoToSupplies) {
  Hand h;
  const int a = h.circuit.addNode("a"), b = h.circuit.addNode("b"), c = h.circuit.addNode("c");
  const int v = h.labelled("vdd", kLabelSupply), g = h.labelled("gnd", kLabelGround);
  h.circuit.coupling(a, b) = h.circuit.coupling(b, a) = 0.1e-15;
  h.circuit.coupling(a, c) = h.circuit.coupling(c, a) = 0.1001e-15;
  h.circuit.coupling(b, v) = h.circuit.coupling(v, b) = 2e-15;
  h.circuit.coupling(c, g) = h.circuit.coupling(g, c) = 3e-15;
  h.circuit.coupling(v, g) = h.circuit.coupling(g, v) = 4e-15;
  SpiceRequest r;
  r.lateralCouplings = true;
  const std::vector<std::string> L = h.netlist(r).lines;
  auto s = [](int n) { return std::to_string(n); };
  EXPECT_EQ(starting(L, "Cx" + s(a) + "_" + s(b) + " "), "");
  EXPECT_TRUE(has(L, "Cx" + s(a) + "_" + s(c) + " " + s(a) + " " + s(c) + " 0.1001fF"));
  EXPECT_TRUE(has(L, "Cx" + s(b) + "_" + s(v) + " " + s(b) + " 1 2.000fF"));
  EXPECT_TRUE(has(L, "Cx" + s(c) + "_" + s(g) + " " + s(c) + " 0 3.000fF"));
  EXPECT_EQ(starting(L, "Cx" + s(v) + "_" + s(g) + " "), "");  // both ends fixed
}

// Symbols with the values the simulator uses, from a real extraction.
TEST(SpiceNetlist, SymbolsCarryTheSimulatorsValues) {
  Example e("");
  LayoutDatabase& db = e.t.ctx.db;
  // long thin lines, so the metal resistance is some ohms
  for (int y : {0, 20, 40, 60}) db.addBox(0, y, 400, y + 2, kMetal);
  const int r1 = db.addRlc(195, 1, 205, 1, kRlcResistor, "1.5k", 1);
  const int r2 = db.addRlc(195, 21, 205, 21, kRlcResistor, "R(metal)", 1);
  const int l1 = db.addRlc(195, 41, 205, 41, kRlcInductor, "2.5", 1);
  const int c1 = db.addRlc(5, 61, 5, 70, kRlcCapacitor, "0.2", 1);
  e.extract();
  ASSERT_TRUE(e.extraction.ok()) << e.extraction.message;
  const std::vector<std::string> L = e.netlist().lines;
  auto ends = [&](int k) {
    const RlcSymbol& s = db.rlc(k);
    return std::to_string(s.node1) + " " + std::to_string(s.node2);
  };
  EXPECT_TRUE(has(L, "* Extra RLC"));
  EXPECT_TRUE(has(L, "Radd" + std::to_string(r1) + " " + ends(r1) + " 1500"));
  ASSERT_GT(db.rlc(r2).value, 1);
  EXPECT_TRUE(has(L, "Radd" + std::to_string(r2) + " " + ends(r2) + " " + F(db.rlc(r2).value, 0, 0)));
  EXPECT_TRUE(has(L, "Ladd" + std::to_string(l1) + " " + ends(l1) + " 2.5nH"));
  // the simulator adds it to its node's capacitance: the node line leaves it to its own line
  const int n = db.rlc(c1).node1;
  ASSERT_GE(n, 2);
  EXPECT_TRUE(has(L, "Cadd" + std::to_string(c1) + " " + std::to_string(n) + " 0 0.2pF"));
  EXPECT_NEAR(femtofarad(L, "C" + std::to_string(n)) + 200, e.circuit.nodes[n].capacitance * 1e15, 1e-3);
}

// ---- no side effects, failures, the file

TEST(SpiceNetlist, WritingChangesNothingOurSimulatorUses) {
  Example e("ring5.msk");
  e.options.lateralCouplings = true;
  e.extract();
  ASSERT_TRUE(e.extraction.ok());
  const std::vector<CircuitNode> before = e.circuit.nodes;
  const std::vector<MosDevice> nBefore = e.circuit.nmos, pBefore = e.circuit.pmos;
  std::vector<LayoutBox> boxes;
  for (int i = 1; i <= e.t.ctx.db.boxCount(); ++i) boxes.push_back(e.t.ctx.db.box(i));
  quill::testing::TempDir dir;
  const SpiceNetlist first = e.netlist();
  ASSERT_TRUE(writeSpiceNetlist(e.t.ctx.db, e.t.ctx.tech, e.circuit, e.extraction, {}, e.t.status, "x.CIR").written);
  EXPECT_EQ(e.netlist().lines, first.lines);
  ASSERT_EQ(e.circuit.nodes.size(), before.size());
  for (std::size_t i = 0; i < before.size(); ++i) {
    const CircuitNode &a = before[i], &b = e.circuit.nodes[i];
    EXPECT_EQ(a.capacitance, b.capacitance) << i;
    EXPECT_EQ(a.couplingTotal, b.couplingTotal) << i;
    EXPECT_EQ(a.gateCapacitance, b.gateCapacitance) << i;
    EXPECT_EQ(a.junctionCapacitance, b.junctionCapacitance) << i;
    EXPECT_EQ(a.crosstalkNoise, b.crosstalkNoise) << i;
    EXPECT_EQ(a.kind, b.kind) << i;
  }
  EXPECT_EQ(e.circuit.nmos.size(), nBefore.size());
  EXPECT_EQ(e.circuit.pmos.size(), pBefore.size());
  for (int i = 1; i <= e.t.ctx.db.boxCount(); ++i) {
    EXPECT_EQ(e.t.ctx.db.box(i).node, boxes[static_cast<std::size_t>(i - 1)].node);
    EXPECT_EQ(e.t.ctx.db.box(i).layer, boxes[static_cast<std::size_t>(i - 1)].layer);
  }
  EXPECT_TRUE(e.t.ctx.db.extracted);
}

TEST(SpiceNetlist, AFailedExtractionIsSaidInTheFileAndTheStatus) {
  struct Case {
    const char* what;
    ExtractionLimits limits;
    bool abort;
  } cases[] = {
      {"device table full", ExtractionLimits{.maxDevices = 0}, false},
      {"aborted", ExtractionLimits{}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Example e("inverter.msk");
    if (c.abort) e.t.status.requestStop();
    e.extract(c.limits);
    e.t.status.clearStop();
    ASSERT_FALSE(e.extraction.ok());
    quill::testing::TempDir dir;
    const SpiceResult r = writeSpiceNetlist(e.t.ctx.db, e.t.ctx.tech, e.circuit, e.extraction, {}, e.t.status, "x.CIR");
    ASSERT_TRUE(r.written);
    const std::string file = quill::testing::readBytes("x.CIR");
    EXPECT_NE(file.find("\r\n* WARNING: the extraction did not complete (" + e.extraction.message + ");\r\n"),
              std::string::npos)
        << file.substr(0, 300);
    EXPECT_EQ(e.t.status.text(StatusMessage::Main), r.message);
    EXPECT_FALSE(r.message.starts_with("Generate ")) << r.message;
    EXPECT_NE(r.message.find("incomplete"), std::string::npos) << r.message;
  }
}

TEST(SpiceNetlist, TheFileIsNamedAfterTheLayoutWithCrLfLinesAndTheStatusSaysWhatItHolds) {
  Example e("inverter.msk");
  quill::testing::TempDir dir;
  e.t.ctx.db.fileName = dir.file("inv.msk");
  const SpiceResult r = writeSpiceNetlist(e.t.ctx.db, e.t.ctx.tech, e.circuit, e.extraction, {}, e.t.status);
  ASSERT_TRUE(r.written);
  EXPECT_EQ(r.fileName, dir.file("inv.CIR"));
  EXPECT_EQ(r.message, "Generate " + dir.file("inv.CIR") + " with 1 nMOS and 1 pMOS");
  EXPECT_EQ(e.t.status.text(StatusMessage::Main), r.message);
  const std::string file = quill::testing::readBytes(dir.file("inv.CIR"));
  std::string expected;
  for (const std::string& l : e.netlist().lines) expected += l + "\r\n";
  EXPECT_EQ(file, expected);
  EXPECT_NE(file.find("corresponds to n\xB0"), std::string::npos);

  // a folder that is not there: nothing written, no closing message
  const SpiceResult bad =
      writeSpiceNetlist(e.t.ctx.db, e.t.ctx.tech, e.circuit, e.extraction, {}, e.t.status, dir.file("no/x.CIR"));
  EXPECT_FALSE(bad.written);
  EXPECT_NE(bad.ioError, 0);
  EXPECT_EQ(e.t.status.text(StatusMessage::Main).find("Generate "), std::string::npos);
}

TEST(SpiceNetlist, TheOutputNameReplacesTheExtensionOfTheFileNameOnly) {
  const std::pair<const char*, const char*> cases[] = {
      {"inv.msk", "inv.CIR"},           {"inv", "inv.CIR"},
      {"a.b.msk", "a.b.CIR"},           {"dir.v2/inv", "dir.v2/inv.CIR"},
      {"dir.v2/inv.MSK", "dir.v2/inv.CIR"}, {"C:\\x.y\\inv", "C:\\x.y\\inv.CIR"},
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(spiceFileName(in), out) << in;
}
