#include "editor/View.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include "core/Text.h"
#include "editor/SpatialIndex.h"
#include "editor/ViewCanvas.h"
#include "platform/MemorySurface.h"

namespace quill {

namespace {

constexpr Colour kBlack = rgb(0, 0, 0);
constexpr Colour kWhite = rgb(255, 255, 255);
constexpr Colour kGrey = rgb(128, 128, 128);
constexpr Colour kRed = rgb(255, 0, 0);
constexpr Colour kBlue = rgb(0, 0, 255);
constexpr Colour kYellow = rgb(255, 255, 0);
constexpr Colour kNavy = rgb(0, 0, 128);
constexpr const char* kMicro = "\xB5";

// Below this many boxes the plain loop is as fast as any index.
constexpr int kIndexFrom = 4096;
// Screen coordinates are kept within this, so sums of a few stay in an int.
constexpr std::int64_t kScreenLimit = std::int64_t{1} << 30;

// nearest, halves to even; the addition trick is exact in the default
// rounding mode and much cheaper than a library call per coordinate
double roundEven(double v) {
  constexpr double kMagic = 6755399441055744.0;  // 1.5 * 2^52
  if (!(std::fabs(v) < 4.0e15)) return v;        // already whole, or not finite
  return v >= 0 ? (v + kMagic) - kMagic : -((-v + kMagic) - kMagic);
}

std::int64_t toScreen(double v) {
  if (std::isnan(v)) return 0;
  return static_cast<std::int64_t>(std::clamp(roundEven(v), -static_cast<double>(kScreenLimit),
                                              static_cast<double>(kScreenLimit)));
}

std::int32_t clamp32(std::int64_t v) {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, std::numeric_limits<std::int32_t>::min(),
                                                            std::numeric_limits<std::int32_t>::max()));
}

std::int32_t toLambda(double v) {
  if (std::isnan(v)) return 0;
  double r = roundEven(v);
  if (r <= std::numeric_limits<std::int32_t>::min()) return std::numeric_limits<std::int32_t>::min();
  if (r >= std::numeric_limits<std::int32_t>::max()) return std::numeric_limits<std::int32_t>::max();
  return static_cast<std::int32_t>(r);
}

// integer division truncating toward zero, on 64 bits
std::int64_t div0(std::int64_t a, std::int64_t b) { return b == 0 ? 0 : a / b; }

std::string num(std::int64_t v) { return std::to_string(v); }

int digits(std::int64_t v) { return static_cast<int>(num(v).size()); }

}  // namespace

// ---------------------------------------------------------------- set-up

LayoutView::LayoutView(LayoutDatabase& db, const TechnologyRules& tech, StatusMessage& status, const Clock& clock)
    : db_(db), tech_(tech), status_(status), clock_(clock), index_(std::make_unique<BoxIndex>()) {
  db_.setObserver(this);
  computeTransform();
}

LayoutView::~LayoutView() {
  if (db_.observer() == this) db_.setObserver(nullptr);
}

void LayoutView::setAreaSize(int w, int h) {
  areaW_ = std::max(0, w);
  areaH_ = std::max(0, h);
}

int LayoutView::areaWidth() const { return surface_ ? surface_->width() : areaW_; }
int LayoutView::areaHeight() const { return surface_ ? surface_->height() : areaH_; }

void LayoutView::setRoutingRails(std::optional<std::int32_t> groundY, std::optional<std::int32_t> supplyY) {
  groundRail_ = groundY;
  supplyRail_ = supplyY;
}

void LayoutView::notifyDrawn() {
  if (drawn_) drawn_();
}

// ---------------------------------------------------------------- transform

int LayoutView::sx(double x) const { return static_cast<int>(toScreen(x * scale_ + offsetX_)); }

int LayoutView::sy(double y) const { return static_cast<int>(toScreen(areaHeight() - y * scale_ - offsetY_)); }

std::int32_t LayoutView::wx(double px) const { return toLambda((px - offsetX_) / scale_); }

std::int32_t LayoutView::wy(double py) const { return toLambda((areaHeight() - py - offsetY_) / scale_); }

void LayoutView::computeTransform() {
  const Rect& v = viewWindow_;
  const double spanX = static_cast<double>(std::int64_t{v.x2} - v.x1);
  const double spanY = static_cast<double>(std::int64_t{v.y2} - v.y1);
  // an empty or tiny drawing area still gives a positive, finite scale
  const double w = std::max(areaWidth(), 1);
  const double h = std::max(areaHeight() - 30, 1);
  const double fx = std::fabs(spanX) > 5 ? w / spanX : 10;
  const double fy = std::fabs(spanY) > 5 ? h / spanY : 10;
  scale_ = std::min(fx, fy);
  if (!(scale_ > 0) || !std::isfinite(scale_)) scale_ = 1e-12;
  scale_ = std::max(scale_, 1e-12);
  offsetX_ = -static_cast<double>(v.x1) * scale_;
  offsetY_ = 10 - scale_ * static_cast<double>(v.y1);

  // pixels per 50 lambda, from unclipped coordinates so far views count right
  const double p50 = roundEven(50 * scale_ + offsetX_) - roundEven(offsetX_);
  if (p50 > 500) lambdaGridStep_ = 1;
  else if (p50 > 150) lambdaGridStep_ = 5;
  else if (p50 > 50) lambdaGridStep_ = 10;
  else if (p50 >= 16) lambdaGridStep_ = 50;
  else if (p50 >= 6) lambdaGridStep_ = 100;
  else if (p50 < 3) lambdaGridStep_ = 1000;
  else lambdaGridStep_ = 500;
}

