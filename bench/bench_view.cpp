// Layout view speed on 300000 boxes: the inverter cell tiled over the die
// (with a few boxes per tile on the layers the cell lacks, so every drawing
// style and pattern appears), drawn into a 1600 x 1000 backing store.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "core/AppContext.h"
#include "core/MskFile.h"
#include "core/RuleFile.h"
#include "editor/View.h"
#include "platform/FakeDialogs.h"
#include "platform/MemorySurface.h"

#ifdef QUILL_BENCH_QT
#include <QGuiApplication>

#include "platform/ui/QtSurface.h"
#endif

using namespace quill;

namespace {

constexpr int kW = 1600, kH = 1000;

struct Scene {
  SilentStatus status;
  FakeDialogs dialogs;
  DebugLog debug;
  FakeClock clock;
  FakeRandom random;
  AppContext ctx{Services{status, dialogs, debug, clock, random}};
  std::unique_ptr<Surface> surface;
  std::unique_ptr<LayoutView> view;
  Rect extent{};
  const char* surfaceName = "";

  Scene() {
    const std::string data = QUILL_DATA;
    loadRuleFile(ctx.tech, ctx.db.layers, data + "/default.rul", status, debug);
    ReadOptions opt;
    opt.repairScan = false;
    openLayout(ctx, data + "/inverter.msk", opt);
    LayoutDatabase& db = ctx.db;
    std::vector<LayoutBox> cell;
    for (int i = 1; i <= db.boxCount(); ++i) cell.push_back(db.box(i));
    std::vector<LayoutLabel> names;
    for (int i = 1; i <= db.labelCount(); ++i) names.push_back(db.label(i));
    db.clear();
    // per tile: the cell, a FRAM option box, a pad opening, a nitride frame,
    // a via2 on metal2 and a metal3 strap (styles 5, 4, 0 and patterns)
    const int perTile = static_cast<int>(cell.size()) + 6;
    const int tiles = (kMaxBoxes + perTile - 1) / perTile;
    const int ny = 1 + static_cast<int>(std::sqrt(tiles * 26.0 * 60.0 / 1.6) / 60.0);
    const int nx = (tiles + ny - 1) / ny;
    const int px = 26, py = 60;
    LayoutDatabase::BulkAdd hold(db);
    for (int t = 0; t < tiles; ++t) {
      const int ox = (t % nx) * px, oy = (t / nx) * py;
      for (const LayoutBox& b : cell) db.addBox(ox + b.x1, oy + b.y1, ox + b.x2, oy + b.y2, b.layer);
      int p = db.addBox(ox + 2, oy + 2, ox + 20, oy + 18, kOption);
      if (p) db.box(p).value = (t % 4 == 0) ? kOptionFram | ((t % 8 == 0) ? kOptionFramDown : 0) : 0;
      db.addBox(ox + 1, oy + 40, ox + 8, oy + 47, kPassiv);
      db.addBox(ox - 1, oy - 1, ox + 23, oy + 58, kNitride);
      db.addBox(ox + 13, oy + 20, ox + 17, oy + 24, kMetal2);
      db.addBox(ox + 14, oy + 21, ox + 16, oy + 23, kVia2);
      db.addBox(ox + 12, oy + 30, ox + 18, oy + 36, kMetal3);
      for (const LayoutLabel& l : names) db.addLabel(ox + l.x, oy + l.y, l.text, l.kind, 2.5, 2.5);
    }
    db.computeBoundingBox();
    extent = db.boundingBox();
#ifdef QUILL_BENCH_QT
    surface = std::make_unique<QtSurface>(kW, kH);
    surfaceName = "QtSurface (QImage RGB32)";
#else
    surface = std::make_unique<MemorySurface>(kW, kH);
    surfaceName = "MemorySurface";
#endif
    view = std::make_unique<LayoutView>(db, ctx.tech, status, clock);
    view->setSurface(surface.get());
    view->ViewAll();
  }

  // a view showing a hundredth of the die's area around its middle
  void zoomOnePercent() {
    const std::int64_t w = std::int64_t{extent.x2} - extent.x1, h = std::int64_t{extent.y2} - extent.y1;
    const std::int64_t cx = extent.x1 + w / 2, cy = extent.y1 + h / 2;
    view->SetView(static_cast<std::int32_t>(cx - w / 20), static_cast<std::int32_t>(cy - h / 20),
                  static_cast<std::int32_t>(cx + w / 20), static_cast<std::int32_t>(cy + h / 20));
  }

