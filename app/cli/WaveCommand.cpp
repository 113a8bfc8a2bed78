// quillmere-cli wave: the voltage a label's source gives its node over a
// time range, as the simulator drives it. quillmere-cli eval: one value of
// a stimulus formula. Students check their stimuli with them.
#include <CLI/CLI.hpp>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "app/cli/CliRun.h"
#include "editor/Expression.h"
#include "editor/Stimulus.h"
#include "platform/Cp1252.h"

namespace quill {

namespace {

// the seed when none is given: runs repeat, and noise stays off
constexpr std::uint64_t kDefaultSeed = 1;

// printf with "-0.000000" written without its sign
std::string fixed(const char* format, double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, format, v);
  std::string s = buf;
  if (s[0] == '-' && s.find_first_of("123456789") == std::string::npos) s.erase(0, 1);
  return s;
}

struct WaveOptions {
  std::string layout, label, rules;
  double from = 0, to = 0, step = 0;
  std::uint64_t seed = kDefaultSeed;
  bool seedGiven = false, json = false;
};

int runWave(Run& run, const WaveOptions& o) {
  if (!std::isfinite(o.from) || !std::isfinite(o.to) || !std::isfinite(o.step))
    return run.fail("--from, --to and --step must be finite numbers");
  if (!(o.step > 0)) return run.fail("--step must be above 0");
  if (o.to < o.from) return run.fail("--to lies below --from");
  const double span = std::floor((o.to - o.from) / o.step + 1e-9);
  if (!(span < 1e7)) return run.fail("more than 10000000 points");
  if (!run.loadRules(o.rules)) return 2;
  ReadReport rep;
  if (!run.readLayoutFile(o.layout, rep)) return 2;

  const LayoutDatabase& db = run.ctx->db;
  const std::string text = utf8ToCp1252(o.label);
  const LayoutLabel* label = nullptr;
  for (int i = 1; i <= db.labelCount() && !label; ++i)
    if (db.label(i).active && db.label(i).text == text) label = &db.label(i);
  if (!label) return run.fail("no label \"" + o.label + "\" in \"" + o.layout + "\"");
  StimulusSource source(*label, {run.ctx->tech.vdd, run.ctx->tech.vddHigh, o.step * 1e-9});
  if (!source.drives()) return run.fail("label \"" + o.label + "\" is a plain name: it drives nothing");
  if (label->kind == kLabelMath && !source.expression().valid())
    run.err << "warning: " << cp1252ToUtf8(source.expression().message()) << ": the node stays at VDD/2\n";

  DefaultRandom random(o.seed);
  StimulusRun state(random);
  state.inputNoise = o.seedGiven;
  state.inputNoiseRms = kDefaultInputNoiseRms;
  state.sinusNoise = o.seedGiven;
  state.reset();
  source.reset(random);

  const long n = static_cast<long>(span);
  std::string out;
  if (o.json) out += '[';
  for (long k = 0; k <= n; ++k) {
    const double tNs = o.from + static_cast<double>(k) * o.step;
    const SourceValue v = source.at(tNs * 1e-9, state);
    if (o.json) {
      if (k > 0) out += ',';
      out += '[';
      out += nlohmann::json(tNs).dump();
      out += ',';
      out += v.released ? std::string("null") : nlohmann::json(v.volts == 0 ? 0.0 : v.volts).dump();
      out += ']';
    } else {
      out += fixed("%.4f", tNs);
      out += ' ';
      out += v.released ? std::string("released") : fixed("%.6f", v.volts);
      out += '\n';
    }
    if (out.size() > (1u << 16)) {
      run.out << out;
      out.clear();
    }
  }
  if (o.json) out += "]\n";
  run.out << out;
  return 0;
}

struct EvalOptions {
  std::vector<std::string> expression;
  std::string rules;
  double t = 0;
  std::uint64_t seed = kDefaultSeed;
};

// 0 with the value, 1 on an error of the formula (its text on stdout)
int runEval(Run& run, const EvalOptions& o) {
  if (!std::isfinite(o.t)) return run.fail("--t must be a finite number");
  if (!run.loadRules(o.rules)) return 2;
  std::string text;
  for (const std::string& part : o.expression) text += (text.empty() ? "" : " ") + part;
  const TechnologyRules& tech = run.ctx->tech;
  Expression e(utf8ToCp1252(text), {tech.vdd, tech.vddHigh, tech.timeStep});
  if (!e.valid()) {
    run.out << cp1252ToUtf8(e.message()) << '\n';
    return 1;
  }
  DefaultRandom random(o.seed);
  const EvalResult v = e.evaluate(o.t, random);
  if (!v.ok()) {
    run.out << evalErrorText(v.errors) << '\n';
    return 1;
  }
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.17g\n", v.value == 0 ? 0.0 : v.value);
  run.out << buf;
  return 0;
}

}  // namespace

void registerWaveCommands(CLI::App& app, CommandSet& set) {
  auto w = std::make_shared<WaveOptions>();
  auto* wave = app.add_subcommand("wave", "Voltage of a label's source over time, as the simulator drives it");
  wave->add_option("LAYOUT", w->layout, "Layout file (.msk)")->required();
  wave->add_option("--label", w->label, "Text of the label (the first active one with exactly this text)")->required();
  wave->add_option("--from", w->from, "First time (ns)")->required();
  wave->add_option("--to", w->to, "Last time (ns)")->required();
  wave->add_option("--step", w->step, "Time step (ns)")->required();
  wave->add_option("--seed", w->seed,
                   "Seed of the random numbers; with it, noise is on (sinus noise of the label, 0.1 V RMS on "
                   "clocks and pulses)");
  wave->add_option("--rules", w->rules, "Rule file to use");
  wave->add_flag("--json", w->json, "A JSON list of [t, V] pairs (V null while released)");
  set.add(wave, [w, wave](Run& run) {
    w->seedGiven = wave->count("--seed") > 0;
    return runWave(run, *w);
  });

  auto e = std::make_shared<EvalOptions>();
  auto* eval = app.add_subcommand("eval", "Value of a stimulus formula at one time (put -- before the formula)");
  eval->add_option("--t", e->t, "Time in seconds (default 0)");
  eval->add_option("--seed", e->seed, "Seed of the random numbers");
  eval->add_option("--rules", e->rules, "Rule file to use");
  eval->add_option("EXPR", e->expression, "The formula")->required();
  set.add(eval, [e](Run& run) { return runEval(run, *e); });
}

}  // namespace quill