int LayoutView::labelTextSize() const {
  const double p10 = roundEven(10 * scale_ + offsetX_) - roundEven(offsetX_);
  if (p10 < 5) return 0;
  if (p10 < 15) return 6;
  if (p10 < 20) return 8;
  if (p10 < 30) return 10;
  return 12;
}

// ---------------------------------------------------------------- drawing helpers

namespace {

struct LayerLook {
  std::uint8_t style = 0;
  bool isProtected = false;
  Colour colour = 0;
  Pattern8 pattern{};
};

}  // namespace

// Everything one drawing pass needs, fixed at its start.
struct LayoutView::Pass {
  ViewCanvas canvas;
  const LayoutView& v;
  int W, H;
  double scale, offX, offY;
  PenMode schemeMode;
  bool mono, white;
  std::array<LayerLook, kLayerCount + 1> layers{};

  Pass(const LayoutView& view, Surface& s)
      : canvas(s, view.directPixels_), v(view), W(s.width()), H(s.height()), scale(view.scale_),
        offX(view.offsetX_), offY(view.offsetY_) {
    mono = v.monochrome_;
    white = v.whiteBackground();
    schemeMode = (!mono && !white) ? PenMode::Merge : PenMode::Copy;
    for (int i = 1; i <= kLayerCount; ++i) {
      const LayerRecord& l = v.db_.layers[i];
      layers[static_cast<std::size_t>(i)] = {l.style, l.isProtected, l.colour & 0xFFFFFFu, l.pattern};
    }
  }

  std::int64_t X(double x) const { return toScreen(x * scale + offX); }
  std::int64_t Y(double y) const { return toScreen(H - y * scale - offY); }

  // a drawing colour brings the scheme's mode with it
  void pen() { canvas.setMode(schemeMode); }
  void line(std::int64_t x1, std::int64_t y1, std::int64_t x2, std::int64_t y2, Colour c) {
    pen();
    canvas.line(x1, y1, x2, y2, c);
  }
  void square(std::int64_t x1, std::int64_t y1, std::int64_t x2, std::int64_t y2, Colour c) {
    pen();
    canvas.square(x1, y1, x2, y2, c);
  }
  void polyline(std::initializer_list<std::array<std::int64_t, 2>> pts, Colour c) {
    pen();
    const std::array<std::int64_t, 2>* prev = nullptr;
    for (const auto& p : pts) {
      if (prev) canvas.line((*prev)[0], (*prev)[1], p[0], p[1], c);
      prev = &p;
    }
  }
  // scale bar, grid captions, rail names, dimension numbers, print header
  void smallText(std::int64_t x, std::int64_t y, const std::string& t) {
    if (t.empty()) return;
    TextStyle st;
    st.pointSize = 7;
    st.opaque = true;
    st.colour = white ? kBlack : v.scheme_.text;
    st.background = white ? kWhite : v.scheme_.background;
    canvas.text(x, y, t, st);
  }

  void box(const LayoutBox& b);
  void layerBox(const LayoutBox& b, int left, int top, int right, int bottom);
  void label(const LayoutLabel& l, int textSize);
  void rlc(const RlcSymbol& r, int textSize);
  void scaleBar();
  void routingGrid();
  void lambdaGrid();
  void ruler(std::int64_t x1, std::int64_t y1, std::int64_t x2, std::int64_t y2);
  std::string dimension(bool vertical, std::int64_t at, std::int64_t from, std::int64_t to, bool draw);
};

void LayoutView::Pass::box(const LayoutBox& b) {
  if (b.state == 0) return;
  const std::int32_t bx1 = std::min(b.x1, b.x2), bx2 = std::max(b.x1, b.x2);
  const std::int32_t by1 = std::min(b.y1, b.y2), by2 = std::max(b.y1, b.y2);
  std::int64_t left = X(bx1), right = X(bx2), top = Y(by2), bottom = Y(by1);
  if (right < 0 || left > W || bottom < 0 || top > H) return;
  // a box narrower than a pixel still shows as one
  if (right == left) ++right;
  if (bottom == top) ++bottom;
  const int l = static_cast<int>(std::max<std::int64_t>(left, 0)), r = static_cast<int>(std::min<std::int64_t>(right, W));
  const int t = static_cast<int>(std::max<std::int64_t>(top, 0)), bo = static_cast<int>(std::min<std::int64_t>(bottom, H));
  switch (b.state) {
    case 2:
      pen();
      canvas.outlineRect(l, t, r, bo, kGrey);
      break;
    case 3:
      canvas.setMode(PenMode::Copy);
      canvas.fillRect(l, t, r, bo, b.colour & 0xFFFFFFu);
      pen();
      canvas.outlineRect(l, t, r, bo, kGrey);
      break;
    default:
      layerBox(b, l, t, r, bo);
      break;
  }
  if (b.layer == kOption && (b.value & kOptionFram)) {
    const bool down = (b.value & kOptionFramDown) != 0;
    Colour c = mono ? (down ? kBlack : kWhite) : (down ? kRed : kBlue);
    pen();
    canvas.outlineRect(l - 1, t - 1, r + 1, bo + 1, c);
  }
}

