#include "verify/ExtractNodes.h"

#include <algorithm>
#include <cstdint>
#include <numeric>

#include "core/Text.h"

namespace quill {

namespace {

class UnionFind {
 public:
  explicit UnionFind(std::size_t n) : parent_(n) { std::iota(parent_.begin(), parent_.end(), 0); }
  int find(int x) {
    while (parent_[static_cast<std::size_t>(x)] != x) {
      int& p = parent_[static_cast<std::size_t>(x)];
      p = parent_[static_cast<std::size_t>(p)];
      x = p;
    }
    return x;
  }
  void unite(int a, int b) {
    a = find(a);
    b = find(b);
    if (a == b) return;
    // the smaller position stays the root: cheap and deterministic
    if (a < b) parent_[static_cast<std::size_t>(b)] = a;
    else parent_[static_cast<std::size_t>(a)] = b;
  }

 private:
  std::vector<int> parent_;
};

constexpr LayerMask conductingMask() {
  LayerMask m = 0;
  for (int l : {kNwell, kDiffp, kDiffn, kContact, kPoly2, kPoly, kMetal, kVia, kMetal2, kVia2, kMetal3, kVia3,
                kMetal4, kVia4, kMetal5, kVia5, kMetal6, kPassiv, kGatep, kGaten, kPwell})
    m |= layerBit(l);
  return m;
}

// group of each box, numbered 0.. in the order of the groups' first node-starting box
int groupsFast(const std::vector<BoxGeo>& geo, const BucketIndex& index, std::vector<int>& group) {
  const std::size_t n = geo.size();
  UnionFind uf(n);
  index.forEachTouchingPair(conductingMask(), [&](int a, int b) {
    if (layersConnect(geo[static_cast<std::size_t>(a)].layer, geo[static_cast<std::size_t>(b)].layer)) uf.unite(a, b);
  });
  std::vector<int> ofRoot(n, -1);
  int next = 0;
  for (std::size_t p = 1; p < n; ++p)
    if (startsNode(geo[p].layer)) {
      int& g = ofRoot[static_cast<std::size_t>(uf.find(static_cast<int>(p)))];
      if (g < 0) g = next++;
    }
  for (std::size_t p = 1; p < n; ++p)
    group[p] = conductingLayer(geo[p].layer) ? ofRoot[static_cast<std::size_t>(uf.find(static_cast<int>(p)))] : -1;
  return next;
}

// the fill as described: from each unassigned seed, every unassigned box
// touching an assigned one on a connected layer
int groupsLiteral(const std::vector<BoxGeo>& geo, std::vector<int>& group) {
  const std::size_t n = geo.size();
  int next = 0;
  std::vector<int> stack;
  for (std::size_t s = 1; s < n; ++s) {
    if (group[s] >= 0 || !startsNode(geo[s].layer)) continue;
    const int g = next++;
    group[s] = g;
    stack.assign(1, static_cast<int>(s));
    while (!stack.empty()) {
      const BoxGeo& b = geo[static_cast<std::size_t>(stack.back())];
      stack.pop_back();
      for (std::size_t j = 1; j < n; ++j)
        if (group[j] < 0 && layersConnect(b.layer, geo[j].layer) && touches(b, geo[j])) {
          group[j] = g;
          stack.push_back(static_cast<int>(j));
        }
    }
  }
  return next;
}

enum ResistanceKind { kNoR, kRVia, kRMetal, kRDiff, kRPoly };

ResistanceKind resistanceKind(int layer) {
  switch (layer) {
    case kContact: case kVia: case kVia2: case kVia3: case kVia4: case kVia5: return kRVia;
    case kMetal: case kMetal2: case kMetal3: case kMetal4: case kMetal5: case kMetal6: return kRMetal;
    case kNwell: case kDiffp: case kDiffn: return kRDiff;
    case kPoly: case kPoly2: return kRPoly;
    default: return kNoR;
  }
}

std::int32_t roundOhm(double r) { return roundToInt32(std::min(r, 2147483647.0)).value_or(INT32_MAX); }

}  // namespace

NodeBuildResult buildNodes(LayoutDatabase& db, const std::vector<BoxGeo>& geo, const BucketIndex* index,
                           ExtractedCircuit& circuit, const NodeBuildSettings& s, StatusMessage& status) {
  NodeBuildResult r;
  const std::size_t n = geo.size();
  std::vector<int> group(n, -1);
  const int groups = index ? groupsFast(geo, *index, group) : groupsLiteral(geo, group);

  std::vector<std::int64_t> length(static_cast<std::size_t>(groups), 0);
  std::vector<int> size(static_cast<std::size_t>(groups), 0);
  for (std::size_t p = 1; p < n; ++p)
    if (group[p] >= 0) {
      const BoxGeo& b = geo[p];
      length[static_cast<std::size_t>(group[p])] += std::max(std::int64_t{b.x2} - b.x1, std::int64_t{b.y2} - b.y1);
      ++size[static_cast<std::size_t>(group[p])];
    }

  // nodes in group order; a dropped net gives its index back
  std::vector<int> nodeOf(static_cast<std::size_t>(groups), -1);
  std::int64_t visited = 0;
  const int boxes = static_cast<int>(n) - 1;
  for (int g = 0; g < groups; ++g) {
    if ((g & 255) == 255 && status.stopRequested()) {
      r.aborted = true;
      break;
    }
    visited += size[static_cast<std::size_t>(g)];
    if (s.lengthFilterOn &&
        static_cast<double>(length[static_cast<std::size_t>(g)]) * s.lambda < s.minimumNetLength) {
      nodeOf[static_cast<std::size_t>(g)] = 0;
      ++r.dropped;
      continue;
    }
    if (circuit.highestNode() >= s.maxNodeIndex) {
      r.overflow = true;
      break;
    }
    const int k = circuit.addNode("");
    db.addNode("");
    nodeOf[static_cast<std::size_t>(g)] = k;
    const int count = circuit.highestNode() - 1;
    if (count <= 49 || count % 16 == 2) {
      const std::string pct = F(boxes > 0 ? 100.0 * static_cast<double>(visited) / boxes : 100.0, 0, 1);
      if (s.lengthFilterOn)
        status.progress(StatusMessage::Main, "Extracting " + std::to_string(count) + " nodes, (" +
                                                 std::to_string(r.dropped) + " ignored) " + pct + " % complete");
      else
        status.progress(StatusMessage::Main, "Extracting " + std::to_string(count) + " nodes, " + pct + " % complete");
    }
  }

  // lengths and resistances in table order
  const int first = 2, last = circuit.highestNode();
  std::vector<double> rv(static_cast<std::size_t>(last) + 1, 0.0), rm(rv), rd(rv), rp(rv);
  std::vector<std::int64_t> len(static_cast<std::size_t>(last) + 1, 0);
  for (std::size_t p = 1; p < n; ++p) {
    const int k = group[p] >= 0 ? nodeOf[static_cast<std::size_t>(group[p])] : -1;
    db.box(static_cast<int>(p)).node = k;
    if (k < first) continue;
    const BoxGeo& b = geo[p];
    const std::int64_t w = std::int64_t{b.x2} - b.x1, h = std::int64_t{b.y2} - b.y1;
    if (w <= 0 || h <= 0) continue;
    const auto ks = static_cast<std::size_t>(k);
    len[ks] += std::max(w, h);
    if (b.layer == kDiffn || b.layer == kDiffp) circuit.nodes[ks].floating = false;
    const ResistanceKind kind = resistanceKind(b.layer);
    if (kind == kNoR) continue;
    const LayerRecord& L = db.layers[b.layer];
    const bool unsal = db.box(static_cast<int>(p)).unsalicided != 0 &&
                       (b.layer == kPoly || b.layer == kPoly2 || b.layer == kNwell || b.layer == kDiffp ||
                        b.layer == kDiffn);
    const double rs = unsal ? L.unsalicidedResistance : L.sheetResistance;
    const double lo = static_cast<double>(std::min(w, h)), hi = static_cast<double>(std::max(w, h));
    switch (kind) {
      case kRVia: {
        const double q = static_cast<double>(w) * static_cast<double>(h) / 4;
        rv[ks] += q > 1 ? rs / q : rs;
        break;
      }
      case kRMetal: rm[ks] += rs * hi / lo; break;
      case kRDiff: rd[ks] += rs * hi / lo; break;
      case kRPoly: rp[ks] += rs * hi / lo; break;
      case kNoR: break;
    }
  }
  for (int k = first; k <= last; ++k) {
    const auto ks = static_cast<std::size_t>(k);
    CircuitNode& c = circuit.nodes[ks];
    c.length = static_cast<std::int32_t>(std::min<std::int64_t>(len[ks], INT32_MAX));
    c.rVia = roundOhm(rv[ks]);
    c.rMetal = roundOhm(rm[ks]);
    c.rDiffusion = roundOhm(rd[ks]);
    c.rPoly = roundOhm(rp[ks]);
  }
  return r;
}

}  // namespace quill
