#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "core/MskFile.h"
#include "core/RuleFile.h"
#include "core/tests/TestFiles.h"
#include "verify/Extract.h"

using namespace quill;

namespace {

// Keeps every text written, and can ask for a stop after a number of writes.
class RecordingStatus : public StatusMessage {
 public:
  std::vector<std::string> texts[3];
  int stopAfter = -1;
  bool saw(int panel, const std::string& t) const {
    return std::find(texts[panel].begin(), texts[panel].end(), t) != texts[panel].end();
  }

 protected:
  void show(int panel, std::string_view text) override {
    texts[panel].emplace_back(text);
    if (stopAfter >= 0 && --stopAfter < 0) requestStop();
  }
};

struct Fixture {
  RecordingStatus status;
  FakeDialogs dialogs;
  DebugLog debug;
  FakeClock clock;
  FakeRandom random;
  Services sv{status, dialogs, debug, clock, random};
  LayoutDatabase db;
  TechnologyRules tech;
  ExtractionOptions opt;
  ExtractedCircuit c;
  ExtractionLimits lim;

  Fixture() {
    db.drawImmediately = false;
    // capacitances of our own choosing, so every term shows
    LayerTable& L = db.layers;
    L[kPoly].surfaceCapacitance = 80, L[kPoly].perimeterCapacitance = 40;
    L[kDiffn].surfaceCapacitance = 600, L[kDiffn].perimeterCapacitance = 200;
    L[kDiffp].surfaceCapacitance = 700, L[kDiffp].perimeterCapacitance = 250;
    L[kNwell].surfaceCapacitance = 100;
    L[kMetal].surfaceCapacitance = 30, L[kMetal].perimeterCapacitance = 50;
    L[kMetal2].surfaceCapacitance = 20, L[kMetal2].perimeterCapacitance = 45;
    L[kMetal].plateCapacitance = 50, L[kMetal2].plateCapacitance = 40;
    L[kMetal].crosstalkCapacitance = 60;
    tech.gateAreaCapacitance = 0.75 * 5000 * tech.capacitancePerLambda2;
  }
  ExtractResult run() { return extractCircuit(db, tech, opt, c, sv, lim); }
  ExtractResult reference() { return extractCircuitReference(db, tech, opt, c, sv, lim); }
  int box(int x1, int y1, int x2, int y2, int layer, int value = 0) {
    int p = db.addBox(x1, y1, x2, y2, layer);
    db.box(p).value = value;
    return p;
  }
  // node of the box holding the point, on the layer
  int nodeAt(int x, int y, int layer) const {
    for (int i = 1; i <= db.boxCount(); ++i) {
      const LayoutBox& b = db.box(i);
      if (b.layer == layer && b.x1 <= x && x <= b.x2 && b.y1 <= y && y <= b.y2) return b.node;
    }
    return -99;
  }
  int count(int layer) const {
    int n = 0;
    for (int i = 1; i <= db.boxCount(); ++i) n += db.box(i).layer == layer;
    return n;
  }
  int nodeNamed(const std::string& name) const {
    for (int k = 2; k <= c.highestNode(); ++k)
      if (c.nodes[static_cast<std::size_t>(k)].name == name) return k;
    return -1;
  }
  const CircuitNode& node(int k) const { return c.nodes[static_cast<std::size_t>(k)]; }
  bool noTemporaryLayers() const { return count(kGaten) + count(kGatep) + count(kAarea) == 0; }
};

// One diffn and one diffp box crossed by one vertical poly, the diffp in a well.
void bareInverter(Fixture& f) {
  f.box(0, 20, 20, 40, kNwell);
  f.box(4, 26, 16, 34, kDiffp);
  f.box(4, 4, 16, 10, kDiffn);
  f.box(9, 2, 11, 36, kPoly);
}

std::pair<int, int> sorted(int a, int b) { return {std::min(a, b), std::max(a, b)}; }
std::pair<int, int> terminals(const MosDevice& d) { return sorted(d.nodeA, d.nodeB); }

}  // namespace

TEST(Extract, BareInverterGivesTwoDevicesWithTheDrawnSizes) {
  Fixture f;
  bareInverter(f);
  ExtractResult r = f.run();
  ASSERT_EQ(r.outcome, ExtractOutcome::Complete) << r.message;
  EXPECT_TRUE(f.db.extracted);
  ASSERT_EQ(f.c.deviceCount(Polarity::N), 1);
  ASSERT_EQ(f.c.deviceCount(Polarity::P), 1);
  const MosDevice& n = f.c.nmos[1];
  const MosDevice& p = f.c.pmos[1];
  EXPECT_EQ(n.width, 6);
  EXPECT_EQ(n.length, 2);
  EXPECT_EQ(p.width, 8);
  EXPECT_EQ(p.length, 2);
  const int gate = f.nodeAt(10, 20, kPoly);
  EXPECT_EQ(n.gate, gate);
  EXPECT_EQ(p.gate, gate);
  EXPECT_EQ(terminals(n), sorted(f.nodeAt(5, 5, kDiffn), f.nodeAt(15, 5, kDiffn)));
  EXPECT_EQ(terminals(p), sorted(f.nodeAt(5, 30, kDiffp), f.nodeAt(15, 30, kDiffp)));
  EXPECT_EQ(n.bulk, 0);
  EXPECT_EQ(p.bulk, f.nodeAt(1, 21, kNwell));
  // four diffusion nodes, the gate and the well
  EXPECT_EQ(f.c.highestNode(), 7);
  EXPECT_TRUE(f.node(gate).floating);
  EXPECT_FALSE(f.node(n.nodeA).floating);
  // the diffusion stays split in three, on its drawn layers
  EXPECT_EQ(f.count(kDiffn), 3);
  EXPECT_EQ(f.count(kDiffp), 3);
  EXPECT_TRUE(f.noTemporaryLayers());
  EXPECT_EQ(r.message.rfind("Extraction complete :", 0), 0u) << r.message;
  EXPECT_NE(r.message.find(" 1 nMOS,1 pMOS, 6 nodes, in "), std::string::npos) << r.message;
  // the database's node table follows
  ASSERT_EQ(f.db.highestNode(), 7);
  EXPECT_EQ(f.db.node(gate).name, "N" + std::to_string(gate));
  // a second run is skipped while the circuit is valid
  EXPECT_EQ(f.run().outcome, ExtractOutcome::Skipped);
}