void LayoutView::Pass::layerBox(const LayoutBox& b, int left, int top, int right, int bottom) {
  const int li = LayerTable::validIndex(b.layer) ? int{b.layer} : int{kSpareLayer};
  const LayerLook& L = layers[static_cast<std::size_t>(li)];
  Colour c = L.colour;
  if (li == kPoly2) c = rgb(255, std::clamp(b.value / 10, 0, 255), 0);
  const Colour text = v.scheme_.text;

  if (L.isProtected) {
    if (mono && (li == kOption || li == kNwell)) {
      canvas.setMode(PenMode::Copy);
      canvas.dottedOutline(left, top, right, bottom, kWhite);
    } else {
      pen();
      canvas.outlineRect(left, top, right, bottom, mono ? text : c);
    }
    return;
  }
  if (mono) {
    pen();
    canvas.outlineRect(left, top, right, bottom, text);
    canvas.setMode(PenMode::Copy);
    if (L.style == 5) canvas.dottedOutline(left, top, right, bottom, kWhite);
    else canvas.fillPattern(left, top, right, bottom, L.pattern, text);
    return;
  }
  if (white) {
    const Colour oc = c == kWhite ? kBlack : c;
    pen();
    canvas.outlineRect(left, top, right, bottom, oc);
    canvas.setMode(PenMode::Copy);
    canvas.fillPattern(left, top, right, bottom, L.pattern, oc);
    return;
  }
  switch (L.style) {
    case 1:
      pen();
      canvas.fillRect(left, top, right, bottom, c);
      break;
    case 2:
      pen();
      canvas.outlineRect(left, top, right, bottom, c);
      canvas.line(left, top, right - 1, bottom - 1, c);
      canvas.line(left, bottom - 1, right - 1, top, c);
      break;
    case 3:
      canvas.setMode(PenMode::Copy);  // pattern pixels are set, not mixed
      canvas.fillPattern(left, top, right, bottom, L.pattern, c);
      pen();
      canvas.outlineRect(left, top, right, bottom, c);
      break;
    case 4: {
      pen();
      canvas.outlineRect(left + 1, top + 1, right - 1, bottom - 1, c);
      const int xc = (left + right) / 2, yc = (top + bottom) / 2;
      canvas.line(xc, top, xc, bottom - 1, c);
      canvas.line(left, yc, right - 1, yc, c);
      break;
    }
    case 5: {
      canvas.setMode(PenMode::Copy);
      const int band = 9;
      const int r1 = std::min(top + band, bottom), r2 = std::max(bottom - band, r1);
      canvas.fillPattern(left, top, right, r1, L.pattern, c);
      canvas.fillPattern(left, r2, right, bottom, L.pattern, c);
      if (r1 < r2) {
        const int c1 = std::min(left + band, right), c2 = std::max(right - band, c1);
        canvas.fillPattern(left, r1, c1, r2, L.pattern, c);
        canvas.fillPattern(c2, r1, right, r2, L.pattern, c);
      }
      pen();
      canvas.outlineRect(left, top, right, bottom, c);
      break;
    }
    default:
      pen();
      canvas.outlineRect(left, top, right, bottom, c);
      break;
  }
}

void LayoutView::Pass::label(const LayoutLabel& l, int textSize) {
  if (!l.active) return;
  const std::int64_t ax = X(l.x), ay = Y(l.y);
  // nothing of a label reaches the area from beyond this
  if (ax < -4000 || ay < -100 || ax > W + 100 || ay > H + 100) return;
  const Colour tc = v.scheme_.text;
  if (textSize == 0) {
    square(ax - 1, ay - 1, ax + 1, ay + 1, tc);
    line(ax + 2, ay, ax + 7, ay, tc);
    line(ax + 2, ay + 1, ax + 7, ay + 1, tc);
    return;
  }
  std::string t = l.text;
  if (l.kind == kLabelSupply) t += "+";
  else if (l.kind == kLabelHighSupply) t += "++";
  else if (l.kind == kLabelGround) t += "-";
  TextStyle st;
  st.pointSize = textSize;
  st.italic = l.visibleInSimulation;
  st.underline = l.kind <= kLabelGround;
  st.bold = l.kind >= kLabelPulse && l.kind <= kLabelPwl;
  st.colour = v.db_.layers[kOption].isProtected ? kGrey : tc;
  st.opaque = true;
  st.background = v.scheme_.background;
  canvas.text(ax, ay, t, st);
  square(ax - 1, ay - 1, ax + 1, ay + 1, tc);

  const std::int64_t f = textSize, a = ax - f, lo = ay + 10, hi = ay + 5;
  switch (l.kind) {
    case kLabelSinus:
      polyline({{a - 5, ay + 10}, {a, ay + 5}, {a + 10, ay + 15}, {a + 15, ay + 10}}, tc);
      break;
    case kLabelMath:
      polyline({{a - 5, ay + 10}, {a - 5, ay}, {a, ay + 5}, {a + 5, ay}, {a + 5, ay + 10}}, tc);
      break;
    case kLabelPulse:
      polyline({{a - 5, lo}, {a, lo}, {a, hi}, {a + 5, hi}, {a + 5, lo}, {a + 10, lo}}, tc);
      break;
    case kLabelClock:
      polyline({{a - 5, lo}, {a, lo}, {a, hi}, {a + 5, hi}, {a + 5, lo}, {a + 10, lo}, {a + 10, hi}}, tc);
      break;
    case kLabelPwl:
      polyline({{a - 15, lo}, {a - 12, lo}, {a - 12, hi}, {a - 10, hi}, {a - 10, lo}, {a - 5, lo}, {a - 5, hi},
                {a, hi}, {a, lo}, {a + 5, lo}, {a + 5, hi}},
               tc);
      break;
    default:
      break;
  }
}

