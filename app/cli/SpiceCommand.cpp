// quillmere-cli spice: extracts the layout and writes its SPICE netlist,
// also after a failed extraction (the file then says so).
#include <CLI/CLI.hpp>
#include <cmath>
#include <memory>

#include "app/cli/CliRun.h"
#include "exchange/SpiceNetlist.h"
#include "platform/Cp1252.h"
#include "verify/Extract.h"

namespace quill {

namespace {

struct SpiceOptions {
  std::string layout, output, rules, model = "level3", flavour = "pspice", couplings = "none";
  double timeNs = std::nan("");  // NaN: the layout's
};

int runSpice(Run& run, const SpiceOptions& o) {
  if (!run.loadRules(o.rules)) return 2;
  ReadReport rep;
  if (!run.readLayoutFile(o.layout, rep)) return 2;
  if (!std::isnan(o.timeNs) && !(o.timeNs > 0)) return run.fail("--time must be above 0 ns");
  AppContext& ctx = *run.ctx;

  ExtractionOptions options;
  options.model = o.model == "level1" ? MosModelLevel::Level1 : o.model == "bsim4" ? MosModelLevel::Bsim4
                                                                                    : MosModelLevel::Level3;
  options.lateralCouplings = o.couplings == "lateral" || o.couplings == "both";
  options.verticalCouplings = o.couplings == "vertical" || o.couplings == "both";
  ExtractedCircuit circuit;
  run.sv.status.showProgress = true;
  const ExtractResult ex = extractCircuit(ctx.db, ctx.tech, options, circuit, ctx.services);
  run.sv.status.showProgress = false;

  SpiceRequest r;
  r.tsim = (o.timeNs > 0 ? o.timeNs : ctx.layoutSettings.simulationLengthNs) * 1e-9;
  r.timeStep = ctx.tech.timeStep;
  r.flavour = o.flavour == "winspice" ? SpiceFlavour::Winspice : SpiceFlavour::Pspice;
  r.lateralCouplings = options.lateralCouplings;
  r.verticalCouplings = options.verticalCouplings;
  const std::string name = o.output.empty() ? spiceFileName(o.layout) : o.output;
  const SpiceResult w = writeSpiceNetlist(ctx.db, ctx.tech, circuit, ex, r, run.sv.status, name);
  if (!w.written) return run.fail(cp1252ToUtf8(w.message));
  run.out << cp1252ToUtf8(w.message) << '\n';
  return ex.ok() ? 0 : 1;
}

}  // namespace

void registerSpiceCommand(CLI::App& app, CommandSet& set) {
  auto o = std::make_shared<SpiceOptions>();
  auto* c = app.add_subcommand("spice", "Extract a layout and write its SPICE netlist");
  c->add_option("LAYOUT", o->layout, "Layout file (.msk)")->required();
  c->add_option("OUT", o->output, "Netlist to write (default: the layout's name with the extension CIR)");
  c->add_option("--rules", o->rules, "Rule file to use");
  c->add_option("--model", o->model, "level1, level3 or bsim4 (a \"BSIM\" label chooses bsim4)")
      ->check(CLI::IsMember({"level1", "level3", "bsim4"}));
  c->add_option("--flavour", o->flavour, "pspice or winspice")->check(CLI::IsMember({"pspice", "winspice"}));
  c->add_option("--time", o->timeNs, "Simulated time in ns (default: the layout's)");
  c->add_option("--couplings", o->couplings, "none, lateral, vertical or both")
      ->check(CLI::IsMember({"none", "lateral", "vertical", "both"}));
  set.add(c, [o](Run& run) { return runSpice(run, *o); });
}

}  // namespace quill
