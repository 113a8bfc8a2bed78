// Engine throughput on an odd ring of 1001 inverters, couplings off,
// measured after the first 2 ns: device-terminal currents per second.
#include <benchmark/benchmark.h>

#include "bench/InverterRing.h"
#include "core/AppContext.h"
#include "platform/FakeDialogs.h"
#include "sim/Engine.h"

using namespace quill;

namespace {

struct Ring {
  SilentStatus status;
  FakeDialogs dialogs;
  DebugLog debug;
  FakeClock clock;
  DefaultRandom random;
  AppContext ctx{Services{status, dialogs, debug, clock, random}};
  ExtractedCircuit circuit;
  std::unique_ptr<SimulationEngine> engine;

  Ring(int stages, MosModelLevel level) {
    ctx.tech.vdd = 2.5;
    ctx.tech.lambda = 0.125;
    for (int i = 0; i < stages; ++i) {
      int n = circuit.addNode("");
      circuit.nodes[static_cast<std::size_t>(n)].capacitance = 2e-15;
      circuit.nodes[static_cast<std::size_t>(n)].kind = 3;
    }
    const MosModelContext m(ctx.tech);
    bench::addRingInverters(circuit, ctx.tech.lambda, stages);
    engine = std::make_unique<SimulationEngine>(ctx.db, ctx.tech, circuit, ctx.services);
    engine->models.level = level;
    engine->settings.dt = 1e-12;
    engine->settings.tsim = 2e-9;
    engine->settings.checkFreq = engine->settings.minMax = engine->settings.checkDelayAndIdd = false;
    engine->ResetSimulation();
    engine->RunSimulation();  // past the soft start
  }
};

void BM_RingStep(benchmark::State& state) {
  const int stages = 1001;
  Ring r(stages, static_cast<MosModelLevel>(state.range(0)));
  for (auto _ : state) r.engine->SimulationStep();
  // each output node asks both its devices once per step
  state.SetItemsProcessed(state.iterations() * 2 * stages);
  state.SetLabel(r.engine->modelName());
}
BENCHMARK(BM_RingStep)->Arg(0)->Arg(1)->Arg(2);

}  // namespace

BENCHMARK_MAIN();
