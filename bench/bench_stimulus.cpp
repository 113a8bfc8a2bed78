// Stimulus evaluations per second: the simulator asks every driven node for
// its voltage once per time step. A compiled formula, then each source kind.
#include <benchmark/benchmark.h>

#include <memory>

#include "editor/Expression.h"
#include "editor/Stimulus.h"

using namespace quill;

namespace {

const ExpressionConstants kTech{1.8, 3.3, 1e-11};
constexpr double kDt = 1e-11;

void BM_Expression(benchmark::State& state, const char* text) {
  Expression e(text, kTech);
  DefaultRandom r(1);
  double t = 0, sum = 0;
  for (auto _ : state) {
    sum += e.evaluate(t, r).value;
    t += kDt;
  }
  benchmark::DoNotOptimize(sum);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK_CAPTURE(BM_Expression, sine, "sin(2*pi*t/1e-9)*0.5+0.5");
BENCHMARK_CAPTURE(BM_Expression, mixed, "0.2*sin(2*pi*450e6*t)+0.1*sin(2*pi*2.0e9*t)");
BENCHMARK_CAPTURE(BM_Expression, envelope, "vdd*Exp(-sqr((t-5e-9)/2e-9))*sin(2*pi*2e9*t)");
BENCHMARK_CAPTURE(BM_Expression, noise, "gauss(0.1)+0.1*sin(2*pi*2.5e9*t)");

LayoutLabel source(int kind) {
  LayoutLabel l;
  l.kind = static_cast<std::uint8_t>(kind);
  l.level1 = 1000;
  l.level0 = 0;
  if (kind == kLabelClock || kind == kLabelPulse) l.param = {1e-9, 1.1e-9, 2.1e-9, 2.2e-9};
  if (kind == kLabelSinus) l.param = {500, 0, 0.01, 0};
  if (kind == kLabelPwl) {
    l.pwl = std::make_unique<PwlTable>();
    l.pwl->count = 63;
    for (int k = 1; k <= 63; ++k) {
      l.pwl->time[static_cast<std::size_t>(k)] = 0.5 * (k - 1);
      l.pwl->code[static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(k % 5);
    }
  }
  if (kind == kLabelMath) l.text = "sin(2*pi*t/1e-9)*0.5+0.5";
  return l;
}

void BM_Source(benchmark::State& state) {
  const int kind = static_cast<int>(state.range(0));
  const bool noise = state.range(1) != 0;
  StimulusSource s(source(kind), kTech);
  DefaultRandom r(1);
  s.reset(r);
  StimulusRun run(r);
  run.inputNoise = noise;
  run.sinusNoise = noise;
  double t = 0, sum = 0;
  for (auto _ : state) {
    sum += s.at(t, run).volts;
    t += kDt;
    if (t > 32e-9) t = 0;  // stays within the sequence's times
  }
  benchmark::DoNotOptimize(sum);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Source)
    ->ArgNames({"kind", "noise"})
    ->Args({kLabelSupply, 0})
    ->Args({kLabelClock, 0})
    ->Args({kLabelClock, 1})
    ->Args({kLabelPulse, 0})
    ->Args({kLabelSinus, 0})
    ->Args({kLabelSinus, 1})
    ->Args({kLabelPwl, 0})
    ->Args({kLabelMath, 0});

}  // namespace

BENCHMARK_MAIN();
