#include "editor/VirtualRlc.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <limits>

#include "core/ParseValue.h"
#include "core/Text.h"

namespace quill {

namespace {
std::int32_t clamp32(std::int64_t v) {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, std::numeric_limits<std::int32_t>::min(),
                                                            std::numeric_limits<std::int32_t>::max()));
}
// the size buttons: 1, 5 or 25
int sizeButtonOf(std::int64_t s) { return s <= 1 ? 1 : s <= 5 ? 5 : 25; }
const char* kindWord(int kind) {
  return kind == kRlcCapacitor ? "Capacitance" : kind == kRlcInductor ? "Inductance" : "Resistance";
}
}  // namespace

const char* rlcParamCaption(int param) {
  switch (param) {
    case kAllResistance: return "Diff,metal,poly,via resistance";
    case kMetalResistance: return "Metal Resistance";
    case kPolyResistance: return "Poly resistance";
    case kDiffResistance: return "Diff resistance";
    default: return "Fixed resistance";
  }
}

const char* rlcParamText(int param) {
  switch (param) {
    case kAllResistance: return "R(all)";
    case kMetalResistance: return "R(metal)";
    case kPolyResistance: return "R(poly)";
    case kDiffResistance: return "R(diff)";
    default: return "100";
  }
}

int rlcParamOfText(const std::string& text) {
  // the third character, in either case, as extraction reads it ("R(all)")
  if (text.size() < 3 || (text[0] != 'R' && text[0] != 'r')) return kFixedResistance;
  switch (std::toupper(static_cast<unsigned char>(text[2]))) {
    case 'A': return kAllResistance;
    case 'M': return kMetalResistance;
    case 'P': return kPolyResistance;
    case 'D': return kDiffResistance;
    default: return kFixedResistance;
  }
}

RlcEditor::RlcEditor(LayoutDatabase& db, const TechnologyRules& tech, StatusMessage& status, ToolView& view)
    : db_(db), tech_(tech), status_(status), view_(view) {}

StateHandler& RlcEditor::handlerFor(int k) {
  return k == kRlcCapacitor ? static_cast<StateHandler&>(capacitor_)
         : k == kRlcInductor ? static_cast<StateHandler&>(inductor_)
                             : static_cast<StateHandler&>(resistor_);
}

int RlcEditor::symbolAt(LambdaPoint p) const {
  const PixelPoint c = view_.toPixel(p);
  int hit = 0;
  for (int i = 1; i <= db_.rlcCount(); ++i) {
    const RlcSymbol& r = db_.rlc(i);
    if (!r.active) continue;
    const PixelPoint a = view_.toPixel({r.x1, r.y1}), b = view_.toPixel({r.x2, r.y2});
    const std::int64_t e = std::clamp<std::int64_t>(r.size, 0, 1000000) + 10;
    if (c.x >= std::min(a.x, b.x) - e && c.x <= std::max(a.x, b.x) + e && c.y >= std::min(a.y, b.y) - e &&
        c.y <= std::max(a.y, b.y) + e)
      hit = i;
  }
  return hit;
}

void RlcEditor::prepare(int symbol) {
  const RlcSymbol& r = db_.rlc(symbol);
  target_ = symbol;
  targetCopy_ = r;
  point_ = {r.x1, r.y1};
  kind = r.kind;
  EditValue = r.text;
  size = sizeButtonOf(r.size);
  RadioParams = rlcParamOfText(EditValue);
  info = kind == kRlcCapacitor ? "Capa between node and ground"
         : kind == kRlcInductor ? "Inductor between nodes"
                                : "Resistor between nodes";
  show(StatusMessage::Main, std::string(kindWord(kind)) + " found here...");
  if (db_.extracted) {
    const std::string n1 = std::to_string(r.node1), n2 = std::to_string(r.node2);
    show(StatusMessage::Info, kind == kRlcCapacitor ? "C(" + n1 + ",vss)"
                              : kind == kRlcInductor ? "L(" + n1 + "," + n2 + ")"
                                                     : "R(" + n1 + "," + n2 + ")");
  }
}

bool RlcEditor::editAt(LambdaPoint p) {
  const int s = symbolAt(p);
  if (!s) return false;
  prepare(s);
  open();
  return true;
}

void RlcEditor::openAt(LambdaPoint p, int k) {
  if (const int s = symbolAt(p)) {
    prepare(s);
  } else {
    target_ = 0;
    point_ = p;
    kind = k;
    switch (k) {
      case kRlcCapacitor:
        EditValue = "0.01";  // pF
        info = "Capa between node and ground";
        break;
      case kRlcInductor:
        EditValue = "1";  // nH
        info = "Inductor between nodes";
        break;
      default:
        kind = kRlcResistor;
        EditValue = "100";
        info = "Resistor between nodes";
        break;
    }
    RadioParams = rlcParamOfText(EditValue);
  }
  open();
}

void RlcEditor::open() {
  open_ = true;
  if (showWindow) showWindow();
  if (open_) btnCancelClick();  // closed some other way than its buttons
}

void RlcEditor::RadioParamsClick(int param) {
  RadioParams = std::clamp(param, 0, kRlcParamCount - 1);
  EditValue = rlcParamText(RadioParams);
}

void RlcEditor::EditValueChange() { RadioParams = rlcParamOfText(EditValue); }

void RlcEditor::sizeClick(int s) { size = sizeButtonOf(s); }

bool RlcEditor::btnOkClick() {
  if (EditValue.empty()) {
    // a symbol without text would be dropped by the table, or unreadable
    show(StatusMessage::Main, "Give the value of the symbol");
    return false;
  }
  const std::int64_t length = 5 * std::int64_t{size};
  if (target_) {
    // the window is modal, yet the symbol must still be the one it showed
    if (target_ > db_.rlcCount() || !db_.rlc(target_).active || db_.rlc(target_).x1 != targetCopy_.x1 ||
        db_.rlc(target_).y1 != targetCopy_.y1) {
      open_ = false;
      return true;
    }
    RlcSymbol& r = db_.rlc(target_);
    r.text = cutText(EditValue);
    r.kind = static_cast<std::uint8_t>(kind);
    r.size = size;
    if (r.y1 == r.y2) r.x2 = clamp32(r.x1 + length);
    else if (r.x1 == r.x2) r.y2 = clamp32(r.y1 + length);
  } else if (!db_.addRlc(point_.x, point_.y, clamp32(point_.x + length), point_.y, kind, EditValue, size)) {
    show(StatusMessage::Main, "Warning : R,L,C table full ...");
    open_ = false;
    return true;
  }
  db_.modified = true;
  db_.extracted = false;
  view_.redraw();
  if (released) released();
  bool valid = false;
  const double ohms = ParseValue(EditValue, 0, 1e6, 0, valid);
  if (kind == kRlcResistor && valid) {
    // thermal noise density 4kTR
    const double kelvin = std::max(0.0, tech_.temperature + 273);
    const double v = 1e9 * std::sqrt(5.524e-23 * kelvin * ohms);
    show(StatusMessage::Main, "Resistor " + EditValue + " has noise " + F(v, 4, 2) + "nV");
  } else if (kind == kRlcResistor) {
    show(StatusMessage::Main, "Updated resistance value");
  } else {
    show(StatusMessage::Main, "Updated impedance value");
  }
  open_ = false;
  return true;
}

void RlcEditor::btnCancelClick() { open_ = false; }

}  // namespace quill
