#include "editor/Palette.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/Text.h"

namespace quill {

namespace {

constexpr std::array<PaletteToolInfo, kPaletteToolCount> kTools{{
    {"sbContactPoly", "Contact Poly/metal1", 0},
    {"sbContactDiffn", "Contact N+diff/Metal1", 0},
    {"sbContactDiffp", "Contact P+diff/Metal1", 0},
    {"sbContactVia", "Contact Metal1/Metal2", 0},
    {"sbContactMetal2", "Contact Metal1/Metal2", 0},
    {"sbMos", "MOS Generator", 0},
    {"sbContacts", "Complex contacts", 0},
    {"sbRes", "Add virtual Resistance", 0},
    {"sbCapa", "Add virtual capacitance", 0},
    {"sbInductor", "Add virtual Inductor", 0},
    {"sbVss", "Ground", 1},
    {"sbVdd", "Vdd Supply", 2},
    {"sbVddH", "High voltage Supply", 3},
    {"sbPulse", "Add a pulse", 4},
    {"sbClock", "Add a clock", 5},
    {"sbVisible", "Visible node", 6},
    {"sbSinus", "Add a sinus", 8},
}};

constexpr std::array<PaletteRow, kPaletteRowCount> kRows{{
    {"Options", kOption, 0},
    {"Metal 6", kMetal6, kVia5},
    {"Metal 5", kMetal5, kVia4},
    {"Metal 4", kMetal4, kVia3},
    {"Metal 3", kMetal3, kVia2},
    {"Metal 2", kMetal2, kVia},
    {"Metal 1", kMetal, 0},
    {"Polysilicon 2", kPoly2, 0},
    {"Contact", kContact, 0},
    {"Polysilicon", kPoly, 0},
    {"P+ Diffusion", kDiffp, 0},
    {"N+ Diffusion", kDiffn, 0},
    {"N Well", kNwell, 0},
}};

bool isUpperMetal(int layer) {
  return layer == kMetal2 || layer == kMetal3 || layer == kMetal4 || layer == kMetal5 || layer == kMetal6;
}

bool isPropertyTool(PaletteTool t) { return paletteToolInfo(t).propertyCode != 0; }

// rule sums come from the rule file unchecked; keep them inside 32 bits
std::int32_t clamp32(std::int64_t v) {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, std::numeric_limits<std::int32_t>::min(),
                                                            std::numeric_limits<std::int32_t>::max()));
}

constexpr const char* kPropertyPrompt = "In the layout, select the location for the property...";

}  // namespace

const PaletteToolInfo& paletteToolInfo(PaletteTool t) { return kTools[static_cast<std::size_t>(t)]; }

const std::array<PaletteRow, kPaletteRowCount>& paletteRows() { return kRows; }

int paletteRowOf(int layer) {
  for (int r = 0; r < kPaletteRowCount; ++r)
    if (kRows[static_cast<std::size_t>(r)].layer == layer) return r;
  return -1;
}

Palette::Palette(LayoutDatabase& db, const TechnologyRules& tech, StatusMessage& status, PaletteHost& host)
    : db_(db), tech_(tech), status_(status), host_(host),
      hintContactPoly_(paletteToolInfo(PaletteTool::ContactPoly).hint),
      hintContactMetal2_(paletteToolInfo(PaletteTool::ContactMetal2).hint) {}

int Palette::metalLevels() const { return std::clamp<std::int32_t>(tech_.metalLevels, 1, 6); }

bool Palette::rowShown(int row) const {
  if (row < 0 || row >= kPaletteRowCount) return false;
  int layer = kRows[static_cast<std::size_t>(row)].layer;
  if (layer == kPoly2) return tech_.doublePoly;
  if (isUpperMetal(layer)) return metalLevels() > (layer - kMetal) / 2;  // metal k needs more than k-1 levels
  return true;
}

std::string Palette::protectHint(int row) const {
  const PaletteRow& r = kRows[static_cast<std::size_t>(row)];
  if (r.layer == kOption) return "Protect options";
  return (protectDown(row) ? "Unprotect " : "Protect ") + db_.layers[r.layer].name;
}

int Palette::highlightedRow() const {
  int row = paletteRowOf(db_.currentLayer);
  return rowShown(row) ? row : -1;
}

std::string Palette::toolHint(PaletteTool t) const {
  if (t == PaletteTool::ContactPoly) return hintContactPoly_;
  if (t == PaletteTool::ContactMetal2) return hintContactMetal2_;
  return paletteToolInfo(t).hint;
}

int Palette::windowHeight() const { return 410 - (132 - 22 * metalLevels()); }

Rect Palette::placementShape() const {
  std::int64_t n = std::max<std::int64_t>(0, elementSize_);
  std::int64_t low = n / 2, high = n - low;  // odd sizes lean right and up
  return Rect{clamp32(-low), clamp32(-low), clamp32(high), clamp32(high)};
}

