// Reading a technology rule file (.RUL) into TechnologyRules and the layer
// table, and making the current one the start-up technology.
#pragma once
#include <string>

#include "core/Layers.h"
#include "core/TechnologyRules.h"
#include "platform/DebugLog.h"
#include "platform/StatusMessage.h"

namespace quill {

// Reads the rule file at path. Missing or unreadable: nothing changes and
// the status says so; returns false. Unknown statements and refused values
// go to the debug log; reading goes on.
bool loadRuleFile(TechnologyRules& tech, LayerTable& layers, const std::string& path, StatusMessage& status,
                  DebugLog& debug);

// Copies the rule file in force to "default.rul" in the working directory.
void setAsDefaultTechnology(const TechnologyRules& tech, StatusMessage& status);

// The technology name with its supplies, as the status bar's last panel shows it.
std::string technologyPanelText(const TechnologyRules& tech);

}  // namespace quill
