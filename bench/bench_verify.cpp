// Circuit extraction speed on a layout of about 300000 boxes: rows of
// chained inverters under a four-metal supply grid with via arrays, some
// cells carrying a floating fill square. About 2000 nMOS, 2000 pMOS and
// 2800 nodes.
#include <benchmark/benchmark.h>

#include <string>

#include "core/RuleFile.h"
#include "platform/DebugLog.h"
#include "platform/FakeDialogs.h"
#include "verify/Extract.h"
#include "verify/ExtractNodes.h"

using namespace quill;

namespace {

constexpr int kRows = 40, kCells = 50, kTargetBoxes = 299000;

struct Env {
  SilentStatus status;
  FakeDialogs dialogs;
  DebugLog debug;
  FakeClock clock;
  FakeRandom random;
  Services sv{status, dialogs, debug, clock, random};
  TechnologyRules tech;
  LayoutDatabase db;  // the layout as drawn
  Env() {
    loadRuleFile(tech, db.layers, std::string(QUILL_DATA_DIR) + "/default.rul", status, debug);
    build();
  }

  void b(int x1, int y1, int x2, int y2, int layer) { db.addBox(x1, y1, x2, y2, layer); }

  // a rail of four metals with three via arrays between them
  void rail(int x0, int y0) {
    for (int k = 1; k <= 4; ++k) b(x0, y0, x0 + 24, y0 + 12, metalLayer(k));
    for (int k = 1; k <= 3; ++k)
      for (int i = 0; i < 6; ++i)
        for (int j = 0; j < 3; ++j) b(x0 + 1 + 4 * i, y0 + 1 + 4 * j, x0 + 3 + 4 * i, y0 + 3 + 4 * j, viaLayer(k));
  }

  void cell(int x0, int y0, bool fill) {
    rail(x0, y0);
    b(x0 + 18, y0 + 14, x0 + 22, y0 + 18, kDiffp);  // substrate tap
    b(x0 + 19, y0 + 15, x0 + 21, y0 + 17, kContact);
    b(x0 + 18, y0 + 12, x0 + 22, y0 + 18, kMetal);
    b(x0 + 4, y0 + 20, x0 + 16, y0 + 26, kDiffn);  // nMOS, W 6
    b(x0 + 5, y0 + 22, x0 + 7, y0 + 24, kContact);
    b(x0 + 13, y0 + 22, x0 + 15, y0 + 24, kContact);
    b(x0 + 4, y0 + 12, x0 + 8, y0 + 25, kMetal);
    b(x0 + 9, y0 + 18, x0 + 11, y0 + 62, kPoly);  // the gate
    b(x0 + 2, y0 + 32, x0 + 11, y0 + 36, kPoly);  // input pad
    b(x0 + 3, y0 + 33, x0 + 5, y0 + 35, kContact);
    b(x0 + 2, y0 + 32, x0 + 6, y0 + 36, kMetal);
    b(x0, y0 + 44, x0 + 24, y0 + 72, kNwell);
    b(x0 + 4, y0 + 48, x0 + 16, y0 + 60, kDiffp);  // pMOS, W 12
    b(x0 + 5, y0 + 53, x0 + 7, y0 + 55, kContact);
    b(x0 + 13, y0 + 53, x0 + 15, y0 + 55, kContact);
    b(x0 + 4, y0 + 52, x0 + 8, y0 + 72, kMetal);
    b(x0 + 18, y0 + 64, x0 + 22, y0 + 68, kDiffn);  // well tap
    b(x0 + 19, y0 + 65, x0 + 21, y0 + 67, kContact);
    b(x0 + 18, y0 + 64, x0 + 22, y0 + 72, kMetal);
    b(x0 + 12, y0 + 21, x0 + 16, y0 + 56, kMetal);  // output
    b(x0 + 16, y0 + 32, x0 + 26, y0 + 36, kMetal);  // to the next input
    if (fill) b(x0 + 18, y0 + 36, x0 + 22, y0 + 40, kMetal5);
    rail(x0, y0 + 72);
  }

