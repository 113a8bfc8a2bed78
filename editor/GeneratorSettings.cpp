#include "editor/GeneratorSettings.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/ParseValue.h"
#include "core/Text.h"

namespace quill {

namespace {

struct PageInfo {
  const char* caption;
  const char* generate;
};
constexpr PageInfo kPages[kGeneratorPageCount] = {
    {"Pads", "Generate Pad"},      {"Inductor", "Generate Inductor"}, {"Contacts", "Generate Contact"},
    {"MOS", "Generate Device"},    {"Path", "Start Path..."},         {"Logo", "Generate Logo"},
    {"Bus", "Generate Bus"},       {"Res", "Generate Resistor"},      {"Diode", "Generate Diode"},
    {"Capa", "Generate Capa"},
};

const PageInfo& info(GeneratorPage p) {
  const int i = static_cast<int>(p);
  return kPages[i >= 0 && i < kGeneratorPageCount ? i : 0];
}

// the rounded value of an edit, when it parses, lies in range and fits
bool readCount(std::string_view text, double def, double max, double min, std::int32_t& out) {
  bool valid = false;
  const double v = ParseValue(text, def, max, min, valid);
  if (!valid) return false;
  auto r = roundToInt32(v);
  if (!r) return false;
  out = *r;
  return true;
}

std::string str(std::int64_t v) { return std::to_string(v); }

constexpr const char* kMicron = "\xB5m";

}  // namespace

const char* pageCaption(GeneratorPage p) { return info(p).caption; }
const char* generateCaption(GeneratorPage p) { return info(p).generate; }

int contactKindOf(ContactChoice c) {
  switch (c) {
    case ContactChoice::Poly: return kPoly;
    case ContactChoice::Diffn: return kDiffn;
    case ContactChoice::Diffp: return kDiffp;
    case ContactChoice::None: break;
  }
  return 0;
}

const char* betweenMetalCaption(int i) {
  static constexpr const char* kCaptions[kBetweenMetalCount] = {
      "Metal1 to Metal2", "Metal2 to Metal3", "Metal3 to Metal4", "Metal4 to Metal5", "Metal5 to Metal6"};
  return kCaptions[std::clamp(i, 0, kBetweenMetalCount - 1)];
}

MosRequest GeneratorSettings::mosDevice() const {
  return {mosW, mosL, mosFingers, mosKind, mosPolarization, mosOption};
}

std::int32_t minMosWidth(const TechnologyRules& tech) { return std::max(4, tech.rule(R201)); }
std::int32_t minMosLength(const TechnologyRules& tech) { return std::max(2, tech.rule(R302)); }

void GeneratorSettings::followTechnology(const TechnologyRules& tech) {
  mosW = std::max(mosW, minMosWidth(tech));
  mosL = std::max(mosL, minMosLength(tech));
}

bool micronsToLambda(double microns, double lambda, std::int32_t& out) {
  if (!(lambda > 0)) return false;
  auto r = roundToInt32(microns / lambda);
  if (!r) return false;
  out = *r;
  return true;
}

bool editContactRows(GeneratorSettings& s, std::string_view text, StatusMessage& status) {
  std::int32_t n = 0;
  if (!readCount(text, 1, 100000, 1, n)) return false;
  s.contactRows = std::max(1, n);
  status.write(StatusMessage::Main, "Change rows");
  status.write(StatusMessage::Main, str(s.contactRows) + " contact row.");
  return true;
}

bool editContactColumns(GeneratorSettings& s, std::string_view text, StatusMessage& status) {
  std::int32_t n = 0;
  if (!readCount(text, 1, 100000, 1, n)) return false;
  s.contactColumns = std::max(1, n);
  status.write(StatusMessage::Main, "Change Columns");
  status.write(StatusMessage::Main, str(s.contactColumns) + " contact column.");
  return true;
}

namespace {

// W or L from its edit: in µm divided by lambda, or in lambda; false when
// not stored (a zero lambda is said so, every other refusal is silent)
bool readSize(const GeneratorSettings& s, const TechnologyRules& tech, std::string_view text, double microMin,
              std::int32_t& out, StatusMessage& status) {
  bool valid = false;
  if (s.mosUnits == MosUnits::Micron) {
    const double v = ParseValue(text, 1, 1000, microMin, valid);
    if (!valid) return false;
    if (!micronsToLambda(v, tech.lambda, out)) {
      status.write(StatusMessage::Main, "Size not changed: lambda of the technology is 0");
      return false;
    }
    return true;
  }
  return readCount(text, 2, 1000, 2, out);
}

}  // namespace

bool editMosWidth(GeneratorSettings& s, const TechnologyRules& tech, std::string_view text, StatusMessage& status) {
  std::int32_t w = 0;
  if (!readSize(s, tech, text, 0.001, w, status)) return false;
  s.mosW = std::max(w, minMosWidth(tech));
  status.write(StatusMessage::Main, "Set mos width to " + F(s.mosW * tech.lambda, 1, 3) + " " + kMicron);
  return true;
}

bool editMosLength(GeneratorSettings& s, const TechnologyRules& tech, std::string_view text, StatusMessage& status) {
  std::int32_t l = 0;
  if (!readSize(s, tech, text, 0.01, l, status)) return false;
  s.mosL = std::max(l, minMosLength(tech));
  status.write(StatusMessage::Main, "Set mos length to " + F(s.mosL * tech.lambda, 1, 3) + " " + kMicron);
  return true;
}

bool editMosFingers(GeneratorSettings& s, std::string_view text, StatusMessage& status) {
  std::int32_t n = 0;
  if (!readCount(text, 1, 1000, 0.01, n)) return false;
  s.mosFingers = std::max(1, n);
  status.write(StatusMessage::Main, "Set mos gates to " + str(s.mosFingers));
  return true;
}

bool editSinglePadSize(GeneratorSettings& s, std::string_view text, StatusMessage& status) {
  bool valid = false;
  const double v = ParseValue(text, 100, 1000, 1, valid);
  if (!valid) return false;
  s.singlePadSize = v;
  status.write(StatusMessage::Main, "Change default pad size...");
  return true;
}

void chooseMosKind(GeneratorSettings& s, MosKind k, StatusMessage& status) {
  s.mosKind = k;
  status.write(StatusMessage::Main, k == MosKind::FloatingN ? "Change to nMOS with floating gate..."
                                    : k == MosKind::P       ? "Change to pMOS..."
                                                            : "Change to nMOS...");
}

void chooseMosOption(GeneratorSettings& s, const TechnologyRules& tech, int option) {
  s.mosOption = std::clamp(option, 0, 3);
  s.mosL = std::max(s.mosOption == 2 ? tech.rule(R303) : tech.rule(R302), minMosLength(tech));
}

WLTexts wlTexts(const GeneratorSettings& s, const TechnologyRules& tech) {
  if (s.mosUnits == MosUnits::Micron)
    return {F(s.mosW * tech.lambda, 1, 3), F(s.mosL * tech.lambda, 1, 3), kMicron};
  return {str(s.mosW), str(s.mosL), "lambda"};
}

std::vector<int> mosOptionsOffered(const TechnologyRules& tech) {
  std::vector<int> v;
  for (int i = 0; i < 4; ++i)
    if (tech.mosKindNames[static_cast<std::size_t>(i)] != "?") v.push_back(i);
  return v;
}

bool betweenMetalEnabled(const TechnologyRules& tech, int i) {
  return i >= 0 && i < kBetweenMetalCount && i + 2 <= topMetalLevel(tech);
}

void DoStackedVias(GeneratorSettings& s, int i, bool checked) {
  if (i < 0 || i >= kBetweenMetalCount) return;
  s.betweenMetal[static_cast<std::size_t>(i)] = checked;
  for (int j = i + 1; j < kBetweenMetalCount; ++j) s.betweenMetal[static_cast<std::size_t>(j)] = false;
  if (!checked) return;
  // without a contact the stack may start at any level, but a stack already
  // checked below is joined to the new box, not left with a gap
  int from = 0;
  if (s.contactChoice == ContactChoice::None) {
    from = i;
    for (int j = i - 1; j >= 0; --j)
      if (s.betweenMetal[static_cast<std::size_t>(j)]) {
        from = j;
        break;
      }
  }
  for (int j = from; j < i; ++j) s.betweenMetal[static_cast<std::size_t>(j)] = true;
}

bool PlaceContacts(LayoutGenerator& g, const GeneratorSettings& s, std::int64_t x, std::int64_t y) {
  LayoutGenerator::Operation op(g);
  // "Rows" counts along x, "Columns" along y
  if (const int kind = contactKindOf(s.contactChoice))
    if (!g.AddContactArray(x, y, s.contactRows, s.contactColumns, kind)) return false;
  for (int i = 0; i < kBetweenMetalCount; ++i)
    if (s.betweenMetal[static_cast<std::size_t>(i)] &&
        !g.AddContactArray(x, y, s.contactRows, s.contactColumns, metalLayer(i + 2)))
      return false;
  return true;
}

Rect contactsExtent(const TechnologyRules& tech, const GeneratorSettings& s) {
  std::vector<int> kinds;
  if (const int kind = contactKindOf(s.contactChoice)) kinds.push_back(kind);
  for (int i = 0; i < kBetweenMetalCount; ++i)
    if (s.betweenMetal[static_cast<std::size_t>(i)]) kinds.push_back(metalLayer(i + 2));
  std::int64_t x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  bool any = false;
  for (int kind : kinds) {
    ContactKindRules r;
    if (!contactKindRules(tech, kind, r) || metalLevelOf(r.upper) > topMetalLevel(tech) || r.a < 1) continue;
    const std::int64_t p = std::max(r.a + r.b, r.a + 2 * r.c), h = r.a / 2, cell = r.a + 2 * r.c;
    const std::int64_t lo = -h - r.c;
    const std::int64_t hx = lo + (std::int64_t{s.contactRows} - 1) * p + cell;
    const std::int64_t hy = lo + (std::int64_t{s.contactColumns} - 1) * p + cell;
    x1 = any ? std::min(x1, lo) : lo;
    y1 = any ? std::min(y1, lo) : lo;
    x2 = any ? std::max(x2, hx) : hx;
    y2 = any ? std::max(y2, hy) : hy;
    any = true;
  }
  if (!any) return {};
  auto clip = [](std::int64_t v) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, std::numeric_limits<std::int32_t>::min(),
                                                               std::numeric_limits<std::int32_t>::max()));
  };
  return {clip(x1), clip(y1), clip(x2), clip(y2)};
}

bool PlaceSinglePad(LayoutGenerator& g, const GeneratorSettings& s, std::int64_t x, std::int64_t y) {
  LayoutGenerator::Operation op(g);
  std::int32_t c = 0;
  if (!micronsToLambda(s.singlePadSize, g.tech().lambda, c)) return g.refuse("Bonding pad refused: lambda is 0");
  return g.AddBondingPad(x, y, std::int64_t{c} + 1);
}

std::string singlePadPrompt(double size) {
  const std::string t = F(size, 1, 1);
  return "In the drawing, select the location for the bonding pad " + t + "x" + t + " " + kMicron + "...";
}

}  // namespace quill
