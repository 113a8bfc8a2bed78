// What the Design Rules window shows: the technology's width, spacing and
// surface rules and the electrical parameters of each layer, as rows of
// CP1252 texts. The window (core/ui/D_Rules) only copies them into its grid,
// so the content is tested here without windows.
#pragma once
#include <array>
#include <string>
#include <vector>

#include "core/Layers.h"
#include "core/TechnologyRules.h"

namespace quill {

constexpr int kRulesGridColumns = 12;
constexpr int kRulesGridHeaderRows = 2;
inline constexpr const char* kRulesGroupCaption = "Design rules and electrical parameters";

using RulesGridRow = std::array<std::string, kRulesGridColumns>;

struct RulesGrid {
  std::string caption;  // the window caption
  std::string techno;   // the LabelTechno text
  // two header rows, nitride, passiv, the layers from the top metal down to
  // nwell, the gate oxide
  std::vector<RulesGridRow> rows;
};

RulesGrid buildRulesGrid(const TechnologyRules& tech, const LayerTable& layers);

// the highest metal layer the process has (metal2 for one or two levels)
int topMetalLayer(int metalLevels);

}  // namespace quill
