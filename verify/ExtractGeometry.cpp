#include "verify/ExtractGeometry.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace quill {

namespace {

struct ConnectTable {
  std::array<std::array<bool, kLayerCount + 1>, kLayerCount + 1> t{};
  ConnectTable() {
    for (int l = 1; l <= kLayerCount; ++l) t[static_cast<std::size_t>(l)][static_cast<std::size_t>(l)] = conductingLayer(l);
    auto pair = [this](int a, int b) {
      t[static_cast<std::size_t>(a)][static_cast<std::size_t>(b)] = true;
      t[static_cast<std::size_t>(b)][static_cast<std::size_t>(a)] = true;
    };
    pair(kNwell, kDiffn);
    for (int l : {kDiffp, kDiffn, kPoly, kPoly2, kMetal}) pair(kContact, l);
    for (int g : {kGaten, kGatep})
      for (int l : {kPoly, kPoly2, kContact}) pair(g, l);
    for (int k = 1; k <= 5; ++k) {
      pair(metalLayer(k), viaLayer(k));
      pair(viaLayer(k), metalLayer(k + 1));
    }
    for (int k = 2; k <= 6; ++k) pair(kPassiv, metalLayer(k));
  }
};

const ConnectTable& connectTable() {
  static const ConnectTable t;
  return t;
}

}  // namespace

bool conductingLayer(int layer) {
  switch (layer) {
    case kNwell: case kDiffp: case kDiffn: case kContact: case kPoly2: case kPoly:
    case kMetal: case kVia: case kMetal2: case kVia2: case kMetal3: case kVia3: case kMetal4:
    case kVia4: case kMetal5: case kVia5: case kMetal6: case kPassiv: case kGatep: case kGaten: case kPwell:
      return true;
    default:
      return false;
  }
}

bool startsNode(int layer) { return layer != kPassiv && conductingLayer(layer); }

bool layersConnect(int a, int b) {
  if (!LayerTable::validIndex(a) || !LayerTable::validIndex(b)) return false;
  return connectTable().t[static_cast<std::size_t>(a)][static_cast<std::size_t>(b)];
}

std::vector<BoxGeo> snapshotBoxes(const LayoutDatabase& db) {
  std::vector<BoxGeo> g(static_cast<std::size_t>(db.boxCount()) + 1);
  for (int i = 1; i <= db.boxCount(); ++i) {
    const LayoutBox& b = db.box(i);
    g[static_cast<std::size_t>(i)] = {b.x1, b.y1, b.x2, b.y2, b.layer};
  }
  return g;
}

void ScanFinder::touching(const Rect& r, LayerMask mask, std::vector<int>& out) const {
  out.clear();
  for (std::size_t i = 1; i < boxes_.size(); ++i)
    if ((mask & layerBit(boxes_[i].layer)) && touches(boxes_[i], r)) out.push_back(static_cast<int>(i));
}

BucketIndex::BucketIndex(const std::vector<BoxGeo>& boxes) : boxes_(boxes) {
  const std::size_t n = boxes.size() > 0 ? boxes.size() - 1 : 0;
  std::int64_t xmin = 0, ymin = 0, xmax = 0, ymax = 0;
  for (std::size_t i = 1; i <= n; ++i) {
    const BoxGeo& b = boxes[i];
    if (i == 1) xmin = b.x1, ymin = b.y1, xmax = b.x2, ymax = b.y2;
    xmin = std::min<std::int64_t>(xmin, b.x1);
    ymin = std::min<std::int64_t>(ymin, b.y1);
    xmax = std::max<std::int64_t>(xmax, b.x2);
    ymax = std::max<std::int64_t>(ymax, b.y2);
  }
  x0_ = xmin;
  y0_ = ymin;
  const double w = static_cast<double>(xmax - xmin) + 1, h = static_cast<double>(ymax - ymin) + 1;
  // about one bucket per box: a bucket holds a handful of boxes
  double side = n > 0 ? std::sqrt(w * h / static_cast<double>(n)) : 1;
  side = std::clamp(std::ceil(side), 2.0, 1e9);
  size_ = static_cast<int>(side);
  nx_ = static_cast<std::int64_t>(w / side) + 1;
  ny_ = static_cast<std::int64_t>(h / side) + 1;
  const std::size_t buckets = static_cast<std::size_t>(nx_ * ny_);
  start_.assign(buckets + 1, 0);
  for (std::size_t i = 1; i <= n; ++i) {
    const BoxGeo& b = boxes[i];
    const std::int64_t ax = cellX(b.x1), bx = cellX(b.x2), ay = cellY(b.y1), by = cellY(b.y2);
    for (std::int64_t y = ay; y <= by; ++y)
      for (std::int64_t x = ax; x <= bx; ++x) ++start_[static_cast<std::size_t>(y * nx_ + x) + 1];
  }
  for (std::size_t k = 1; k <= buckets; ++k) start_[k] += start_[k - 1];
  entries_.assign(static_cast<std::size_t>(start_[buckets]), 0);
  std::vector<int> fill(start_.begin(), start_.end() - 1);
  for (std::size_t i = 1; i <= n; ++i) {
    const BoxGeo& b = boxes[i];
    const std::int64_t ax = cellX(b.x1), bx = cellX(b.x2), ay = cellY(b.y1), by = cellY(b.y2);
    for (std::int64_t y = ay; y <= by; ++y)
      for (std::int64_t x = ax; x <= bx; ++x)
        entries_[static_cast<std::size_t>(fill[static_cast<std::size_t>(y * nx_ + x)]++)] = static_cast<int>(i);
  }
}

std::int64_t BucketIndex::cellX(std::int64_t x) const { return std::clamp<std::int64_t>((x - x0_) / size_, 0, nx_ - 1); }
std::int64_t BucketIndex::cellY(std::int64_t y) const { return std::clamp<std::int64_t>((y - y0_) / size_, 0, ny_ - 1); }

void BucketIndex::touching(const Rect& r, LayerMask mask, std::vector<int>& out) const {
  out.clear();
  const std::int64_t ax = cellX(r.x1), bx = cellX(r.x2), ay = cellY(r.y1), by = cellY(r.y2);
  for (std::int64_t y = ay; y <= by; ++y)
    for (std::int64_t x = ax; x <= bx; ++x) {
      const std::size_t k = static_cast<std::size_t>(y * nx_ + x);
      for (int e = start_[k]; e < start_[k + 1]; ++e) {
        const int p = entries_[static_cast<std::size_t>(e)];
        const BoxGeo& b = boxes_[static_cast<std::size_t>(p)];
        if (!(mask & layerBit(b.layer)) || !touches(b, r)) continue;
        // report from the bucket of the common rectangle's lower-left corner only
        if (cellX(std::max(b.x1, r.x1)) != x || cellY(std::max(b.y1, r.y1)) != y) continue;
        out.push_back(p);
      }
    }
  std::sort(out.begin(), out.end());
}

}  // namespace quill
