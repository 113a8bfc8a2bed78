// quillmere-cli mos: the drain current of one device over a drain-voltage
// sweep, through the same channel-current entry point the simulator uses.
#include <CLI/CLI.hpp>
#include <cmath>
#include <cstdio>
#include <memory>
#include <nlohmann/json.hpp>

#include "app/cli/CliRun.h"
#include "sim/MosModel.h"

namespace quill {

namespace {

struct MosOptions {
  std::string polarity = "n", model = "level3", rules;
  double w = 0, l = 0, vg = 0, vdFrom = 0, vdTo = 0, vdStep = 0;
  double vb = 0, temp = 0;
  bool vbGiven = false, tempGiven = false, json = false;
  int variant = 1;
};

int runMos(Run& run, const MosOptions& o) {
  if (!(o.vdStep > 0)) return run.fail("--vd-step must be above 0");
  if (o.vdTo < o.vdFrom) return run.fail("--vd-to lies below --vd-from");
  if (o.w < 0 || o.l < 0) return run.fail("--w and --l must not be negative");
  const double span = std::floor((o.vdTo - o.vdFrom) / o.vdStep + 1e-9);
  if (!(span < 1e7)) return run.fail("more than 10000000 points");
  run.sv.status.quiet = o.json;
  if (!run.loadRules(o.rules)) return 2;

  TechnologyRules& tech = run.ctx->tech;
  if (o.tempGiven) tech.temperature = o.temp;
  MosModelContext models(tech);  // derived parameters at this temperature, typical corner
  models.level = o.model == "level1" ? MosModelLevel::Level1
                 : o.model == "bsim4" ? MosModelLevel::Bsim4
                                      : MosModelLevel::Level3;
  const Polarity pol = o.polarity == "p" ? Polarity::P : Polarity::N;
  const MosVariant v = o.variant - 1;
  const double L = o.l == 0 ? 0.0 : models.EffectiveLength(o.l, pol, v);
  const double W = models.widthMetres(o.w);
  const double vs = pol == Polarity::N ? 0.0 : tech.vdd;
  const double vb = o.vbGiven ? o.vb : vs;

  nlohmann::ordered_json points = nlohmann::ordered_json::array();
  const long n = static_cast<long>(span);
  for (long k = 0; k <= n; ++k) {
    const double vd = o.vdFrom + static_cast<double>(k) * o.vdStep;
    // the current into the drain's node from the device, as the simulator
    // asks for it; the drain terminal takes its negation from outside
    const double towardsDrain = pol == Polarity::N ? models.ChannelCurrent(pol, v, L, W, vb, vd, o.vg, vs)
                                                   : models.ChannelCurrent(pol, v, L, W, vb, vs, o.vg, vd);
    double id = -towardsDrain;
    if (id == 0) id = 0;  // no "-0"
    if (o.json) {
      points.push_back({{"vd", vd}, {"id", id}});
    } else {
      char line[96];
      std::snprintf(line, sizeof line, "%.6g %.9e\n", vd, id);
      run.out << line;
    }
  }
  if (o.json) {
    nlohmann::ordered_json j;
    j["model"] = o.model;
    j["polarity"] = o.polarity;
    j["w"] = o.w;
    j["l"] = o.l;
    j["vg"] = o.vg;
    j["vb"] = vb;
    j["points"] = points;
    run.out << j.dump(2) << '\n';
  }
  return 0;
}

}  // namespace

void registerMosCommand(CLI::App& app, CommandSet& set) {
  auto o = std::make_shared<MosOptions>();
  auto* c = app.add_subcommand("mos", "Drain current of one MOS device over a drain-voltage sweep");
  c->add_option("--polarity", o->polarity, "n or p")->check(CLI::IsMember({"n", "p"}));
  c->add_option("--model", o->model, "level1, level3 or bsim4")->check(CLI::IsMember({"level1", "level3", "bsim4"}));
  c->add_option("--w", o->w, "Width in lambda")->required();
  c->add_option("--l", o->l, "Length in lambda")->required();
  c->add_option("--vg", o->vg, "Gate voltage")->required();
  c->add_option("--vd-from", o->vdFrom, "First drain voltage")->required();
  c->add_option("--vd-to", o->vdTo, "Last drain voltage")->required();
  c->add_option("--vd-step", o->vdStep, "Drain-voltage step")->required();
  c->add_option("--vb", o->vb, "Bulk voltage (default: the source)");
  c->add_option("--variant", o->variant, "Option set 1..4")->check(CLI::Range(1, 4));
  c->add_option("--temp", o->temp, "Temperature in degrees C (default TEMP)");
  c->add_option("--rules", o->rules, "Rule file to use");
  c->add_flag("--json", o->json, "JSON output");
  set.add(c, [o, c](Run& run) {
    o->vbGiven = c->count("--vb") > 0;
    o->tempGiven = c->count("--temp") > 0;
    return runMos(run, *o);
  });
}

}  // namespace quill
