#include "core/RuleFile.h"

#include <sys/stat.h>

#include <cmath>
#include <functional>
#include <string_view>
#include <vector>

#include "core/ParseValue.h"
#include "core/Text.h"
#include "core/TextFile.h"

namespace quill {

namespace {

struct ReadState {
  TechnologyRules& t;
  LayerTable& L;
  MosModelParameters* model;  // NMOS / PMOS selects
  double pendingDram = 0, pendingFram = 0;
};

enum class Conv { Real, Int, Flag };
enum class Guard { None, Positive, NonNegative, MetalLevels };

struct Key {
  std::string key;
  Conv conv;
  Guard guard;
  bool setsDoublePoly;
  std::function<void(ReadState&, double)> apply;
};

using Apply = std::function<void(ReadState&, double)>;

Apply layerField(int layer, double LayerRecord::*field) {
  return [layer, field](ReadState& s, double v) { s.L[layer].*field = v; };
}

std::vector<Key> buildKeys() {
  std::vector<Key> k;
  auto real = [&](std::string key, Apply a, Guard g = Guard::None, bool dp = false) {
    k.push_back({std::move(key), Conv::Real, g, dp, std::move(a)});
  };
  auto integer = [&](std::string key, Apply a, Guard g = Guard::None, bool dp = false) {
    k.push_back({std::move(key), Conv::Int, g, dp, std::move(a)});
  };
  auto flag = [&](std::string key, bool TechnologyRules::*f) {
    k.push_back({std::move(key), Conv::Flag, Guard::None, false,
                 [f](ReadState& s, double v) { s.t.*f = v == 1.0; }});
  };
  using LR = LayerRecord;
  const int metals[6] = {kMetal, kMetal2, kMetal3, kMetal4, kMetal5, kMetal6};
  const int cuts[6] = {kContact, kVia, kVia2, kVia3, kVia4, kVia5};
  const char* mnames[6] = {"ME", "M2", "M3", "M4", "M5", "M6"};

  real("LAMB", [](ReadState& s, double v) { s.t.lambda = v; }, Guard::Positive);
  real("RISE", [](ReadState& s, double v) { s.t.riseTime = v; });
  real("MAXD", [](ReadState&, double) {});
  real("HIGH", [cuts](ReadState& s, double v) { for (int c : cuts) s.L[c].permittivity = v; });
  real("GATE", [](ReadState& s, double v) { s.t.gateOxidePermittivity = v; });
  real("LOWK", [metals](ReadState& s, double v) {
    s.t.lowKPermittivity = v;
    for (int m : metals) s.L[m].permittivity = v;
    s.L[kOxyde2].permittivity = v;
  });
  for (int i = 0; i < 6; ++i)
    real("LK" + std::to_string(i + 1) + std::to_string(i + 1), layerField(metals[i], &LR::permittivity));
  for (int i = 0; i < 6; ++i)
    real("LK" + std::to_string(i + 1) + std::to_string(i), layerField(cuts[i], &LR::permittivity));
  real("UCIF", [](ReadState& s, double v) { s.t.cifUnit = v; }, Guard::Positive);
  integer("ROPT", [](ReadState& s, double v) { s.t.optionMargin = static_cast<std::int32_t>(v); });
  for (int r = 0; r < kRuleCount; ++r) {
    std::string code = ruleInfo(r).code;
    bool dp = code == "R311" || code == "R312" || code == "R320";
    integer(code, [r](ReadState& s, double v) { s.t.ruleRef(r) = static_cast<std::int32_t>(v); }, Guard::None, dp);
  }
  real("CMEP", layerField(kMetal, &LR::plateCapacitance));
  real("CP2P", layerField(kPoly2, &LR::plateCapacitance), Guard::None, true);
  for (int i = 1; i < 6; ++i) real(std::string("C") + mnames[i] + "M", layerField(metals[i], &LR::plateCapacitance));
  for (int i = 0; i < 6; ++i) real(std::string("C") + mnames[i] + "X", layerField(metals[i], &LR::crosstalkCapacitance));
  real("CPOO", layerField(kOxyde, &LR::surfaceCapacitance));
  real("CEDR", [](ReadState& s, double v) { s.pendingDram = v; });
  real("CEFR", [](ReadState& s, double v) { s.pendingFram = v; });
  real("CPOB", layerField(kPoly, &LR::surfaceCapacitance));
  real("CP2B", layerField(kPoly2, &LR::surfaceCapacitance), Guard::None, true);
  for (int i = 0; i < 6; ++i) real(std::string("C") + mnames[i] + "B", layerField(metals[i], &LR::surfaceCapacitance));
  real("CPOL", layerField(kPoly, &LR::perimeterCapacitance));
  real("CP2L", layerField(kPoly2, &LR::perimeterCapacitance));
  for (int i = 0; i < 6; ++i) real(std::string("C") + mnames[i] + "L", layerField(metals[i], &LR::perimeterCapacitance));
  real("CDNP", layerField(kDiffn, &LR::surfaceCapacitance));
  real("CDPN", layerField(kDiffp, &LR::surfaceCapacitance));
  real("CNWE", layerField(kNwell, &LR::surfaceCapacitance));
  real("CPWE", layerField(kPwell, &LR::surfaceCapacitance));
  real("CLDN", layerField(kDiffn, &LR::perimeterCapacitance));
  real("CLDP", layerField(kDiffp, &LR::perimeterCapacitance));
  real("VDD", [](ReadState& s, double v) { s.t.vdd = v; }, Guard::Positive);
  real("HVDD", [](ReadState& s, double v) { s.t.vddHigh = v; }, Guard::Positive);
  flag("LDD", &TechnologyRules::ldd);
  flag("SALI", &TechnologyRules::salicide);
  flag("EDRA", &TechnologyRules::embeddedDram);
  flag("EFRA", &TechnologyRules::embeddedFram);
  real("TEMP", [](ReadState& s, double v) { s.t.temperature = v; });
  real("DELT", [](ReadState& s, double v) { s.t.timeStep = v; }, Guard::Positive);
  real("REPO", layerField(kPoly, &LR::sheetResistance));
  real("REPU", layerField(kPoly, &LR::unsalicidedResistance));
  real("R2PO", layerField(kPoly2, &LR::sheetResistance), Guard::None, true);
  real("R2PU", layerField(kPoly2, &LR::unsalicidedResistance));
  real("REDN", layerField(kDiffn, &LR::sheetResistance));
  real("REUN", layerField(kDiffn, &LR::unsalicidedResistance));
  real("REDP", layerField(kDiffp, &LR::sheetResistance));
  real("REUP", layerField(kDiffp, &LR::unsalicidedResistance));
  real("REME", layerField(kMetal, &LR::sheetResistance));
  for (int i = 1; i < 6; ++i) real("REM" + std::to_string(i + 1), layerField(metals[i], &LR::sheetResistance));
  real("RECO", layerField(kContact, &LR::sheetResistance));
  real("REVI", layerField(kVia, &LR::sheetResistance));
  real("REP2", layerField(kPoly2, &LR::sheetResistance), Guard::None, true);
  for (int i = 2; i <= 5; ++i) real("REV" + std::to_string(i), layerField(cuts[i], &LR::sheetResistance));
  real("THPO", layerField(kPoly, &LR::thickness));
  real("THCO", layerField(kContact, &LR::thickness));
  real("THP2", layerField(kPoly2, &LR::thickness), Guard::None, true);
  real("THDN", layerField(kDiffn, &LR::thickness));
  real("THDP", layerField(kDiffp, &LR::thickness));
  real("THNW", layerField(kNwell, &LR::thickness));
  real("THME", layerField(kMetal, &LR::thickness));
  for (int i = 1; i < 6; ++i) real("THM" + std::to_string(i + 1), layerField(metals[i], &LR::thickness));
  real("THPA", layerField(kPassiv, &LR::thickness));
  real("THNI", layerField(kNitride, &LR::thickness));
  real("HEEP", [](ReadState& s, double v) { s.t.buriedLayerDepth = std::fabs(v); s.t.epi = true; });
  real("THEP", [](ReadState& s, double v) { s.t.buriedLayerThickness = v; s.t.epi = true; });
  real("HEST", [](ReadState& s, double v) { s.t.isolationDepth = v; });
  real("THST", [](ReadState& s, double v) { s.t.isolationThickness = v; });
  real("HEPO", layerField(kPoly, &LR::height));
  real("HECO", layerField(kContact, &LR::height));
  real("HEP2", layerField(kPoly2, &LR::height));
  real("HEME", layerField(kMetal, &LR::height));
  for (int i = 1; i < 6; ++i) real("HEM" + std::to_string(i + 1), layerField(metals[i], &LR::height));
  real("HEPA", layerField(kPassiv, &LR::height));
  real("HENI", layerField(kNitride, &LR::height));
  integer("META", [](ReadState& s, double v) { s.t.metalLevels = static_cast<std::int32_t>(v); }, Guard::MetalLevels);
  std::size_t n = 0;
  const ModelKey* mk = modelKeys(n);
  for (std::size_t i = 0; i < n; ++i) {
    auto field = mk[i].field;
    bool l3phi = std::string_view(mk[i].key) == "L3PH";
    real(mk[i].key, [field](ReadState& s, double v) { field(*s.model) = v; },
         mk[i].positive ? Guard::Positive : l3phi ? Guard::NonNegative : Guard::None);
  }
  return k;
}

const std::vector<Key>& keys() {
  static const std::vector<Key> k = buildKeys();
  return k;
}

// The rule-file tokenizer: leading spaces, then characters up to a space
// or "=" (consumed). A line that ends right after its first non-space
// character gives an empty token.
struct Tokenizer {
  std::string_view line;
  std::size_t pos = 0;
  bool endedWithEquals = false;