TEST(Extract, ChannelLengthIsAlongTheSideWhereNodeBTouches) {
  struct Case {
    const char* name;
    Rect diff, poly;
    int width, length;
  };
  const Case cases[] = {
      {"vertical poly", {0, 0, 20, 6}, {8, -2, 11, 8}, 6, 3},
      {"horizontal poly", {0, 0, 6, 20}, {-2, 8, 8, 11}, 6, 3},
      {"wide gate", {0, 0, 30, 10}, {5, -2, 25, 12}, 10, 20},
  };
  for (const Case& k : cases) {
    Fixture f;
    f.box(k.diff.x1, k.diff.y1, k.diff.x2, k.diff.y2, kDiffn);
    f.box(k.poly.x1, k.poly.y1, k.poly.x2, k.poly.y2, kPoly);
    ASSERT_TRUE(f.run().ok()) << k.name;
    ASSERT_EQ(f.c.deviceCount(Polarity::N), 1) << k.name;
    EXPECT_EQ(f.c.nmos[1].width, k.width) << k.name;
    EXPECT_EQ(f.c.nmos[1].length, k.length) << k.name;
  }
}

TEST(Extract, ParallelGatesMergeAndNodeListsFollowTheDevices) {
  Fixture f;
  // source | gate | drain | gate | source, the two sources joined by metal
  f.box(0, 0, 30, 6, kDiffn);
  f.box(6, -2, 8, 8, kPoly);
  f.box(22, -2, 24, 8, kPoly);
  f.box(6, 8, 24, 10, kPoly);
  f.box(1, 1, 3, 3, kContact);
  f.box(27, 1, 29, 3, kContact);
  f.box(0, -10, 4, 3, kMetal);
  f.box(26, -10, 30, 3, kMetal);
  f.box(0, -10, 30, -6, kMetal);
  // the drain also feeds a second device with a gate of its own
  f.box(14, 3, 16, 5, kContact);
  f.box(13, 2, 17, 14, kMetal);
  f.box(13, 12, 45, 14, kMetal);
  f.box(41, 2, 45, 14, kMetal);
  f.box(42, 2, 44, 4, kContact);
  f.box(40, 0, 60, 6, kDiffn);
  f.box(49, -2, 51, 8, kPoly);
  ASSERT_TRUE(f.run().ok());
  ASSERT_EQ(f.c.deviceCount(Polarity::N), 2);
  const int m = f.c.nmos[1].width == 12 ? 1 : 2, single = 3 - m;
  const MosDevice& merged = f.c.nmos[static_cast<std::size_t>(m)];
  EXPECT_EQ(merged.width, 12);
  EXPECT_EQ(merged.length, 2);
  EXPECT_DOUBLE_EQ(merged.widthMetres, 12 * f.tech.lambda * 1e-6);
  EXPECT_EQ(f.c.nmos[static_cast<std::size_t>(single)].width, 6);
  const int drain = f.nodeAt(15, 1, kDiffn);
  const int source = f.nodeAt(1, 5, kDiffn);
  EXPECT_EQ(source, f.nodeAt(29, 5, kDiffn));
  EXPECT_EQ(terminals(merged), sorted(drain, source));
  // the drain carries both devices, the source only the merged one
  const CircuitNode& d = f.node(drain);
  EXPECT_EQ(d.nFirst, 1);
  EXPECT_EQ(d.nLast, 2);
  EXPECT_EQ(d.pFirst, 1);
  EXPECT_EQ(d.pLast, 0);
  ASSERT_EQ(f.c.terminalDevices(drain).size(), 2u);
  EXPECT_EQ(f.c.terminalDevices(drain)[0].index, 1);
  EXPECT_EQ(f.c.terminalDevices(drain)[1].index, 2);
  EXPECT_EQ(f.node(source).nFirst, m);
  EXPECT_EQ(f.node(source).nLast, m);
  const int gate = merged.gate;
  EXPECT_TRUE(f.c.terminalDevices(gate).empty());
  ASSERT_EQ(f.c.gateBulkDevices(gate).size(), 1u);
  EXPECT_EQ(f.c.gateBulkDevices(gate)[0].index, m);
  EXPECT_EQ(f.node(gate).nFirst, 1);
  EXPECT_EQ(f.node(gate).nLast, 0);
}

