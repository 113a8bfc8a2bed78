// Start-up loading shared by the editor and its tests: the rule file and the
// layout named on the command line, else "default.rul" in the working
// directory.
#pragma once
#include <string>
#include <vector>

#include "core/AppContext.h"

namespace quill {

struct StartupResult {
  bool ruleFileFound = false;  // false: the editor offers Select Foundry
  bool layoutLoaded = false;
};

// args excludes the program name: [layout [rule file]]
StartupResult startUpLoading(AppContext& ctx, const std::vector<std::string>& args);

}  // namespace quill