void LayoutView::Pass::rlc(const RlcSymbol& r, int textSize) {
  if (!r.active) return;
  const std::int64_t p1x = X(r.x1), p1y = Y(r.y1), p2x = X(r.x2), p2y = Y(r.y2);
  const std::int64_t margin = 2000;
  if (std::max(p1x, p2x) < -margin || std::min(p1x, p2x) > W + margin || std::max(p1y, p2y) < -margin ||
      std::min(p1y, p2y) > H + margin)
    return;
  const bool vertical = p1x == p2x;
  const std::int64_t u = vertical ? div0(p2y - p1y, 6) : div0(p2x - p1x, 6);
  const std::int64_t h = div0(u, 2), q = div0(u, 4);
  const Colour tc = v.scheme_.text;
  const Colour textCol = v.db_.layers[kOption].isProtected ? kGrey : tc;
  if (textSize == 0 && r.size == 1) {
    square(p1x - 2, p1y - 2, p1x + 2, p1y + 2, tc);
    line(p1x + 3, p1y, p1x + 7, p1y, tc);
    line(p1x + 3, p1y + 1, p1x + 7, p1y + 1, tc);
    return;
  }
  TextStyle st;
  st.pointSize = std::max(6, textSize);
  st.colour = textCol;
  std::string t = r.text;
  if (r.kind == kRlcInductor) t += "nH";
  else if (r.kind == kRlcCapacitor) t += "pF";
  canvas.text(p1x, p1y + 3, t, st);

  auto sq = [&](std::int64_t x, std::int64_t y) { square(x - 1, y - 1, x + 1, y + 1, tc); };
  switch (r.kind) {
    case kRlcResistor:
      sq(p1x, p1y);
      sq(p2x, p2y);
      if (vertical)
        polyline({{p1x, p1y}, {p1x, p1y + u}, {p1x - u, p1y + 2 * u}, {p1x + u, p1y + 4 * u}, {p1x, p1y + 5 * u},
                  {p2x, p2y}},
                 tc);
      else
        polyline({{p1x, p1y}, {p1x + u, p1y}, {p1x + 2 * u, p1y - u}, {p1x + 4 * u, p1y + u}, {p1x + 5 * u, p1y},
                  {p2x, p1y}},
                 tc);
      break;
    case kRlcInductor:
      sq(p1x, p1y);
      sq(p2x, p2y);
      if (vertical) {
        const std::int64_t k = p1x + q - u;
        polyline({{p1x, p1y}, {p1x, p1y + u}, {k, p1y + 2 * u - h}, {p1x - u, p1y + 2 * u}, {k, p1y + 2 * u + h},
                  {p1x, p1y + 3 * u}, {k, p1y + 4 * u - h}, {p1x - u, p1y + 4 * u}, {k, p1y + 4 * u + h},
                  {p1x, p1y + 5 * u}, {p2x, p2y}},
                 tc);
      } else {
        const std::int64_t k = p1y + q - u;
        polyline({{p1x, p1y}, {p1x + u, p1y}, {p1x + 2 * u - h, k}, {p1x + 2 * u, p1y - u}, {p1x + 2 * u + h, k},
                  {p1x + 3 * u, p1y}, {p1x + 4 * u - h, k}, {p1x + 4 * u, p1y - u}, {p1x + 4 * u + h, k},
                  {p1x + 5 * u, p1y}, {p2x, p1y}},
                 tc);
      }
      break;
    default:  // capacitor to ground, always along the screen's y axis
      sq(p1x, p1y);
      line(p1x, p1y, p1x, p1y + u, tc);
      line(p1x - 2 * u, p1y + u, p1x + 2 * u, p1y + u, tc);
      line(p1x - 2 * u, p1y + 2 * u, p1x + 2 * u, p1y + 2 * u, tc);
      line(p1x, p1y + 2 * u, p1x, p1y + 4 * u, tc);
      square(p1x - u + 2, p1y + 4 * u, p1x + u - 2, p1y + 4 * u + 2, tc);
      break;
  }
}

void LayoutView::Pass::scaleBar() {
  const std::int64_t s = v.lambdaGridStep_;
  const std::int64_t e = 5 + (X(static_cast<double>(s)) - X(0));
  const Colour tc = v.scheme_.text;
  line(5, 56, 5, 64, tc);
  line(e, 56, e, 64, tc);
  line(5, 60, e, 60, tc);
  line(5, 61, e, 61, tc);
  smallText(10, 40, num(s) + " lambda");
  smallText(10, 65, F(static_cast<double>(s) * v.tech_.lambda, 5, 3) + kMicro + "m");
}

