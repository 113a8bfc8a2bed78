#include "verify/Cleaner.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "core/Text.h"

namespace quill {

bool cleanedLayer(int layer) {
  switch (layer) {
    case kOption: case kContact: case kPoly2: case kVia: case kVia2: case kVia3: case kVia4: case kVia5:
      return false;
    default:
      return layer >= 2 && layer <= kLayerCount;
  }
}

namespace {

const char* const kCleaning[8] = {"Cleaning ", "cLeaning ", "clEaning ", "cleAning ",
                                  "cleaNing ", "cleanIng ", "cleaniNg ", "cleaninG "};

void showProgress(const LayoutDatabase& db, StatusMessage& st, int counter, const std::array<bool, kLayerCount + 1>& dirty) {
  std::string t = kCleaning[counter % 8];
  t += " (" + std::to_string(db.boxCount()) + " boxes) ";
  for (int l = 1; l <= kLayerCount; ++l)
    if (dirty[static_cast<std::size_t>(l)]) t += "," + db.layers[l].name;
  st.progress(StatusMessage::Main, t);
}

bool touchY(const LayoutBox& p, const LayoutBox& q) { return q.y1 <= p.y2 && p.y1 <= q.y2; }
bool touchX(const LayoutBox& p, const LayoutBox& q) { return q.x1 <= p.x2 && p.x1 <= q.x2; }
bool interiorsOverlap(const LayoutBox& p, const LayoutBox& q) {
  return std::max(p.x1, q.x1) < std::min(p.x2, q.x2) && std::max(p.y1, q.y1) < std::min(p.y2, q.y2);
}

// merges q into p when they share a full side; true when it did
bool mergePair(LayoutDatabase& db, int p, int q) {
  const LayoutBox& P = static_cast<const LayoutDatabase&>(db).box(p);
  const LayoutBox& Q = static_cast<const LayoutDatabase&>(db).box(q);
  if (P.x1 == Q.x1 && P.x2 == Q.x2 && touchY(P, Q)) {
    LayoutBox& w = db.box(p);
    w.y1 = std::min(P.y1, Q.y1);
    w.y2 = std::max(P.y2, Q.y2);
    db.box(q).state = 0;
    return true;
  }
  if (P.y1 == Q.y1 && P.y2 == Q.y2 && touchX(P, Q)) {
    LayoutBox& w = db.box(p);
    w.x1 = std::min(P.x1, Q.x1);
    w.x2 = std::max(P.x2, Q.x2);
    db.box(q).state = 0;
    return true;
  }
  return false;
}

void addPiece(LayoutDatabase& db, std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2, int layer) {
  if (x1 < x2 && y1 < y2) db.addBox(x1, y1, x2, y2, layer);
}

// resolves the overlap of p and q (interiors overlap); true when p was deleted
bool splitPair(LayoutDatabase& db, int p, int q) {
  const LayoutBox P = static_cast<const LayoutDatabase&>(db).box(p);
  const LayoutBox Q = static_cast<const LayoutDatabase&>(db).box(q);
  const int layer = P.layer;
  if (P.x1 == Q.x1 && P.y1 == Q.y1 && P.x2 == Q.x2 && P.y2 == Q.y2) {
    db.box(q).state = 0;
    return false;
  }
  // the box whose x range lies within the other's keeps what lies above and
  // below it, top first
  auto aboveBelow = [&](int dead, const LayoutBox& d, const LayoutBox& k) {
    db.box(dead).state = 0;
    addPiece(db, d.x1, k.y2, d.x2, d.y2, layer);
    addPiece(db, d.x1, d.y1, d.x2, k.y1, layer);
  };
  // likewise right and left for y ranges, right first
  auto rightLeft = [&](int dead, const LayoutBox& d, const LayoutBox& k) {
    db.box(dead).state = 0;
    addPiece(db, k.x2, d.y1, d.x2, d.y2, layer);
    addPiece(db, d.x1, d.y1, k.x1, d.y2, layer);
  };
  if (Q.x1 <= P.x1 && P.x2 <= Q.x2) {
    aboveBelow(p, P, Q);
    return true;
  }
  if (P.x1 <= Q.x1 && Q.x2 <= P.x2) {
    aboveBelow(q, Q, P);
    return false;
  }
  if (Q.y1 <= P.y1 && P.y2 <= Q.y2) {
    rightLeft(p, P, Q);
    return true;
  }
  if (P.y1 <= Q.y1 && Q.y2 <= P.y2) {
    rightLeft(q, Q, P);
    return false;
  }
  // p becomes the pieces around the intersection: left and right strips of
  // its full height, bottom and top between them
  const std::int32_t ox1 = std::max(P.x1, Q.x1), oy1 = std::max(P.y1, Q.y1);
  const std::int32_t ox2 = std::min(P.x2, Q.x2), oy2 = std::min(P.y2, Q.y2);
  db.box(p).state = 0;
  addPiece(db, P.x1, P.y1, ox1, P.y2, layer);
  addPiece(db, ox1, P.y1, ox2, oy1, layer);
  addPiece(db, ox1, oy2, ox2, P.y2, layer);
  addPiece(db, ox2, P.y1, P.x2, P.y2, layer);
  return true;
}

template <class MergeLayer, class SplitLayer>
CleanResult runCleaner(LayoutDatabase& db, int mode, StatusMessage& st, int maxIterations, MergeLayer merge,
                       SplitLayer split) {
  CleanResult r;
  db.compactBoxes();
  r.boxesBefore = db.boxCount();
  std::array<bool, kLayerCount + 1> dirty{};
  for (int l = 1; l <= kLayerCount; ++l) dirty[static_cast<std::size_t>(l)] = cleanedLayer(l);
  LayoutDatabase::BulkAdd bulk(db);
  int counter = 0;
  auto stop = [&] {
    if (st.stopRequested()) r.aborted = true;
    return r.aborted;
  };

  if (mode == kCleanAll || mode == kCleanMergeOnly) {
    bool changed = true;
    for (int pass = 0; changed && !stop() && pass <= maxIterations; ++pass) {
      changed = false;
      db.sortByLayer();
      for (int l = 1; l <= kLayerCount; ++l) {
        if (!dirty[static_cast<std::size_t>(l)]) continue;
        dirty[static_cast<std::size_t>(l)] = false;
        if (merge(db, l)) {
          dirty[static_cast<std::size_t>(l)] = true;
          changed = true;
        }
      }
      db.compactBoxes();
      ++counter;
      showProgress(db, st, counter, dirty);
    }
  }
  if (mode == kCleanAll || mode == kCleanOverlapOnly) {
    // every cleaned layer again: merging leaves them all clean
    for (int l = 1; l <= kLayerCount; ++l) dirty[static_cast<std::size_t>(l)] = cleanedLayer(l);
    bool changed = true;
    for (int pass = 0; changed && !stop() && pass <= maxIterations; ++pass) {
      changed = false;
      showProgress(db, st, counter, dirty);
      db.sortByLayer();
      for (int l = 1; l <= kLayerCount; ++l) {
        if (!dirty[static_cast<std::size_t>(l)]) continue;
        dirty[static_cast<std::size_t>(l)] = false;
        if (split(db, l)) {
          dirty[static_cast<std::size_t>(l)] = true;
          changed = true;
        }
      }
      db.compactBoxes();
      ++counter;
    }
  }
  r.iterations = counter;
  r.boxesAfter = db.boxCount();
  return r;
}

bool live(const LayoutDatabase& db, int p) { return db.box(p).state != 0; }

bool mergeLayerReference(LayoutDatabase& db, int l) {
  bool any = false;
  const int first = db.firstOfLayer(l), last = db.lastOfLayer(l);
  for (int p = first; p <= last && p > 0; ++p) {
    if (!live(db, p)) continue;
    for (int q = p + 1; q <= last; ++q)
      if (live(db, q) && mergePair(db, p, q)) any = true;
  }
  return any;
}

bool splitLayerReference(LayoutDatabase& db, int l) {
  bool any = false;
  const int first = db.firstOfLayer(l), last = db.lastOfLayer(l);
  for (int p = first; p <= last && p > 0; ++p) {
    if (!live(db, p)) continue;
    for (int q = p + 1; q <= last; ++q) {
      const LayoutDatabase& c = db;
      if (!live(db, q) || !interiorsOverlap(c.box(p), c.box(q))) continue;
      any = true;
      if (splitPair(db, p, q)) break;  // once p is gone its loop ends
    }
  }
  return any;
}

// The same loops with the candidates of each p looked up instead of scanned.
// Merging: q must share p's current x pair or y pair; the two candidate
// lists are walked in table order, so the merges happen in the same order.
bool mergeLayerFast(LayoutDatabase& db, int l) {
  const int first = db.firstOfLayer(l), last = db.lastOfLayer(l);
  if (last < first || last <= 0) return false;
  auto key = [](std::int32_t a, std::int32_t b) {
    return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(a)) << 32) | static_cast<std::uint32_t>(b);
  };
  std::unordered_map<std::uint64_t, std::vector<int>> byX, byY;  // positions ascending
  byX.reserve(static_cast<std::size_t>(last - first + 1));
  byY.reserve(static_cast<std::size_t>(last - first + 1));
  const LayoutDatabase& c = db;
  for (int p = first; p <= last; ++p) {
    const LayoutBox& b = c.box(p);
    if (b.state == 0) continue;
    byX[key(b.x1, b.x2)].push_back(p);
    byY[key(b.y1, b.y2)].push_back(p);
  }
  bool any = false;
  for (int p = first; p <= last; ++p) {
    if (!live(db, p)) continue;
    int from = p + 1;
    for (;;) {
      const LayoutBox& P = c.box(p);
      const std::vector<int>* lx = nullptr;
      const std::vector<int>* ly = nullptr;
      if (auto it = byX.find(key(P.x1, P.x2)); it != byX.end()) lx = &it->second;
      if (auto it = byY.find(key(P.y1, P.y2)); it != byY.end()) ly = &it->second;
      // the first q >= from, in table order, that merges
      auto ix = lx ? std::lower_bound(lx->begin(), lx->end(), from) : std::vector<int>::const_iterator{};
      auto iy = ly ? std::lower_bound(ly->begin(), ly->end(), from) : std::vector<int>::const_iterator{};
      int found = 0;
      while (true) {
        int qx = (lx && ix != lx->end()) ? *ix : last + 1;
        int qy = (ly && iy != ly->end()) ? *iy : last + 1;
        int q = std::min(qx, qy);
        if (q > last) break;
        if (qx == q) ++ix;
        if (qy == q) ++iy;
        if (q != p && live(db, q) && ((P.x1 == c.box(q).x1 && P.x2 == c.box(q).x2 && touchY(P, c.box(q))) ||
                                      (P.y1 == c.box(q).y1 && P.y2 == c.box(q).y2 && touchX(P, c.box(q))))) {
          found = q;
          break;
        }
      }
      if (!found) break;
      mergePair(db, p, found);
      any = true;
      from = found + 1;
    }
  }
  return any;
}