  int boxesShown() const {
    const LayoutDatabase& db = ctx.db;
    const Rect& v = view->viewWindow();
    int n = 0;
    for (int i = 1; i <= db.boxCount(); ++i) n += db.boxIntersects(i, v.x1, v.y1, v.x2, v.y2);
    return n;
  }
};

Scene& scene() {
  static Scene s;
  return s;
}

void BM_FullRedraw300k(benchmark::State& state) {
  Scene& s = scene();
  s.view->setUseIndex(true);
  s.view->ViewAll();
  for (auto _ : state) s.view->Redraw();
  state.counters["boxes"] = s.ctx.db.boxCount();
  state.SetLabel(s.surfaceName);
}
BENCHMARK(BM_FullRedraw300k)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_FullRedraw300kMonochrome(benchmark::State& state) {
  Scene& s = scene();
  s.view->SetMonochrome(true);
  s.view->ViewAll();
  for (auto _ : state) s.view->Redraw();
  s.view->SetMonochrome(false);
}
BENCHMARK(BM_FullRedraw300kMonochrome)->Unit(benchmark::kMillisecond)->MinTime(1.0);

void zoomed(benchmark::State& state, bool index) {
  Scene& s = scene();
  s.view->setUseIndex(index);
  s.zoomOnePercent();
  for (auto _ : state) s.view->Redraw();
  state.counters["boxesShown"] = s.boxesShown();
  state.counters["culled"] = s.view->lastRedrawCulled();
  s.view->setUseIndex(true);
}

void BM_ZoomedRedrawOnePercent(benchmark::State& state) { zoomed(state, true); }
BENCHMARK(BM_ZoomedRedrawOnePercent)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_ZoomedRedrawOnePercentNoIndex(benchmark::State& state) { zoomed(state, false); }
BENCHMARK(BM_ZoomedRedrawOnePercentNoIndex)->Unit(benchmark::kMillisecond)->MinTime(1.0);

// after a sort by layer every position changed: the first redraw rebuilds the index
void BM_ZoomedRedrawAfterSort(benchmark::State& state) {
  Scene& s = scene();
  s.zoomOnePercent();
  for (auto _ : state) {
    state.PauseTiming();
    s.ctx.db.sortByLayer();
    state.ResumeTiming();
    s.view->Redraw();
  }
}
BENCHMARK(BM_ZoomedRedrawAfterSort)->Unit(benchmark::kMillisecond)->Iterations(10);

// the node names under the cursor: the boxes under a point, then their
// distinct node names, as the main window shows them on every mouse move
void BM_MouseMoveLookup(benchmark::State& state) {
  Scene& s = scene();
  const Rect e = s.extent;
  std::mt19937 gen(1);
  std::uniform_int_distribution<int> x(e.x1, e.x2), y(e.y1, e.y2);
  std::vector<int> under;
  std::size_t found = 0;
  const LayoutDatabase& db = s.ctx.db;  // reading through a mutable one would mark the boxes changed
  for (auto _ : state) {
    s.view->boxesAt(x(gen), y(gen), under);
    std::string names;
    for (int p : under) {
      const int node = db.box(p).node;
      if (node >= 0 && node <= db.highestNode()) names += db.node(node).name;
    }
    found += under.size();
    benchmark::DoNotOptimize(names);
  }
  state.counters["boxesPerPoint"] = benchmark::Counter(static_cast<double>(found), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_MouseMoveLookup)->Unit(benchmark::kMicrosecond);

// a box moved between two events: the index takes the change on the next lookup
void BM_MouseMoveLookupAfterAnEdit(benchmark::State& state) {
  Scene& s = scene();
  std::vector<int> under;
  int k = 0;
  for (auto _ : state) {
    LayoutBox& b = s.ctx.db.box(1 + (k++ % 1000));
    b.x1 += 1;
    b.x2 += 1;
    s.view->boxesAt(100, 100, under);
  }
}
BENCHMARK(BM_MouseMoveLookupAfterAnEdit)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
#ifdef QUILL_BENCH_QT
  // the painter's fonts need the application object; no display is needed
  if (!std::getenv("QT_QPA_PLATFORM") && !std::getenv("DISPLAY")) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  int qargc = 1;
  char name[] = "bench_view";
  char* qargv[] = {name, nullptr};
  QGuiApplication app(qargc, qargv);
#endif
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