  void build() {
    db.drawImmediately = false;
    int n = 0;
    for (int r = 0; r < kRows; ++r)
      for (int c = 0; c < kCells; ++c, ++n) cell(24 * c, 100 * r, n % 3 == 0);
    // a metal5 strap with its vias over some vss rails, up to the box count
    for (int r = 0; r < kRows && db.boxCount() + 19 <= kTargetBoxes; ++r)
      for (int c = 0; c < kCells && db.boxCount() + 19 <= kTargetBoxes; ++c) {
        const int x0 = 24 * c, y0 = 100 * r;
        b(x0, y0, x0 + 24, y0 + 12, kMetal5);
        for (int i = 0; i < 6; ++i)
          for (int j = 0; j < 3; ++j) b(x0 + 1 + 4 * i, y0 + 1 + 4 * j, x0 + 3 + 4 * i, y0 + 3 + 4 * j, kVia4);
      }
    db.addLabel(1, 1, "vss", kLabelGround, tech.vdd, tech.vddHigh);
    db.addLabel(1, 80, "vdd", kLabelSupply, tech.vdd, tech.vddHigh);
    db.addLabel(3, 34, "in", kLabelClock, tech.vdd, tech.vddHigh);
  }
};

Env& env() {
  static Env e;
  return e;
}

void BM_Extract300k(benchmark::State& state) {
  Env& e = env();
  ExtractedCircuit c;
  ExtractResult r;
  for (auto _ : state) {
    state.PauseTiming();
    LayoutDatabase db = e.db;
    ExtractionOptions opt;
    state.ResumeTiming();
    r = extractCircuit(db, e.tech, opt, c, e.sv);
    benchmark::DoNotOptimize(r);
  }
  state.counters["boxes"] = e.db.boxCount();
  state.counters["nodes"] = c.statistics.nodes;
  state.counters["nmos"] = c.statistics.nmos;
  state.counters["pmos"] = c.statistics.pmos;
  state.counters["complete"] = r.outcome == ExtractOutcome::Complete;
}
BENCHMARK(BM_Extract300k)->Unit(benchmark::kMillisecond)->Iterations(3);

// with lateral and vertical couplings: one more cell grid per metal level
void BM_Extract300kCouplings(benchmark::State& state) {
  Env& e = env();
  ExtractedCircuit c;
  ExtractResult r;
  for (auto _ : state) {
    state.PauseTiming();
    LayoutDatabase db = e.db;
    ExtractionOptions opt;
    opt.lateralCouplings = opt.verticalCouplings = true;
    state.ResumeTiming();
    r = extractCircuit(db, e.tech, opt, c, e.sv);
    benchmark::DoNotOptimize(r);
  }
  state.counters["complete"] = r.outcome == ExtractOutcome::Complete;
}
BENCHMARK(BM_Extract300kCouplings)->Unit(benchmark::kMillisecond)->Iterations(3);

// The node fill alone, on the table as extraction hands it over: split
// diffusion with the gates on their own layers, sorted by layer.
void BM_NodeBuilding300k(benchmark::State& state) {
  Env& e = env();
  LayoutDatabase db = e.db;
  ExtractionOptions opt;
  ExtractedCircuit c;
  extractCircuit(db, e.tech, opt, c, e.sv);
  for (Polarity p : {Polarity::N, Polarity::P})
    for (int i = 1; i <= c.deviceCount(p); ++i)
      db.box(c.table(p)[static_cast<std::size_t>(i)].gateBox).layer = p == Polarity::N ? kGaten : kGatep;
  db.sortByLayer();
  const std::vector<BoxGeo> geo = snapshotBoxes(db);
  NodeBuildSettings s;
  s.lambda = e.tech.lambda;
  int nodes = 0;
  for (auto _ : state) {
    c.reset();
    db.resetNodes();
    BucketIndex index(geo);
    NodeBuildResult r = buildNodes(db, geo, &index, c, s, e.status);
    benchmark::DoNotOptimize(r);
    nodes = c.highestNode() - 1;
  }
  state.SetItemsProcessed(state.iterations() * db.boxCount());
  state.counters["nodes"] = nodes;
}
BENCHMARK(BM_NodeBuilding300k)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
