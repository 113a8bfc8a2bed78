#include "app/cli/CliApp.h"

#include <CLI/CLI.hpp>
#include <cstdlib>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <ostream>
#include <string>
#include <vector>

#include "app/cli/CliRun.h"
#include "app/cli/CliServices.h"
#include "core/AppContext.h"
#include "core/MskFile.h"
#include "core/RuleFile.h"
#include "core/Text.h"
#include "core/TextFile.h"

namespace quill {

namespace {

using nlohmann::ordered_json;

std::string utf8(const std::string& s) { return cp1252ToUtf8(s); }

ordered_json layerFields(const LayerRecord& l) {
  ordered_json j;
  j["sheetResistance"] = l.sheetResistance;
  j["unsalicidedResistance"] = l.unsalicidedResistance;
  j["thickness"] = l.thickness;
  j["height"] = l.height;
  j["permittivity"] = l.permittivity;
  j["surfaceCapacitance"] = l.surfaceCapacitance;
  j["perimeterCapacitance"] = l.perimeterCapacitance;
  j["crosstalkCapacitance"] = l.crosstalkCapacitance;
  j["plateCapacitance"] = l.plateCapacitance;
  j["widthRule"] = l.widthRule;
  j["spacingRule"] = l.spacingRule;
  j["cifName"] = utf8(l.cifName);
  j["cifNumber"] = l.cifNumber;
  return j;
}

ordered_json modelJson(const MosModelParameters& m) {
  ordered_json j;
  std::size_t n = 0;
  const ModelKey* keys = modelKeys(n);
  MosModelParameters copy = m;
  for (std::size_t i = 0; i < n; ++i) j[keys[i].key] = keys[i].field(copy);
  j["l3U0PerKind"] = m.l3U0;
  return j;
}

ordered_json techJson(const TechnologyRules& t, const LayerTable& L) {
  ordered_json j;
  j["name"] = utf8(t.technologyName);
  j["ruleFilePath"] = utf8(t.ruleFilePath);
  j["LAMB"] = t.lambda;
  j["VDD"] = t.vdd;
  j["HVDD"] = t.vddHigh;
  j["TEMP"] = t.temperature;
  j["DELT"] = t.timeStep;
  j["RISE"] = t.riseTime;
  j["GATE"] = t.gateOxidePermittivity;
  j["LOWK"] = t.lowKPermittivity;
  j["UCIF"] = t.cifUnit;
  j["META"] = t.metalLevels;
  j["ROPT"] = t.optionMargin;
  j["HEEP"] = t.buriedLayerDepth;
  j["THEP"] = t.buriedLayerThickness;
  j["HEST"] = t.isolationDepth;
  j["THST"] = t.isolationThickness;
  j["SOI"] = t.soi;
  j["EPI"] = t.epi;
  j["LDD"] = t.ldd;
  j["SALI"] = t.salicide;
  j["EDRA"] = t.embeddedDram;
  j["EFRA"] = t.embeddedFram;
  j["doublePoly"] = t.doublePoly;
  ordered_json names = ordered_json::array();
  for (const auto& n : t.mosKindNames) names.push_back(utf8(n));
  j["mosKindNames"] = names;
  j["dramCapacitance"] = t.dramCapacitance;
  j["framCapacitance"] = t.framCapacitance;
  ordered_json rules;
  for (int r = 0; r < kRuleCount; ++r) rules[ruleInfo(r).code] = t.rule(r);
  j["rules"] = rules;
  j["nmos"] = modelJson(t.nmos);
  j["pmos"] = modelJson(t.pmos);
  ordered_json layers;
  for (int i = 1; i <= kLayerCount; ++i) layers[utf8(L[i].name)] = layerFields(L[i]);
  j["layers"] = layers;
  ordered_json d;
  d["capacitancePerLambda"] = t.capacitancePerLambda;
  d["capacitancePerLambda2"] = t.capacitancePerLambda2;
  d["gateAreaCapacitance"] = t.gateAreaCapacitance;
  d["sqrtPhi"] = {{"n", t.sqrtPhiN}, {"p", t.sqrtPhiP}};
  d["contactPadSize"] = t.contactPadSize;
  d["contactPitch"] = t.contactPitch;
  d["routingPitch"] = t.routingPitch;
  d["viaOverContactAllowed"] = t.viaOverContactAllowed;
  d["midSupply"] = t.midSupply;
  d["padSizeUm"] = t.padSizeUm;
  d["parametricSweep"] = {{"from", t.sweepFrom}, {"to", t.sweepTo}, {"step", t.sweepStep}};
  const StimulusDefaults& s = t.stimulus;
  d["stimulus"] = {{"dcLevel", s.dcLevel},         {"clockHigh", s.clockHigh},   {"pulseHigh", s.pulseHigh},
                   {"pwlHigh", s.pwlHigh},         {"clockRise", s.clockRise},   {"clockFall", s.clockFall},
                   {"clockLow", s.clockLow},       {"clockHighTime", s.clockHighTime},
                   {"pulseRise", s.pulseRise},     {"pulseFall", s.pulseFall},   {"pulseStart", s.pulseStart},
                   {"pulseDuration", s.pulseDuration}, {"sineOffset", s.sineOffset},
                   {"sineAmplitude", s.sineAmplitude}};
  const MosViewerDefaults& v = t.mosViewer;
  d["mosViewer"] = {{"maxDrain", v.maxDrain}, {"maxGate", v.maxGate}, {"gateStep", v.gateStep},
                    {"bulkStep", v.bulkStep}, {"lowestBulk", v.lowestBulk}, {"maxGateIdVg", v.maxGateIdVg}};
  d["minMosLength"] = t.minMosLength;
  d["minMosWidth"] = t.minMosWidth;
  j["derived"] = d;
  return j;
}

// one "key = value" per line, the JSON flattened
void printFlat(std::ostream& out, const ordered_json& j, const std::string& prefix) {
  for (auto it = j.begin(); it != j.end(); ++it) {
    std::string key = prefix.empty() ? it.key() : prefix + "." + it.key();
    if (it->is_object()) printFlat(out, *it, key);
    else if (it->is_string()) out << key << " = " << it->get<std::string>() << '\n';
    else out << key << " = " << it->dump() << '\n';
  }
}

int cmdTech(Run& run, const std::string& file, bool json) {
  if (!run.checkRuleFile(file)) return 2;
  if (!loadRuleFile(run.ctx->tech, run.ctx->db.layers, file, run.sv.status, run.sv.debug))
    return run.fail("cannot read rule file \"" + file + "\"");
  ordered_json j = techJson(run.ctx->tech, run.ctx->db.layers);
  if (json) run.out << j.dump(2) << '\n';
  else printFlat(run.out, j, "");
  return 0;
}

int cmdInfo(Run& run, const std::string& layout, const std::string& rules, bool json) {
  if (!run.loadRules(rules)) return 2;
  ReadReport rep;
  if (!run.readLayoutFile(layout, rep)) return 2;
  LayoutDatabase& db = run.ctx->db;
  std::map<std::string, int> perLayer;
  for (int i = 1; i <= db.boxCount(); ++i) {
    const LayoutBox& b = db.box(i);
    if (b.state != 0) ++perLayer[db.layers[b.layer].code];
  }
  db.computeBoundingBox();
  const Rect& bb = db.boundingBox();
  if (json) {
    ordered_json j;
    j["technology"] = {{"name", utf8(run.ctx->tech.technologyName)}, {"LAMB", run.ctx->tech.lambda},
                       {"VDD", run.ctx->tech.vdd}};
    j["boxes"] = db.boxCount();
    ordered_json layers = ordered_json::object();
    for (int i = 1; i <= kLayerCount; ++i) {
      auto it = perLayer.find(db.layers[i].code);
      if (it != perLayer.end()) layers[it->first] = it->second;
    }
    j["layers"] = layers;
    ordered_json labels = ordered_json::array();
    for (int i = 1; i <= db.labelCount(); ++i) {
      const LayoutLabel& l = db.label(i);
      if (!l.active) continue;
      labels.push_back({{"text", utf8(l.text)}, {"kind", l.kind}, {"x", l.x}, {"y", l.y},
                        {"visible", l.visibleInSimulation}});
    }
    j["labels"] = labels;
    ordered_json rlc = ordered_json::array();
    for (int i = 1; i <= db.rlcCount(); ++i) {
      const RlcSymbol& r = db.rlc(i);
      if (!r.active) continue;
      rlc.push_back({{"kind", r.kind}, {"x1", r.x1}, {"y1", r.y1}, {"x2", r.x2}, {"y2", r.y2}, {"text", utf8(r.text)}});
    }
    j["rlc"] = rlc;
    j["bbox"] = {bb.x1, bb.y1, bb.x2, bb.y2};
    run.out << j.dump(2) << '\n';
    return 0;
  }
  std::ostream& o = run.out;
  o << "technology: " << utf8(run.ctx->tech.technologyName) << '\n';
  o << "lambda: " << F(run.ctx->tech.lambda, 1, 4) << " um\n";
  o << "boxes: " << db.boxCount() << '\n';
  for (int i = 1; i <= kLayerCount; ++i) {
    auto it = perLayer.find(db.layers[i].code);
    if (it != perLayer.end()) o << "  " << it->first << " " << utf8(db.layers[i].name) << ": " << it->second << '\n';
  }
  int nl = 0;
  for (int i = 1; i <= db.labelCount(); ++i) nl += db.label(i).active ? 1 : 0;
  o << "labels: " << nl << '\n';
  for (int i = 1; i <= db.labelCount(); ++i) {
    const LayoutLabel& l = db.label(i);
    if (!l.active) continue;
    o << "  \"" << utf8(l.text) << "\" kind " << int(l.kind) << " at " << l.x << "," << l.y
      << (l.visibleInSimulation ? " visible" : "") << '\n';
  }
  int nr = 0;
  for (int i = 1; i <= db.rlcCount(); ++i) nr += db.rlc(i).active ? 1 : 0;
  o << "rlc: " << nr << '\n';
  for (int i = 1; i <= db.rlcCount(); ++i) {
    const RlcSymbol& r = db.rlc(i);
    if (!r.active) continue;
    o << "  kind " << int(r.kind) << " " << r.x1 << "," << r.y1 << " " << r.x2 << "," << r.y2 << " \""
      << utf8(r.text) << "\"\n";
  }
  o << "bbox: " << bb.x1 << "," << bb.y1 << "," << bb.x2 << "," << bb.y2 << '\n';
  return 0;
}

int cmdSave(Run& run, const std::string& in, const std::string& outFile, const std::string& rules) {
  if (!run.loadRules(rules)) return 2;
  ReadReport rep;
  if (!run.readLayoutFile(in, rep)) return 2;
  if (!saveLayout(*run.ctx, outFile))
    return run.fail("cannot write \"" + outFile + "\": " + utf8(run.sv.status.text(StatusMessage::Main)));
  return 0;
}

}  // namespace

void registerFileCommands(CLI::App& app, CommandSet& set) {
  struct Options {
    std::string file, rules, out;
    bool json = false;
  };
  auto tech = std::make_shared<Options>();
  auto* t = app.add_subcommand("tech", "Read one rule file and print the technology");
  t->add_option("FILE", tech->file, "Rule file (.rul)")->required();
  t->add_flag("--json", tech->json, "JSON output");
  set.add(t, [tech](Run& run) { return cmdTech(run, tech->file, tech->json); });

  auto info = std::make_shared<Options>();
  auto* i = app.add_subcommand("info", "Summarise a layout");
  i->add_option("LAYOUT", info->file, "Layout file (.msk)")->required();
  i->add_option("--rules", info->rules, "Rule file to use");
  i->add_flag("--json", info->json, "JSON output");
  set.add(i, [info](Run& run) {
    run.sv.status.quiet = info->json;
    return cmdInfo(run, info->file, info->rules, info->json);
  });

  auto save = std::make_shared<Options>();
  auto* s = app.add_subcommand("save", "Read a layout and write it back");
  s->add_option("IN", save->file, "Layout to read")->required();
  s->add_option("OUT", save->out, "Layout to write")->required();
  s->add_option("--rules", save->rules, "Rule file to use");
  set.add(s, [save](Run& run) { return cmdSave(run, save->file, save->out, save->rules); });
}

int runCli(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
  CLI::App app{"Quillmere batch commands", "quillmere-cli"};
  app.require_subcommand(1);
  app.set_version_flag("--version", "quillmere-cli 3.0c");
  CommandSet commands;
  registerFileCommands(app, commands);
  registerMosCommand(app, commands);
  registerDrcCommand(app, commands);
  registerExtractCommand(app, commands);
  registerRenderCommand(app, commands);
  registerWaveCommands(app, commands);
  registerGenerateCommand(app, commands);
  registerSimulateCommand(app, commands);
  registerSpiceCommand(app, commands);

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    app.exit(e, out, err);
    return e.get_exit_code() == 0 ? 0 : 2;  // every usage error is bad input
  }

  Run run(out, err);
  try {
    for (const auto& c : commands.entries)
      if (c.sub->parsed()) return c.run(run);
  } catch (const std::exception& e) {
    return run.fail(std::string("internal error: ") + e.what());
  }
  return 2;
}

}  // namespace quill
