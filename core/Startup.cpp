#include "core/Startup.h"

#include "core/MskFile.h"
#include "core/RuleFile.h"
#include "core/TextFile.h"

namespace quill {

StartupResult startUpLoading(AppContext& ctx, const std::vector<std::string>& args) {
  StartupResult r;
  Services& sv = ctx.services;
  if (args.size() >= 2 && !args[1].empty()) {
    r.ruleFileFound = loadRuleFile(ctx.tech, ctx.db.layers, withExtension(args[1], ".rul"), sv.status, sv.debug);
  } else if (fileExists("default.rul")) {
    r.ruleFileFound = loadRuleFile(ctx.tech, ctx.db.layers, "default.rul", sv.status, sv.debug);
  }
  if (!args.empty() && !args[0].empty()) {
    ReadReport rep = openLayout(ctx, withExtension(args[0], ".msk"));
    r.layoutLoaded = rep.opened;
  }
  return r;
}

}  // namespace quill
