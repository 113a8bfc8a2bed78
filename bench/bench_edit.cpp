// Editing operations over a selection of 100000 boxes in a 200000-box
// layout, redraw excluded.
#include <benchmark/benchmark.h>

#include <memory>

#include "editor/EditOps.h"

using namespace quill;

namespace {

struct Scene {
  LayoutDatabase db;
  TechnologyRules tech;
  SilentStatus status;
  EditOperations ops{db, tech, status};
  // two halves: x < 50000 is selected, the rest is not
  Scene() {
    db.drawImmediately = false;
    for (int i = 0; i < 200000; ++i) {
      const int x = (i % 1000) * 100 + (i / 100000) * 0, y = (i / 1000) * 10;
      db.addBox(x, y, x + 40, y + 6, 1 + (i % 18) + 1);
    }
    db.drawImmediately = true;
  }
  static Rect half() { return {-10, -10, 49990, 100000}; }
};

template <class F>
void timed(benchmark::State& state, F f) {
  for (auto _ : state) {
    state.PauseTiming();
    auto s = std::make_unique<Scene>();
    state.ResumeTiming();
    f(*s);
    state.PauseTiming();
    s.reset();
    state.ResumeTiming();
  }
}

void BM_DeleteInArea(benchmark::State& state) {
  timed(state, [](Scene& s) { s.ops.deleteInArea(Scene::half(), 1000, nullptr); });
}
BENCHMARK(BM_DeleteInArea)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_Copy(benchmark::State& state) {
  timed(state, [](Scene& s) {
    s.ops.selectForCopy(Scene::half());
    s.ops.copy(0, 200000);
  });
}
BENCHMARK(BM_Copy)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_Move(benchmark::State& state) {
  timed(state, [](Scene& s) {
    s.ops.selectForMove(Scene::half());
    s.ops.move(0, 200000);
  });
}
BENCHMARK(BM_Move)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_Rotate(benchmark::State& state) {
  timed(state, [](Scene& s) { s.ops.rotate(Scene::half(), true); });
}
BENCHMARK(BM_Rotate)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
