#include "platform/MemorySurface.h"

#include <algorithm>
#include <cstdlib>

namespace quill {

MemorySurface::MemorySurface(int w, int h, Colour fill)
    : w_(std::max(0, w)), h_(std::max(0, h)),
      px_(static_cast<std::size_t>(w_) * static_cast<std::size_t>(h_), fill & 0xFFFFFFu) {}

void MemorySurface::plot(int x, int y, Colour c) {
  if (x < 0 || y < 0 || x >= w_ || y >= h_) return;
  Colour& d = px_[static_cast<std::size_t>(y) * static_cast<std::size_t>(w_) + static_cast<std::size_t>(x)];
  d = combinePixel(mode_, d, c);
}

void MemorySurface::fillRect(int x1, int y1, int x2, int y2, Colour c) {
  x1 = std::max(x1, 0); y1 = std::max(y1, 0);
  x2 = std::min(x2, w_); y2 = std::min(y2, h_);
  for (int y = y1; y < y2; ++y)
    for (int x = x1; x < x2; ++x) plot(x, y, c);
}

void MemorySurface::fillPattern(int x1, int y1, int x2, int y2, const Pattern8& p, Colour c) {
  x1 = std::max(x1, 0); y1 = std::max(y1, 0);
  x2 = std::min(x2, w_); y2 = std::min(y2, h_);
  for (int y = y1; y < y2; ++y)
    for (int x = x1; x < x2; ++x)
      if (patternBit(p, x, y)) plot(x, y, c);
}

void MemorySurface::outlineRect(int x1, int y1, int x2, int y2, Colour c) {
  if (x2 <= x1 || y2 <= y1) return;
  for (int x = x1; x < x2; ++x) {
    plot(x, y1, c);
    if (y2 - 1 != y1) plot(x, y2 - 1, c);
  }
  for (int y = y1 + 1; y < y2 - 1; ++y) {
    plot(x1, y, c);
    if (x2 - 1 != x1) plot(x2 - 1, y, c);
  }
}

void MemorySurface::line(int x1, int y1, int x2, int y2, Colour c, bool dotted) {
  // Bresenham; dotted lines set every other pixel along the line
  int dx = std::abs(x2 - x1), sx = x1 < x2 ? 1 : -1;
  int dy = -std::abs(y2 - y1), sy = y1 < y2 ? 1 : -1;
  int err = dx + dy;
  long step = 0;
  for (;;) {
    if (!dotted || (step % 2) == 0) plot(x1, y1, c);
    ++step;
    if (x1 == x2 && y1 == y2) break;
    int e2 = 2 * err;
    if (e2 >= dy) { err += dy; x1 += sx; }
    if (e2 <= dx) { err += dx; y1 += sy; }
  }
}

void MemorySurface::setPixel(int x, int y, Colour c) { plot(x, y, c); }

Colour MemorySurface::pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= w_ || y >= h_) return 0;
  return px_[static_cast<std::size_t>(y) * static_cast<std::size_t>(w_) + static_cast<std::size_t>(x)];
}

RawPixels MemorySurface::rawPixels() {
  if (!raw_ || px_.empty()) return {};
  return {px_.data(), w_, false};
}

void MemorySurface::text(int x, int y, std::string_view t, const TextStyle& style) {
  texts_.push_back({x, y, std::string(t), style});
}

int MemorySurface::textWidth(std::string_view t, const TextStyle& style) const {
  return static_cast<int>(t.size()) * std::max(1, style.pointSize * 2 / 3);
}

}  // namespace quill