void LayoutView::Pass::routingGrid() {
  const Colour railSupply = mono ? kBlack : kRed;
  const Colour bus = mono ? kBlack : kYellow;
  auto rail = [&](std::int32_t ly, Colour c, const char* name) {
    const std::int64_t y = Y(ly);
    line(0, y, W - 1, y, c);
    line(0, y + 1, W - 1, y + 1, c);
    square(10, y, 12, y + 2, c);
    smallText(10, y, name);
  };
  if (v.groundRail_) rail(*v.groundRail_, kWhite, "Vss");
  if (v.supplyRail_) rail(*v.supplyRail_, railSupply, "Vdd");
  const std::int64_t bx = X(0);
  line(bx, 0, bx, H - 1, bus);
  line(bx + 1, 0, bx + 1, H - 1, bus);
  square(bx, 20, bx + 2, 22, bus);
  smallText(bx, 20, "Bus");

  const std::int64_t p = v.tech_.routingPitch;
  canvas.setMode(PenMode::Copy);
  // lines closer than 2 pixels would only grey the area out (and take long)
  if (p > 0 && static_cast<double>(p) * scale >= 2) {
    const std::int64_t xEnd = v.wx(W);
    for (std::int64_t x = div0(v.wx(0), p) * p; x < xEnd; x += p) {
      const std::int64_t px = X(static_cast<double>(x));
      canvas.line(px, 0, px, H - 1, kWhite, true);
    }
    const std::int64_t yEnd = v.wy(0);
    for (std::int64_t y = div0(v.wy(H), p) * p; y < yEnd; y += p) {
      const std::int64_t py = Y(static_cast<double>(y));
      canvas.line(0, py, W - 1, py, kWhite, true);
    }
  }
  canvas.line(X(0) + 1, 0, X(0) + 1, H - 1, kWhite);
  canvas.line(0, Y(0) - 1, W - 1, Y(0) - 1, kWhite);
  smallText(10, 85, "Routing grid=" + F(static_cast<double>(p), 3, 0) + " lambda");
}

void LayoutView::Pass::lambdaGrid() {
  const std::int64_t s = v.lambdaGridStep_;
  if (s <= 0 || static_cast<double>(s) * scale < 2) {
    canvas.setMode(PenMode::Copy);
    return;
  }
  std::vector<std::pair<std::int64_t, bool>> xs, ys;  // screen position, on a 10-step line
  const std::int64_t xEnd = v.wx(W);
  for (std::int64_t x = div0(v.wx(0), s) * s; x < xEnd; x += s) {
    const std::int64_t px = X(static_cast<double>(x));
    if (px > 0 && px < W) xs.push_back({px, x % (10 * s) == 0});
  }
  const std::int64_t yEnd = v.wy(0);
  for (std::int64_t y = div0(v.wy(H), s) * s; y < yEnd; y += s) {
    const std::int64_t py = Y(static_cast<double>(y));
    if (py > 0 && py < H) ys.push_back({py, y % (10 * s) == 0});
  }
  const Colour dot = v.scheme_.gridDot;
  // the dots are set; the squares are drawn with the navy pen in not-xor
  canvas.setMode(PenMode::Copy);
  for (const auto& [px, xm] : xs)
    for (const auto& [py, ym] : ys) canvas.setPixel(px, py, dot);
  canvas.setMode(PenMode::NotXor);
  for (const auto& [px, xm] : xs) {
    if (!xm) continue;
    for (const auto& [py, ym] : ys)
      if (ym) canvas.square(px - 1, py - 1, px + 1, py + 1, kNavy);
  }
  canvas.setMode(PenMode::Copy);
}

// One dimension of the ruler; returns its result text.
std::string LayoutView::Pass::dimension(bool vertical, std::int64_t at, std::int64_t from, std::int64_t to,
                                        bool draw) {
  const double lam = v.tech_.lambda;
  const std::int64_t gs = v.lambdaGridStep_;
  const std::int64_t o = gs < 2 ? 1 : gs / 2;
  const std::int64_t n = to >= from ? to - from : from - to;
  const std::int64_t dir = to >= from ? 1 : -1;
  const std::string um = F(static_cast<double>(n) * lam, 5, 3);
  if (draw) {
    const Colour lc = v.scheme_.line;
    // screen position of a lambda value along the dimension
    auto along = [&](std::int64_t w) { return vertical ? Y(static_cast<double>(w)) : X(static_cast<double>(w)); };
    const std::int64_t A = vertical ? X(static_cast<double>(at)) : Y(static_cast<double>(at));
    if (vertical) line(A, along(from), A, along(to), lc);
    else line(along(from), A, along(to), A, lc);
    // ticks, only those near the area, and none when they would merge
    if (static_cast<double>(o) * scale >= 2) {
      std::int64_t lo, hi;  // visible lambda range along the dimension
      if (vertical) {
        lo = std::int64_t{v.wy(H + 20)} - 1;
        hi = std::int64_t{v.wy(-20)} + 1;
      } else {
        lo = std::int64_t{v.wx(-100)} - 1;
        hi = std::int64_t{v.wx(W + 20)} + 1;
      }
      const std::int64_t kMax = n / o;
      std::int64_t k1, k2;
      if (dir > 0) {
        k1 = lo - from <= 0 ? 0 : (lo - from + o - 1) / o;
        k2 = hi - from < 0 ? -1 : (hi - from) / o;
      } else {
        k1 = from - hi <= 0 ? 0 : (from - hi + o - 1) / o;
        k2 = from - lo < 0 ? -1 : (from - lo) / o;
      }
      k2 = std::min(k2, kMax);
      for (std::int64_t k = std::max<std::int64_t>(k1, 0); k <= k2; ++k) {
        const std::int64_t s = k * o;
        const std::int64_t p = along(from + dir * s);
        const bool major = s % (5 * o) == 0;
        const std::int64_t len = major ? 8 : 4;
        if (vertical) {
          line(A - len, p, A, p, lc);
          if (major) smallText(A - 5 * digits(s) - 8, p - 3, num(s));
        } else {
          line(p, A - len, p, A, lc);
          if (major) smallText(p - 4, A + 1, num(s));
        }
      }
    }
    const std::int64_t e = along(to);
    const bool numbered = n >= 5 * o;  // a non-zero number was among the ticks
    if (vertical) {
      line(A - 4, e, A + 2, e, lc);
      if (!numbered) smallText(A, e - 3, num(n));
      smallText(A + 5, e + 10, um + kMicro);
    } else {
      line(e, A - 4, e, A + 4, lc);
      if (!numbered) smallText(e - 4, A + 1, num(n));
      smallText(e - 10, A - 15, um + kMicro);
    }
  }
  return std::string(vertical ? "dy=" : "dx=") + num(n) + " lambda (" + um + kMicro + "m)";
}