TEST(Extract, ShortGatesGiveOneWarningAndTheMinimumLength) {
  Fixture f;
  f.tech.ruleRef(R301) = 2;
  f.box(0, 0, 20, 6, kDiffn);
  f.box(5, -2, 6, 8, kPoly);
  f.box(12, -2, 13, 8, kPoly);
  ASSERT_TRUE(f.run().ok());
  ASSERT_EQ(f.c.deviceCount(Polarity::N), 2);
  EXPECT_EQ(f.c.nmos[1].length, 2);
  EXPECT_EQ(f.c.nmos[2].length, 2);
  ASSERT_EQ(f.dialogs.messages.size(), 1u);
  EXPECT_EQ(f.dialogs.messages[0].caption, "Warning: illegal MOS length detected");
  EXPECT_NE(f.dialogs.messages[0].line1.find("2 MOS"), std::string::npos);
  EXPECT_EQ(f.dialogs.messages[0].line2, "A 2 lambda length will be used in simulation");
  EXPECT_TRUE(f.status.saw(1, "Minimum poly:2"));
}

TEST(Extract, PmosWithoutWellHasBulkZeroAndAWarning) {
  Fixture f;
  f.box(0, 0, 20, 6, kDiffp);
  f.box(9, -2, 11, 8, kPoly);
  ExtractResult r = f.run();
  ASSERT_TRUE(r.ok());
  ASSERT_EQ(f.c.deviceCount(Polarity::P), 1);
  EXPECT_EQ(f.c.pmos[1].bulk, 0);
  EXPECT_EQ(r.missingWells, 1);
  EXPECT_TRUE(f.status.saw(0, "Warning : well missing in pMOS"));
}

TEST(Extract, LoneBoxCapacitancesAndResistances) {
  Fixture f;
  f.db.layers[kMetal].sheetResistance = 0.5;
  f.box(0, 0, 40, 4, kMetal);   // 160 lambda², half perimeter 44
  f.box(0, 20, 10, 30, kDiffn);  // 100, 20
  f.box(0, 40, 2, 60, kPoly);   // 40, 22
  ASSERT_TRUE(f.run().ok());
  const double cpl = f.tech.capacitancePerLambda, cpl2 = f.tech.capacitancePerLambda2;
  const CircuitNode& m = f.node(f.nodeAt(1, 1, kMetal));
  EXPECT_DOUBLE_EQ(m.capacitance, 160 * 30 * cpl2 + 2 * 44 * 50 * cpl);
  EXPECT_EQ(m.rMetal, 5);
  EXPECT_EQ(m.length, 40);
  const CircuitNode& d = f.node(f.nodeAt(1, 21, kDiffn));
  EXPECT_DOUBLE_EQ(d.junctionCapacitance, 100 * 600 * cpl2);
  EXPECT_DOUBLE_EQ(d.capacitance, 100 * 600 * cpl2 + 20 * 200 * cpl);
  EXPECT_EQ(d.rDiffusion, 100);
  const CircuitNode& p = f.node(f.nodeAt(1, 41, kPoly));
  EXPECT_DOUBLE_EQ(p.gateCapacitance, 40 * 80 * cpl2);
  EXPECT_DOUBLE_EQ(p.capacitance, 40 * 80 * cpl2 + 22 * 40 * cpl);
  EXPECT_EQ(p.rPoly, 1000);
  EXPECT_TRUE(p.floating);
}

TEST(Extract, NonConductingLayersFormNoNodes) {
  Fixture empty;
  ASSERT_TRUE(empty.run().ok());
  EXPECT_EQ(empty.c.highestNode(), 1);
  Fixture f;
  f.box(0, 0, 10, 10, kOption, kOptionDram);
  f.box(20, 0, 30, 10, kNitride);
  f.box(40, 0, 50, 10, kPassiv);
  f.box(60, 0, 70, 10, kAarea);  // drawn by hand, no layer to go back to
  f.box(80, 0, 90, 10, kLocos);
  f.box(0, 20, 10, 30, kMetal);
  f.box(5, 25, 15, 35, kOption);
  ASSERT_TRUE(f.run().ok());
  EXPECT_EQ(f.c.highestNode(), 2);
  EXPECT_EQ(f.nodeAt(1, 1, kOption), -1);
  EXPECT_EQ(f.nodeAt(41, 1, kPassiv), -1);
  EXPECT_EQ(f.nodeAt(61, 1, kAarea), -1);
  FloatingNodes fl = findFloatingNodes(f.db, f.tech, f.opt, f.c, f.sv, f.lim);
  EXPECT_EQ(fl.nodes, std::vector<int>{2});
}

