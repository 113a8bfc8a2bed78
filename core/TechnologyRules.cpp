#include "core/TechnologyRules.h"

#include <algorithm>
#include <cmath>

#include "core/Layers.h"

namespace quill {

namespace {
const RuleInfo kRules[kRuleCount] = {
    {"R101", 10}, {"R102", 12}, {"R110", 144}, {"R201", 4}, {"R202", 4}, {"R210", 24},
    {"R203", 6},  {"R204", 6},  {"R205", 0},   {"R206", 6}, {"R207", 2},
    {"R301", 2},  {"R304", 3},  {"R310", 8},   {"R302", 2}, {"R303", 2}, {"R305", 1},
    {"R306", 4},  {"R307", 2},  {"R311", 2},   {"R312", 2}, {"R320", 8},
    {"R401", 2},  {"R402", 3},  {"R403", 2},   {"R404", 2}, {"R405", 2}, {"R406", 3},
    {"R501", 3},  {"R502", 3},  {"R510", 32},  {"R601", 2}, {"R602", 3}, {"R603", 0},
    {"R604", 2},  {"R605", 2},
    {"R701", 4},  {"R702", 4},  {"R710", 32},  {"R801", 2}, {"R802", 3}, {"R803", 0},
    {"R804", 2},  {"R805", 2},
    {"R901", 4},  {"R902", 4},  {"R910", 32},  {"RA01", 2}, {"RA02", 3}, {"RA03", 0},
    {"RA04", 2},  {"RA05", 2},
    {"RB01", 4},  {"RB02", 4},  {"RB10", 32},  {"RC01", 2}, {"RC02", 3}, {"RC03", 0},
    {"RC04", 2},  {"RC05", 2},
    {"RD01", 4},  {"RD02", 10}, {"RD10", 32},  {"RE01", 5}, {"RE02", 5}, {"RE03", 0},
    {"RE04", 3},  {"RE05", 3},
    {"RF01", 8},  {"RF02", 15}, {"RF10", 128}, {"RP01", 100}, {"RP02", 100}, {"RP03", 25},
    {"RP04", 25}, {"RP05", 100}, {"RP06", 50},
};

using M = MosModelParameters;
#define F_(expr) [](M& m) -> double& { return m.expr; }
const ModelKey kModelKeys[] = {
    {"B4VT", F_(b4Vth0[0]), false}, {"B4V2", F_(b4Vth0[1]), false}, {"B4V3", F_(b4Vth0[2]), false},
    {"B4V4", F_(b4Vth0[3]), false}, {"B4K1", F_(b4K1), false},      {"B4K2", F_(b4K2), false},
    {"B4TO", F_(b4Toxe[0]), true},  {"B4T2", F_(b4Toxe[1]), true},  {"B4T3", F_(b4Toxe[2]), true},
    {"B4T4", F_(b4Toxe[3]), true},  {"B4D0", F_(b4Dvt0), false},    {"B4D1", F_(b4Dvt1), false},
    {"B4ET", F_(b4Eta0), false},    {"B4NF", F_(b4Nfactor), false}, {"B4KT", F_(b4Kt1), false},
    {"B4UT", F_(b4Ute), false},     {"B4VO", F_(b4Voff), false},    {"B4XJ", F_(b4Xj), false},
    {"B4ND", F_(b4Ndep), false},    {"B4U0", F_(b4U0), false},      {"B4UA", F_(b4Ua), false},
    {"B4UC", F_(b4Uc), false},      {"B4VS", F_(b4Vsat), false},    {"B4PS", F_(b4Pscbe1), false},
    {"B4LI", F_(b4Lint[0]), false}, {"B4L2", F_(b4Lint[1]), false}, {"B4L3", F_(b4Lint[2]), false},
    {"B4L4", F_(b4Lint[3]), false}, {"B4WI", F_(b4Wint), false},    {"B4LP", F_(b4Lpe0), false},
    {"B4PC", F_(b4Pclm), false},    {"B4VZ", F_(b4Vz), false},      {"B4SO", F_(b4Asoi), false},
    {"L3VT", F_(l3Vto[0]), false},  {"L3V2", F_(l3Vto[1]), false},  {"L3V3", F_(l3Vto[2]), false},
    {"L3V4", F_(l3Vto[3]), false},  {"L3U0", F_(l3U0[0]), false},   {"L3TO", F_(l3Tox[0]), true},
    {"L3T2", F_(l3Tox[1]), true},   {"L3T3", F_(l3Tox[2]), true},   {"L3T4", F_(l3Tox[3]), true},
    {"L3LD", F_(l3Ld), false},      {"L3TH", F_(l3Theta), false},   {"L3GA", F_(l3Gamma), false},
    {"L3PH", F_(l3Phi), false},     {"L3KA", F_(l3Kappa), false},   {"L3VM", F_(l3Vmax), false},
    {"L3NS", F_(l3Nss), false},     {"L3CG", F_(l3Cgso), false},    {"L3CB", F_(l3Cgbo), false},
    {"L3CJ", F_(l3Cjsw), false},
};
#undef F_
}  // namespace

const RuleInfo& ruleInfo(int rule) { return kRules[(rule >= 0 && rule < kRuleCount) ? rule : 0]; }

int TechnologyRules::ruleByCode(std::string_view code) {
  for (int i = 0; i < kRuleCount; ++i)
    if (code == kRules[i].code) return i;
  return -1;
}

const ModelKey* modelKeys(std::size_t& count) {
  count = sizeof kModelKeys / sizeof kModelKeys[0];
  return kModelKeys;
}

double* modelField(MosModelParameters& m, std::string_view key) {
  for (const ModelKey& k : kModelKeys)
    if (key == k.key) return &k.field(m);
  return nullptr;
}

static void bsim4Start(MosModelParameters& m, bool n) {
  m.b4Vth0 = {0.4, 0.3, 0.7, 0.7};
  m.b4K1 = 0.5;
  m.b4K2 = 0;
  m.b4Toxe = {3e-9, 3e-9, 6e-9, 3e-9};
  m.b4Dvt0 = 2.2;
  m.b4Dvt1 = 0.53;
  m.b4Eta0 = 0.08;
  m.b4Nfactor = 1.0;
  m.b4U0 = n ? 0.067 : 0.028;
  m.b4Ua = 1e-15;
  m.b4Uc = -4.65e-17;
  m.b4Vsat = n ? 80000 : 60000;
  m.b4Pscbe1 = 5e8;
  m.b4Lint = {0, 0, 0, 0};
  m.b4Wint = 0;
  m.b4Lpe0 = 2.3e-8;
  m.b4Kt1 = -0.11;
  m.b4Ute = -1.5;
  m.b4Voff = 0.05;
  m.b4Xj = 1.5e-7;
  m.b4Ndep = 1.7e17;
  m.b4Pclm = n ? 1.2 : 0.7;
  m.b4Vz = n ? -7.0 : 6.0;
  m.b4Asoi = 0;
}

static void level3Start(MosModelParameters& m, bool n) {
  m.l3Vto = n ? std::array<double, 4>{0.7, 0.8, 0.8, 0.8} : std::array<double, 4>{-1.0, -0.9, -0.9, -0.9};
  double u0 = n ? 0.06 : 0.03;
  m.l3U0 = {u0, u0, u0, u0};
  m.l3Tox = {3e-9, 3e-9, 3e-9, 3e-9};
  m.l3Ld = 0;
  m.l3Theta = 0.35;
  m.l3Gamma = 0.35;
  m.l3Phi = 0.68;
  m.l3Kappa = 0.01;
  m.l3Vmax = n ? 130000 : 100000;
  m.l3Nss = 0.05;
  m.l3Cgso = 1e-10;
  m.l3Cgbo = 6e-11;
  m.l3Cjsw = 2.4e-10;
}

MosModelParameters MosModelParameters::startN() {
  MosModelParameters m;
  level3Start(m, true);
  bsim4Start(m, true);
  return m;
}

MosModelParameters MosModelParameters::startP() {
  MosModelParameters m;
  level3Start(m, false);
  bsim4Start(m, false);
  return m;
}

TechnologyRules::TechnologyRules() : nmos(MosModelParameters::startN()), pmos(MosModelParameters::startP()) {
  for (int i = 0; i < kRuleCount; ++i) designRules[static_cast<std::size_t>(i)] = kRules[i].startValue;
  sqrtPhiN = std::sqrt(nmos.l3Phi);
  sqrtPhiP = std::sqrt(pmos.l3Phi);
}

void computeDerivedValues(TechnologyRules& t, LayerTable& layers, double vddBefore) {
  t.capacitancePerLambda = t.lambda * 1e-18;
  t.capacitancePerLambda2 = t.lambda * t.lambda * 1e-18;
  t.midSupply = t.vdd / 2;
  layers[kOxyde].thickness = t.nmos.l3Tox[0] * 1e6;
  layers[kOxyde2].thickness = t.nmos.l3Tox[2] * 1e6;
  t.padSizeUm = t.rule(RP01) * t.lambda;
  t.sweepFrom = 0;
  t.sweepTo = t.vdd;
  t.sweepStep = t.vdd > 3 ? 0.5 : 0.2;

  StimulusDefaults& s = t.stimulus;
  s.dcLevel = s.clockHigh = s.pulseHigh = s.pwlHigh = t.vdd;
  s.clockRise = s.clockFall = t.riseTime;
  s.clockLow = s.clockHighTime = 9 * t.riseTime;
  s.pulseRise = s.pulseFall = t.riseTime;
  s.pulseStart = s.pulseDuration = 19 * t.riseTime;
  s.sineOffset = t.vdd / 2;
  s.sineAmplitude = t.vdd / 4;

  // L3PH below 0 is refused by the reader, so the roots are real
  t.sqrtPhiN = std::sqrt(std::max(0.0, t.nmos.l3Phi));
  t.sqrtPhiP = std::sqrt(std::max(0.0, t.pmos.l3Phi));
  t.gateAreaCapacitance = 0.75 * layers[kOxyde].surfaceCapacitance * t.capacitancePerLambda2;
  // steps 9 and 10 (pending DRAM/FRAM values, generator minimums) are the reader's
  t.minMosLength = t.rule(R302);
  t.minMosWidth = t.rule(R201);
  t.viaOverContactAllowed = t.rule(R603) == 0;
  t.contactPadSize = 2 * t.rule(R403) + t.rule(R401);
  t.contactPitch = t.rule(R401) + t.rule(R402);
  t.routingPitch = std::max({2 * t.rule(R604) + t.rule(R601) + t.rule(R702), t.contactPadSize + t.rule(R301) + 2,
                             t.contactPadSize + t.rule(R202)});

  MosViewerDefaults& v = t.mosViewer;
  if (t.vdd != vddBefore) v.maxDrain = v.maxGate = t.vdd;
  if (t.vdd > 3.6) v.gateStep = 1.0, v.bulkStep = 0.5, v.lowestBulk = -2.0, v.maxGateIdVg = 2.0;
  else if (t.vdd > 1.9) v.gateStep = 0.5, v.bulkStep = 0.5, v.lowestBulk = -2.0, v.maxGateIdVg = 1.5;
  else if (t.vdd > 1.1) v.gateStep = 0.2, v.bulkStep = 0.2, v.lowestBulk = -1.0, v.maxGateIdVg = 1.0;
  else v.gateStep = 0.1, v.bulkStep = 0.1, v.lowestBulk = -0.5, v.maxGateIdVg = 0.8;

  struct Pair { int layer; Rule w, s; };
  const Pair pairs[] = {{kNwell, R101, R102}, {kDiffn, R201, R202}, {kDiffp, R201, R202}, {kPoly, R301, R304},
                        {kContact, R401, R402}, {kPoly2, R311, R312}, {kMetal, R501, R502}, {kVia, R601, R602},
                        {kMetal2, R701, R702}, {kVia2, R801, R802}, {kMetal3, R901, R902}, {kVia3, RA01, RA02},
                        {kMetal4, RB01, RB02}, {kVia4, RC01, RC02}, {kMetal5, RD01, RD02}, {kVia5, RE01, RE02},
                        {kMetal6, RF01, RF02}};
  for (const Pair& p : pairs) {
    layers[p.layer].widthRule = t.rule(p.w);
    layers[p.layer].spacingRule = t.rule(p.s);
  }

  layers[kContact].thickness = layers[kMetal].height;
  layers[kContact].height = 0;
  for (int k = 1; k <= 5; ++k) {
    const LayerRecord& m = layers[metalLayer(k)];
    layers[viaLayer(k)].height = m.height + m.thickness;
  }
}

}  // namespace quill
