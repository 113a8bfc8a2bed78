#include "editor/GeneratorMos.h"

#include <algorithm>
#include <cmath>

#include "core/Text.h"

namespace quill {

namespace {

struct Rect64 {
  std::int64_t x1, y1, x2, y2;
  Rect64 grown(std::int64_t m) const { return {x1 - m, y1 - m, x2 + m, y2 + m}; }
  void include(const Rect64& o) {
    x1 = std::min(x1, o.x1);
    y1 = std::min(y1, o.y1);
    x2 = std::max(x2, o.x2);
    y2 = std::max(y2, o.y2);
  }
};

std::int64_t ceilHalf(std::int64_t v) { return v <= 0 ? 0 : (v + 1) / 2; }

// bounds that keep every sum of the layout below 64 bits; the boxes
// themselves are checked against 32 bits as they are put
constexpr std::int64_t kMaxMosSize = std::int64_t{1} << 31;
constexpr std::int64_t kMaxMosReach = std::int64_t{1} << 31;

}  // namespace

std::int64_t mosDrawnLength(const TechnologyRules& tech, const MosRequest& d) {
  std::int64_t l = std::max<std::int64_t>(d.l, tech.rule(R301));
  if (d.kind == MosKind::FloatingN) l = std::max<std::int64_t>(l, tech.rule(R311));
  return l;
}

bool AddMosDevice(LayoutGenerator& g, const MosRequest& d, std::int64_t x, std::int64_t y) {
  LayoutGenerator::Operation op(g);
  const TechnologyRules& t = g.tech();
  auto R = [&](int r) { return std::int64_t{t.rule(r)}; };
  if (d.w < 1 || d.l < 1) return g.refuse("MOS refused: W and L must be at least 1 lambda");
  if (d.w > kMaxMosSize || d.l > kMaxMosSize || x < -kMaxMosReach || x > kMaxMosReach || y < -kMaxMosReach ||
      y > kMaxMosReach)
    return g.refuse("MOS refused: the device reaches beyond the layout's coordinates");
  if (d.fingers < 1 || d.fingers > kMaxMosFingers) return g.refuse("MOS refused: the finger count is out of range");
  const std::int64_t a = R(R401), c3 = R(R403), c5 = R(R405), sp = R(R502), cap = R(R307);
  const std::int64_t wc = a + 2 * c3, pc = a + R(R402);
  if (a < 1 || pc < 1) return g.refuse("MOS refused: design rule R401 or R402 is 0");

  const bool pmos = d.kind == MosKind::P;
  const int diff = pmos ? kDiffp : kDiffn;
  const std::int64_t lp = mosDrawnLength(t, d);
  const std::int64_t n = std::max<std::int64_t>(1, (d.w + R(R402) - 2 * c3) / pc);
  // below a contact cell the channel keeps its width and each column gets
  // its own diffusion; the gap to the gate keeps the dog-bones apart from
  // the poly and the notch between two of them at least R202 wide
  const bool dogBone = d.w < wc;
  std::int64_t s = R(R406);
  if (dogBone) s = std::max({s, c3 + 1, c3 + ceilHalf(R(R202) - lp)});
  // wide enough that a column moved right for its metal spacing stays clear
  // of the next gate
  const std::int64_t m = std::max({a + lp + 2 * s, a + 2 * c5 + sp, lp + R(R304),
                                   d.kind == MosKind::FloatingN ? lp + R(R312) : 0});
  const std::int64_t xc = x + c3, xg = xc + a + s;
  const std::int64_t yd = y + cap, yc = yd + c3;
  const std::int64_t yt = yc + (n - 1) * pc + a + c5, yg = y + d.w + 2 * cap;
  const std::int64_t nf = d.fingers;

  // the column after finger k: clear of the gate and R502 from the previous strip
  auto nextColumn = [&](std::int64_t k, std::int64_t prev) {
    return std::max(xg + k * m + lp + s, prev + a + 2 * c5 + sp);
  };
  std::int64_t last = xc;
  for (std::int64_t k = 0; k < nf; ++k) last = nextColumn(k, last);
  const std::int64_t xr = last + a + c3;

  Rect64 device{x, yd, xr, yd + std::max(d.w, dogBone ? wc : d.w)};
  bool hasTap = false;
  Rect64 tap{};

  if (d.polarization) {
    // the tap abuts nothing: it keeps R205 from the device's diffusion
    const std::int64_t gap = a / 2 + c3;
    const std::int64_t shift = R(R205) >= 1 ? std::max<std::int64_t>(0, R(R205) - gap) : 0;
    const std::int64_t tx = x - wc - shift;
    if (!g.AddContactArray(tx, yd + wc / 2, 1, std::max<std::int64_t>(1, n - 1), pmos ? kDiffn : kDiffp))
      return false;
    const Rect& e = g.contactExtent;
    tap = {e.x1, e.y1, e.x2, e.y2};
    hasTap = true;
    // a one-cut tap can be smaller than a diffusion may be: it grows up
    // and away from the device until it has the width and surface
    const std::int64_t tw = std::max(tap.x2 - tap.x1, R(R201)), area = R(R210);
    const std::int64_t th = std::max(tap.y2 - tap.y1, tw > 0 ? (area + tw - 1) / tw : 0);
    if (tw != tap.x2 - tap.x1 || th != tap.y2 - tap.y1) {
      tap = {tap.x2 - tw, tap.y1, tap.x2, tap.y1 + th};
      if (!g.put(tap.x1, tap.y1, tap.x2, tap.y2, pmos ? kDiffn : kDiffp)) return false;
    }
    // reaches the first column's metal even when R405 is below R403
    if (!g.put(tx, yd, std::max(x, xc - c5), yd + std::max(d.w, R(R501)), kMetal)) return false;
  }
  if (!g.put(x, yd, xr, yd + d.w, diff)) return false;

  auto column = [&](std::int64_t cx, bool up) {
    if (dogBone && !g.put(cx - c3, yd, cx + a + c3, yd + wc, diff)) return false;
    const bool ok = up ? g.put(cx - c5, yc - c5, cx + a + c5, yt + sp, kMetal)
                       : g.put(cx - c5, yc - c5 - sp, cx + a + c5, yt, kMetal);
    if (!ok) return false;
    for (std::int64_t i = 0; i < n; ++i)
      if (!g.put(cx, yc + i * pc, cx + a, yc + i * pc + a, kContact)) return false;
    return true;
  };
  if (!column(xc, pmos)) return false;
  std::int64_t cx = xc;
  for (std::int64_t k = 0; k < nf; ++k) {
    const std::int64_t xk = xg + k * m;
    if (!g.put(xk, y, xk + lp, yg, kPoly)) return false;
    if (d.kind == MosKind::FloatingN && !g.put(xk, y, xk + lp, yg + R(R311), kPoly2)) return false;
    cx = nextColumn(k, cx);
    if (!column(cx, (k % 2 == 0) != pmos)) return false;
  }

  if (pmos) {
    const std::int64_t e = d.polarization ? wc : 0;
    Rect64 well{x - R(R203) - e, yd - R(R203), xr + R(R203), yd + d.w + R(R203)};
    well.include(device.grown(R(R203)));
    if (hasTap) well.include(tap.grown(R(R207)));
    if (!g.put(well.x1, well.y1, well.x2, well.y2, kNwell)) return false;
  }
  if (d.option >= 1 && d.option <= 3 && t.mosKindNames[static_cast<std::size_t>(d.option)] != "n.a.") {
    const std::int64_t o = t.optionMargin;
    Rect64 box{x - o, yd - o, xr + o, yd + d.w + o};
    box.include(device.grown(o));
    if (hasTap) box.include(tap.grown(o));
    // the option flags of the box: 1, 2 or 4 for the second, third, fourth set
    if (!g.put(box.x1, box.y1, box.x2, box.y2, kOption, 1 << (d.option - 1))) return false;
  }
  return true;
}

double mosImax(const TechnologyRules& tech, MosModelLevel level, const MosRequest& d) {
  MosModelContext models(tech);
  models.level = level;
  const Polarity pol = d.kind == MosKind::P ? Polarity::P : Polarity::N;
  const MosVariant v = std::clamp(d.option, 0, 3);
  const double drawnL = static_cast<double>(mosDrawnLength(tech, d));
  const double L = models.EffectiveLength(drawnL, pol, v);
  const double fingers = static_cast<double>(std::max<std::int64_t>(1, d.fingers));
  const double W = models.widthMetres(static_cast<double>(d.w)) * fingers;
  const double supply = v == 2 ? tech.vddHigh : tech.vdd;
  const double i = pol == Polarity::N ? models.ChannelCurrent(pol, v, L, W, 0.0, supply, supply, 0.0)
                                      : models.ChannelCurrent(pol, v, L, W, supply, supply, 0.0, 0.0);
  const double mA = std::fabs(i) * 1000.0;
  return std::isfinite(mA) ? mA : 0.0;
}

std::string imaxCaption(double milliAmps) { return "Imax:" + F(milliAmps, 5, 3) + "mA"; }

}  // namespace quill