TEST(Extract, LabelsNameNodesAndTheExamplesGiveTheirDevices) {
  struct Example {
    const char* file;
    int nmos, pmos, nodes;
    std::vector<const char*> names;
  };
  const Example examples[] = {
      {"inverter.msk", 1, 1, 5, {"vdd", "vss", "in", "out"}},
      {"nand2.msk", 2, 2, 7, {"vdd", "vss", "a", "b", "out"}},
      {"ring5.msk", 6, 6, 0, {"vdd", "vss", "enable", "n1", "n2", "n3", "n4", "out"}},
  };
  for (const Example& e : examples) {
    quill::testing::TestContext t;
    const std::string data = std::string(QUILL_DATA_DIR) + "/";
    ASSERT_TRUE(loadRuleFile(t.ctx.tech, t.ctx.db.layers, data + "default.rul", t.status, t.debug));
    ASSERT_TRUE(openLayout(t.ctx, data + e.file).opened);
    ExtractionOptions opt;
    ExtractedCircuit c;
    ExtractResult r = extractCircuit(t.ctx.db, t.ctx.tech, opt, c, t.ctx.services);
    ASSERT_EQ(r.outcome, ExtractOutcome::Complete) << e.file << ": " << r.message;
    EXPECT_EQ(c.deviceCount(Polarity::N), e.nmos) << e.file;
    EXPECT_EQ(c.deviceCount(Polarity::P), e.pmos) << e.file;
    if (e.nodes) {
      EXPECT_EQ(c.highestNode(), e.nodes) << e.file;
    }
    auto named = [&](const std::string& n) {
      for (int k = 2; k <= c.highestNode(); ++k)
        if (c.nodes[static_cast<std::size_t>(k)].name == n) return k;
      return -1;
    };
    for (const char* n : e.names) EXPECT_GT(named(n), 1) << e.file << " " << n;
    const int vdd = named("vdd"), vss = named("vss");
    for (int i = 1; i <= c.deviceCount(Polarity::N); ++i) {
      const MosDevice& d = c.nmos[static_cast<std::size_t>(i)];
      EXPECT_EQ(d.width, 6) << e.file;
      EXPECT_EQ(d.length, 2) << e.file;
      EXPECT_NE(d.nodeA, vdd) << e.file;
      EXPECT_NE(d.nodeB, vdd) << e.file;
    }
    for (int i = 1; i <= c.deviceCount(Polarity::P); ++i) {
      const MosDevice& d = c.pmos[static_cast<std::size_t>(i)];
      EXPECT_EQ(d.width, 12) << e.file;
      EXPECT_EQ(d.length, 2) << e.file;
      EXPECT_EQ(d.bulk, vdd) << e.file;
      EXPECT_NE(d.nodeA, vss) << e.file;
      EXPECT_NE(d.nodeB, vss) << e.file;
      EXPECT_TRUE(d.nodeA == vdd || d.nodeB == vdd) << e.file;
    }
    EXPECT_EQ(c.nodes[static_cast<std::size_t>(vdd)].kind, kLabelSupply) << e.file;
    EXPECT_EQ(c.nodes[static_cast<std::size_t>(vss)].kind, kLabelGround) << e.file;
    // the inverter's devices share the input as gate and the output as drain
    if (std::string(e.file) == "inverter.msk") {
      EXPECT_EQ(c.nmos[1].gate, named("in"));
      EXPECT_EQ(c.pmos[1].gate, named("in"));
      EXPECT_EQ(terminals(c.nmos[1]), sorted(named("out"), vss));
      EXPECT_EQ(terminals(c.pmos[1]), sorted(named("out"), vdd));
      EXPECT_FALSE(c.nodes[static_cast<std::size_t>(named("in"))].floating);  // a clock drives it
      EXPECT_EQ(c.nodes[static_cast<std::size_t>(named("out"))].visible, 2);
    }
  }
}

TEST(Extract, EveryEarlyExitSaysWhatWasLostAndRestoresTheLayers) {
  struct Case {
    const char* name;
    void (*setup)(Fixture&);
    ExtractOutcome outcome;
    const char* message;
  };
  const Case cases[] = {
      {"device table", [](Fixture& f) { f.lim.maxDevices = 1; }, ExtractOutcome::Incomplete,
       "Extraction incomplete: device table full, 1 nMOS ignored"},
      {"node table", [](Fixture& f) { f.lim.maxNodeIndex = 4; }, ExtractOutcome::Incomplete,
       "Data base overflow: too much nodes"},
      {"grid x", [](Fixture& f) { f.lim.maxXs = 6; }, ExtractOutcome::Incomplete,
       "Data base overflow: too much diffusion in X"},
      {"grid y", [](Fixture& f) { f.lim.maxYs = 6; }, ExtractOutcome::Incomplete,
       "Data base overflow: too much diffusion in Y"},
      {"crosstalk grid",
       [](Fixture& f) {
         f.opt.lateralCouplings = true;
         f.lim.maxXs = 40;
         for (int i = 0; i < 20; ++i) f.box(100 + 5 * i, 0, 102 + 5 * i, 3, kMetal);
       },
       ExtractOutcome::Incomplete, "Crosstalk extraction : data base overload"},
      {"abort", [](Fixture& f) { f.status.stopAfter = 6; }, ExtractOutcome::Aborted, "Extraction procedure aborted..."},
  };
  for (const Case& k : cases) {
    Fixture f;
    // two nMOS, a pMOS and a resistor cutting a metal line
    bareInverter(f);
    f.box(30, 4, 50, 10, kDiffn);
    f.box(39, 2, 41, 12, kPoly);
    f.box(0, 50, 40, 54, kMetal);
    f.db.addRlc(10, 52, 20, 52, kRlcResistor, "100", 1);
    k.setup(f);
    ExtractResult r = f.run();
    EXPECT_EQ(r.outcome, k.outcome) << k.name;
    EXPECT_EQ(r.message, k.message) << k.name;
    EXPECT_EQ(f.status.text(0), k.message) << k.name;
    EXPECT_FALSE(f.db.extracted) << k.name;
    EXPECT_TRUE(f.noTemporaryLayers()) << k.name;
    if (std::string(k.name) == "crosstalk grid") {
      EXPECT_EQ(f.dialogs.messages.back().line1, "Too much coordinates in X");
    }
  }
}

