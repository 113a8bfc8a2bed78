// quillmere-cli extract: the circuit extraction as the editor runs it, the
// nodes from 2 on and both device tables, then the final status text.
#include <CLI/CLI.hpp>
#include <memory>
#include <nlohmann/json.hpp>

#include "app/cli/CliRun.h"
#include "core/Text.h"
#include "platform/Cp1252.h"
#include "verify/Extract.h"

namespace quill {

namespace {

struct ExtractOptions {
  std::string layout, rules, model = "level3";
  bool json = false;
};

MosModelLevel levelOf(const std::string& m) {
  if (m == "level1") return MosModelLevel::Level1;
  if (m == "bsim4") return MosModelLevel::Bsim4;
  return MosModelLevel::Level3;
}

std::string nameOf(const ExtractedCircuit& c, int k) {
  if (k < 0 || k > c.highestNode()) return "";
  return cp1252ToUtf8(c.nodes[static_cast<std::size_t>(k)].name);
}

nlohmann::ordered_json nodeJson(const ExtractedCircuit& c, int k) {
  const CircuitNode& n = c.nodes[static_cast<std::size_t>(k)];
  nlohmann::ordered_json j;
  j["index"] = k;
  j["name"] = cp1252ToUtf8(n.name);
  j["kind"] = static_cast<int>(n.kind);
  j["capacitance"] = n.capacitance;
  j["couplingTotal"] = n.couplingTotal;
  j["junctionCapacitance"] = n.junctionCapacitance;
  j["gateCapacitance"] = n.gateCapacitance;
  j["length"] = n.length;
  j["rMetal"] = n.rMetal;
  j["rPoly"] = n.rPoly;
  j["rDiffusion"] = n.rDiffusion;
  j["rVia"] = n.rVia;
  j["riseDelay"] = n.riseDelay;
  j["fallDelay"] = n.fallDelay;
  j["floating"] = n.floating;
  return j;
}

nlohmann::ordered_json deviceJson(const ExtractedCircuit& c, const MosDevice& d) {
  nlohmann::ordered_json j;
  j["gate"] = nameOf(c, d.gate);
  j["nodeA"] = nameOf(c, d.nodeA);
  j["nodeB"] = nameOf(c, d.nodeB);
  j["bulk"] = nameOf(c, d.bulk);
  j["gateIndex"] = d.gate;
  j["nodeAIndex"] = d.nodeA;
  j["nodeBIndex"] = d.nodeB;
  j["bulkIndex"] = d.bulk;
  j["width"] = d.width;
  j["length"] = d.length;
  j["effectiveLength"] = d.effectiveLength;
  j["widthMetres"] = d.widthMetres;
  j["variant"] = static_cast<int>(d.variant);
  return j;
}

int runExtract(Run& run, const ExtractOptions& o) {
  if (!run.loadRules(o.rules)) return 2;
  ReadReport rep;
  if (!run.readLayoutFile(o.layout, rep)) return 2;
  ExtractionOptions opt;
  opt.model = levelOf(o.model);
  ExtractedCircuit c;
  run.sv.status.showProgress = true;
  ExtractResult r = extractCircuit(run.ctx->db, run.ctx->tech, opt, c, run.ctx->services);
  run.sv.status.showProgress = false;

  if (o.json) {
    nlohmann::ordered_json j;
    j["model"] = modelName(c.model);
    nlohmann::ordered_json nodes = nlohmann::ordered_json::array();
    for (int k = 2; k <= c.highestNode(); ++k) nodes.push_back(nodeJson(c, k));
    j["nodes"] = nodes;
    for (Polarity p : {Polarity::N, Polarity::P}) {
      nlohmann::ordered_json list = nlohmann::ordered_json::array();
      for (int i = 1; i <= c.deviceCount(p); ++i) list.push_back(deviceJson(c, c.table(p)[static_cast<std::size_t>(i)]));
      j[p == Polarity::N ? "nmos" : "pmos"] = list;
    }
    j["message"] = cp1252ToUtf8(r.message);
    run.out << j.dump(2) << '\n';
  } else {
    std::ostream& out = run.out;
    out << "model: " << modelName(c.model) << '\n';
    out << "nodes: " << (c.highestNode() - 1) << '\n';
    for (int k = 2; k <= c.highestNode(); ++k) {
      const CircuitNode& n = c.nodes[static_cast<std::size_t>(k)];
      out << "  " << k << ' ' << cp1252ToUtf8(n.name) << " kind " << int(n.kind) << " C=" << F(n.capacitance * 1e15, 0, 3)
          << "fF L=" << n.length << " Rm=" << n.rMetal << " Rp=" << n.rPoly << " Rd=" << n.rDiffusion
          << " Rv=" << n.rVia << " rise=" << F(n.riseDelay, 0, 4) << "ns fall=" << F(n.fallDelay, 0, 4) << "ns"
          << (n.floating ? " floating" : "") << '\n';
    }
    for (Polarity p : {Polarity::N, Polarity::P}) {
      out << (p == Polarity::N ? "nmos: " : "pmos: ") << c.deviceCount(p) << '\n';
      for (int i = 1; i <= c.deviceCount(p); ++i) {
        const MosDevice& d = c.table(p)[static_cast<std::size_t>(i)];
        out << "  " << i << " gate " << nameOf(c, d.gate) << " A " << nameOf(c, d.nodeA) << " B " << nameOf(c, d.nodeB)
            << " bulk " << nameOf(c, d.bulk) << " W=" << d.width << " L=" << d.length << " variant " << int(d.variant)
            << '\n';
      }
    }
    out << cp1252ToUtf8(r.message) << '\n';
  }
  return r.ok() ? 0 : 1;
}

}  // namespace

void registerExtractCommand(CLI::App& app, CommandSet& set) {
  auto o = std::make_shared<ExtractOptions>();
  auto* c = app.add_subcommand("extract", "Extract the circuit of a layout: nodes and MOS devices");
  c->add_option("LAYOUT", o->layout, "Layout file (.msk)")->required();
  c->add_option("--rules", o->rules, "Rule file to use");
  c->add_option("--model", o->model, "level1, level3 or bsim4 (a \"BSIM\" label chooses bsim4)")
      ->check(CLI::IsMember({"level1", "level3", "bsim4"}));
  c->add_flag("--json", o->json, "JSON output");
  set.add(c, [o](Run& run) { return runExtract(run, *o); });
}

}  // namespace quill
