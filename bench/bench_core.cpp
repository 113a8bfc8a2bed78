// Layout database and layout file speed on layouts of 300000 boxes.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <random>
#include <string>

#include "core/AppContext.h"
#include "core/MskFile.h"
#include "platform/FakeDialogs.h"

using namespace quill;

namespace {

constexpr int kBoxes = 300000;

struct Ctx {
  SilentStatus status;
  FakeDialogs dialogs;
  DebugLog debug;
  FakeClock clock;
  FakeRandom random;
  AppContext ctx{Services{status, dialogs, debug, clock, random}};
};

// a plausible mix: many layers, boxes scattered over a large die
void fill(LayoutDatabase& db, int n) {
  std::mt19937 gen(12345);
  std::uniform_int_distribution<int> pos(-50000, 50000), size(2, 60), layer(1, 19);
  db.drawImmediately = false;
  for (int i = 0; i < n; ++i) {
    int x = pos(gen), y = pos(gen);
    db.addBox(x, y, x + size(gen), y + size(gen), layer(gen));
  }
  db.drawImmediately = true;
}

const std::string& bigFile() {
  static std::string path = [] {
    Ctx c;
    fill(c.ctx.db, kBoxes);
    for (int i = 0; i < 500; ++i) c.ctx.db.addLabel(i * 7, i * 3, "n" + std::to_string(i));
    std::string p = "/tmp/quill-bench-" + std::to_string(::getpid()) + ".msk";
    saveLayout(c.ctx, p);
    return p;
  }();
  return path;
}

long maxRssMb() {
  rusage ru{};
  getrusage(RUSAGE_SELF, &ru);
  return ru.ru_maxrss / 1024;
}

void BM_ReadMsk300k(benchmark::State& state) {
  const std::string& p = bigFile();
  for (auto _ : state) {
    Ctx c;
    ReadOptions opt;
    opt.technologyCheck = false;
    ReadReport r = openLayout(c.ctx, p, opt);
    benchmark::DoNotOptimize(r.boxesAdded);
    if (r.boxesAdded != kBoxes) state.SkipWithError("not every box was read");
  }
  state.counters["maxRSS_MB"] = static_cast<double>(maxRssMb());
}
BENCHMARK(BM_ReadMsk300k)->Unit(benchmark::kMillisecond);

void BM_WriteMsk300k(benchmark::State& state) {
  Ctx c;
  fill(c.ctx.db, kBoxes);
  std::string p = "/tmp/quill-bench-w-" + std::to_string(::getpid()) + ".msk";
  for (auto _ : state) benchmark::DoNotOptimize(saveLayout(c.ctx, p));
  std::remove(p.c_str());
}
BENCHMARK(BM_WriteMsk300k)->Unit(benchmark::kMillisecond);

void BM_AddBox300k(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    auto db = std::make_unique<LayoutDatabase>();
    state.ResumeTiming();
    for (int i = 0; i < kBoxes; ++i) db->addBox(i, i, i + 4, i + 4, 1 + i % 19);
    benchmark::DoNotOptimize(db->boxCount());
    state.PauseTiming();
    db.reset();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_AddBox300k)->Unit(benchmark::kMillisecond);

void BM_Compact300k(benchmark::State& state) {
  LayoutDatabase base;
  fill(base, kBoxes);
  for (int i = 1; i <= kBoxes; i += 10) base.box(i).state = 0;  // one box in ten deleted
  for (auto _ : state) {
    state.PauseTiming();
    LayoutDatabase db;
    fill(db, kBoxes);
    for (int i = 1; i <= kBoxes; i += 10) db.box(i).state = 0;
    state.ResumeTiming();
    db.compactBoxes();
    benchmark::DoNotOptimize(db.boxCount());
  }
}
BENCHMARK(BM_Compact300k)->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_BoundingBox300k(benchmark::State& state) {
  LayoutDatabase db;
  fill(db, kBoxes);
  for (auto _ : state) {
    db.computeBoundingBox();
    benchmark::DoNotOptimize(db.boundingBox());
  }
}
BENCHMARK(BM_BoundingBox300k)->Unit(benchmark::kMillisecond);

void BM_SortByLayer300k(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    LayoutDatabase db;
    fill(db, kBoxes);
    state.ResumeTiming();
    db.sortByLayer();
    benchmark::DoNotOptimize(db.lastOfLayer(19));
  }
}
BENCHMARK(BM_SortByLayer300k)->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::remove(bigFile().c_str());
  return 0;
}