TEST(Extract, ResistorAndInductorSymbolsCutTheirLineAndLoadTheEnds) {
  Fixture f;
  f.tech.timeStep = 1e-11;
  f.db.layers[kMetal].sheetResistance = 2;
  f.box(0, 0, 40, 4, kMetal);
  const int r = f.db.addRlc(10, 2, 20, 2, kRlcResistor, "R(metal)", 1);
  f.box(0, 20, 4, 60, kMetal);
  const int l = f.db.addRlc(2, 30, 2, 40, kRlcInductor, "1", 1);
  f.box(50, 0, 60, 10, kMetal);
  const int c = f.db.addRlc(55, 5, 70, 5, kRlcCapacitor, "0.5", 1);
  f.box(50, 20, 60, 30, kMetal);
  const int bad = f.db.addRlc(55, 25, 70, 25, kRlcCapacitor, "xyz", 1);
  ASSERT_TRUE(f.run().ok());
  const RlcSymbol& R = f.db.rlc(r);
  const int a = f.nodeAt(1, 1, kMetal), b = f.nodeAt(39, 1, kMetal);
  ASSERT_NE(a, b);
  EXPECT_EQ(R.node1, a);
  EXPECT_EQ(R.node2, b);
  EXPECT_EQ(f.node(a).rMetal, 5);  // 10 x 4 at 2 ohm per square
  EXPECT_EQ(f.node(b).rMetal, 10);
  EXPECT_DOUBLE_EQ(R.value, 15);
  EXPECT_EQ(R.text, "R(Metal)=15");
  EXPECT_GE(f.node(a).capacitance, 0.7 * 1e-11 / 15);
  EXPECT_EQ(f.count(kMetal), 8);  // the pieces under the symbols are back on metal
  EXPECT_TRUE(f.noTemporaryLayers());
  // 1 nH at 10 ps: dt²/L
  const RlcSymbol& L = f.db.rlc(l);
  ASSERT_NE(L.node1, L.node2);
  for (int k : {L.node1, L.node2}) {
    EXPECT_GE(f.node(k).capacitance, 1e-22 / 1e-9 * (1 - 1e-12));
    EXPECT_LT(f.node(k).capacitance, 1e-12);
  }
  const int m = f.db.rlc(c).node1;
  EXPECT_NEAR(f.node(m).capacitance - (100 * 30 * f.tech.capacitancePerLambda2 + 2 * 20 * 50 * f.tech.capacitancePerLambda),
              0.5e-12, 1e-24);
  EXPECT_EQ(f.db.rlc(bad).text, "0.1");
  EXPECT_DOUBLE_EQ(f.db.rlc(bad).value, 0.1);
  // a second run reads the same values again
  const double before = f.node(m).capacitance;
  f.db.extracted = false;
  ASSERT_TRUE(f.run().ok());
  EXPECT_DOUBLE_EQ(f.node(f.db.rlc(c).node1).capacitance, before);
  EXPECT_DOUBLE_EQ(f.db.rlc(r).value, 15);
}

TEST(Extract, LateralCouplingOnlyWhenAskedAndWithinFourWidths) {
  struct Case {
    int gap;
    bool lateral;
    bool couples;
  };
  const Case cases[] = {{3, false, false}, {3, true, true}, {11, true, true}, {12, true, false}};
  for (const Case& k : cases) {
    Fixture f;
    f.tech.ruleRef(R501) = 3;
    f.opt.lateralCouplings = k.lateral;
    f.box(0, 0, 40, 4, kMetal);
    f.box(0, 4 + k.gap, 40, 8 + k.gap, kMetal);
    ASSERT_TRUE(f.run().ok());
    const double h = 60 * f.tech.capacitancePerLambda * 40 * 3 / k.gap;
    EXPECT_DOUBLE_EQ(f.c.coupling(2, 3), k.couples ? h : 0.0) << k.gap;
    EXPECT_DOUBLE_EQ(f.c.coupling(3, 2), f.c.coupling(2, 3));
    EXPECT_DOUBLE_EQ(f.node(2).couplingTotal, k.couples ? h : 0.0);
    const double alone = 160 * 30 * f.tech.capacitancePerLambda2 + 2 * 44 * 50 * f.tech.capacitancePerLambda;
    EXPECT_DOUBLE_EQ(f.node(2).capacitance, k.couples ? alone - h / 4 : alone);
  }
}