// ---------------------------------------------------------------- operations

void LayoutView::SetView(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2) {
  auto differs = [](std::int32_t a, std::int32_t b) { return std::llabs(std::int64_t{a} - b) > 10; };
  if (differs(previousView_.x1, viewWindow_.x1) || differs(previousView_.y1, viewWindow_.y1) ||
      differs(previousView_.x2, viewWindow_.x2) || differs(previousView_.y2, viewWindow_.y2))
    previousView_ = viewWindow_;
  viewWindow_ = {std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)};
  computeTransform();
  drawAll();
}

void LayoutView::drawAll() {
  if (!surface_ || surface_->width() <= 0 || surface_->height() <= 0) return;
  Pass pass(*this, *surface_);
  ViewCanvas& cv = pass.canvas;
  cv.setMode(PenMode::Copy);
  cv.fillRect(0, 0, pass.W, pass.H, scheme_.background);

  const LayoutDatabase& db = db_;
  const int ts = labelTextSize();
  for (int i = 1; i <= db.labelCount(); ++i) pass.label(db.label(i), ts);

  const int n = db.boxCount();
  bool culled = false;
  if (useIndex_ && n >= kIndexFrom) {
    // the lambda area that can hold a box the screen test lets through
    const double sc = scale_;
    const std::int64_t qx1 = static_cast<std::int64_t>(std::floor((-2 - offsetX_) / sc)) - 1;
    const std::int64_t qx2 = static_cast<std::int64_t>(std::ceil((pass.W + 2 - offsetX_) / sc)) + 1;
    const std::int64_t qy1 = static_cast<std::int64_t>(std::floor((-2 - offsetY_) / sc)) - 1;
    const std::int64_t qy2 = static_cast<std::int64_t>(std::ceil((pass.H + 2 - offsetY_) / sc)) + 1;
    index_->update(db_);
    if (index_->coverage(qx1, qy1, qx2, qy2) < 0.5) {
      index_->query(qx1, qy1, qx2, qy2, candidates_);
      for (int p : candidates_) pass.box(db.box(p));
      culled = true;
    }
  }
  if (!culled)
    for (int p = 1; p <= n; ++p) pass.box(db.box(p));
  lastCulled_ = culled;

  for (int i = 1; i <= db.rlcCount(); ++i) pass.rlc(db.rlc(i), ts);
  pass.scaleBar();
  if (routingGridOn_) pass.routingGrid();
  if (lambdaGridOn_) pass.lambdaGrid();
  if (ruler_.x1 != 0 || ruler_.y1 != 0 || ruler_.x2 != 0 || ruler_.y2 != 0)
    rulerTexts(pass, ruler_.x1, ruler_.y1, ruler_.x2, ruler_.y2, true);
  cv.setMode(PenMode::Copy);
  notifyDrawn();
}

void LayoutView::Redraw() {
  SetView(viewWindow_.x1, viewWindow_.y1, viewWindow_.x2, viewWindow_.y2);
  if (printHeader_ && surface_ && surface_->width() > 0 && surface_->height() > 0) {
    Pass pass(*this, *surface_);
    pass.smallText(10, 90, "File: \"" + db_.fileName + "\" edited by Quillmere 3.0c");
    pass.smallText(10, 110, clock_.shortDate() + " " + clock_.longTime());
    notifyDrawn();
  }
}

void LayoutView::ViewAll() {
  db_.computeBoundingBox();
  const Rect bb = db_.boundingBox();
  const std::int64_t bw = std::int64_t{bb.x2} - bb.x1, bh = std::int64_t{bb.y2} - bb.y1;
  const std::int64_t g = std::max<std::int64_t>(5, bw / 20), h = std::max<std::int64_t>(5, bh / 20);
  const double W = areaWidth(), H = areaHeight();
  std::int64_t x1 = bb.x1 - g, y1 = bb.y1 - h, x2 = bb.x2 + g, y2 = bb.y2 + h;
  // a zero-width extent takes the plain margins, as an empty area does
  if (W > 0 && H > 0 && bh > 0 && bw > 0) {
    const double ratioArea = W / H, ratioBox = static_cast<double>(bw) / static_cast<double>(bh);
    if (ratioArea >= ratioBox) {
      const double r = roundEven((static_cast<double>(bh) / static_cast<double>(bw)) * W / H);
      x1 = clamp32(static_cast<std::int64_t>(std::clamp(bb.x1 - r * static_cast<double>(g), -4e9, 4e9)));
    } else {
      const double r = roundEven((static_cast<double>(bw) / static_cast<double>(bh)) * H / W);
      y1 = clamp32(static_cast<std::int64_t>(std::clamp(bb.y1 - 3 * static_cast<double>(h) * r, -4e9, 4e9)));
    }
  }
  SetView(clamp32(x1), clamp32(y1), clamp32(x2), clamp32(y2));
}

