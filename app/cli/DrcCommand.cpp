// quillmere-cli drc: the design-rule check as the editor runs it, every
// violation of the failing check in the order the scans find them.
#include <CLI/CLI.hpp>
#include <memory>
#include <nlohmann/json.hpp>

#include "app/cli/CliRun.h"
#include "platform/Cp1252.h"
#include "verify/Drc.h"

namespace quill {

namespace {

struct DrcOptions {
  std::string layout, rules;
  bool json = false;
};

int runDrc(Run& run, const DrcOptions& o) {
  if (!run.loadRules(o.rules)) return 2;
  ReadReport rep;
  if (!run.readLayoutFile(o.layout, rep)) return 2;
  run.sv.status.showProgress = true;
  run.sv.status.write(StatusMessage::Main, "Design Rule Checker ...");
  DrcResult r = checkDesignRules(run.ctx->db, run.ctx->tech, run.sv.status);
  run.sv.status.showProgress = false;

  if (o.json) {
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (const DrcViolation& v : r.violations) {
      nlohmann::ordered_json j;
      j["check"] = v.check;
      if (v.part) j["part"] = v.part;
      j["rule"] = v.rule;
      j["text"] = cp1252ToUtf8(v.text);
      j["x1"] = v.rect.x1;
      j["y1"] = v.rect.y1;
      j["x2"] = v.rect.x2;
      j["y2"] = v.rect.y2;
      list.push_back(std::move(j));
    }
    nlohmann::ordered_json j;
    j["violations"] = list;
    j["count"] = r.errorCount;
    j["complete"] = r.complete;
    j["message"] = cp1252ToUtf8(r.message);
    run.out << j.dump(2) << '\n';
  } else {
    for (const DrcViolation& v : r.violations) {
      run.out << "check " << v.check;
      if (v.part) run.out << "." << v.part;
      run.out << ' ' << (v.rule.empty() ? "-" : v.rule) << ": " << cp1252ToUtf8(v.text) << " at " << v.rect.x1 << ','
              << v.rect.y1 << ' ' << v.rect.x2 << ',' << v.rect.y2 << '\n';
    }
    run.out << cp1252ToUtf8(r.message) << '\n';
  }
  if (r.errorCount > 0) return 1;
  return r.complete ? 0 : 3;
}

}  // namespace

void registerDrcCommand(CLI::App& app, CommandSet& set) {
  auto o = std::make_shared<DrcOptions>();
  auto* c = app.add_subcommand("drc", "Check a layout against the design rules");
  c->add_option("LAYOUT", o->layout, "Layout file (.msk)")->required();
  c->add_option("--rules", o->rules, "Rule file to use");
  c->add_flag("--json", o->json, "JSON output");
  set.add(c, [o](Run& run) { return runDrc(run, *o); });
}

}  // namespace quill