TEST(Extract, PlateCouplingIsNeverLost) {
  const double cpl2 = 0.25e-18;
  for (bool vertical : {false, true}) {
    for (bool supply : {false, true}) {
      Fixture f;
      f.opt.verticalCouplings = vertical;
      const int lower = f.box(0, 0, 20, 20, kMetal);
      f.box(5, 5, 15, 15, kMetal2);
      if (supply) f.db.addLabel(1, 1, "vdd", kLabelSupply, 5, 5);
      ASSERT_TRUE(f.run().ok());
      (void)lower;
      const int lo = f.nodeAt(1, 1, kMetal), up = f.nodeAt(10, 10, kMetal2);
      const double c = 100 * 40 * cpl2;
      const double upAlone = 100 * 20 * cpl2 + 2 * 20 * 45 * 0.5e-18;
      const double loAlone = 400 * 30 * cpl2 + 2 * 40 * 50 * 0.5e-18;
      if (supply) {
        // coupling to a supply is a load to ground
        EXPECT_DOUBLE_EQ(f.node(up).capacitance, upAlone + c);
        EXPECT_DOUBLE_EQ(f.c.coupling(up, lo), 0.0);
      } else if (vertical) {
        EXPECT_DOUBLE_EQ(f.c.coupling(up, lo), c);
        EXPECT_DOUBLE_EQ(f.node(up).capacitance, upAlone - c);
        EXPECT_DOUBLE_EQ(f.node(lo).capacitance, loAlone);
        EXPECT_DOUBLE_EQ(f.node(up).couplingTotal, c);
      } else {
        EXPECT_DOUBLE_EQ(f.c.coupling(up, lo), 0.0);
        EXPECT_DOUBLE_EQ(f.node(up).capacitance, upAlone);
        EXPECT_DOUBLE_EQ(f.node(lo).capacitance, loAlone + c);
      }
    }
  }
}

TEST(Extract, FloatingNodesAreListedAndNamed) {
  Fixture f;
  f.box(0, 0, 2, 20, kPoly);
  f.db.addLabel(1, 10, "x");
  f.box(10, 0, 20, 4, kMetal);  // unnamed
  f.box(30, 0, 40, 6, kDiffn);  // diffusion: not floating
  f.box(50, 0, 60, 4, kMetal);
  f.db.addLabel(55, 2, "clk", kLabelClock, 5, 5);
  FloatingNodes fl = findFloatingNodes(f.db, f.tech, f.opt, f.c, f.sv, f.lim);
  ASSERT_TRUE(fl.extraction.ok());
  const int metal = f.nodeAt(11, 1, kMetal);
  const std::string unnamed = f.node(metal).name;
  EXPECT_EQ(fl.lines, (std::vector<std::string>{"x floating", unnamed + " floating"}));
  EXPECT_EQ(fl.labelsAdded, 1);
  EXPECT_TRUE(fl.openNavigator);
  const int added = f.db.labelAt(11, 1);
  ASSERT_GT(added, 0);
  EXPECT_EQ(f.db.label(added).text, unnamed);
  EXPECT_EQ(f.db.label(added).node, metal);
  EXPECT_EQ(f.status.text(0), "2 floating node found...");
  EXPECT_TRUE(f.db.extracted);
}

TEST(Extract, ConfirmationBeforeALongRun) {
  for (int mode : {0, 3}) {
    Fixture f;
    f.lim.confirmAbove = 3;
    f.opt.cleaningMode = mode;
    bareInverter(f);
    f.box(30, 0, 40, 4, kMetal);
    f.dialogs.answers.push_back(ConfirmResult::No);
    ExtractResult r = f.run();
    if (mode == 0) {
      ASSERT_EQ(f.dialogs.confirms.size(), 1u);
      EXPECT_EQ(f.dialogs.confirms[0].line1, "Warning : Extraction will take time");
      EXPECT_EQ(f.dialogs.confirms[0].line2, "Confirm full circuit extraction ?");
      EXPECT_EQ(r.outcome, ExtractOutcome::Cancelled);
      EXPECT_EQ(f.db.boxCount(), 5);  // nothing split
      EXPECT_FALSE(f.db.extracted);
    } else {
      EXPECT_TRUE(f.dialogs.confirms.empty());
      EXPECT_TRUE(r.ok());
    }
  }
}

TEST(Extract, LengthFilterDropsShortNets) {
  Fixture f;
  f.opt.lengthFilterOn = true;
  f.opt.minimumNetLength = 10;  // µm: 20 lambda at 0.5
  f.box(0, 0, 10, 4, kMetal);
  f.box(0, 10, 40, 14, kMetal);
  ExtractResult r = f.run();
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(r.droppedNets, 1);
  EXPECT_EQ(f.nodeAt(1, 1, kMetal), 0);
  EXPECT_EQ(f.nodeAt(1, 11, kMetal), 2);
  EXPECT_EQ(f.c.highestNode(), 2);
  EXPECT_TRUE(f.status.saw(0, "Extracting 1 nodes, (1 ignored) 100.0 % complete"));
}