void Palette::Init() {
  protectDown_.fill(false);
  ShowMetalButtons(true);
  SetLayer(kPoly, true);
}

void Palette::setProtected(int row, bool on) {
  const PaletteRow& r = kRows[static_cast<std::size_t>(row)];
  db_.layers[r.layer].isProtected = on;
  if (r.viaBelow) db_.layers[r.viaBelow].isProtected = on;
}

void Palette::SetLayer(int layer, bool full) {
  setLayer(layer, full, false);
  changed();
}

void Palette::setLayer(int layer, bool full, bool fromToggle) {
  if (!LayerTable::validIndex(layer)) return;
  db_.currentLayer = layer;
  status_.write(StatusMessage::Main, "Set layer to " + db_.layers[layer].name + ".");

  // A metal and its via below are protected as one, so they are unprotected
  // as one too; otherwise the via stays out of reach of every edit.
  int row = paletteRowOf(layer);
  db_.layers[layer].isProtected = false;
  if (row >= 0 && kRows[static_cast<std::size_t>(row)].viaBelow)
    db_.layers[kRows[static_cast<std::size_t>(row)].viaBelow].isProtected = false;

  if (full) {
    host_.boxMode();
    pressed_.reset();  // box mode ends whatever the small buttons started
  }
  // the button follows the flag just cleared; a toggle sets both itself
  if (row >= 0 && !fromToggle) protectDown_[static_cast<std::size_t>(row)] = false;

  hintContactPoly_ = layer == kPoly ? "Contact metal/poly" : "Contact metal/poly2";
  if (layer <= 10) hintContactMetal2_ = "Contact metal/metal2";
  else if (layer <= 12) hintContactMetal2_ = "Contact metal2/metal3";
  else if (layer <= 14) hintContactMetal2_ = "Contact metal3/metal4";
  else if (layer <= 16) hintContactMetal2_ = "Contact metal4/metal5";
  else if (layer <= 18) hintContactMetal2_ = "Contact metal5/metal6";

  host_.bringToFront();
  if (full) host_.redraw();
}

void Palette::ToggleProtection(int layer) {
  int row = paletteRowOf(layer);
  if (row < 0) return;
  auto r = static_cast<std::size_t>(row);
  bool down = !protectDown_[r];
  protectDown_[r] = down;
  setLayer(layer, !down, true);
  setProtected(row, down);
  const std::string& name = db_.layers[layer].name;
  if (down)
    status_.write(StatusMessage::Main, "Protect " + name + ". Delete, copy, stetch commands cannot modify this layer");
  else
    status_.write(StatusMessage::Main, "Unprotect " + name + ". Editing commands become active on this layer ");
  // releasing went through the full SetLayer, which redrew with the final flags
  if (down) host_.redraw();
  changed();
}

void Palette::ProtectAll() {
  status_.write(StatusMessage::Main, "Protect all");
  // every button, already down or not: a button left down over an
  // unprotected layer would otherwise stay unprotected
  for (int row = 0; row < kPaletteRowCount; ++row) {
    if (isUpperMetal(kRows[static_cast<std::size_t>(row)].layer) && !rowShown(row)) continue;
    protectDown_[static_cast<std::size_t>(row)] = true;
    setProtected(row, true);
  }
  host_.redraw();
  changed();
}

void Palette::UnprotectAll() {
  status_.write(StatusMessage::Main, "Unprotect layers ...");
  for (int layer = 1; layer <= kLayerCount; ++layer) db_.layers[layer].isProtected = false;
  protectDown_.fill(false);
  host_.redraw();
  changed();
}

void Palette::ShowMetalButtons(bool release) {
  if (release) {
    for (int row = 0; row < kPaletteRowCount; ++row) {
      int layer = kRows[static_cast<std::size_t>(row)].layer;
      bool upperMetal = isUpperMetal(layer) && rowShown(row);
      bool front = layer == kNwell || layer == kDiffn || layer == kDiffp || layer == kPoly;
      if (upperMetal || front) protectDown_[static_cast<std::size_t>(row)] = false;
    }
  }
  int top = metalLayer(std::max(2, metalLevels()));
  if (db_.currentLayer >= top) db_.currentLayer = top;
  changed();
}

void Palette::ReleasePropertyButtons() {
  if (pressed_ && isPropertyTool(*pressed_)) pressed_.reset();
  host_.boxMode();
  changed();
  status_.pump();
}

void Palette::ReleaseToolButtons() {
  pressed_.reset();
  changed();
}

