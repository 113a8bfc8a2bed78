#include "editor/SpatialIndex.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace quill {

namespace {
constexpr int kMaxCellsPerBox = 64;  // beyond this a box goes to the list tested every time
constexpr int kMaxGridSide = 2048;
constexpr int kBoxesPerCell = 4;
}  // namespace

void BoxIndex::update(LayoutDatabase& db) {
  const LayoutDatabase::BoxChanges changes = db.takeBoxChanges();
  const LayoutDatabase& table = db;
  const int n = table.boxCount();
  auto rectOf = [&](int p) {
    const LayoutBox& b = table.box(p);
    return R{std::min(b.x1, b.x2), std::min(b.y1, b.y2), std::max(b.x1, b.x2), std::max(b.y1, b.y2)};
  };
  if (!built_) {
    rects_.resize(static_cast<std::size_t>(n) + 1);
    for (int p = 1; p <= n; ++p) rects_[static_cast<std::size_t>(p)] = rectOf(p);
    rebuild();
    return;
  }
  int old = size();
  if (n < old) {
    rects_.resize(static_cast<std::size_t>(n) + 1);
    inExtra_.resize(static_cast<std::size_t>(n) + 1);
    std::erase_if(extra_, [n](int p) { return p > n; });
    old = n;
  }
  auto addExtra = [&](int p) {
    if (!inExtra_[static_cast<std::size_t>(p)]) {
      inExtra_[static_cast<std::size_t>(p)] = 1;
      extra_.push_back(p);
    }
  };
  if (changes.any()) {
    const int last = std::min(changes.last, old);
    for (int p = std::max(changes.first, 1); p <= last; ++p) {
      R r = rectOf(p);
      if (!(r == rects_[static_cast<std::size_t>(p)])) {
        rects_[static_cast<std::size_t>(p)] = r;
        addExtra(p);
      }
    }
  }
  if (n > old) {
    rects_.resize(static_cast<std::size_t>(n) + 1);
    inExtra_.resize(static_cast<std::size_t>(n) + 1);
    for (int p = old + 1; p <= n; ++p) {
      rects_[static_cast<std::size_t>(p)] = rectOf(p);
      addExtra(p);
    }
  }
  if (extra_.size() > std::max<std::size_t>(1024, static_cast<std::size_t>(n) / 16)) rebuild();
}

int BoxIndex::cellX(std::int64_t x) const {
  return static_cast<int>(std::clamp<std::int64_t>((x - ox_) / cw_, 0, gx_ - 1));
}

int BoxIndex::cellY(std::int64_t y) const {
  return static_cast<int>(std::clamp<std::int64_t>((y - oy_) / ch_, 0, gy_ - 1));
}

