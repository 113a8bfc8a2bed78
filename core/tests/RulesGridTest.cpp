// The Design Rules window's content.
#include <gtest/gtest.h>

#include "core/RulesGrid.h"

using namespace quill;

namespace {

// the row whose first cell is the layer name, or null
const RulesGridRow* rowOf(const RulesGrid& g, const std::string& name) {
  for (std::size_t i = kRulesGridHeaderRows; i < g.rows.size(); ++i)
    if (g.rows[i][0] == name) return &g.rows[i];
  return nullptr;
}

std::vector<std::string> layerColumn(const RulesGrid& g) {
  std::vector<std::string> names;
  for (std::size_t i = kRulesGridHeaderRows; i < g.rows.size(); ++i) names.push_back(g.rows[i][0]);
  return names;
}

}  // namespace

TEST(RulesGrid, CaptionLabelAndHeaderRows) {
  TechnologyRules t;
  LayerTable layers;
  t.technologyName = "cmos012";
  t.ruleFilePath = "rules/cmos012.rul";
  RulesGrid g = buildRulesGrid(t, layers);
  EXPECT_EQ(g.caption, "Design rules for cmos012");
  EXPECT_EQ(g.techno, "Techno: cmos012 loaded from file \"rules/cmos012.rul\"");
  EXPECT_STREQ(kRulesGroupCaption, "Design rules and electrical parameters");
  ASSERT_GE(g.rows.size(), 2u);
  EXPECT_EQ(g.rows[0], (RulesGridRow{"Layer", "Width", "Spacing", "Surface", "Surf capa", "Lin capa", "Ctk capa",
                                     "Res", "Unsalicid", "Thickn", "Height", "Permitt"}));
  // units in CP1252: the micro sign is one byte
  EXPECT_EQ(g.rows[1], (RulesGridRow{"", "lambda", "lambda", "lambda2", "af/\xB5m2", "af/\xB5m", "af/\xB5m", "ohm",
                                     "ohm", "\xB5m", "\xB5m", ""}));
}

TEST(RulesGrid, RowsRunFromTheTopMetalDownToNwell) {
  const std::vector<std::string> twoLevels = {"nitride", "passiv", "metal2", "via", "metal", "poly", "poly2",
                                              "contact", "diffn", "diffp", "nwell", "oxyde"};
  const std::vector<std::string> sixLevels = {"nitride", "passiv", "metal6", "via5", "metal5", "via4", "metal4",
                                              "via3", "metal3", "via2", "metal2", "via", "metal", "poly",
                                              "poly2", "contact", "diffn", "diffp", "nwell", "oxyde"};
  struct Row {
    int metalLevels;
    std::size_t layerRows;
    const char* top;
  };
  const Row rows[] = {{1, 12, "metal2"}, {2, 12, "metal2"}, {3, 14, "metal3"}, {4, 16, "metal4"},
                      {5, 18, "metal5"}, {6, 20, "metal6"}, {0, 20, "metal6"}, {9, 20, "metal6"}};
  LayerTable layers;
  for (const Row& r : rows) {
    SCOPED_TRACE(r.metalLevels);
    TechnologyRules t;
    t.metalLevels = r.metalLevels;
    RulesGrid g = buildRulesGrid(t, layers);
    std::vector<std::string> names = layerColumn(g);
    ASSERT_EQ(names.size(), r.layerRows);
    EXPECT_EQ(names[2], r.top);
    for (const RulesGridRow& row : g.rows) EXPECT_EQ(row.size(), 12u);
    if (r.metalLevels == 2) {
      EXPECT_EQ(names, twoLevels);
    } else if (r.metalLevels == 6) {
      EXPECT_EQ(names, sixLevels);
    }
  }
}

