// The current technology: lambda, supplies, design rules, process options,
// MOS model parameters and the values derived from them. Rule files
// (RuleFile.h) change it in place; the per-layer technology fields live in
// the layer table. Every other unit names these values by their rule-file key.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace quill {

// Design-rule codes, in rule-table order.
enum Rule : int {
  R101, R102, R110, R201, R202, R210, R203, R204, R205, R206, R207,
  R301, R304, R310, R302, R303, R305, R306, R307, R311, R312, R320,
  R401, R402, R403, R404, R405, R406,
  R501, R502, R510, R601, R602, R603, R604, R605,
  R701, R702, R710, R801, R802, R803, R804, R805,
  R901, R902, R910, RA01, RA02, RA03, RA04, RA05,
  RB01, RB02, RB10, RC01, RC02, RC03, RC04, RC05,
  RD01, RD02, RD10, RE01, RE02, RE03, RE04, RE05,
  RF01, RF02, RF10, RP01, RP02, RP03, RP04, RP05, RP06,
  kRuleCount
};

struct RuleInfo {
  const char* code;
  std::int32_t startValue;
};
const RuleInfo& ruleInfo(int rule);

// One channel type's model parameters. Arrays are indexed by MOS kind 1..4
// minus one; everything else is shared by the four kinds.
struct MosModelParameters {
  // Level 3
  std::array<double, 4> l3Vto{};
  std::array<double, 4> l3U0{};   // kind 1 is L3U0; kinds 2..4 have no key
  std::array<double, 4> l3Tox{};
  double l3Ld = 0, l3Theta = 0, l3Gamma = 0, l3Phi = 0, l3Kappa = 0, l3Vmax = 0, l3Nss = 0;
  double l3Cgso = 0, l3Cgbo = 0, l3Cjsw = 0;
  // BSIM4
  std::array<double, 4> b4Vth0{};
  std::array<double, 4> b4Toxe{};
  std::array<double, 4> b4Lint{};
  double b4K1 = 0, b4K2 = 0, b4Dvt0 = 0, b4Dvt1 = 0, b4Eta0 = 0, b4Nfactor = 0;
  double b4Kt1 = 0, b4Ute = 0, b4Voff = 0, b4Xj = 0, b4Ndep = 0;
  double b4U0 = 0, b4Ua = 0, b4Uc = 0, b4Vsat = 0, b4Pscbe1 = 0;
  double b4Wint = 0, b4Lpe0 = 0, b4Pclm = 0, b4Vz = 0, b4Asoi = 0;

  static MosModelParameters startN();
  static MosModelParameters startP();
};

// Model keys in matching order (BSIM4 then Level 3), with their fields.
struct ModelKey {
  const char* key;
  double& (*field)(MosModelParameters&);
  bool positive;  // an oxide thickness: 0 or below is refused
};
const ModelKey* modelKeys(std::size_t& count);
// the field a model key names, or nullptr
double* modelField(MosModelParameters& m, std::string_view key);

// Values offered by other tools, set from the technology after each read.
struct StimulusDefaults {
  double dcLevel = 5.0, clockHigh = 5.0, pulseHigh = 5.0, pwlHigh = 5.0;  // V
  double clockRise = 0.1, clockFall = 0.1, clockLow = 0.9, clockHighTime = 0.9;  // ns
  double pulseRise = 0.1, pulseFall = 0.1, pulseStart = 1.9, pulseDuration = 1.9;  // ns
  double sineOffset = 2.5, sineAmplitude = 1.25;  // V
};

struct MosViewerDefaults {
  double maxDrain = 5.0, maxGate = 5.0;
  double gateStep = 1.0, bulkStep = 0.5, lowestBulk = -2.0, maxGateIdVg = 2.0;
};

struct TechnologyRules {
  TechnologyRules();

  std::string technologyName = "unknown";
  std::string ruleFilePath = "default.rul";
  double lambda = 0.5;        // µm
  double vdd = 5.0;           // V
  double vddHigh = 5.0;       // V
  double temperature = 27.0;  // °C
  double timeStep = 1e-11;    // s
  double riseTime = 0.1;      // ns
  double gateOxidePermittivity = 3.9;
  double lowKPermittivity = 3.9;
  double cifUnit = 0.001;     // µm
  std::int32_t metalLevels = 2;
  std::int32_t optionMargin = 7;
  std::array<std::int32_t, kRuleCount> designRules{};
  std::array<std::string, 4> mosKindNames{"Standard", "?", "?", "?"};
  MosModelParameters nmos, pmos;

  bool soi = false, epi = false;
  double buriedLayerDepth = 6.0;      // µm
  double buriedLayerThickness = 2.0;  // µm
  double isolationDepth = -0.8;       // µm
  double isolationThickness = 1.0;    // µm
  bool ldd = false, salicide = false, embeddedDram = false, embeddedFram = false, doublePoly = false;
  double dramCapacitance = 3e-14;  // F per lambda²
  double framCapacitance = 1e-17;  // F per lambda²

  // derived
  double capacitancePerLambda = 0.5e-18;
  double capacitancePerLambda2 = 0.25e-18;
  double gateAreaCapacitance = 0;
  double sqrtPhiN = 0, sqrtPhiP = 0;
  std::int32_t contactPadSize = 6, contactPitch = 5, routingPitch = 10;
  bool viaOverContactAllowed = true;
  double midSupply = 2.5;
  double padSizeUm = 50;
  double sweepFrom = 0, sweepTo = 5.0, sweepStep = 0.5;  // parametric analysis, V
  StimulusDefaults stimulus;
  MosViewerDefaults mosViewer;
  // smallest MOS the generator offers by default (its length and width are
  // raised to these after each read)
  std::int32_t minMosLength = 2, minMosWidth = 4;

  std::int32_t rule(int r) const { return (r >= 0 && r < kRuleCount) ? designRules[static_cast<std::size_t>(r)] : 0; }
  std::int32_t& ruleRef(int r) { return designRules[static_cast<std::size_t>(r >= 0 && r < kRuleCount ? r : 0)]; }
  // the rule with this code ("R302"), or -1 when none
  static int ruleByCode(std::string_view code);
};

class LayerTable;
// Recomputes every derived value from the current ones (the last step of a
// rule-file read). vddBefore decides whether the MOS viewer limits follow VDD.
void computeDerivedValues(TechnologyRules& t, LayerTable& layers, double vddBefore);

}  // namespace quill
