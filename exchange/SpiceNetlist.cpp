#include "exchange/SpiceNetlist.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "core/Text.h"
#include "core/TextFile.h"
#include "editor/Stimulus.h"
#include "platform/Random.h"

namespace quill {

namespace {

// Sampled sources never get more points than this; a longer run is sampled
// more coarsely (and says so).
constexpr long kMaxSamples = 1000000;
constexpr double kFinestSample = 1e-12;  // s
constexpr double kStairEdge = 0.001;     // ns between the two points of a step
constexpr int kPairsPerLine = 8;
// capacitances are written to a thousandth of a femtofarad unless that
// loses more than this part of the value
constexpr double kCapacitanceDigits = 5e-4;

// F(x, w, d) when it is exact (within rel); otherwise enough decimals for
// five significant digits, so a 1 ps edge or a level of 0.8325 V keeps its value.
std::string num(double x, int w, int d, double rel = 1e-9) {
  if (!std::isfinite(x)) x = 0;
  std::string s = F(x, w, d);
  if (std::fabs(std::strtod(s.c_str(), nullptr) - x) <= rel * std::fabs(x)) return s;
  const int magnitude = static_cast<int>(std::floor(std::log10(std::fabs(x))));
  s = F(x, 0, std::clamp(4 - magnitude, d, d + 9));
  // the extra decimals are there for the digits, not for trailing zeros
  const std::size_t dot = s.find('.');
  if (dot != std::string::npos) {
    std::size_t keep = s.size();
    while (keep > dot + 1 + static_cast<std::size_t>(d) && s[keep - 1] == '0') --keep;
    if (keep == dot + 1) --keep;
    s.resize(keep);
  }
  if (static_cast<int>(s.size()) < w) s.insert(0, static_cast<std::size_t>(w) - s.size(), ' ');
  return s;
}

std::string upper(const std::string& s) { return toUpperAscii(s); }

// Element names are unique in the whole deck, compared as the simulator
// compares them: without case.
class ElementNames {
 public:
  static std::string legal(const std::string& s) {
    std::string r = s;
    for (char& ch : r) {
      const auto u = static_cast<unsigned char>(ch);
      if (!(u < 0x80 && (std::isalnum(u) || ch == '_'))) ch = '_';
    }
    return r;
  }
  // the name, or the name with the node number added when it is taken
  std::string take(const std::string& wanted, int node) {
    const std::string base = legal(wanted);
    if (reserve(base)) return base;
    const std::string withNode = base + "_" + std::to_string(node);
    if (reserve(withNode)) return withNode;
    for (int k = 2;; ++k)
      if (reserve(withNode + "_" + std::to_string(k))) return withNode + "_" + std::to_string(k);
  }

 private:
  bool reserve(const std::string& name) { return used_.insert(upper(name)).second; }
  std::unordered_set<std::string> used_;
};

struct Point {
  double t;  // s
  double v;  // V
};

class Writer {
 public:
  Writer(const LayoutDatabase& db, const TechnologyRules& tech, const ExtractedCircuit& c, const ExtractResult& x,
         const SpiceRequest& r)
      : db_(db), tech_(tech), c_(c), x_(x), r_(r), N_(c.highestNode()) {}

  SpiceNetlist run() {
    header();
    sources();
    nodeList();
    devices();
    capacitances();
    symbols();
    models();
    analysis();
    return std::move(out_);
  }

 private:
  void line(std::string s) { out_.lines.push_back(std::move(s)); }
  const CircuitNode& node(int i) const { return c_.nodes[static_cast<std::size_t>(i)]; }

  // 0 for ground, 1 for the main supply and every supply at VDD, else the node itself
  int spiceNode(int i) const {
    if (i <= 0 || i > N_) return 0;
    if (i == 1) return 1;
    const CircuitNode& n = node(i);
    if (n.kind == kLabelGround) return 0;
    if (n.kind == kLabelSupply && n.levelHigh == 1000) return 1;
    return i;
  }
  std::string sn(int i) const { return std::to_string(spiceNode(i)); }
  bool fixed(int i) const { return node(i).kind <= kLabelGround; }