  std::string next() {
    endedWithEquals = false;
    while (pos < line.size() && line[pos] == ' ') ++pos;
    if (pos >= line.size() || pos + 1 >= line.size()) {
      pos = line.size();
      return {};
    }
    std::string tok;
    while (pos < line.size() && line[pos] != ' ' && line[pos] != '=') tok += line[pos++];
    if (pos < line.size()) {
      endedWithEquals = line[pos] == '=';
      ++pos;
    }
    return cutText(tok);
  }
  std::string_view rest() const { return pos < line.size() ? line.substr(pos) : std::string_view{}; }
};

bool matches(std::string_view token, std::string_view keyword) {
  return !token.empty() && startsWithNoCase(token, keyword);
}

}  // namespace

std::string technologyPanelText(const TechnologyRules& t) {
  if (t.vddHigh > t.vdd) return t.technologyName + " (" + F(t.vdd, 4, 2) + "V," + F(t.vddHigh, 4, 2) + "V)";
  return t.technologyName + " (" + F(t.vdd, 4, 2) + "V)";
}

bool loadRuleFile(TechnologyRules& t, LayerTable& L, const std::string& path, StatusMessage& status,
                  DebugLog& debug) {
  LineReader in;
  if (!in.open(path)) {
    // nothing changes: the technology in force stays in force
    status.write(StatusMessage::Main, "Error: rule file \"" + cutText(path) + "\" " +
                                          (fileExists(path) ? "cannot be read" : "not found") +
                                          "; the technology is unchanged");
    return false;
  }

  ReadState s{t, L, &t.nmos};
  const double vddBefore = t.vdd;
  t.technologyName = "unknown technology";
  status.write(StatusMessage::Technology, t.technologyName);
  t.mosKindNames = {"Standard", "?", "?", "?"};
  t.ruleFilePath = cutText(path);

  // resets of every read
  t.lambda = 0.5;
  for (int i = kNwell; i <= kMetal6; ++i) {
    LayerRecord& r = L[i];
    r.surfaceCapacitance = r.perimeterCapacitance = r.crosstalkCapacitance = r.plateCapacitance = 0;
    r.sheetResistance = 1.0;
    r.permittivity = 4.0;
    r.cifName = "xx";
    r.cifNumber = 0;
    if (i > kMetal2) r.height = 0;
  }
  L[kPoly].sheetResistance = 50;
  L[kPoly2].sheetResistance = 30;
  L[kDiffn].sheetResistance = 300;
  L[kDiffp].sheetResistance = 250;
  L[kNwell].sheetResistance = 120;
  t.ruleRef(R205) = 0;
  t.ruleRef(R603) = 0;
  t.ruleRef(R605) = 0;
  t.ruleRef(R406) = 3;
  t.metalLevels = 2;
  t.lowKPermittivity = 4.0;
  t.gateOxidePermittivity = 3.9;
  t.dramCapacitance = t.framCapacitance = 1e-18;
  t.soi = t.epi = t.salicide = t.embeddedDram = t.embeddedFram = t.doublePoly = false;
  t.buriedLayerThickness = 0;
  t.buriedLayerDepth = -3.0;
  t.technologyName = t.ruleFilePath;

  std::string line;
  in.next(line);  // free header line
  long counter = 0;
  bool debugShown = false;
  auto report = [&](const std::string& token, const char* what) {
    if (!debugShown) {
      debug.showWithCaption("Syntax error in file " + t.ruleFilePath);
      debugShown = true;
    }
    debug.addLine(t.ruleFilePath + ",line " + std::to_string(counter) + ": \"" + token + "\" " + what);
  };

  while (in.next(line)) {
    ++counter;
    Tokenizer tk{line};
    std::string token = tk.next();
    if (!token.empty() && (token[0] == '*' || token[0] == '{' || token[0] == '/')) continue;
    if (matches(token, "SOI")) { t.soi = true; continue; }
    if (matches(token, "EPI")) { t.epi = true; continue; }
    if (matches(token, "NAME")) {
      t.technologyName = cutText(tk.rest());
      status.write(StatusMessage::Main, "Read \"" + t.technologyName + "\" rule file");
      continue;
    }
    bool kindName = false;
    for (int k = 1; k <= 4; ++k) {
      if (matches(token, "MOS" + std::to_string(k))) {
        t.mosKindNames[static_cast<std::size_t>(k - 1)] = cutText(tk.rest());
        kindName = true;
        break;
      }
    }
    if (kindName) continue;
    if (matches(token, "NMOS")) { s.model = &t.nmos; continue; }
    if (matches(token, "PMOS")) { s.model = &t.pmos; continue; }
    if (matches(token, "CIF")) {
      std::string layerName = tk.next();
      std::string cifName = tk.next();
      bool valid = false;
      double overetch = ParseValue(tk.rest(), 0, 1e30, -1e30, valid);
      if (layerName == "text") continue;
      int layer = L.findByName(layerName);
      if (layer == 0) {
        status.write(StatusMessage::Main, "Warning : layer \"" + layerName + "\" not identified...");
        continue;
      }
      L[layer].cifName = cifName;
      L[layer].cifNumber = overetch;
      continue;
    }

    // a value statement: its value follows the first "="
    std::string_view valueText;
    if (tk.endedWithEquals) {
      valueText = tk.rest();
    } else {
      std::string_view r = tk.rest();
      auto eq = r.find('=');
      if (eq == std::string_view::npos) continue;  // dropped silently
      valueText = r.substr(eq + 1);
    }
    ParsedValue pv = ParseValueDetailed(valueText.substr(0, kMaxText), 0, 1e30, -1e30);
    double value = pv.value;
    bool hugeExponent = std::abs(pv.exponent) > 308;

    bool any = false;
    for (const Key& key : keys()) {
      if (!matches(token, key.key)) continue;
      any = true;
      double v = value;
      bool refused = hugeExponent;
      if (key.conv == Conv::Int) {
        auto r = roundToInt32(v);
        if (!r) refused = true;
        else v = *r;
      }
      switch (key.guard) {
        case Guard::Positive: refused = refused || !(v > 0); break;
        case Guard::NonNegative: refused = refused || !(v >= 0); break;
        case Guard::MetalLevels: refused = refused || v < 1 || v > 6; break;
        case Guard::None: break;
      }
      if (refused) {
        report(token, "value refused");
        continue;
      }
      key.apply(s, v);
      if (key.setsDoublePoly) t.doublePoly = true;
    }
    if (!any) report(token, "ignored");
  }
  in.close();

  computeDerivedValues(t, L, vddBefore);
  if (s.pendingDram != 0) t.dramCapacitance = s.pendingDram * t.capacitancePerLambda2;
  if (s.pendingFram != 0) t.framCapacitance = s.pendingFram * t.capacitancePerLambda2;

  status.write(StatusMessage::Technology, technologyPanelText(t));
  status.write(StatusMessage::Main, "Quillmere is now configured in " + t.technologyName);
  return true;
}

void setAsDefaultTechnology(const TechnologyRules& t, StatusMessage& status) {
  if (!fileExists(t.ruleFilePath)) return;
  // the file in force may already be the working directory's default.rul:
  // copying it onto itself would empty it
  struct stat a{}, b{};
  if (::stat(t.ruleFilePath.c_str(), &a) == 0 && ::stat("default.rul", &b) == 0 && a.st_dev == b.st_dev &&
      a.st_ino == b.st_ino) {
    status.write(StatusMessage::Main, "Save " + t.technologyName + " as new \"default.rul\"");
    return;
  }
  LineReader in;
  if (!in.open(t.ruleFilePath)) return;
  SafeFileWriter out;
  if (!out.open("default.rul")) {
    status.write(StatusMessage::Main, "Access error (" + std::to_string(out.errorCode()) +
                                          ") when writing file \"default.rul\"");
    return;
  }
  std::string line;
  while (in.next(line)) out.line(line);
  if (in.ioError()) out.abandon();
  if (in.ioError() || !out.commit()) {
    status.write(StatusMessage::Main, "Access error (" + std::to_string(out.errorCode()) +
                                          ") when writing file \"default.rul\"");
    return;
  }
  status.write(StatusMessage::Main, "Save " + t.technologyName + " as new \"default.rul\"");
}

}  // namespace quill