void BoxIndex::rebuild() {
  built_ = true;
  ++rebuilds_;
  const int n = size();
  extra_.clear();
  inExtra_.assign(static_cast<std::size_t>(n) + 1, 0);
  large_.clear();
  cellItems_.clear();
  gx_ = gy_ = 0;
  cellStart_.assign(1, 0);
  if (n == 0) return;

  // The grid spans where the boxes are: the extent of a sample without its
  // outermost few, so one box far away does not stretch the cells over
  // everything else. Boxes beyond it fall into the border cells.
  std::vector<std::int32_t> lx, hx, ly, hy;
  const int step = std::max(1, n / 4096);
  for (int p = 1; p <= n; p += step) {
    const R& r = rects_[static_cast<std::size_t>(p)];
    lx.push_back(r.x1);
    hx.push_back(r.x2);
    ly.push_back(r.y1);
    hy.push_back(r.y2);
  }
  const std::size_t cut = lx.size() / 500;  // 0.2 % at each end
  auto low = [cut](std::vector<std::int32_t>& v) {
    std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(cut), v.end());
    return std::int64_t{v[cut]};
  };
  auto high = [cut](std::vector<std::int32_t>& v) {
    const auto k = static_cast<std::ptrdiff_t>(v.size() - 1 - cut);
    std::nth_element(v.begin(), v.begin() + k, v.end());
    return std::int64_t{v[static_cast<std::size_t>(k)]};
  };
  const std::int64_t xmin = low(lx), ymin = low(ly);
  const std::int64_t xmax = std::max(high(hx), xmin), ymax = std::max(high(hy), ymin);
  const std::int64_t w = xmax - xmin + 1, h = ymax - ymin + 1;
  const double cells = std::max(1.0, static_cast<double>(n) / kBoxesPerCell);
  const double aspect = static_cast<double>(w) / static_cast<double>(h);
  gx_ = static_cast<int>(std::clamp(std::llround(std::sqrt(cells * aspect)), 1LL, static_cast<long long>(kMaxGridSide)));
  gy_ = static_cast<int>(std::clamp(std::llround(cells / gx_), 1LL, static_cast<long long>(kMaxGridSide)));
  gx_ = static_cast<int>(std::min<std::int64_t>(gx_, w));
  gy_ = static_cast<int>(std::min<std::int64_t>(gy_, h));
  ox_ = xmin;
  oy_ = ymin;
  cw_ = (w + gx_ - 1) / gx_;
  ch_ = (h + gy_ - 1) / gy_;

  const std::size_t ncell = static_cast<std::size_t>(gx_) * static_cast<std::size_t>(gy_);
  std::vector<int> count(ncell + 1, 0);
  for (int p = 1; p <= n; ++p) {
    const R& r = rects_[static_cast<std::size_t>(p)];
    const int cx1 = cellX(r.x1), cx2 = cellX(r.x2), cy1 = cellY(r.y1), cy2 = cellY(r.y2);
    if ((cx2 - cx1 + 1) * (cy2 - cy1 + 1) > kMaxCellsPerBox) {
      large_.push_back(p);
      continue;
    }
    for (int cy = cy1; cy <= cy2; ++cy)
      for (int cx = cx1; cx <= cx2; ++cx) ++count[static_cast<std::size_t>(cy) * gx_ + cx];
  }
  cellStart_.assign(ncell + 1, 0);
  for (std::size_t i = 0; i < ncell; ++i) cellStart_[i + 1] = cellStart_[i] + count[i];
  cellItems_.resize(static_cast<std::size_t>(cellStart_[ncell]));
  std::copy(cellStart_.begin(), cellStart_.end() - 1, count.begin());  // fill cursors
  std::size_t li = 0;
  for (int p = 1; p <= n; ++p) {
    if (li < large_.size() && large_[li] == p) {
      ++li;
      continue;
    }
    const R& r = rects_[static_cast<std::size_t>(p)];
    const int cx1 = cellX(r.x1), cx2 = cellX(r.x2), cy1 = cellY(r.y1), cy2 = cellY(r.y2);
    for (int cy = cy1; cy <= cy2; ++cy)
      for (int cx = cx1; cx <= cx2; ++cx) cellItems_[static_cast<std::size_t>(count[static_cast<std::size_t>(cy) * gx_ + cx]++)] = p;
  }
}

void BoxIndex::query(std::int64_t x1, std::int64_t y1, std::int64_t x2, std::int64_t y2, std::vector<int>& out) const {
  out.clear();
  if (!built_ || x2 < x1 || y2 < y1) return;
  const int n = size();
  auto take = [&](int p) {
    if (p <= n && meets(rects_[static_cast<std::size_t>(p)], x1, y1, x2, y2)) out.push_back(p);
  };
  if (gx_ > 0) {
    const int cx1 = cellX(x1), cx2 = cellX(x2), cy1 = cellY(y1), cy2 = cellY(y2);
    for (int cy = cy1; cy <= cy2; ++cy) {
      const std::size_t rowBase = static_cast<std::size_t>(cy) * gx_;
      for (int cx = cx1; cx <= cx2; ++cx) {
        const std::size_t c = rowBase + static_cast<std::size_t>(cx);
        for (int k = cellStart_[c]; k < cellStart_[c + 1]; ++k) take(cellItems_[static_cast<std::size_t>(k)]);
      }
    }
  }
  for (int p : large_) take(p);
  for (int p : extra_) take(p);
  std::sort(out.begin(), out.end());
  out.erase(std::unique(out.begin(), out.end()), out.end());
}

double BoxIndex::coverage(std::int64_t x1, std::int64_t y1, std::int64_t x2, std::int64_t y2) const {
  if (!built_ || gx_ == 0) return 1.0;
  const double nx = cellX(x2) - cellX(x1) + 1, ny = cellY(y2) - cellY(y1) + 1;
  return nx * ny / (static_cast<double>(gx_) * gy_);
}

}  // namespace quill