  const LayoutLabel* labelOf(int i) const {
    const int k = node(i).label;
    return k >= 1 && k <= db_.labelCount() ? &db_.label(k) : nullptr;
  }

  void header() {
    line("CIRCUIT " + db_.fileName);
    line("*");
    line("* IC Technology: " + tech_.technologyName);
    if (!x_.ok()) {
      std::string why = x_.message;
      if (why.empty()) why = x_.outcome == ExtractOutcome::Cancelled ? "cancelled" : "stopped";
      line("* WARNING: the extraction did not complete (" + why + ");");
      line("* this netlist holds only the part of the circuit it had found");
    }
    line("*");
    names_.take("VDD", 1);
    line("VDD 1 0 DC " + num(tech_.vdd, 4, 2));
  }

  // --- sources

  static bool plainSine(const LayoutLabel& l) { return l.param[1] == 0 && !(l.param[2] > 0); }

  void sources() {
    // the sources as a run builds and resets them, in node order, so the
    // random steps and the noise come out as that run draws them
    DefaultRandom random(r_.seed);
    StimulusRun run(random);
    run.reset();
    double step = std::min(r_.timeStep > 0 ? r_.timeStep : kFinestSample, kFinestSample);
    long samples = r_.tsim > 0 ? std::lround(r_.tsim / step) : 0;
    coarse_ = samples > kMaxSamples;
    if (coarse_) {
      samples = kMaxSamples;
      step = r_.tsim / static_cast<double>(kMaxSamples);
    }
    sampleStep_ = step;
    const ExpressionConstants k{tech_.vdd, tech_.vddHigh, step};
    src_.assign(static_cast<std::size_t>(N_) + 1, StimulusSource{});
    std::vector<int> sampled;
    for (int i = 2; i <= N_; ++i) {
      const CircuitNode& n = node(i);
      const LayoutLabel* l = labelOf(i);
      if (n.kind < kLabelPulse || n.kind > kLabelMath || !l) continue;
      src_[static_cast<std::size_t>(i)] = StimulusSource(*l, k);
    }
    for (int i = 2; i <= N_; ++i) {
      StimulusSource& s = src_[static_cast<std::size_t>(i)];
      s.reset(random);
      const LayoutLabel* l = labelOf(i);
      if (!l || s.kind() != node(i).kind) continue;
      if ((s.kind() == kLabelSinus && !plainSine(*l)) || (s.kind() == kLabelMath && s.expression().valid()))
        sampled.push_back(i);
    }
    // every sampled source at every step, in node order: the order the
    // simulator draws the noise in
    samples_.assign(static_cast<std::size_t>(N_) + 1, {});
    if (!sampled.empty()) {
      double t = 0;
      for (long s = 0; s <= samples; ++s) {
        for (int i : sampled)
          samples_[static_cast<std::size_t>(i)].push_back({t, src_[static_cast<std::size_t>(i)].at(t, run).volts});
        t += step;
      }
    }

    for (int i = 2; i <= N_; ++i) {
      const CircuitNode& n = node(i);
      const std::string idx = std::to_string(i);
      switch (n.kind) {
        case kLabelPulse:
        case kLabelClock:
        case kLabelPwl:
        case kLabelSinus:
        case kLabelMath:
          if (!labelOf(i)) {
            line("* " + n.name + ": no label gives its source, left undriven");
            break;
          }
          if (n.kind == kLabelPulse || n.kind == kLabelClock) pulse(i);
          else if (n.kind == kLabelPwl) staircase(i);
          else if (n.kind == kLabelSinus) sine(i);
          else formula(i);
          break;
        case kLabelSupply:
        case kLabelHighSupply:
          if (spiceNode(i) == 1) break;
          line(names_.take("V" + idx + "_" + n.name, i) + " " + idx + " 0 DC " +
               num(levelToVolts(n.levelHigh, tech_.vdd), 4, 2) + "V");
          break;
        default:
          break;
      }
    }
  }

