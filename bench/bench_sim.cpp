// Channel-current evaluations per second, the simulator's inner loop, on a
// bias mix where nearly every point conducts.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "sim/MosModel.h"

using namespace quill;

namespace {

struct Bias {
  double va, vg, vb2;
};

std::vector<Bias> biasMix(bool pChannel, double vdd) {
  std::mt19937 gen(3);
  std::uniform_real_distribution<double> gate(0.45 * vdd, vdd), drain(0.05 * vdd, vdd);
  std::vector<Bias> v(4096);
  for (auto& b : v) {
    double vd = drain(gen), vg = gate(gen);
    b = pChannel ? Bias{vdd, vdd - vg, vdd - vd} : Bias{vd, vg, 0.0};
  }
  return v;
}

TechnologyRules tech25() {
  TechnologyRules t;
  t.vdd = 2.5;
  t.nmos.l3Vto[0] = 0.5;
  t.pmos.l3Vto[0] = -0.55;
  return t;
}

template <class F>
void run(benchmark::State& state, const std::vector<Bias>& bias, F f) {
  std::size_t i = 0;
  double sum = 0;
  for (auto _ : state) {
    const Bias& b = bias[i++ & 4095];
    sum += f(b);
  }
  benchmark::DoNotOptimize(sum);
  state.SetItemsProcessed(state.iterations());
}

void BM_Level1Direct(benchmark::State& state) {
  TechnologyRules t = tech25();
  MosModelContext m(t);
  bool p = state.range(0) != 0;
  auto bias = biasMix(p, t.vdd);
  if (p) run(state, bias, [&](const Bias& b) { return m.level1P(0, 2, 8, t.vdd, b.va, b.vg, b.vb2); });
  else run(state, bias, [&](const Bias& b) { return m.level1N(0, 2, 8, 0, b.va, b.vg, b.vb2); });
}
BENCHMARK(BM_Level1Direct)->Arg(0)->Arg(1);

void BM_ChannelCurrent(benchmark::State& state) {
  TechnologyRules t = tech25();
  MosModelContext m(t);
  m.level = static_cast<MosModelLevel>(state.range(0));
  bool p = state.range(1) != 0;
  auto bias = biasMix(p, t.vdd);
  const Polarity pol = p ? Polarity::P : Polarity::N;
  const double vb = p ? t.vdd : 0;
  run(state, bias, [&](const Bias& b) { return m.ChannelCurrent(pol, 0, 0.25e-6, 1e-6, vb, b.va, b.vg, b.vb2); });
}
BENCHMARK(BM_ChannelCurrent)->ArgsProduct({{1, 2}, {0, 1}})->ArgNames({"level", "p"});

// the simulator's path: each device prepared once per run
void BM_PreparedDevice(benchmark::State& state) {
  TechnologyRules t = tech25();
  MosModelContext m(t);
  m.level = static_cast<MosModelLevel>(state.range(0));
  bool p = state.range(1) != 0;
  auto bias = biasMix(p, t.vdd);
  const Polarity pol = p ? Polarity::P : Polarity::N;
  const double vb = p ? t.vdd : 0;
  PreparedMos dev = m.prepare(pol, 0, 0.25e-6, 1e-6);
  run(state, bias, [&](const Bias& b) { return m.ChannelCurrent(dev, vb, b.va, b.vg, b.vb2); });
}
BENCHMARK(BM_PreparedDevice)->ArgsProduct({{1, 2}, {0, 1}})->ArgNames({"level", "p"});

}  // namespace

BENCHMARK_MAIN();
