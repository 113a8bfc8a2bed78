#include "verify/Circuit.h"

#include <algorithm>

#include "core/Text.h"

namespace quill {

void ExtractedCircuit::reset() {
  nodes.clear();
  CircuitNode vss, vdd;
  vss.name = "vss";
  vss.kind = 2;
  vss.floating = false;
  vdd.name = "vdd";
  vdd.kind = 0;
  vdd.floating = false;
  nodes.push_back(std::move(vss));
  nodes.push_back(std::move(vdd));
  nmos.assign(1, MosDevice{});
  pmos.assign(1, MosDevice{});
  statistics = {};
  byTerminals_[0].clear();
  byTerminals_[1].clear();
  clearCouplings();
  termStart_.clear();
  gbStart_.clear();
  term_.clear();
  gb_.clear();
}

int ExtractedCircuit::addNode(const std::string& name) {
  CircuitNode n;
  const int index = static_cast<int>(nodes.size());
  n.name = name.empty() ? "N" + std::to_string(index) : cutText(name);
  nodes.push_back(std::move(n));
  return index;
}

void ExtractedCircuit::clearCouplings() {
  coupling_.assign(static_cast<std::size_t>(kCouplingSize) * kCouplingSize, 0.0);
  couplingBox_.assign(static_cast<std::size_t>(kCouplingSize) * kCouplingSize, 0);
}

std::span<const DeviceRef> ExtractedCircuit::span(const std::vector<int>& start, const std::vector<DeviceRef>& list,
                                                  int node) {
  if (node < 0 || static_cast<std::size_t>(node) + 1 >= start.size()) return {};
  const auto a = static_cast<std::size_t>(start[static_cast<std::size_t>(node)]);
  const auto b = static_cast<std::size_t>(start[static_cast<std::size_t>(node) + 1]);
  return {list.data() + a, b - a};
}

void ExtractedCircuit::buildDeviceLists() {
  const int n = highestNode();
  for (CircuitNode& c : nodes) c.nFirst = 1, c.nLast = 0, c.pFirst = 1, c.pLast = 0;
  std::vector<int> termCount(static_cast<std::size_t>(n) + 2, 0), gbCount(static_cast<std::size_t>(n) + 2, 0);
  auto valid = [n](int k) { return k >= 0 && k <= n; };
  // counting pass then filling pass, so each list comes out n then p, ascending
  for (int pass = 0; pass < 2; ++pass) {
    if (pass == 1) {
      termStart_.assign(static_cast<std::size_t>(n) + 2, 0);
      gbStart_.assign(static_cast<std::size_t>(n) + 2, 0);
      for (int k = 0; k <= n; ++k) {
        termStart_[static_cast<std::size_t>(k) + 1] = termStart_[static_cast<std::size_t>(k)] + termCount[static_cast<std::size_t>(k)];
        gbStart_[static_cast<std::size_t>(k) + 1] = gbStart_[static_cast<std::size_t>(k)] + gbCount[static_cast<std::size_t>(k)];
      }
      term_.assign(static_cast<std::size_t>(termStart_.back()), DeviceRef{});
      gb_.assign(static_cast<std::size_t>(gbStart_.back()), DeviceRef{});
      std::fill(termCount.begin(), termCount.end(), 0);
      std::fill(gbCount.begin(), gbCount.end(), 0);
    }
    auto put = [&](std::vector<int>& count, const std::vector<int>& start, std::vector<DeviceRef>& list, int node,
                   DeviceRef r) {
      if (!valid(node)) return;
      const auto k = static_cast<std::size_t>(node);
      if (pass == 1) list[static_cast<std::size_t>(start[k] + count[k])] = r;
      ++count[k];
    };
    for (Polarity p : {Polarity::N, Polarity::P}) {
      const std::vector<MosDevice>& t = table(p);
      for (int i = 1; i < static_cast<int>(t.size()); ++i) {
        const MosDevice& d = t[static_cast<std::size_t>(i)];
        const DeviceRef r{p, i};
        put(termCount, termStart_, term_, d.nodeA, r);
        if (d.nodeB != d.nodeA) put(termCount, termStart_, term_, d.nodeB, r);
        put(gbCount, gbStart_, gb_, d.gate, r);
        if (d.bulk != d.gate) put(gbCount, gbStart_, gb_, d.bulk, r);
        if (pass == 0) {
          for (int node : {d.nodeA, d.nodeB}) {
            if (!valid(node)) continue;
            CircuitNode& c = nodes[static_cast<std::size_t>(node)];
            std::int32_t& first = p == Polarity::N ? c.nFirst : c.pFirst;
            std::int32_t& last = p == Polarity::N ? c.nLast : c.pLast;
            if (last < first) first = last = i;  // the first device seen
            else first = std::min(first, i), last = std::max(last, i);
          }
        }
      }
    }
  }
}

std::uint64_t ExtractedCircuit::key(int gate, int t1, int t2) {
  const auto lo = static_cast<std::uint32_t>(std::min(t1, t2) + 1);
  const auto hi = static_cast<std::uint32_t>(std::max(t1, t2) + 1);
  // node indices stay far below 2^21
  return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(gate + 1)) << 42) |
         (static_cast<std::uint64_t>(lo) << 21) | hi;
}

