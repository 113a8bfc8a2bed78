// Geometry the extraction works on: a compact copy of the box table, which
// layers conduct and connect, and two ways of finding the boxes that touch
// a rectangle: a bucket grid for real layouts and a plain scan that the
// grid is tested against. Both answer in ascending box position, so every
// sum the extraction makes runs in table order whichever is used.
#pragma once
#include <algorithm>
#include <cstdint>
#include <vector>

#include "core/LayoutDatabase.h"

namespace quill {

struct BoxGeo {
  std::int32_t x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  std::uint8_t layer = 0;
};

using LayerMask = std::uint32_t;
constexpr LayerMask layerBit(int layer) { return LayerMask{1} << layer; }

// Layers whose boxes carry current and form nodes; option, nitride, aarea
// and the process layers never do. passiv joins the metals it touches but
// never starts a node of its own.
bool conductingLayer(int layer);
bool startsNode(int layer);
bool layersConnect(int a, int b);

inline bool touches(const BoxGeo& a, const BoxGeo& b) {
  return a.x1 <= b.x2 && b.x1 <= a.x2 && a.y1 <= b.y2 && b.y1 <= a.y2;
}
inline bool touches(const BoxGeo& a, const Rect& r) {
  return a.x1 <= r.x2 && r.x1 <= a.x2 && a.y1 <= r.y2 && r.y1 <= a.y2;
}
// area of the intersection, 0 when the interiors do not overlap
inline std::int64_t overlapArea(const BoxGeo& a, const BoxGeo& b) {
  const std::int64_t w = std::int64_t{std::min(a.x2, b.x2)} - std::max(a.x1, b.x1);
  const std::int64_t h = std::int64_t{std::min(a.y2, b.y2)} - std::max(a.y1, b.y1);
  return w > 0 && h > 0 ? w * h : 0;
}

// boxes 1..n of the table; entry 0 unused
std::vector<BoxGeo> snapshotBoxes(const LayoutDatabase& db);

// Finds boxes touching a rectangle.
class BoxFinder {
 public:
  virtual ~BoxFinder() = default;
  // positions of the boxes of the masked layers whose closed rectangle
  // shares a point with r, ascending
  virtual void touching(const Rect& r, LayerMask mask, std::vector<int>& out) const = 0;
};

// Every box compared with the rectangle.
class ScanFinder : public BoxFinder {
 public:
  explicit ScanFinder(const std::vector<BoxGeo>& boxes) : boxes_(boxes) {}
  void touching(const Rect& r, LayerMask mask, std::vector<int>& out) const override;

 private:
  const std::vector<BoxGeo>& boxes_;
};

// A uniform grid of buckets over the layout; each box is listed in every
// bucket it reaches. A pair of touching boxes is reported from the one
// bucket holding the lower-left corner of their common rectangle.
class BucketIndex : public BoxFinder {
 public:
  explicit BucketIndex(const std::vector<BoxGeo>& boxes);
  void touching(const Rect& r, LayerMask mask, std::vector<int>& out) const override;

  // f(a, b) once for every pair a < b of touching boxes of masked layers
  template <class F>
  void forEachTouchingPair(LayerMask mask, F&& f) const {
    for (std::size_t bucket = 0; bucket + 1 < start_.size(); ++bucket) {
      const int* e = entries_.data() + start_[bucket];
      const int k = start_[bucket + 1] - start_[bucket];
      const std::int64_t bx = static_cast<std::int64_t>(bucket % static_cast<std::size_t>(nx_));
      const std::int64_t by = static_cast<std::int64_t>(bucket / static_cast<std::size_t>(nx_));
      for (int i = 0; i < k; ++i) {
        const BoxGeo& a = boxes_[static_cast<std::size_t>(e[i])];
        if (!(mask & layerBit(a.layer))) continue;
        for (int j = i + 1; j < k; ++j) {
          const BoxGeo& b = boxes_[static_cast<std::size_t>(e[j])];
          if (!(mask & layerBit(b.layer)) || !touches(a, b)) continue;
          if (cellX(std::max(a.x1, b.x1)) != bx || cellY(std::max(a.y1, b.y1)) != by) continue;
          f(e[i], e[j]);
        }
      }
    }
  }

  int bucketSize() const { return size_; }

 private:
  std::int64_t cellX(std::int64_t x) const;
  std::int64_t cellY(std::int64_t y) const;
  const std::vector<BoxGeo>& boxes_;
  std::int64_t x0_ = 0, y0_ = 0;
  std::int64_t nx_ = 1, ny_ = 1;
  int size_ = 1;
  std::vector<int> start_;    // per bucket, into entries_
  std::vector<int> entries_;  // box positions, ascending within a bucket
};

}  // namespace quill