  std::string sourceName(int i) { return names_.take("V" + node(i).name, i); }

  void pulse(int i) {
    const CircuitNode& n = node(i);
    const LayoutLabel& l = *labelOf(i);
    const double vlow = levelToVolts(n.levelLow, tech_.vdd), vhigh = levelToVolts(n.levelHigh, tech_.vdd);
    const double p1 = l.param[0] * 1e9, p2 = l.param[1] * 1e9, p3 = l.param[2] * 1e9, p4 = l.param[3] * 1e9;
    std::string s = sourceName(i) + " " + std::to_string(i) + " 0 PULSE(" + num(vlow, 4, 2) + " " + num(vhigh, 4, 2) +
                    " " + num(p1, 4, 2) + "N " + num(p2 - p1, 4, 2) + "N " + num(p4 - p3, 4, 2) + "N " +
                    num(p3 - p2, 4, 2) + "N";
    s += n.kind == kLabelClock ? " " + num(p4, 4, 2) + "N)" : ")";
    line(s);
  }

  // points written a few pairs per line, continued with "+"
  void pwl(const std::string& head, const std::vector<Point>& pts, int voltDecimals) {
    std::string s = head + " PWL(";
    for (std::size_t k = 0; k < pts.size(); ++k) {
      if (k > 0 && k % kPairsPerLine == 0) {
        line(s);
        s = "+ ";
      } else if (k > 0) {
        s += " ";
      }
      s += num(pts[k].t * 1e9, 0, 0) + "N " + (voltDecimals > 0 ? num(pts[k].v, 0, voltDecimals) : F(pts[k].v, 0, 4));
    }
    line(s + ")");
  }

  // Steps of a sequence: two points 1 ps apart at each change. A released
  // step (code 3) floats in our simulator; here it holds the last driven value.
  void staircase(int i) {
    const CircuitNode& n = node(i);
    const LayoutLabel& l = *labelOf(i);
    const StimulusSource& s = src_[static_cast<std::size_t>(i)];
    const double hvdd = tech_.vddHigh;
    struct Level {
      double v;
      bool released;
    };
    auto at = [&](double tns) -> Level {
      switch (s.pwlCodeAt(tns * 1e-9)) {
        case kPwlHigh:
        case 5: return {s.level1(), false};
        case kPwlHvdd: return {hvdd, false};
        case kPwlRelease: return {0, true};
        default: return {s.level0(), false};
      }
    };
    const double end = r_.tsim * 1e9;
    std::vector<double> times;
    bool random = false;
    if (l.pwl) {
      const int count = std::clamp(l.pwl->count, 0, kMaxPwlEntries);
      for (int k = 1; k <= count; ++k) {
        const double t = l.pwl->time[static_cast<std::size_t>(k)];
        if (std::isfinite(t) && t >= 0 && t < end) times.push_back(t);
        random = random || l.pwl->code[static_cast<std::size_t>(k)] == kPwlRandom;
      }
    }
    std::sort(times.begin(), times.end());
    times.erase(std::unique(times.begin(), times.end()), times.end());

    Level first = at(0);
    double held = first.released ? s.level0() : first.v;
    std::vector<Point> pts{{0, held}};
    std::vector<std::string> notes;
    double releasedFrom = first.released ? 0 : -1;
    for (std::size_t k = 0; k < times.size(); ++k) {
      const double b = times[k];
      const double next = k + 1 < times.size() ? times[k + 1] : std::max(end, b + 1);
      const Level after = at((b + next) / 2);
      if (after.released && releasedFrom < 0) releasedFrom = b;
      if (!after.released && releasedFrom >= 0) {
        notes.push_back(num(releasedFrom, 0, 2) + " to " + num(b, 0, 2) + " ns");
        releasedFrom = -1;
      }
      const double v = after.released ? held : after.v;
      if (v == held) continue;
      const double ta = b * 1e-9, tb = (b + kStairEdge) * 1e-9;
      if (ta > pts.back().t) pts.push_back({ta, held});
      if (tb > pts.back().t) pts.push_back({tb, v});
      else pts.back().v = v;
      held = v;
    }
    if (releasedFrom >= 0) notes.push_back(num(releasedFrom, 0, 2) + " ns to the end");
    if (random) line("* " + n.name + ": random steps drawn as a simulation run with seed " + std::to_string(r_.seed) +
                     " draws them");
    for (const std::string& w : notes)
      line("* " + n.name + " is released (x) from " + w + "; held here at its last driven value");
    const std::string head = sourceName(i) + " " + std::to_string(i) + " 0";
    if (pts.size() == 1) line(head + " DC " + num(held, 4, 2));
    else pwl(head, pts, 2);
  }

