#include "app/editor/StartupSequence.h"

#include "core/Text.h"

namespace quill {

std::string frameTitle(const std::string& fileName) { return "Quillmere 3 - " + fileName; }

void runStartUp(AppContext& ctx, const std::vector<std::string>& args, const StartupSteps& steps) {
  StatusMessage& status = ctx.services.status;
  status.write(StatusMessage::Main, "Quillmere 3 starts...");
  steps.setTitle(frameTitle("example"));

  StartupResult r = steps.loadFiles(ctx, args);
  if (r.layoutLoaded) steps.setTitle(frameTitle(ctx.db.fileName));
  if (steps.afterLoading) steps.afterLoading();

  if (!r.ruleFileFound) {
    // the hint stays in the technology panel while the warning is up
    status.write(StatusMessage::Technology, "Use \"File\"->\"Select Foundry\" to select a foundry file");
    ctx.services.dialogs.message("Warning: default design rule file not found",
                                 "The file \"default.rul\" was not found in work directory",
                                 "Layout editing and simulation may be hazardous", "Select foundry");
    if (steps.selectFoundry)
      steps.selectFoundry();
    else
      selectFoundry(ctx, steps);
  }
  status.write(StatusMessage::Main, "Welcome to Quillmere 3.0c");
}

bool selectFoundry(AppContext& ctx, const StartupSteps& steps) {
  Services& sv = ctx.services;
  sv.status.write(StatusMessage::Main, "Select a Rule file");
  std::optional<std::string> path = sv.dialogs.openFileName("Select Foundry", kRuleFileFilter);
  if (!path) return false;
  steps.loadRules(ctx.tech, ctx.db.layers, *path, sv.status, sv.debug);
  sv.status.write(StatusMessage::Main, "The current technology is  \"" + ctx.tech.technologyName + "\", " +
                                           " power supply " + F(ctx.tech.vdd, 5, 2) + "V");
  return true;
}

}  // namespace quill
