#include <gtest/gtest.h>

#include <algorithm>
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
  EXPECT_NE(r.message.find(" 1 nMOS,1 pMOS, 7 nodes, in "), std::string::npos) << r.message;
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