  void sampledSource(int i, const std::string& what) {
    std::vector<Point>& all = samples_[static_cast<std::size_t>(i)];
    // the ends of every run of equal values are enough
    std::vector<Point> pts;
    for (std::size_t k = 0; k < all.size(); ++k) {
      const bool inner = k > 0 && k + 1 < all.size() && all[k].v == all[k - 1].v && all[k].v == all[k + 1].v;
      if (!inner) pts.push_back(all[k]);
    }
    line("* " + node(i).name + ": " + what + " sampled every " + num(sampleStep_ * 1e12, 0, 0) + " ps" +
         (coarse_ ? " (coarser than a step: the run is long)" : ""));
    pwl(sourceName(i) + " " + std::to_string(i) + " 0", pts, 0);
  }

  void sine(int i) {
    const LayoutLabel& l = *labelOf(i);
    const StimulusSource& s = src_[static_cast<std::size_t>(i)];
    if (!plainSine(l)) {
      sampledSource(i, l.param[1] != 0 ? "chirped sine" : "noisy sine");
      return;
    }
    const std::string head = sourceName(i) + " " + std::to_string(i) + " 0";
    // a sine of no frequency stays at its offset
    if (l.param[0] == 0) line(head + " DC " + num(s.level1(), 4, 2));
    else line(head + " SIN(" + num(s.level1(), 0, 2) + " " + num(s.level0(), 0, 2) + " " + num(l.param[0], 0, 0) + "MEG)");
  }

  void formula(int i) {
    const StimulusSource& s = src_[static_cast<std::size_t>(i)];
    if (s.expression().valid()) {
      sampledSource(i, "formula " + labelOf(i)->text);
      return;
    }
    line("* " + node(i).name + ": " + s.expression().message() + ", so the node sits at VDD/2");
    line(sourceName(i) + " " + std::to_string(i) + " 0 DC " + num(tech_.vdd / 2, 4, 2));
  }

  // --- node names

  static bool listed(const std::string& name) {
    if (name.size() >= 3) {
      const std::string head = upper(name.substr(0, 3));
      if (head == "VDD" || head == "VSS") return false;
    }
    if (name.size() == 3 && (name[0] == 'N' || name[0] == 'n') && name[1] >= '0' && name[1] <= '9') return false;
    return true;
  }

  void nodeList() {
    line("*");
    line("* List of nodes");
    std::unordered_map<std::string, int> count;
    for (int i = 1; i <= N_; ++i) ++count[node(i).name];
    for (int i = 1; i <= N_; ++i) {
      const std::string& name = node(i).name;
      if (!listed(name)) continue;
      std::string s = "* \"" + name + "\" corresponds to n\xB0" + std::to_string(i);
      const int k = count[name];
      if (k != 1) s += ", WARNING: appears " + std::to_string(k) + " times in the layout";
      line(s);
    }
    line("*");
  }

  // --- devices

