// Generator primitives into the layout database: a 100 x 100 contact array,
// and 200 bonding pads in a six-metal process (both must stay below 50 ms),
// with a multi-finger MOS device for comparison.
#include <benchmark/benchmark.h>

#include "editor/GeneratorMos.h"

using namespace quill;

namespace {

void BM_ContactArray100x100(benchmark::State& state) {
  TechnologyRules tech;
  for (auto _ : state) {
    LayoutDatabase db;
    LayoutGenerator g(db, tech);
    benchmark::DoNotOptimize(g.AddContactArray(0, 0, 100, 100, kDiffn));
    benchmark::DoNotOptimize(db.boxCount());
  }
  state.counters["boxes"] = 100 * 100 + 2;
}
BENCHMARK(BM_ContactArray100x100)->Unit(benchmark::kMillisecond);

void BM_BondingPads200Meta6(benchmark::State& state) {
  TechnologyRules tech;
  tech.metalLevels = 6;
  for (auto _ : state) {
    LayoutDatabase db;
    LayoutGenerator g(db, tech);
    for (int i = 0; i < 200; ++i) benchmark::DoNotOptimize(g.AddBondingPad(i * 200, 0, 100));
    benchmark::DoNotOptimize(db.boxCount());
  }
  state.counters["boxes"] = 200 * 12;
}
BENCHMARK(BM_BondingPads200Meta6)->Unit(benchmark::kMillisecond);

void BM_MosDevice100Fingers(benchmark::State& state) {
  TechnologyRules tech;
  const MosRequest d{40, 2, 100, MosKind::P, true, 1};
  for (auto _ : state) {
    LayoutDatabase db;
    LayoutGenerator g(db, tech);
    benchmark::DoNotOptimize(AddMosDevice(g, d, 0, 0));
    benchmark::DoNotOptimize(db.boxCount());
  }
}
BENCHMARK(BM_MosDevice100Fingers)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