TEST(Extract, DelaysCountThePullUpAndThePullDown) {
  Fixture f;
  f.box(0, 20, 20, 40, kNwell);
  f.box(4, 26, 16, 34, kDiffp);
  f.box(9, 24, 11, 36, kPoly);
  f.box(4, 4, 16, 10, kDiffn);
  f.box(9, 2, 11, 12, kPoly);
  ASSERT_TRUE(f.run().ok());
  const CircuitNode& up = f.node(f.nodeAt(15, 30, kDiffp));
  const CircuitNode& down = f.node(f.nodeAt(15, 5, kDiffn));
  // no wire resistance: only the devices give a delay
  EXPECT_GT(up.riseDelay, 0);
  EXPECT_EQ(up.fallDelay, 0);
  EXPECT_GT(down.fallDelay, 0);
  EXPECT_EQ(down.riseDelay, 0);
  // a pull-up that is fully on is of the same strength as the pull-down
  EXPECT_LT(up.riseDelay, 10 * down.fallDelay) << up.riseDelay << " " << down.fallDelay;
  EXPECT_GT(up.riseDelay, 0.1 * down.fallDelay);
  EXPECT_DOUBLE_EQ(f.c.statistics.maxDelay, std::max({up.riseDelay, down.fallDelay, f.c.statistics.maxDelay}));
}

TEST(Extract, OptionBoxesSetVariantDiodesAndSalicide) {
  Fixture f;
  f.db.layers[kPoly].sheetResistance = 5;
  f.db.layers[kPoly].unsalicidedResistance = 100;
  struct Gate {
    int value, variant;
  };
  const Gate gates[] = {{0, 0}, {1, 1}, {2, 2}, {4, 3}, {3, 0}};
  for (int i = 0; i < 5; ++i) {
    const int x = 40 * i;
    f.box(x, 0, x + 20, 6, kDiffn);
    f.box(x + 9, -2, x + 11, 8, kPoly);
    if (gates[i].value) f.box(x + 5, -5, x + 15, 10, kOption, gates[i].value);
  }
  f.box(0, 100, 10, 104, kPoly);  // 2.5 squares, under a remove-salicide option
  f.box(-2, 98, 4, 106, kOption, kOptionNoSalicide);
  f.box(0, 200, 10, 206, kDiffn);  // n diode
  f.box(-2, 198, 12, 208, kOption, kOptionDiode);
  ASSERT_TRUE(f.run().ok());
  std::vector<int> variants;
  int diodes = 0;
  for (int i = 1; i <= f.c.deviceCount(Polarity::N); ++i) {
    const MosDevice& d = f.c.nmos[static_cast<std::size_t>(i)];
    if (d.length == 8) {
      ++diodes;
      EXPECT_EQ(d.nodeA, 0);
      EXPECT_EQ(d.nodeB, f.nodeAt(1, 201, kDiffn));
      EXPECT_EQ(d.width, 16);
      EXPECT_EQ(d.gate, 0);
      continue;
    }
    const int column = (f.db.box(d.gateBox).x1 - 9) / 40;
    EXPECT_EQ(d.variant, gates[column].variant) << column;
  }
  EXPECT_EQ(diodes, 1);
  EXPECT_EQ(f.c.deviceCount(Polarity::N), 6);
  EXPECT_EQ(f.node(f.nodeAt(5, 101, kPoly)).rPoly, 250);
}

namespace {

// a small random layout of our usual layers
void randomLayout(Fixture& f, std::mt19937& gen, int n) {
  const int layers[] = {kDiffn, kDiffp, kPoly, kPoly, kContact, kMetal, kMetal, kVia, kMetal2, kNwell,
                        kOption, kPoly2, kPassiv, kPwell};
  const int options[] = {0, 1, 2, 4, 3, 8, 16, 32, 64, 96};
  std::uniform_int_distribution<int> pos(0, 60), size(1, 14), layer(0, 13), opt(0, 9);
  for (int i = 0; i < n; ++i) {
    int x = pos(gen), y = pos(gen);
    const int l = layers[layer(gen)];
    int w = size(gen), h = size(gen);
    if (l == kPoly && gen() % 2) w = 2, h = 20;
    f.box(x, y, x + w, y + h, l, l == kOption ? options[opt(gen)] : 0);
  }
  const int kinds[] = {kLabelName, kLabelSupply, kLabelGround, kLabelClock, kLabelPulse};
  for (int i = 0; i < 6; ++i)
    f.db.addLabel(pos(gen), pos(gen), "l" + std::to_string(i), kinds[gen() % 5], 5, 5);
  for (int i = 0; i < 3; ++i) {
    int x = pos(gen), y = pos(gen);
    const char* texts[] = {"R(metal)", "R(all)x", "2k", "rpoly", "1"};
    const bool vertical = gen() % 2;
    f.db.addRlc(x, y, vertical ? x : x + 5, vertical ? y + 5 : y, static_cast<int>(gen() % 3), texts[gen() % 5], 1);
  }
}

void copyLayout(const LayoutDatabase& from, LayoutDatabase& to) {
  for (int i = 1; i <= from.boxCount(); ++i) {
    const LayoutBox& b = from.box(i);
    int p = to.addBox(b.x1, b.y1, b.x2, b.y2, b.layer);
    to.box(p).value = b.value;
  }
  for (int i = 1; i <= from.labelCount(); ++i) {
    const LayoutLabel& l = from.label(i);
    int p = to.addLabel(l.x, l.y, l.text, l.kind, 5, 5);
    to.label(p).visibleInSimulation = l.visibleInSimulation;
  }
  for (int i = 1; i <= from.rlcCount(); ++i) {
    const RlcSymbol& r = from.rlc(i);
    to.addRlc(r.x1, r.y1, r.x2, r.y2, r.kind, r.text, r.size);
  }
}

}  // namespace