int ExtractedCircuit::findDevice(Polarity p, int gate, int t1, int t2) const {
  const auto& m = byTerminals_[p == Polarity::N ? 0 : 1];
  auto it = m.find(key(gate, t1, t2));
  return it == m.end() ? 0 : it->second;
}

void ExtractedCircuit::rememberDevice(Polarity p, int index) {
  const MosDevice& d = table(p)[static_cast<std::size_t>(index)];
  byTerminals_[p == Polarity::N ? 0 : 1].emplace(key(d.gate, d.nodeA, d.nodeB), index);
}

RecordOutcome recordMos(ExtractedCircuit& c, const MosRecorder& rec, Polarity p, int gate, int t1, int t2,
                        int bulk, int width, int length, int variant, int floatingGateBox, int gateBox) {
  RecordOutcome out;
  std::vector<MosDevice>& t = c.table(p);
  if (int k = c.findDevice(p, gate, t1, t2); k != 0) {
    MosDevice& d = t[static_cast<std::size_t>(k)];
    d.length = std::max(d.length, length);
    // widths beyond 32 bits saturate rather than wrap
    d.width = static_cast<std::int32_t>(std::min<std::int64_t>(std::int64_t{d.width} + width, INT32_MAX));
    d.widthMetres = rec.models.widthMetres(d.width);
    d.effectiveLength = rec.models.EffectiveLength(d.length, p, d.variant);
    out.kind = RecordOutcome::Merged;
    out.index = k;
    return out;
  }
  if (c.deviceCount(p) >= rec.maxDevices) return out;
  MosDevice d;
  d.gate = gate;
  d.nodeA = t1;
  d.nodeB = t2;
  if (t2 == 0 || t2 == 1) std::swap(d.nodeA, d.nodeB);
  d.bulk = bulk;
  d.width = width;
  d.length = length;
  if (length < rec.minLength) {
    d.length = rec.minLength;
    out.shortened = true;
  }
  d.variant = static_cast<std::uint8_t>(std::clamp(variant, 0, 3));
  d.floatingGateBox = floatingGateBox;
  d.gateBox = gateBox;
  d.widthMetres = rec.models.widthMetres(d.width);
  d.effectiveLength = rec.models.EffectiveLength(d.length, p, d.variant);
  t.push_back(d);
  out.kind = RecordOutcome::Added;
  out.index = c.deviceCount(p);
  c.rememberDevice(p, out.index);
  return out;
}

const char* modelName(MosModelLevel level) {
  switch (level) {
    case MosModelLevel::Level1: return "level1";
    case MosModelLevel::Level3: return "level3";
    case MosModelLevel::Bsim4: return "bsim4";
  }
  return "level3";
}

}  // namespace quill