void LayoutView::ZoomInArea(int px1, int py1, int px2, int py2) {
  const std::int64_t a1 = wx(px1), a2 = wx(px2), b1 = wy(py1), b2 = wy(py2);
  const std::int64_t ax1 = std::min(a1, a2), ax2 = std::max(a1, a2), ay1 = std::min(b1, b2), ay2 = std::max(b1, b2);
  if (ax2 - ax1 < 10 || ay2 - ay1 < 10) {
    const Rect& v = viewWindow_;
    const std::int64_t hx = std::max<std::int64_t>(10, (std::int64_t{v.x2} - v.x1) / 3);
    const std::int64_t hy = std::max<std::int64_t>(10, (std::int64_t{v.y2} - v.y1) / 3);
    const std::int64_t cx = (ax1 + ax2) / 2, cy = (ay1 + ay2) / 2;
    SetView(clamp32(cx - hx), clamp32(cy - hy), clamp32(cx + hx), clamp32(cy + hy));
  } else {
    SetView(clamp32(ax1), clamp32(ay1), clamp32(ax2), clamp32(ay2));
  }
}

void LayoutView::ZoomOut() {
  const Rect& v = viewWindow_;
  const std::int64_t hx = std::max<std::int64_t>(10, (std::int64_t{v.x2} - v.x1) * 2 / 3);
  const std::int64_t hy = std::max<std::int64_t>(10, (std::int64_t{v.y2} - v.y1) * 2 / 3);
  const std::int64_t cx = (std::int64_t{v.x1} + v.x2) / 2, cy = (std::int64_t{v.y1} + v.y2) / 2;
  SetView(clamp32(cx - hx), clamp32(cy - hy), clamp32(cx + hx), clamp32(cy + hy));
}

void LayoutView::PreviousZoom() {
  status_.write(StatusMessage::Main, "Previous zoom ...");
  const Rect p = previousView_;
  SetView(p.x1, p.y1, p.x2, p.y2);
}

void LayoutView::ScrollHorizontal(int direction) {
  if (direction == 0) return;
  Rect& v = viewWindow_;
  const std::int64_t step = std::max<std::int64_t>(10, std::llabs(std::int64_t{v.x2} - v.x1) / 6);
  const std::int64_t d = direction > 0 ? step : -step;
  v.x1 = clamp32(v.x1 + d);
  v.x2 = clamp32(v.x2 + d);
  computeTransform();
  Redraw();
}

void LayoutView::ScrollVertical(int direction) {
  if (direction == 0) return;
  Rect& v = viewWindow_;
  const std::int64_t step = std::llabs(std::int64_t{v.y2} - v.y1) / 6;
  const std::int64_t d = direction > 0 ? step : -step;
  v.y1 = clamp32(v.y1 + d);
  v.y2 = clamp32(v.y2 + d);
  computeTransform();
  Redraw();
}

// Steps 3 and 4 of the ruler: draws the dimensions (when there is a surface)
// and returns the message.
std::string LayoutView::rulerTexts(Pass& pass, std::int64_t x1, std::int64_t y1, std::int64_t x2, std::int64_t y2,
                                   bool draw) {
  const std::int64_t dx = x2 - x1, dy = y2 - y1;
  const double lam = tech_.lambda;
  std::string distance = " (d=" +
                         F(std::sqrt(std::pow(static_cast<double>(dx) * lam, 2) + std::pow(static_cast<double>(dy) * lam, 2)),
                           3, 1) +
                         kMicro + "m)";
  std::string area1, area2;
  // the area is 64-bit: two 32-bit spans can overflow 32 bits
  const double area = static_cast<double>(dx) * static_cast<double>(dy);
  if (dx != 0 && dy != 0) {
    const std::int64_t a = std::llabs(dx) * std::llabs(dy);
    area1 = " (" + num(a) + " lambda2";
    area2 = " ," + F(lam * lam * std::fabs(area), 4, 2) + " " + kMicro + "m2)";
  }
  std::string th, tv;
  int drawn = 0;
  if (std::llabs(dx) < std::llabs(dy)) {
    if (dx != 0) {
      th = pass.dimension(false, y1, x1, x2, draw);
      ++drawn;
    } else {
      distance.clear();
    }
    tv = pass.dimension(true, x2, y1, y2, draw);
    ++drawn;
  } else {
    if (dy != 0) {
      tv = pass.dimension(true, x1, y1, y2, draw);
      ++drawn;
    } else {
      distance.clear();
    }
    th = pass.dimension(false, y2, x1, x2, draw);
    ++drawn;
  }
  const char* sep = drawn == 2 ? "," : " ";
  return th + sep + tv + distance + area1 + area2;
}

std::string LayoutView::Ruler(int px1, int py1, int px2, int py2) {
  status_.write(StatusMessage::Main, "Ruler...");
  const std::int32_t x1 = wx(px1), y1 = wy(py1), x2 = wx(px2), y2 = wy(py2);
  ruler_ = {std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)};
  std::string msg;
  if (x1 == x2 && y1 == y2) {
    msg = "Click at location " + num(x1) + "," + num(y1);
  } else if (surface_ && surface_->width() > 0 && surface_->height() > 0) {
    Pass pass(*this, *surface_);
    msg = rulerTexts(pass, x1, y1, x2, y2, true);
    pass.canvas.setMode(PenMode::Copy);
    notifyDrawn();
  } else {
    MemorySurface none(0, 0);
    Pass pass(*this, none);
    msg = rulerTexts(pass, x1, y1, x2, y2, false);
  }
  status_.write(StatusMessage::Main, msg);
  return msg;
}

