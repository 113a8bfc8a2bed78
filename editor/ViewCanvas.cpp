#include "editor/ViewCanvas.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace quill {

namespace {
// Lines are clipped to the area widened by this much: far enough that the
// stepping inside the area is that of the whole line for every line a view
// draws near the area, and short enough that no line costs much.
constexpr std::int64_t kLineMargin = 4096;

int clampInt(std::int64_t v, std::int64_t lo, std::int64_t hi) { return static_cast<int>(std::clamp(v, lo, hi)); }
}  // namespace

ViewCanvas::ViewCanvas(Surface& s, bool direct) : s_(s), w_(s.width()), h_(s.height()) {
  if (direct && w_ > 0 && h_ > 0) raw_ = s.rawPixels();
  mode_ = s.penMode();
}

void ViewCanvas::setMode(PenMode m) {
  if (m == mode_) return;
  mode_ = m;
  // raw writes combine here; the surface gets the mode for its own calls, or at the end
  if (!raw_) s_.setPenMode(m);
}

ViewCanvas::~ViewCanvas() {
  if (s_.penMode() != mode_) s_.setPenMode(mode_);
}

std::uint32_t ViewCanvas::combine(std::uint32_t dst, std::uint32_t src) const {
  switch (mode_) {
    case PenMode::Merge: return dst | src;
    case PenMode::NotXor: return (~(dst ^ src) & 0x00FFFFFFu) | (src & 0xFF000000u);
    case PenMode::Copy: break;
  }
  return src;
}

void ViewCanvas::rawSpan(int y, int x1, int x2, std::uint32_t v) {
  std::uint32_t* row = raw_.row(y);
  if (mode_ == PenMode::Copy) {
    std::fill(row + x1, row + x2, v);
  } else if (mode_ == PenMode::Merge) {
    for (int x = x1; x < x2; ++x) row[x] |= v;
  } else {
    for (int x = x1; x < x2; ++x) row[x] = combine(row[x], v);
  }
}

void ViewCanvas::fillRect(int x1, int y1, int x2, int y2, Colour c) {
  if (!raw_) {
    s_.fillRect(x1, y1, x2, y2, c);
    return;
  }
  x1 = std::max(x1, 0); y1 = std::max(y1, 0);
  x2 = std::min(x2, w_); y2 = std::min(y2, h_);
  if (x1 >= x2) return;
  const std::uint32_t v = raw_.encode(c);
  for (int y = y1; y < y2; ++y) rawSpan(y, x1, x2, v);
}

void ViewCanvas::fillPattern(int x1, int y1, int x2, int y2, const Pattern8& p, Colour c) {
  if (!raw_) {
    s_.fillPattern(x1, y1, x2, y2, p, c);
    return;
  }
  x1 = std::max(x1, 0); y1 = std::max(y1, 0);
  x2 = std::min(x2, w_); y2 = std::min(y2, h_);
  if (x1 >= x2) return;
  const std::uint32_t v = raw_.encode(c);
  for (int y = y1; y < y2; ++y) {
    const unsigned bits = p[static_cast<std::size_t>(y & 7)];
    if (bits == 0) continue;
    if (bits == 0xFF) {
      rawSpan(y, x1, x2, v);
      continue;
    }
    std::uint32_t* row = raw_.row(y);
    for (int x = x1; x < x2; ++x)
      if ((bits << (x & 7)) & 0x80u) row[x] = combine(row[x], v);
  }
}

void ViewCanvas::outlineRect(int x1, int y1, int x2, int y2, Colour c) {
  if (!raw_) {
    s_.outlineRect(x1, y1, x2, y2, c);
    return;
  }
  if (x2 <= x1 || y2 <= y1) return;
  const std::uint32_t v = raw_.encode(c);
  // the pixels MemorySurface sets, each once
  const int cx1 = std::max(x1, 0), cx2 = std::min(x2, w_);
  if (cx1 < cx2) {
    if (y1 >= 0 && y1 < h_) rawSpan(y1, cx1, cx2, v);
    if (y2 - 1 != y1 && y2 - 1 >= 0 && y2 - 1 < h_) rawSpan(y2 - 1, cx1, cx2, v);
  }
  const int ry1 = std::max(y1 + 1, 0), ry2 = std::min(y2 - 1, h_);
  const bool left = x1 >= 0 && x1 < w_, right = x2 - 1 != x1 && x2 - 1 >= 0 && x2 - 1 < w_;
  for (int y = ry1; y < ry2; ++y) {
    std::uint32_t* row = raw_.row(y);
    if (left) row[x1] = combine(row[x1], v);
    if (right) row[x2 - 1] = combine(row[x2 - 1], v);
  }
}

void ViewCanvas::square(std::int64_t x1, std::int64_t y1, std::int64_t x2, std::int64_t y2, Colour c) {
  if (x2 < x1) std::swap(x1, x2);
  if (y2 < y1) std::swap(y1, y2);
  if (x2 < 0 || y2 < 0 || x1 >= w_ || y1 >= h_) return;
  // clamped just outside the area, so the edges that show stay where they are
  outlineRect(clampInt(x1, -2, w_ + 2), clampInt(y1, -2, h_ + 2), clampInt(x2 + 1, -2, w_ + 2),
              clampInt(y2 + 1, -2, h_ + 2), c);
}

void ViewCanvas::dottedOutline(int x1, int y1, int x2, int y2, Colour c) {
  if (x2 <= x1 || y2 <= y1) return;
  line(x1, y1, x2 - 1, y1, c, true);
  line(x2 - 1, y1, x2 - 1, y2 - 1, c, true);
  line(x2 - 1, y2 - 1, x1, y2 - 1, c, true);
  line(x1, y2 - 1, x1, y1, c, true);
}

