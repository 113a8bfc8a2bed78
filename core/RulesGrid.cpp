#include "core/RulesGrid.h"

#include "core/Text.h"

namespace quill {

namespace {

constexpr int kNoRule = -1;

struct LayerRules {
  int layer, width, spacing, surface;
};

// Vias and contacts have no surface rule.
constexpr LayerRules kLayerRules[] = {
    {kNwell, R101, R102, R110},   {kDiffp, R201, R202, R210},   {kDiffn, R201, R202, R210},
    {kContact, R401, R402, kNoRule}, {kPoly2, R311, R312, R320}, {kPoly, R301, R304, R310},
    {kMetal, R501, R502, R510},   {kVia, R601, R602, kNoRule},  {kMetal2, R701, R702, R710},
    {kVia2, R801, R802, kNoRule}, {kMetal3, R901, R902, R910},  {kVia3, RA01, RA02, kNoRule},
    {kMetal4, RB01, RB02, RB10},  {kVia4, RC01, RC02, kNoRule}, {kMetal5, RD01, RD02, RD10},
    {kVia5, RE01, RE02, kNoRule}, {kMetal6, RF01, RF02, RF10},
};

const LayerRules* rulesOf(int layer) {
  for (const LayerRules& r : kLayerRules)
    if (r.layer == layer) return &r;
  return nullptr;
}

bool isCut(int layer) {
  return layer == kContact || layer == kVia || layer == kVia2 || layer == kVia3 || layer == kVia4 ||
         layer == kVia5;
}

std::string num(double x) { return F(x, 0, 2); }

// capacitances and resistances that print as zero are left out
std::string nonZero(double x, const char* suffix = "") {
  std::string s = num(x);
  return s == "0.00" ? std::string() : s + suffix;
}

std::string rule(const TechnologyRules& t, int r) { return r == kNoRule ? std::string() : std::to_string(t.rule(r)); }

enum Column { cLayer, cWidth, cSpacing, cSurface, cSurfCapa, cLinCapa, cCtkCapa, cRes, cUnsalicid, cThick, cHeight, cPermitt };

void physical(RulesGridRow& row, int layer, const LayerRecord& L) {
  bool cut = isCut(layer);
  row[cSurfCapa] = nonZero(L.surfaceCapacitance);
  row[cLinCapa] = nonZero(L.perimeterCapacitance);
  row[cCtkCapa] = nonZero(L.crosstalkCapacitance);
  row[cRes] = nonZero(L.sheetResistance, cut ? "/via" : "/sq");
  if (!cut && layer != kNwell) row[cUnsalicid] = nonZero(L.unsalicidedResistance, "/sq");
  row[cThick] = num(L.thickness);
  row[cHeight] = num(L.height);
  row[cPermitt] = num(L.permittivity);
}

}  // namespace

int topMetalLayer(int metalLevels) {
  switch (metalLevels) {
    case 1: case 2: return kMetal2;
    case 3: return kMetal3;
    case 4: return kMetal4;
    case 5: return kMetal5;
    default: return kMetal6;
  }
}

RulesGrid buildRulesGrid(const TechnologyRules& tech, const LayerTable& layers) {
  RulesGrid g;
  g.caption = "Design rules for " + tech.technologyName;
  g.techno = "Techno: " + tech.technologyName + " loaded from file \"" + tech.ruleFilePath + "\"";

  g.rows.push_back({"Layer", "Width", "Spacing", "Surface", "Surf capa", "Lin capa", "Ctk capa", "Res",
                    "Unsalicid", "Thickn", "Height", "Permitt"});
  g.rows.push_back({"", "lambda", "lambda", "lambda2", "af/\xB5m2", "af/\xB5m", "af/\xB5m", "ohm", "ohm",
                    "\xB5m", "\xB5m", ""});

  RulesGridRow nitride{};
  nitride[cLayer] = layers[kNitride].name;
  nitride[cWidth] = "0";
  nitride[cSpacing] = "0";
  physical(nitride, kNitride, layers[kNitride]);
  g.rows.push_back(nitride);

  RulesGridRow passiv{};
  passiv[cLayer] = layers[kPassiv].name;
  passiv[cWidth] = rule(tech, RP01);
  passiv[cSpacing] = rule(tech, RP02);
  physical(passiv, kPassiv, layers[kPassiv]);
  g.rows.push_back(passiv);

  for (int layer = topMetalLayer(tech.metalLevels); layer >= kNwell; --layer) {
    const LayerRules* r = rulesOf(layer);
    RulesGridRow row{};
    row[cLayer] = layers[layer].name;
    if (r) {
      row[cWidth] = rule(tech, r->width);
      row[cSpacing] = rule(tech, r->spacing);
      row[cSurface] = rule(tech, r->surface);
    }
    physical(row, layer, layers[layer]);
    g.rows.push_back(row);
  }

  // the gate oxide: thin (kind 1) and thick (kind 3) oxide thickness in nm
  RulesGridRow oxyde{};
  oxyde[cLayer] = layers[kOxyde].name;
  oxyde[cSurfCapa] = nonZero(layers[kOxyde].surfaceCapacitance);
  oxyde[cThick] = num(tech.nmos.l3Tox[0] * 1e9) + "nm";
  oxyde[cHeight] = "(" + num(tech.nmos.l3Tox[2] * 1e9) + "nm)";
  oxyde[cPermitt] = num(tech.gateOxidePermittivity);
  g.rows.push_back(oxyde);
  return g;
}

}  // namespace quill