void LayoutView::ClearRuler() { ruler_ = {}; }

void LayoutView::applyBackgroundColumn() {
  const bool white = whiteBackground();
  scheme_.text = white ? kBlack : kWhite;
  scheme_.line = white ? rgb(0, 0, 255) : rgb(0, 255, 0);
  scheme_.highlight = white ? rgb(0, 0, 255) : rgb(255, 255, 0);
  scheme_.contrast = white ? rgb(128, 0, 0) : rgb(255, 255, 0);
}

void LayoutView::SetMonochrome(bool on) {
  if (on) {
    if (!whiteBackground()) scheme_.background = kWhite;
    monochrome_ = true;
    scheme_.text = scheme_.line = scheme_.gridDot = scheme_.highlight = scheme_.contrast = scheme_.gridLine = kBlack;
    for (int i = 1; i <= kLayerCount; ++i) db_.layers[i].filled = false;
  } else {
    if (whiteBackground()) scheme_.background = kBlack;
    monochrome_ = false;
    scheme_.gridDot = kBlue;
    scheme_.gridLine = kGrey;
    applyBackgroundColumn();
    for (int i = 1; i <= kLayerCount; ++i) db_.layers[i].filled = true;
  }
  Redraw();
}

void LayoutView::ToggleBackground() {
  scheme_.background = whiteBackground() ? kBlack : kWhite;
  applyBackgroundColumn();
  Redraw();
}

void LayoutView::ToggleLambdaGrid() {
  lambdaGridOn_ = !lambdaGridOn_;
  Redraw();
}

void LayoutView::ToggleRoutingGrid() {
  routingGridOn_ = !routingGridOn_;
  Redraw();
}

Colour LayoutView::VoltageColour(double volts) const {
  double hvdd = tech_.vddHigh;
  if (!(hvdd > 0) || !std::isfinite(hvdd)) hvdd = tech_.vdd > 0 ? tech_.vdd : 5.0;
  double av = roundEven((volts / hvdd + 0.1) * 60);
  if (std::isnan(av)) av = 0;
  const int a = static_cast<int>(std::clamp(av, 0.0, 100.0));
  if (monochrome_) return rgb(128 + a, 128 + a, 128 + a);
  if (a < 25) return rgb(0, 10 * a, 250 - 10 * a);
  if (a < 50) return rgb(10 * (a - 25), 10 * (50 - a), 0);
  if (a < 75) return rgb(250, 10 * (a - 50), 0);
  return rgb(250, 250, 10 * (a - 75));
}

// ---------------------------------------------------------------- single items

void LayoutView::DrawBox(int pos) {
  const LayoutDatabase& db = db_;
  if (!surface_ || pos < 1 || pos > db.boxCount() || surface_->width() <= 0 || surface_->height() <= 0) return;
  Pass pass(*this, *surface_);
  pass.box(db.box(pos));
  pass.canvas.setMode(PenMode::Copy);
  notifyDrawn();
}

void LayoutView::DrawLabel(int pos) {
  const LayoutDatabase& db = db_;
  if (!surface_ || pos < 1 || pos > db.labelCount() || surface_->width() <= 0 || surface_->height() <= 0) return;
  Pass pass(*this, *surface_);
  pass.label(db.label(pos), labelTextSize());
  pass.canvas.setMode(PenMode::Copy);
  notifyDrawn();
}

void LayoutView::DrawRlc(int pos) {
  const LayoutDatabase& db = db_;
  if (!surface_ || pos < 1 || pos > db.rlcCount() || surface_->width() <= 0 || surface_->height() <= 0) return;
  Pass pass(*this, *surface_);
  pass.rlc(db.rlc(pos), labelTextSize());
  pass.canvas.setMode(PenMode::Copy);
  notifyDrawn();
}

void LayoutView::boxAdded(const LayoutDatabase&, int position) { DrawBox(position); }
void LayoutView::labelAdded(const LayoutDatabase&, int position) { DrawLabel(position); }
void LayoutView::rlcAdded(const LayoutDatabase&, int position) { DrawRlc(position); }

// ---------------------------------------------------------------- lookups

void LayoutView::boxesAt(std::int32_t x, std::int32_t y, std::vector<int>& out) {
  out.clear();
  const LayoutDatabase& db = db_;
  const int n = db.boxCount();
  auto contains = [x, y](const LayoutBox& b) {
    return b.state != 0 && std::min(b.x1, b.x2) <= x && std::max(b.x1, b.x2) >= x && std::min(b.y1, b.y2) <= y &&
           std::max(b.y1, b.y2) >= y;
  };
  if (n < kIndexFrom) {
    for (int p = 1; p <= n; ++p)
      if (contains(db.box(p))) out.push_back(p);
    return;
  }
  index_->update(db_);
  index_->query(x, y, x, y, out);
  std::erase_if(out, [&](int p) { return !contains(db.box(p)); });
}

std::vector<int> LayoutView::boxesAt(std::int32_t x, std::int32_t y) {
  std::vector<int> v;
  boxesAt(x, y, v);
  return v;
}

}  // namespace quill