TEST(Extract, FastRunGivesTheReferenceCircuit) {
  for (int seed = 1; seed <= 60; ++seed) {
    std::mt19937 gen(static_cast<unsigned>(seed));
    Fixture a, b;
    randomLayout(a, gen, 20 + seed * 3);
    copyLayout(a.db, b.db);
    for (Fixture* f : {&a, &b}) {
      f->opt.lateralCouplings = seed % 2 == 0;
      f->opt.verticalCouplings = seed % 3 != 0;
      f->opt.lengthFilterOn = seed % 5 == 0;
      f->opt.minimumNetLength = 4;
      f->opt.cleaningMode = seed % 4 == 1 ? 3 : 0;
    }
    ExtractResult ra = a.reference(), rb = b.run();
    const std::string at = "seed " + std::to_string(seed);
    ASSERT_EQ(ra.outcome, rb.outcome) << at;
    ASSERT_EQ(ra.message, rb.message) << at;
    ASSERT_EQ(a.db.boxCount(), b.db.boxCount()) << at;
    for (int i = 1; i <= a.db.boxCount(); ++i) {
      const LayoutBox& x = a.db.box(i);
      const LayoutBox& y = b.db.box(i);
      ASSERT_TRUE(x.x1 == y.x1 && x.y1 == y.y1 && x.x2 == y.x2 && x.y2 == y.y2 && x.layer == y.layer &&
                  x.node == y.node && x.unsalicided == y.unsalicided)
          << at << " box " << i;
    }
    ASSERT_EQ(a.c.highestNode(), b.c.highestNode()) << at;
    for (int k = 0; k <= a.c.highestNode(); ++k) {
      const CircuitNode& x = a.node(k);
      const CircuitNode& y = b.node(k);
      ASSERT_TRUE(x.name == y.name && x.kind == y.kind && x.capacitance == y.capacitance &&
                  x.couplingTotal == y.couplingTotal && x.junctionCapacitance == y.junctionCapacitance &&
                  x.gateCapacitance == y.gateCapacitance && x.crosstalkNoise == y.crosstalkNoise &&
                  x.length == y.length && x.rMetal == y.rMetal && x.rPoly == y.rPoly &&
                  x.rDiffusion == y.rDiffusion && x.rVia == y.rVia && x.riseDelay == y.riseDelay &&
                  x.fallDelay == y.fallDelay && x.floating == y.floating && x.label == y.label &&
                  x.nFirst == y.nFirst && x.nLast == y.nLast && x.pFirst == y.pFirst && x.pLast == y.pLast)
          << at << " node " << k;
    }
    for (Polarity p : {Polarity::N, Polarity::P}) {
      ASSERT_EQ(a.c.deviceCount(p), b.c.deviceCount(p)) << at;
      for (int i = 1; i <= a.c.deviceCount(p); ++i) {
        const MosDevice& x = a.c.table(p)[static_cast<std::size_t>(i)];
        const MosDevice& y = b.c.table(p)[static_cast<std::size_t>(i)];
        ASSERT_TRUE(x.width == y.width && x.length == y.length && x.gate == y.gate && x.nodeA == y.nodeA &&
                    x.nodeB == y.nodeB && x.bulk == y.bulk && x.gateBox == y.gateBox && x.variant == y.variant &&
                    x.floatingGateBox == y.floatingGateBox && x.effectiveLength == y.effectiveLength)
            << at << " device " << i;
      }
    }
    for (int i = 0; i < kCouplingSize; ++i)
      for (int j = 0; j < kCouplingSize; ++j)
        ASSERT_TRUE(a.c.coupling(i, j) == b.c.coupling(i, j) && a.c.couplingBox(i, j) == b.c.couplingBox(i, j))
            << at << " coupling " << i << "," << j;
    for (int i = 1; i <= a.db.rlcCount(); ++i) {
      const RlcSymbol& x = a.db.rlc(i);
      const RlcSymbol& y = b.db.rlc(i);
      ASSERT_TRUE(x.node1 == y.node1 && x.node2 == y.node2 && x.value == y.value && x.text == y.text) << at;
    }
    for (int i = 1; i <= a.db.labelCount(); ++i) ASSERT_EQ(a.db.label(i).node, b.db.label(i).node) << at;
  }
}

TEST(Extract, InductanceEstimateNeverNegative) {
  struct Case {
    double height, thickness;
    bool positive;
  };
  // R701 4 at 0.5 µm: a 2 µm wide metal2 line
  const Case cases[] = {{3.0, 0.5, true}, {0.3, 0.5, false}, {0.0, 0.5, false}};
  for (const Case& k : cases) {
    Fixture f;
    f.tech.ruleRef(R701) = 4;
    f.db.layers[kMetal2].height = k.height;
    f.db.layers[kMetal2].thickness = k.thickness;
    f.box(0, 0, 100, 4, kMetal);
    ASSERT_TRUE(f.run().ok());
    const double expected = k.positive ? 100 * 0.5 * 0.001 * 2.0005776e-10 * std::log(8 * k.height / 2.5) : 0.0;
    EXPECT_DOUBLE_EQ(f.node(2).inductance, expected) << k.height;
    EXPECT_GE(f.node(2).inductance, 0.0);
  }
}
