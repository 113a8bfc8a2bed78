#include "editor/Generator.h"

#include <algorithm>
#include <initializer_list>
#include <limits>

#include "core/Text.h"

namespace quill {

namespace {

const std::string& layerName(int layer) {
  static const LayerTable names;
  return names[layer].name;
}

std::int64_t rule(const TechnologyRules& t, int r) { return t.rule(r); }

// code of the cut-size rule of a contact kind, for refusals
const char* cutRuleCode(int kind) {
  switch (kind) {
    case kPoly2: return "R311";
    case kMetal2: return "R601";
    case kMetal3: return "R801";
    case kMetal4: return "RA01";
    case kMetal5: return "RC01";
    case kMetal6: return "RE01";
    default: return "R401";
  }
}

constexpr std::int64_t kMinCoord = std::numeric_limits<std::int32_t>::min();
constexpr std::int64_t kMaxCoord = std::numeric_limits<std::int32_t>::max();

// every argument within the layout's coordinates, so that no sum or product
// of them can overflow before the boxes are range-checked
bool inRange(std::initializer_list<std::int64_t> values) {
  for (std::int64_t v : values)
    if (v < kMinCoord || v > kMaxCoord) return false;
  return true;
}
constexpr const char* kBeyond = "Generator refused: the element reaches beyond the layout's coordinates";

}  // namespace

bool contactKindRules(const TechnologyRules& t, int kind, ContactKindRules& out) {
  auto viaRules = [&](int a, int b, int c1, int c2, int lower, int cut, int upper) {
    out = {rule(t, a), rule(t, b), std::max(rule(t, c1), rule(t, c2)), lower, cut, upper};
    return true;
  };
  switch (kind) {
    case kDiffp: case kDiffn: case kPoly:
      out = {rule(t, R401), rule(t, R402), rule(t, R403), kind, kContact, kMetal};
      return true;
    case kPoly2: out = {rule(t, R311), rule(t, R402), rule(t, R403), kPoly2, kContact, kMetal}; return true;
    case kMetal2: return viaRules(R601, R602, R604, R605, kMetal, kVia, kMetal2);
    case kMetal3: return viaRules(R801, R802, R804, R805, kMetal2, kVia2, kMetal3);
    case kMetal4: return viaRules(RA01, RA02, RA04, RA05, kMetal3, kVia3, kMetal4);
    case kMetal5: return viaRules(RC01, RC02, RC04, RC05, kMetal4, kVia4, kMetal5);
    case kMetal6: return viaRules(RE01, RE02, RE04, RE05, kMetal5, kVia5, kMetal6);
    default: return false;
  }
}

int metalLevelOf(int layer) {
  switch (layer) {
    case kMetal: return 1;
    case kMetal2: return 2;
    case kMetal3: return 3;
    case kMetal4: return 4;
    case kMetal5: return 5;
    case kMetal6: return 6;
    default: return 0;
  }
}

int topMetalLevel(const TechnologyRules& tech) { return std::clamp(tech.metalLevels, 2, 6); }

std::int32_t widthRuleOf(const TechnologyRules& t, int layer) {
  switch (layer) {
    case kNwell: return t.rule(R101);
    case kDiffn: case kDiffp: return t.rule(R201);
    case kPoly: return t.rule(R301);
    case kContact: return t.rule(R401);
    case kPoly2: return t.rule(R311);
    case kMetal: return t.rule(R501);
    case kVia: return t.rule(R601);
    case kMetal2: return t.rule(R701);
    case kVia2: return t.rule(R801);
    case kMetal3: return t.rule(R901);
    case kVia3: return t.rule(RA01);
    case kMetal4: return t.rule(RB01);
    case kVia4: return t.rule(RC01);
    case kMetal5: return t.rule(RD01);
    case kVia5: return t.rule(RE01);
    case kMetal6: return t.rule(RF01);
    case kPassiv: return t.rule(RP01);
    default: return 0;
  }
}

LayoutGenerator::LayoutGenerator(LayoutDatabase& db, const TechnologyRules& tech) : db_(&db), tech_(tech) {}

LayoutGenerator::LayoutGenerator(const TechnologyRules& tech, std::vector<GeneratedBox>& preview)
    : preview_(&preview), tech_(tech) {}

std::int64_t LayoutGenerator::contactCell() const { return rule(tech_, R401) + 2 * rule(tech_, R403); }
std::int64_t LayoutGenerator::contactPitch() const { return rule(tech_, R401) + rule(tech_, R402); }

void LayoutGenerator::clearStatus() {
  status_ = GenStatus::Ok;
  refusal_.clear();
}

bool LayoutGenerator::refuse(std::string message) {
  if (status_ == GenStatus::Ok) {
    status_ = GenStatus::Refused;
    refusal_ = std::move(message);
  }
  return false;
}

bool LayoutGenerator::put(std::int64_t x1, std::int64_t y1, std::int64_t x2, std::int64_t y2, int layer,
                          std::int32_t value) {
  // nothing more once an element failed: a caller that goes on adds no stray boxes
  if (failed()) return false;
  for (std::int64_t v : {x1, y1, x2, y2})
    if (v < kMinCoord || v > kMaxCoord) return refuse(kBeyond);
  GeneratedBox b{static_cast<std::int32_t>(std::min(x1, x2)), static_cast<std::int32_t>(std::min(y1, y2)),
                 static_cast<std::int32_t>(std::max(x1, x2)), static_cast<std::int32_t>(std::max(y1, y2)), layer,
                 value};
  if (db_) {
    const int pos = db_->addBox(b.x1, b.y1, b.x2, b.y2, layer);
    if (pos == 0) {
      status_ = GenStatus::TableFull;
      return false;
    }
    if (value != 0) db_->box(pos).value = value;
  } else if (preview_) {
    // a preview of more than the table could ever hold would only eat memory
    if (preview_->size() >= static_cast<std::size_t>(kMaxBoxes)) {
      status_ = GenStatus::TableFull;
      return false;
    }
    preview_->push_back(b);
  }
  if (tracking_) {
    Rect& e = *tracking_;
    e = {std::min(e.x1, b.x1), std::min(e.y1, b.y1), std::max(e.x2, b.x2), std::max(e.y2, b.y2)};
  }
  return true;
}

bool LayoutGenerator::AddContactArray(std::int64_t x, std::int64_t y, std::int64_t nx, std::int64_t ny, int kind) {
  Call call(*this);
  if (!inRange({x, y, nx, ny})) return refuse(kBeyond);
  ContactKindRules r;
  if (!contactKindRules(tech_, kind, r)) return refuse("Contact array refused: no contact of kind " + layerName(kind));
  contactExtent = kEmptyExtent;
  if (metalLevelOf(r.upper) > topMetalLevel(tech_)) return true;  // the process has no such level
  if (nx < 1 || ny < 1) return refuse("Contact array refused: rows and columns must be at least 1");
  if (r.a < 1) return refuse(std::string("Contact array refused: design rule ") + cutRuleCode(kind) + " is 0");
  const std::int64_t p = std::max(r.a + r.b, r.a + 2 * r.c), cell = r.a + 2 * r.c, h = r.a / 2;
  tracking_ = &contactExtent;
  bool ok = true;
  for (std::int64_t i = 0; ok && i < nx; ++i)
    for (std::int64_t j = 0; ok && j < ny; ++j) {
      const std::int64_t cx = x + i * p - h, cy = y + j * p - h;
      ok = put(cx, cy, cx + r.a, cy + r.a, r.cut);
    }
  tracking_ = nullptr;
  if (!ok) return false;
  // every cut fitted, so the plate's corner does too
  const std::int64_t px = x - h - r.c, py = y - h - r.c;
  const std::int64_t qx = px + (nx - 1) * p + cell, qy = py + (ny - 1) * p + cell;
  tracking_ = &contactExtent;
  ok = put(px, py, qx, qy, r.lower) && put(px, py, qx, qy, r.upper);
  tracking_ = nullptr;
  return ok;
}

bool LayoutGenerator::AddViaStack(std::int64_t x, std::int64_t y, int from, int to) {
  Call call(*this);
  if (!inRange({x, y})) return refuse(kBeyond);
  const int toLevel = metalLevelOf(to);
  if (toLevel == 0) return refuse("Via stack refused: " + layerName(to) + " is not a metal layer");
  int level = 0;
  switch (from) {
    case kNwell:
      if (!AddContact(x, y, kDiffn)) return false;
      level = 1;
      break;
    case kDiffn: case kDiffp: case kPoly: case kPoly2:
      if (!AddContact(x, y, from)) return false;
      level = 1;
      break;
    default:
      level = metalLevelOf(from);
      if (level == 0) return refuse("Via stack refused: no stack starts on " + layerName(from));
  }
  for (int k = level + 1; k <= toLevel; ++k)
    if (!AddContact(x, y, metalLayer(k))) return false;
  return true;
}

bool LayoutGenerator::AddBondingPad(std::int64_t x, std::int64_t y, std::int64_t size) {
  Call call(*this);
  if (!inRange({x, y, size})) return refuse(kBeyond);
  if (size < 1) return refuse("Bonding pad refused: the opening must be at least 1 lambda");
  const std::int64_t r3 = rule(tech_, RP03), r4 = rule(tech_, RP04);
  const std::int64_t d = size + 2 * std::max(r3, r4);
  const std::int64_t x0 = x - d / 2, y0 = y - d / 2, x1 = x0 + d, y1 = y0 + d;
  if (!put(x0, y0, x1, y1, kMetal) || !put(x0, y0, x1, y1, kMetal2) ||
      !put(x0 + r3, y0 + r3, x1 - r3, y1 - r3, kVia))
    return false;
  for (int k = 3; k <= topMetalLevel(tech_); ++k)
    if (!put(x0, y0, x1, y1, metalLayer(k)) || !put(x0 + r3, y0 + r3, x1 - r3, y1 - r3, viaLayer(k - 1)))
      return false;
  return put(x0 + r4, y0 + r4, x1 - r4, y1 - r4, kPassiv);
}

bool LayoutGenerator::AddSupplyRing(std::int64_t x1, std::int64_t y1, std::int64_t x2, std::int64_t y2, int layer,
                                    std::int64_t w) {
  Call call(*this);
  if (!inRange({x1, y1, x2, y2, w})) return refuse(kBeyond);
  const int level = metalLevelOf(layer);
  if (level == 0) return refuse("Supply ring refused: " + layerName(layer) + " is not a metal layer");
  if (w < 1) return refuse("Supply ring refused: the width must be at least 1 lambda");
  if (!put(x1, y1, x2, y1 + w, layer) || !put(x1, y1, x1 + w, y2, layer) || !put(x1, y2 - w, x2, y2, layer) ||
      !put(x2 - w, y1, x2, y2, layer))
    return false;
  const std::int64_t h = w / 2;
  const std::int64_t corners[4][2] = {{x1 + h, y1 + h}, {x1 + h, y2 - h}, {x2 - h, y1 + h}, {x2 - h, y2 - h}};
  for (const auto& c : corners)
    for (int k = 2; k <= level; ++k)
      if (!AddContactArray(c[0], c[1], 2, 2, metalLayer(k))) return false;
  return true;
}

bool LayoutGenerator::AddSupplyMesh(std::int64_t x1, std::int64_t y1, std::int64_t x2, std::int64_t y2, int layer,
                                    std::int64_t pitch) {
  Call call(*this);
  if (!inRange({x1, y1, x2, y2, pitch})) return refuse(kBeyond);
  if (pitch < 1) return refuse("Supply mesh refused: the pitch must be at least 1 lambda");
  const std::int64_t w = 4 * std::int64_t{widthRuleOf(tech_, layer)};
  if (w < 1) return refuse("Supply mesh refused: " + layerName(layer) + " has no width rule");
  for (std::int64_t yb = y1; yb < y2; yb += pitch) {
    if (!put(x1, yb, x2, yb + w, layer)) return false;
    if (yb + pitch < y2)
      for (std::int64_t xv = x1; xv < x2; xv += pitch)
        if (!put(xv, yb + w, xv + w, yb + pitch, layer)) return false;
  }
  return true;
}

bool LayoutGenerator::AddPolarizationRing(std::int64_t x, std::int64_t y, std::int64_t nx, std::int64_t ny,
                                          int ringKind, int omittedSide) {
  Call call(*this);
  if (!inRange({x, y, nx, ny})) return refuse(kBeyond);
  if (ringKind != 1 && ringKind != 2) return refuse("Polarization ring refused: the ring kind must be 1 or 2");
  if (nx < 1 || ny < 1) return refuse("Polarization ring refused: rows and columns must be at least 1");
  const int diff = ringKind == 1 ? kDiffn : kDiffp;
  ContactKindRules r;
  contactKindRules(tech_, diff, r);
  const std::int64_t wc = contactCell(), pc = contactPitch();
  const std::int64_t p = std::max(r.a + r.b, r.a + 2 * r.c);
  if (r.a < 1 || pc < 1) return refuse("Polarization ring refused: design rule R401 or R402 is 0");
  const std::int64_t h = wc / 2;
  const std::int64_t e = std::max(rule(tech_, R501), rule(tech_, R205)) +
                         static_cast<std::int64_t>(roundHalfEven(1.3 * static_cast<double>(wc)));
  const std::int64_t xl = x - e, yb = y - e;
  const std::int64_t xr = x + e + (nx - 1) * pc + rule(tech_, R403), yt = y + e + (ny - 1) * pc + rule(tech_, R403);

  auto strips = [&](int layer, int omitted) {
    return (omitted == 4 || put(xl - h, yb - h, xl + h, yt + h, layer)) &&
           (omitted == 1 || put(xl - h, yt - h, xr + h, yt + h, layer)) &&
           (omitted == 2 || put(xl - h, yb - h, xr + h, yb + h, layer)) &&
           (omitted == 3 || put(xr - h, yb - h, xr + h, yt + h, layer));
  };
  if (!strips(kMetal, omittedSide)) return false;
  ringExtent = {static_cast<std::int32_t>(xl - h), static_cast<std::int32_t>(yb - h),
                static_cast<std::int32_t>(xr + h), static_cast<std::int32_t>(yt + h)};
  const std::int64_t w = rule(tech_, R203);
  if (ringKind == 1 && !put(xl - h - w, yb - h - w, xr + h + w, yt + h + w, kNwell)) return false;
  if (!strips(diff, 0)) return false;
  // cuts at the array's own pitch: at the contact pitch they would run past
  // the corner wherever the enclosure sets the pitch
  const std::int64_t kx = std::max<std::int64_t>(1, (xr - xl) / p), ky = std::max<std::int64_t>(1, (yt - yb) / p);
  return (omittedSide == 2 ? AddContact(xl, yb, diff) : AddContactArray(xl, yb, kx, 1, diff)) &&
         (omittedSide == 1 ? AddContact(xl, yt, diff) : AddContactArray(xl, yt, kx, 1, diff)) &&
         (omittedSide == 3 ? AddContact(xr, yt, diff) : AddContactArray(xr, yb, 1, ky, diff)) &&
         (omittedSide == 4 ? AddContact(xl, yt, diff) : AddContactArray(xl, yb, 1, ky, diff));
}

std::string failureText(const LayoutGenerator& g, std::string_view what) {
  switch (g.status()) {
    case GenStatus::Ok: return {};
    case GenStatus::TableFull: return "Box table full: " + std::string(what) + " not placed";
    case GenStatus::Refused: break;
  }
  return g.refusal();
}

}  // namespace quill