  void devices() {
    line("* MOS devices");
    for (Polarity p : {Polarity::N, Polarity::P}) {
      const bool n = p == Polarity::N;
      for (int k = 1; k <= c_.deviceCount(p); ++k) {
        const MosDevice& d = c_.table(p)[static_cast<std::size_t>(k)];
        const int v = std::clamp<int>(d.variant, 0, 3);
        const std::string name = names_.take((n ? "MN" : "MP") + std::to_string(k), k);
        std::string bulk = sn(d.bulk);
        if (!n && spiceNode(d.bulk) == 0) {
          // a p channel's junctions on ground would be forward-biased
          line("* " + name + " lies outside any n-well: its bulk is tied to the supply");
          bulk = "1";
        }
        line(name + " " + sn(d.nodeB) + " " + sn(d.gate) + " " + sn(d.nodeA) + " " + bulk + (n ? " N" : " P") +
             std::to_string(v + 1) + "  W=" + num(d.width * tech_.lambda, 5, 2) + "U L=" +
             num(d.length * tech_.lambda, 5, 2) + "U");
        ++used_[n ? 0 : 1][static_cast<std::size_t>(v)];
        ++(n ? out_.nmos : out_.pmos);
      }
    }
    line("*");
  }

  // --- capacitances

  // The gate-oxide capacitance each node holds: poly over the diffusion
  // pieces that were gates (after extraction they are diffusion again, on
  // the gate's node). The device models of the external simulator carry it.
  std::vector<double> gateOxide() const {
    std::vector<double> g(static_cast<std::size_t>(N_) + 1, 0.0);
    if (!(tech_.gateAreaCapacitance > 0)) return g;
    std::unordered_map<int, std::vector<int>> diffusion;
    for (int p = 1; p <= db_.boxCount(); ++p) {
      const LayoutBox& b = db_.box(p);
      if (b.state != 0 && (b.layer == kDiffn || b.layer == kDiffp) && b.node >= 0 && b.node <= N_)
        diffusion[b.node].push_back(p);
    }
    for (int p = 1; p <= db_.boxCount(); ++p) {
      const LayoutBox& a = db_.box(p);
      if (a.state == 0 || a.layer != kPoly || a.node < 0 || a.node > N_) continue;
      auto it = diffusion.find(a.node);
      if (it == diffusion.end()) continue;
      for (int q : it->second) {
        const LayoutBox& b = db_.box(q);
        const std::int64_t w = std::int64_t{std::min(a.x2, b.x2)} - std::max(a.x1, b.x1);
        const std::int64_t h = std::int64_t{std::min(a.y2, b.y2)} - std::max(a.y1, b.y1);
        if (w > 0 && h > 0) g[static_cast<std::size_t>(a.node)] += static_cast<double>(w * h) * tech_.gateAreaCapacitance;
      }
    }
    return g;
  }

  void capacitances() {
    // what the simulator integrates, less the gate oxide and the capacitor
    // symbols, which have lines of their own
    std::vector<double> own(static_cast<std::size_t>(N_) + 1, 0.0);
    const std::vector<double> gate = gateOxide();
    for (int i = 1; i <= N_; ++i) own[static_cast<std::size_t>(i)] = node(i).capacitance - gate[static_cast<std::size_t>(i)];
    for (int k = 1; k <= db_.rlcCount(); ++k) {
      const RlcSymbol& s = db_.rlc(k);
      if (s.active && s.kind == kRlcCapacitor && s.node1 >= 1 && s.node1 <= N_ && s.value > 0 && std::isfinite(s.value))
        own[static_cast<std::size_t>(s.node1)] -= s.value * 1e-12;
    }
    for (int i = 1; i <= N_; ++i) {
      const double cap = own[static_cast<std::size_t>(i)];
      if (!(cap > 1e-21) || spiceNode(i) == 0) continue;
      line(names_.take("C" + std::to_string(i), i) + " " + sn(i) + " 0 " + num(cap * 1e15, 6, 3, kCapacitanceDigits) + "fF");
    }
    if (!r_.lateralCouplings && !r_.verticalCouplings) return;
    line("*");
    line("* Crosstalk capacitance");
    line("*");
    const int M = std::min(N_, kCouplingSize - 1);
    for (int i = 2; i <= M; ++i) {
      for (int j = i + 1; j <= M; ++j) {
        const double x = c_.coupling(i, j) * 1e15;
        if (!(x > 0.1)) continue;
        // a coupling to a supply or ground net loads the other node, as in
        // the simulator; between two of them it changes nothing
        const int a = spiceNode(i), b = spiceNode(j);
        if (a == b || (fixed(i) && fixed(j))) continue;
        line(names_.take("Cx" + std::to_string(i) + "_" + std::to_string(j), i) + " " + std::to_string(a) + " " +
             std::to_string(b) + " " + num(x, 5, 3, kCapacitanceDigits) + "fF");
      }
    }
  }