void Palette::armContact(PaletteTool t, int kind, std::int64_t size, std::string prompt) {
  contactKind_ = kind;
  elementSize_ = clamp32(size);
  pressed_ = t;
  changed();
  host_.placeContact(placementShape(), prompt);
}

void Palette::ToolClick(PaletteTool t) {
  auto R = [this](int rule) { return static_cast<std::int64_t>(tech_.rule(rule)); };
  std::int64_t contactCell = R(R401) + 2 * R(R403);
  switch (t) {
    case PaletteTool::ContactPoly:
      if (db_.currentLayer == kPoly2)
        armContact(t, kPoly2, R(R311) + 4, "Enter the location for contact poly2...");
      else
        armContact(t, kPoly, contactCell, "Enter the location for contact poly...");
      return;
    case PaletteTool::ContactDiffn:
      armContact(t, kDiffn, contactCell, "Enter the location for contact Diffn...");
      return;
    case PaletteTool::ContactDiffp:
      armContact(t, kDiffp, contactCell, "Enter the location for contact Diffp...");
      return;
    case PaletteTool::ContactVia:
      armContact(t, kMetal2, R(R601) + 2 * R(R604), "Enter the location for contact metal2...");
      return;
    case PaletteTool::ContactMetal2: {
      int l = db_.currentLayer;
      int kind;
      std::int64_t n;
      if (l <= 10) { kind = kMetal2; n = R(R601) + 2 * R(R604); }
      else if (l <= 12) { kind = kMetal3; n = R(R801) + 2 * R(R804); }
      else if (l <= 14) { kind = kMetal4; n = R(RA01) + 2 * R(RA04); }
      else if (l <= 16) { kind = kMetal5; n = R(RC01) + 2 * R(RC04); }
      else { kind = kMetal6; n = R(RE01) + 2 * R(RE04); }
      armContact(t, kind, n, "Enter the location for contact " + db_.layers[kind].name + "...");
      return;
    }
    case PaletteTool::Mos:
    case PaletteTool::Contacts:
      pressed_ = t;
      changed();
      status_.write(StatusMessage::Main, t == PaletteTool::Mos ? "MOS Generator" : "Add contacts...");
      host_.openGenerator(t == PaletteTool::Mos ? "MOS" : "Contacts");
      return;
    case PaletteTool::Res:
      pressed_ = t;
      changed();
      host_.setEditMode(43, "In the layout, fix the resistance position ...");
      return;
    case PaletteTool::Capa:
      pressed_ = t;
      changed();
      host_.setEditMode(46, "In the layout, fix the capacitance position ...");
      return;
    case PaletteTool::Inductor:
      pressed_ = t;
      changed();
      host_.setEditMode(31, "In the layout, fix the virtual inductor position ...");
      return;
    default:
      pressed_ = t;
      changed();
      host_.placeText(paletteToolInfo(t).propertyCode, kPropertyPrompt);
      return;
  }
}

void Palette::setPadPlacement(double padSizeUm) {
  contactKind_ = kPassiv;
  padSizeUm_ = padSizeUm;
}

void Palette::PlaceContact(std::int32_t x, std::int32_t y) {
  int kind = contactKind_;
  bool single = kind == kDiffp || kind == kDiffn || kind == kPoly2 || kind == kPoly || isUpperMetal(kind);
  if (!single && kind != kPassiv) {
    status_.write(StatusMessage::Main, "Unvalid layer for contact");
    return;
  }
  db_.setUndoMarks(kUndoRemoveAdded);
  int before = db_.boxCount();
  db_.lastError = kOk;
  if (single) {
    host_.addContact(x, y, kind);
  } else {
    double lambdas = tech_.lambda > 0 ? padSizeUm_ / tech_.lambda : 0;
    std::optional<std::int32_t> r = roundToInt32(lambdas);
    std::int32_t size = !r ? (lambdas > 0 ? std::numeric_limits<std::int32_t>::max() : 1)
                           : clamp32(static_cast<std::int64_t>(*r) + 1);
    host_.addBondingPad(x, y, size);
  }
  bool full = db_.lastError == kErrBoxTableFull;
  if (db_.boxCount() != before) {
    db_.modified = true;
    db_.extracted = false;
  }

  if (pressed_ && !isPropertyTool(*pressed_)) pressed_.reset();
  host_.boxMode();
  db_.undoKind = kUndoRemoveAdded;
  // a full table may have taken part of the contact, or nothing
  if (full)
    status_.write(StatusMessage::Main, "Warning : box data base full ...");
  else
    status_.write(StatusMessage::Main,
                  "Contact fixed at " + std::to_string(x) + "," + std::to_string(y) + " on the layout");
  host_.redraw();
  changed();
}

void Palette::Escape() {
  status_.write(StatusMessage::Main, "<Escape>");
  pressed_.reset();
  changed();
  host_.escape();
}

}  // namespace quill
