// The simulation window's cost: the same run of a 101-stage ring
// oscillator (Level 3, 1 ps steps, 200 ns, nine traces) headless and in the
// window shown on the offscreen platform, which draws every plotted step
// into its backing store, repaints and lets events through by wall clock.
// Each iteration runs both, one after the other; the iteration time is the
// window's run, and the counters give the headless run and what drawing added.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <chrono>
#include <cstdlib>

#include "bench/InverterRing.h"
#include "core/AppContext.h"
#include "platform/FakeDialogs.h"
#include "sim/ui/D_simul.h"

using namespace quill;

namespace {

struct Ring {
  SilentStatus status;
  FakeDialogs dialogs;
  DebugLog debug;
  SystemClock clock;
  DefaultRandom random;
  AppContext ctx{Services{status, dialogs, debug, clock, random}};
  ExtractedCircuit circuit;
  SimulationEngine engine{ctx.db, ctx.tech, circuit, ctx.services};
  SimulationWindow logic{engine, ctx, circuit};
  TFormSimul form{logic, ctx.services};

  explicit Ring(int stages) {
    ctx.tech.vdd = 2.5;
    ctx.tech.lambda = 0.125;
    ctx.tech.timeStep = 1e-12;
    ctx.layoutSettings.simulationLengthNs = 200;
    for (int i = 0; i < stages; ++i) {
      std::string name = "s";
      name += std::to_string(i);
      const int n = circuit.addNode(name);
      CircuitNode& x = circuit.nodes[static_cast<std::size_t>(n)];
      x.capacitance = 2e-15;
      x.kind = 3;
      x.visible = i % 12 == 0 ? 2 : 1;
    }
    bench::addRingInverters(circuit, ctx.tech.lambda, stages);
    engine.models.level = MosModelLevel::Level3;
    logic.setHost(&form);
    logic.setSurface(&form.DrawSimu->plotSurface());
    form.resize(1200, 700);
    form.show();
    QCoreApplication::processEvents();  // the paint area gets its size
    logic.UpdateOptions();
    logic.AssignNodes();
  }
};

double seconds(std::chrono::steady_clock::time_point a) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - a).count();
}

void BM_SimulationWindowOverHeadless(benchmark::State& state) {
  Ring r(101);
  double headless = 0, window = 0;
  for (auto _ : state) {
    auto t0 = std::chrono::steady_clock::now();
    r.logic.btnResetClick();  // reset, then the run in the window
    const double w = seconds(t0);
    // the same settings, no window
    r.engine.ResetSimulation();
    t0 = std::chrono::steady_clock::now();
    r.engine.RunSimulation();
    const double h = seconds(t0);
    headless += h;
    window += w;
    state.SetIterationTime(w);
  }
  const double n = static_cast<double>(state.iterations());
  headless /= n;
  window /= n;
  state.counters["headless_ms"] = headless * 1e3;
  state.counters["window_ms"] = window * 1e3;
  state.counters["added_ms"] = (window - headless) * 1e3;
  state.counters["added_pct"] = 100 * (window - headless) / headless;
  // allowed: 10 % of the headless run, or 20 ms when that is more
  state.counters["allowed_ms"] = std::max(0.1 * headless, 0.02) * 1e3;
  state.SetLabel(r.engine.modelName());
}
BENCHMARK(BM_SimulationWindowOverHeadless)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

int main(int argc, char** argv) {
  if (!std::getenv("QT_QPA_PLATFORM") && !std::getenv("DISPLAY")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