  // --- R, L and C symbols

  void symbols() {
    bool first = true;
    for (int k = 1; k <= db_.rlcCount(); ++k) {
      const RlcSymbol& s = db_.rlc(k);
      if (!s.active) continue;
      if (first) {
        line("*");
        line("* Extra RLC");
        line("*");
        first = false;
      }
      const std::string a = sn(s.node1), b = sn(s.node2), pos = std::to_string(k);
      const bool valued = s.value > 0 && std::isfinite(s.value);
      switch (s.kind) {
        case kRlcResistor:
          if (!valued || s.node1 == s.node2) line("* Radd" + pos + " (" + s.text + ") carries no current, left out");
          else line(names_.take("Radd" + pos, k) + " " + a + " " + b + " " + num(s.value, 0, 0));
          break;
        case kRlcCapacitor:
          // the simulator adds it to its first node's capacitance
          if (!valued || spiceNode(s.node1) == 0) line("* Cadd" + pos + " (" + s.text + ") loads no node, left out");
          else line(names_.take("Cadd" + pos, k) + " " + a + " 0 " + num(s.value, 0, 0) + "pF");
          break;
        case kRlcInductor:
          if (!valued || s.node1 == s.node2) line("* Ladd" + pos + " (" + s.text + ") carries no current, left out");
          else line(names_.take("Ladd" + pos, k) + " " + a + " " + b + " " + num(s.value, 0, 0) + "nH");
          break;
        default:
          break;
      }
    }
  }

  // --- model cards

  void models() {
    line("*");
    const MosModelLevel level = c_.model;
    for (Polarity p : {Polarity::N, Polarity::P}) {
      const bool n = p == Polarity::N;
      const MosModelParameters& m = n ? tech_.nmos : tech_.pmos;
      for (int v = 0; v < 4; ++v) {
        if (used_[n ? 0 : 1][static_cast<std::size_t>(v)] == 0) continue;
        const auto V = static_cast<std::size_t>(v);
        const std::string name = std::string(n ? "N" : "P") + std::to_string(v + 1);
        const std::string type = n ? " NMOS" : " PMOS";
        if (!(level == MosModelLevel::Level3 && n && v == 0)) line("*");
        if (v == 0) {
          if (level == MosModelLevel::Level1) line(n ? "* n-MOS Model 1 :" : "* p-MOS Model 1:");
          else if (level == MosModelLevel::Level3) line(n ? "* n-MOS Model 3 :" : "* p-MOS Model 3:");
          else line(n ? "* n-MOS BSIM4 :" : "* p-MOS BSIM4:");
        }
        line("* " + tech_.mosKindNames[V]);
        if (level == MosModelLevel::Bsim4) {
          bsim4Card(m, V, name, type, n);
          continue;
        }
        line(".MODEL " + name + type + " LEVEL=" + (level == MosModelLevel::Level1 ? "1" : "3") +
             " VTO=" + num(m.l3Vto[V], 4, 2) + " UO=" + num(m.l3U0[V] * 1e4, 5, 3) + " TOX=" +
             num(m.l3Tox[V] * 1e9, 4, 1) + "E-9");
        // the transconductance our models compute, so a gate permittivity
        // other than the simulator's own oxide value still agrees
        const double kp = m.l3Tox[V] > 0 ? 8.85e-12 * tech_.gateOxidePermittivity * m.l3U0[V] / m.l3Tox[V] : 0;
        if (level == MosModelLevel::Level1) {
          line("+GAMMA=" + num(m.l3Gamma, 5, 3) + " PHI=" + num(m.l3Phi, 5, 3));
          line("+LAMBDA=" + num(m.l3Kappa, 5, 3) + " KP=" + num(kp * 1e6, 0, 2) + "U");
        } else {
          line("+LD =" + num(m.l3Ld, 5, 3) + "U THETA=" + num(m.l3Theta, 5, 3) + " GAMMA=" + num(m.l3Gamma, 5, 3));
          line("+PHI=" + num(m.l3Phi, 5, 3) + " KAPPA=" + num(m.l3Kappa, 5, 3) + " VMAX=" + num(m.l3Vmax * 0.001, 5, 2) +
               "K");
          line("+KP=" + num(kp * 1e6, 0, 2) + "U");
        }
        line("+CGSO=" + num(m.l3Cgso * 1e12, 5, 1) + "p CGDO=" + num(m.l3Cgso * 1e12, 5, 1) + "p");
        line("+CGBO=" + num(m.l3Cgbo * 1e12, 5, 1) + "p CJSW=" + num(m.l3Cjsw * 1e12, 5, 1) + "p");
      }
    }
  }