void ViewCanvas::rawLine(int x1, int y1, int x2, int y2, Colour c, bool dotted) {
  const std::uint32_t v = raw_.encode(c);
  // the stepping of MemorySurface::line
  int dx = std::abs(x2 - x1), sx = x1 < x2 ? 1 : -1;
  int dy = -std::abs(y2 - y1), sy = y1 < y2 ? 1 : -1;
  int err = dx + dy;
  long step = 0;
  for (;;) {
    if ((!dotted || (step % 2) == 0) && x1 >= 0 && y1 >= 0 && x1 < w_ && y1 < h_) {
      std::uint32_t& p = raw_.row(y1)[x1];
      p = combine(p, v);
    }
    ++step;
    if (x1 == x2 && y1 == y2) break;
    int e2 = 2 * err;
    if (e2 >= dy) { err += dy; x1 += sx; }
    if (e2 <= dx) { err += dx; y1 += sy; }
  }
}

void ViewCanvas::line(std::int64_t x1, std::int64_t y1, std::int64_t x2, std::int64_t y2, Colour c, bool dotted) {
  if (w_ <= 0 || h_ <= 0) return;
  if (x1 == x2 || y1 == y2) {
    // axis line: clip exactly, keeping the dots where the whole line has them
    const bool horizontal = y1 == y2;
    const std::int64_t across = horizontal ? y1 : x1;
    if (across < 0 || across >= (horizontal ? h_ : w_)) return;
    const std::int64_t a = horizontal ? x1 : y1, b = horizontal ? x2 : y2;
    const std::int64_t limit = horizontal ? w_ : h_;
    const std::int64_t dir = b >= a ? 1 : -1;
    std::int64_t from = a, to = b;
    if (dir > 0) {
      if (from < 0) from = 0;
      if (to > limit - 1) to = limit - 1;
      if (dotted && (from - a) % 2 != 0) ++from;
      if (from > to) return;
    } else {
      if (from > limit - 1) from = limit - 1;
      if (to < 0) to = 0;
      if (dotted && (a - from) % 2 != 0) --from;
      if (from < to) return;
    }
    const int f = static_cast<int>(from), t = static_cast<int>(to), ac = static_cast<int>(across);
    if (!raw_) {
      if (horizontal) s_.line(f, ac, t, ac, c, dotted);
      else s_.line(ac, f, ac, t, c, dotted);
      return;
    }
    const std::uint32_t v = raw_.encode(c);
    const int lo = std::min(f, t), hi = std::max(f, t);
    if (!dotted) {
      if (horizontal) {
        rawSpan(ac, lo, hi + 1, v);
      } else {
        for (int y = lo; y <= hi; ++y) {
          std::uint32_t& p = raw_.row(y)[ac];
          p = combine(p, v);
        }
      }
      return;
    }
    for (int k = lo + (f - lo) % 2; k <= hi; k += 2) {
      std::uint32_t& p = horizontal ? raw_.row(ac)[k] : raw_.row(k)[ac];
      p = combine(p, v);
    }
    return;
  }
  // diagonal: clip to the widened area (Liang-Barsky) when it reaches beyond
  const std::int64_t lo_x = -kLineMargin, hi_x = w_ + kLineMargin, lo_y = -kLineMargin, hi_y = h_ + kLineMargin;
  auto inside = [&](std::int64_t x, std::int64_t y) { return x >= lo_x && x <= hi_x && y >= lo_y && y <= hi_y; };
  if (!inside(x1, y1) || !inside(x2, y2)) {
    const double fx = static_cast<double>(x1), fy = static_cast<double>(y1);
    const double ddx = static_cast<double>(x2 - x1), ddy = static_cast<double>(y2 - y1);
    double t0 = 0, t1 = 1;
    const double p[4] = {-ddx, ddx, -ddy, ddy};
    const double q[4] = {fx - lo_x, hi_x - fx, fy - lo_y, hi_y - fy};
    for (int i = 0; i < 4; ++i) {
      if (p[i] == 0) {
        if (q[i] < 0) return;
        continue;
      }
      double r = q[i] / p[i];
      if (p[i] < 0) t0 = std::max(t0, r);
      else t1 = std::min(t1, r);
    }
    if (t0 > t1) return;
    const std::int64_t nx1 = std::llround(fx + t0 * ddx), ny1 = std::llround(fy + t0 * ddy);
    const std::int64_t nx2 = std::llround(fx + t1 * ddx), ny2 = std::llround(fy + t1 * ddy);
    x1 = nx1; y1 = ny1; x2 = nx2; y2 = ny2;
  }
  const int ix1 = static_cast<int>(x1), iy1 = static_cast<int>(y1), ix2 = static_cast<int>(x2),
            iy2 = static_cast<int>(y2);
  if (!raw_) s_.line(ix1, iy1, ix2, iy2, c, dotted);
  else rawLine(ix1, iy1, ix2, iy2, c, dotted);
}

void ViewCanvas::setPixel(std::int64_t x, std::int64_t y, Colour c) {
  if (x < 0 || y < 0 || x >= w_ || y >= h_) return;
  if (!raw_) {
    s_.setPixel(static_cast<int>(x), static_cast<int>(y), c);
    return;
  }
  std::uint32_t& p = raw_.row(static_cast<int>(y))[x];
  p = combine(p, raw_.encode(c));
}

void ViewCanvas::text(std::int64_t x, std::int64_t y, std::string_view t, const TextStyle& style) {
  if (t.empty()) return;
  // no text reaches the area from this far away
  constexpr std::int64_t kFar = 1 << 20;
  if (x < -kFar || y < -kFar || x > w_ + kFar || y > h_ + kFar) return;
  s_.text(static_cast<int>(x), static_cast<int>(y), t, style);
}

}  // namespace quill