// Overlap removal: each p meets the boxes whose rectangles overlap it, found
// through a grid of buckets, in table order.
bool splitLayerFast(LayoutDatabase& db, int l) {
  const int first = db.firstOfLayer(l), last = db.lastOfLayer(l);
  if (last < first || last <= 0) return false;
  const LayoutDatabase& c = db;
  const int n = last - first + 1;
  // bucket size from the mean box size, so a box lands in few buckets
  std::int64_t sumW = 0, sumH = 0;
  for (int p = first; p <= last; ++p) {
    sumW += std::int64_t{c.box(p).x2} - c.box(p).x1;
    sumH += std::int64_t{c.box(p).y2} - c.box(p).y1;
  }
  const std::int64_t cell = std::max<std::int64_t>(1, std::max(sumW, sumH) / n * 2 + 1);
  auto cellOf = [&](std::int64_t v) { return v >= 0 ? v / cell : -((-v + cell - 1) / cell); };
  auto bucketKey = [](std::int64_t cx, std::int64_t cy) {
    return (static_cast<std::uint64_t>(cx) * 0x9E3779B97F4A7C15ull) ^ static_cast<std::uint64_t>(cy);
  };
  struct Bucket {
    std::int64_t cx, cy;
    std::vector<int> boxes;
  };
  std::unordered_map<std::uint64_t, std::vector<Bucket>> grid;
  auto bucket = [&](std::int64_t cx, std::int64_t cy) -> std::vector<int>& {
    auto& list = grid[bucketKey(cx, cy)];
    for (auto& b : list)
      if (b.cx == cx && b.cy == cy) return b.boxes;
    list.push_back({cx, cy, {}});
    return list.back().boxes;
  };
  for (int p = first; p <= last; ++p) {
    const LayoutBox& b = c.box(p);
    if (b.state == 0) continue;
    const std::int64_t cx1 = cellOf(b.x1), cx2 = cellOf(b.x2), cy1 = cellOf(b.y1), cy2 = cellOf(b.y2);
    if ((cx2 - cx1 + 1) * (cy2 - cy1 + 1) > 4096) continue;  // huge boxes go to the slow list
    for (std::int64_t x = cx1; x <= cx2; ++x)
      for (std::int64_t y = cy1; y <= cy2; ++y) bucket(x, y).push_back(p);
  }
  std::vector<int> huge;
  for (int p = first; p <= last; ++p) {
    const LayoutBox& b = c.box(p);
    if (b.state == 0) continue;
    if ((cellOf(b.x2) - cellOf(b.x1) + 1) * (cellOf(b.y2) - cellOf(b.y1) + 1) > 4096) huge.push_back(p);
  }

  bool any = false;
  std::vector<int> cand;
  for (int p = first; p <= last; ++p) {
    if (!live(db, p)) continue;
    const LayoutBox P = c.box(p);
    cand.clear();
    const std::int64_t cx1 = cellOf(P.x1), cx2 = cellOf(P.x2), cy1 = cellOf(P.y1), cy2 = cellOf(P.y2);
    if ((cx2 - cx1 + 1) * (cy2 - cy1 + 1) > 4096) {
      for (int q = p + 1; q <= last; ++q) cand.push_back(q);
    } else {
      for (std::int64_t x = cx1; x <= cx2; ++x)
        for (std::int64_t y = cy1; y <= cy2; ++y) {
          auto it = grid.find(bucketKey(x, y));
          if (it == grid.end()) continue;
          for (auto& b : it->second)
            if (b.cx == x && b.cy == y)
              for (int q : b.boxes)
                if (q > p) cand.push_back(q);
        }
      for (int q : huge)
        if (q > p) cand.push_back(q);
      std::sort(cand.begin(), cand.end());
      cand.erase(std::unique(cand.begin(), cand.end()), cand.end());
    }
    for (int q : cand) {
      if (!live(db, q) || !interiorsOverlap(c.box(p), c.box(q))) continue;
      any = true;
      if (splitPair(db, p, q)) break;
    }
  }
  return any;
}

}  // namespace

CleanResult cleanLayoutReference(LayoutDatabase& db, int mode, StatusMessage& status, int maxIterations) {
  return runCleaner(db, mode, status, maxIterations, mergeLayerReference, splitLayerReference);
}

CleanResult cleanLayout(LayoutDatabase& db, int mode, StatusMessage& status, int maxIterations) {
  return runCleaner(db, mode, status, maxIterations, mergeLayerFast, splitLayerFast);
}

CleanResult cleanLayoutCommand(LayoutDatabase& db, StatusMessage& status) {
  status.write(StatusMessage::Main, "Start removing redundant and overlap boxes...");
  status.clearStop();
  CleanResult r = cleanLayout(db, kCleanAll, status);
  db.sortByLayer();
  if (r.boxesAfter == r.boxesBefore) {
    status.write(StatusMessage::Main, "No redundant box in the layout");
  } else {
    const double pct = r.boxesBefore ? std::abs(100.0 * (r.boxesBefore - r.boxesAfter) / r.boxesBefore) : 0.0;
    status.write(StatusMessage::Main,
                 "Quillmere removed redundant and overlaping boxes (" + F(pct, 4, 2) + "% removed)");
    db.modified = true;
  }
  return r;
}

}  // namespace quill