  void bsim4Card(const MosModelParameters& m, std::size_t v, const std::string& name, const std::string& type, bool n) {
    // the p threshold is kept as a magnitude
    const double vth0 = n ? m.b4Vth0[v] : -m.b4Vth0[v];
    line(".MODEL " + name + type + " LEVEL=14 VTH0=" + num(vth0, 4, 2) + " U0=" + num(m.b4U0, 5, 3) + " TOXE=" +
         num(m.b4Toxe[v] * 1e9, 4, 1) + "E-9 LINT=" + num(m.b4Lint[v] * 1e6, 5, 3) + "U VERSION=4.8");
    line("+K1 =" + num(m.b4K1, 5, 3) + " K2=" + num(m.b4K2, 5, 3) + " DVT0=" + num(m.b4Dvt0, 5, 3));
    line("+DVT1=" + num(m.b4Dvt1, 5, 3) + " LPE0=" + num(m.b4Lpe0 * 1e9, 5, 3) + "e-9 ETA0=" + num(m.b4Eta0, 5, 3));
    line("+NFACTOR=" + num(m.b4Nfactor, 5, 1) + " UA=" + num(m.b4Ua * 1e15, 5, 3) + "e-15");
    line("+WINT=" + num(m.b4Wint * 1e6, 5, 3) + "U");
    line("+KT1=" + num(m.b4Kt1, 5, 3) + " UTE=" + num(m.b4Ute, 5, 3) + " VOFF=" + num(m.b4Voff, 5, 3));
    line("+XJ=" + num(m.b4Xj * 1e6, 5, 3) + "U NDEP=" + num(m.b4Ndep * 1e-15, 5, 3) + "e15 PCLM=" + num(m.b4Pclm, 5, 3));
    // our model saturates with these; the simulator's defaults differ
    line("+VSAT=" + num(m.b4Vsat * 1e-3, 0, 2) + "K PSCBE1=" + num(m.b4Pscbe1 * 1e-6, 0, 2) + "MEG");
    line("+CGSO=" + num(m.l3Cgso * 1e12, 5, 1) + "p CGDO=" + num(m.l3Cgso * 1e12, 5, 1) + "p");
    line("+CGBO=" + num(m.l3Cgbo * 1e12, 5, 1) + "p");
  }

  // --- analysis

