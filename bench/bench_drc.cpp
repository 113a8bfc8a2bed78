// Design-rule check and layout cleaner on rule-clean arrays of our inverter
// cell (data/inverter.msk, default technology).
#include <benchmark/benchmark.h>

#include <string>

#include "core/AppContext.h"
#include "core/MskFile.h"
#include "core/RuleFile.h"
#include "platform/FakeDialogs.h"
#include "verify/Cleaner.h"
#include "verify/Drc.h"

using namespace quill;

namespace {

struct Scene {
  SilentStatus status;
  FakeDialogs dialogs;
  DebugLog debug;
  FakeClock clock;
  FakeRandom random;
  AppContext ctx{Services{status, dialogs, debug, clock, random}};
};

// the inverter tiled with a gap wider than every spacing rule
void tile(Scene& s, int boxes) {
  const std::string data = QUILL_DATA_DIR;
  loadRuleFile(s.ctx.tech, s.ctx.db.layers, data + "/default.rul", s.status, s.debug);
  Scene cell;
  openLayout(cell.ctx, data + "/inverter.msk");
  cell.ctx.db.computeBoundingBox();
  const Rect bb = cell.ctx.db.boundingBox();
  const int w = bb.x2 - bb.x1 + 16, h = bb.y2 - bb.y1 + 16;
  const int per = cell.ctx.db.boxCount();
  int cells = boxes / per, cols = 1;
  while (cols * cols < cells) ++cols;
  LayoutDatabase& db = s.ctx.db;
  db.drawImmediately = false;
  for (int k = 0; k < cells; ++k) {
    const int dx = (k % cols) * w, dy = (k / cols) * h;
    for (int i = 1; i <= per; ++i) {
      const LayoutBox& b = static_cast<const LayoutDatabase&>(cell.ctx.db).box(i);
      int p = db.addBox(b.x1 + dx, b.y1 + dy, b.x2 + dx, b.y2 + dy, b.layer);
      db.box(p).value = b.value;
    }
  }
  db.drawImmediately = true;
}

void BM_DrcCleanArray(benchmark::State& state) {
  Scene s;
  tile(s, static_cast<int>(state.range(0)));
  int errors = -1;
  bool complete = false;
  for (auto _ : state) {
    DrcResult r = checkDesignRules(s.ctx.db, s.ctx.tech, s.status);
    errors = r.errorCount;
    complete = r.complete;
  }
  if (errors != 0) state.SkipWithError("the array is not rule-clean");
  if (!complete) state.SkipWithError("the check was incomplete");
  state.counters["boxes"] = s.ctx.db.boxCount();
}
BENCHMARK(BM_DrcCleanArray)->Arg(100000)->Arg(300000)->Unit(benchmark::kMillisecond)->Iterations(3);

// the same array checked in tiles: small grids force the strip and tile path
void BM_DrcTiled(benchmark::State& state) {
  Scene s;
  tile(s, 100000);
  DrcLimits small;
  small.maxXs = static_cast<int>(state.range(0));
  small.maxYs = static_cast<int>(state.range(0));
  int errors = -1;
  bool complete = false;
  for (auto _ : state) {
    DrcResult r = checkDesignRules(s.ctx.db, s.ctx.tech, s.status, nullptr, small);
    errors = r.errorCount;
    complete = r.complete;
  }
  if (errors != 0 || !complete) state.SkipWithError("the tiled check differs");
}
BENCHMARK(BM_DrcTiled)->Arg(500)->Arg(100)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_CleanLayout(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    Scene s;
    tile(s, static_cast<int>(state.range(0)));
    state.ResumeTiming();
    CleanResult r = cleanLayout(s.ctx.db, kCleanAll, s.status);
    benchmark::DoNotOptimize(r.boxesAfter);
  }
}
BENCHMARK(BM_CleanLayout)->Arg(300000)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
