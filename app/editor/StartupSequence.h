// What the editor does between creating its main window and running the
// event loop: the start-up status texts, the loading of the command-line
// files, the missing-technology warning and Select Foundry. Kept free of Qt
// so that the order and the texts are tested headless; the loaders are
// passed in so that tests can stand in for the file readers.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "core/AppContext.h"
#include "core/Startup.h"

namespace quill {

struct StartupSteps {
  std::function<StartupResult(AppContext&, const std::vector<std::string>&)> loadFiles;
  std::function<bool(TechnologyRules&, LayerTable&, const std::string&, StatusMessage&, DebugLog&)> loadRules;
  std::function<void(const std::string&)> setTitle;  // CP1252
  // optional: after the files were read (the window views all and creates
  // its tool windows), and the window's own Select Foundry
  std::function<void()> afterLoading;
  std::function<bool()> selectFoundry;
};

inline constexpr const char* kRuleFileFilter = "Rule File (*.rul *.RUL);;All files (*)";

// "Quillmere 3 - " and the file name
std::string frameTitle(const std::string& fileName);

// args excludes the program name: [layout [rule file]]
void runStartUp(AppContext& ctx, const std::vector<std::string>& args, const StartupSteps& steps);

// File / Select Foundry: asks for a rule file and reads it. False when the
// dialog was cancelled.
bool selectFoundry(AppContext& ctx, const StartupSteps& steps);

}  // namespace quill