  std::string visibleNodes() const {
    std::vector<int> list;
    auto add = [&](int i) {
      const int s = spiceNode(i);
      if (s != 0 && std::find(list.begin(), list.end(), s) == list.end()) list.push_back(s);
    };
    for (int i = 2; i <= N_; ++i)
      if (node(i).visible == 2) add(i);
    // without a visible node the inputs, so the batch run still has something to show
    if (list.empty())
      for (int i = 2; i <= N_; ++i)
        if (node(i).kind >= kLabelPulse && node(i).kind <= kLabelMath) add(i);
    if (list.empty()) list.push_back(1);
    std::string s;
    for (int k : list) s += " V(" + std::to_string(k) + ")";
    return s;
  }

  void analysis() {
    line("*");
    line("* Transient analysis");
    line("*");
    line(".TEMP " + num(tech_.temperature, 4, 1));
    const double ns = r_.tsim * 1e9;
    // the print step stays below the run's length
    line(".TRAN " + (ns >= 1 ? std::string("0.1") : num(ns / 10, 0, 2)) + "N " + num(ns, 4, 2) + "N");
    const std::string shown = visibleNodes();
    if (r_.flavour == SpiceFlavour::Pspice) {
      line("* (Pspice)");
      line(".PROBE" + shown);
      line(".PRINT TRAN" + shown);
    } else {
      line("* (Winspice)");
      line("*#run");
      line("*#plot" + shown);
    }
    line(".END");
  }

  const LayoutDatabase& db_;
  const TechnologyRules& tech_;
  const ExtractedCircuit& c_;
  const ExtractResult& x_;
  const SpiceRequest& r_;
  const int N_;
  SpiceNetlist out_;
  ElementNames names_;
  std::array<std::array<int, 4>, 2> used_{};
  std::vector<StimulusSource> src_;
  std::vector<std::vector<Point>> samples_;
  double sampleStep_ = kFinestSample;
  bool coarse_ = false;
};

}  // namespace

std::string spiceFileName(const std::string& layoutFileName) {
  // a dot in a folder name is not an extension
  const std::size_t slash = layoutFileName.find_last_of("/\\");
  const std::size_t start = slash == std::string::npos ? 0 : slash + 1;
  const std::size_t dot = layoutFileName.rfind('.');
  if (dot == std::string::npos || dot < start) return layoutFileName + ".CIR";
  return layoutFileName.substr(0, dot) + ".CIR";
}

SpiceNetlist buildSpiceNetlist(const LayoutDatabase& db, const TechnologyRules& tech, const ExtractedCircuit& circuit,
                               const ExtractResult& extraction, const SpiceRequest& request) {
  return Writer(db, tech, circuit, extraction, request).run();
}

SpiceResult writeSpiceNetlist(const LayoutDatabase& db, const TechnologyRules& tech, const ExtractedCircuit& circuit,
                              const ExtractResult& extraction, const SpiceRequest& request, StatusMessage& status,
                              const std::string& outputName) {
  SpiceResult r;
  r.fileName = outputName.empty() ? spiceFileName(db.fileName) : outputName;
  status.write(StatusMessage::Main, "Generate " + r.fileName);
  const SpiceNetlist net = buildSpiceNetlist(db, tech, circuit, extraction, request);
  SafeFileWriter f;
  if (f.open(r.fileName)) {
    for (const std::string& s : net.lines) f.line(s);
    f.commit();
  }
  if (f.failed()) {
    r.ioError = f.errorCode();
    r.message = "Cannot write " + r.fileName + ", error " + std::to_string(r.ioError);
    status.write(StatusMessage::Main, r.message);
    return r;
  }
  r.written = true;
  if (extraction.ok()) {
    r.message = "Generate " + r.fileName + " with " + std::to_string(net.nmos) + " nMOS and " +
                std::to_string(net.pmos) + " pMOS";
  } else {
    r.message = "Warning: " + r.fileName + " holds an incomplete circuit (" +
                (extraction.message.empty() ? std::string("extraction stopped") : extraction.message) + ")";
  }
  status.write(StatusMessage::Main, r.message);
  return r;
}

}  // namespace quill