TEST(RulesGrid, RuleColumnsComeFromTheRuleTriples) {
  TechnologyRules t;
  t.metalLevels = 6;
  // distinct values so a wrong rule code shows
  for (int r = 0; r < kRuleCount; ++r) t.ruleRef(r) = 1000 + r;
  LayerTable layers;
  RulesGrid g = buildRulesGrid(t, layers);
  struct Row {
    const char* layer;
    int width, spacing, surface;  // -1: empty cell
  };
  const Row rows[] = {
      {"nwell", R101, R102, R110},  {"diffp", R201, R202, R210}, {"diffn", R201, R202, R210},
      {"contact", R401, R402, -1},  {"poly2", R311, R312, R320}, {"poly", R301, R304, R310},
      {"metal", R501, R502, R510},  {"via", R601, R602, -1},     {"metal2", R701, R702, R710},
      {"via2", R801, R802, -1},     {"metal3", R901, R902, R910}, {"via3", RA01, RA02, -1},
      {"metal4", RB01, RB02, RB10}, {"via4", RC01, RC02, -1},    {"metal5", RD01, RD02, RD10},
      {"via5", RE01, RE02, -1},     {"metal6", RF01, RF02, RF10}, {"passiv", RP01, RP02, -1},
  };
  auto cell = [&](int r) { return r < 0 ? std::string() : std::to_string(1000 + r); };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.layer);
    const RulesGridRow* row = rowOf(g, r.layer);
    ASSERT_NE(row, nullptr);
    EXPECT_EQ((*row)[1], cell(r.width));
    EXPECT_EQ((*row)[2], cell(r.spacing));
    EXPECT_EQ((*row)[3], cell(r.surface));
  }
  EXPECT_EQ(g.rows[2][0], "nitride");
  EXPECT_EQ(g.rows[2][1], "0");
  EXPECT_EQ(g.rows[2][2], "0");
  EXPECT_EQ(g.rows[3][0], "passiv");
}

TEST(RulesGrid, PhysicalColumnsWithSuffixesAndEmptyZeros) {
  TechnologyRules t;
  LayerTable layers;
  LayerRecord& poly = layers[kPoly];
  poly.surfaceCapacitance = 85.5;
  poly.perimeterCapacitance = 0.004;  // prints as 0.00
  poly.crosstalkCapacitance = 12.346;
  poly.sheetResistance = 7.5;
  poly.unsalicidedResistance = 120;
  poly.thickness = 0.25;
  poly.height = 0.4;
  poly.permittivity = 3.9;
  LayerRecord& via = layers[kVia];
  via.sheetResistance = 2;
  via.unsalicidedResistance = 5;  // cuts have no unsalicided resistance
  via.surfaceCapacitance = -0.001;  // prints as 0.00 as well
  LayerRecord& metal2 = layers[kMetal2];
  metal2.sheetResistance = 0.001;
  metal2.unsalicidedResistance = 0;
  metal2.thickness = 0;
  layers[kNwell].unsalicidedResistance = 40;
  layers[kContact].sheetResistance = 15;

  RulesGrid g = buildRulesGrid(t, layers);
  struct Row {
    const char* layer;
    RulesGridRow physical;  // columns 4..11 used
  };
  const Row rows[] = {
      {"poly", {"", "", "", "", "85.50", "", "12.35", "7.50/sq", "120.00/sq", "0.25", "0.40", "3.90"}},
      {"via", {"", "", "", "", "", "", "", "2.00/via", "", "0.50", "2.50", "4.00"}},
      {"contact", {"", "", "", "", "", "", "", "15.00/via", "", "0.50", "1.50", "4.00"}},
      {"metal2", {"", "", "", "", "", "", "", "", "", "0.00", "3.00", "4.00"}},
      {"nwell", {"", "", "", "", "", "", "", "100.00/sq", "", "2.00", "0.00", "4.00"}},
      {"nitride", {"", "", "", "", "", "", "", "0.01/sq", "1.00/sq", "0.50", "5.00", "7.00"}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.layer);
    const RulesGridRow* row = rowOf(g, r.layer);
    ASSERT_NE(row, nullptr);
    for (int c = 4; c < 12; ++c) EXPECT_EQ((*row)[static_cast<std::size_t>(c)], r.physical[static_cast<std::size_t>(c)]) << "column " << c;
  }
}

TEST(RulesGrid, LastRowIsTheGateOxide) {
  TechnologyRules t;
  LayerTable layers;
  t.nmos.l3Tox[0] = 4.1e-9;
  t.nmos.l3Tox[2] = 7.25e-9;
  t.pmos.l3Tox[0] = 9e-9;  // the p-channel values are not shown
  t.gateOxidePermittivity = 3.9;
  layers[kOxyde].surfaceCapacitance = 8500;
  RulesGrid g = buildRulesGrid(t, layers);
  EXPECT_EQ(g.rows.back(), (RulesGridRow{"oxyde", "", "", "", "8500.00", "", "", "", "", "4.10nm", "(7.25nm)", "3.90"}));
  layers[kOxyde].surfaceCapacitance = 0;
  EXPECT_EQ(buildRulesGrid(t, layers).rows.back()[4], "");
}
