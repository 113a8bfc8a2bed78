#include "verify/Extract.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <optional>
#include <cctype>
#include <type_traits>

#include "core/ParseValue.h"
#include "core/Text.h"
#include "verify/Cleaner.h"
#include "verify/ExtractGeometry.h"
#include "verify/ExtractNodes.h"

namespace quill {

namespace {

constexpr int kCutLayers[] = {kDiffn, kDiffp, kPoly, kMetal, kMetal2, kMetal3, kMetal4, kMetal5, kMetal6};

std::string num(long long v) { return std::to_string(v); }

// lengths far beyond any layout saturate instead of wrapping
std::int32_t clamp32(std::int64_t v) { return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, INT32_MIN, INT32_MAX)); }

// A run that stopped early: what to say and how it ends.
struct Stop {
  ExtractOutcome outcome;
  std::string message;
};

class Extraction {
 public:
  Extraction(LayoutDatabase& db, const TechnologyRules& tech, ExtractionOptions& opt, ExtractedCircuit& c,
             Services& sv, const ExtractionLimits& lim, ExtractionView* view, bool literal)
      : db_(db), cdb_(db), tech_(tech), opt_(opt), c_(c), sv_(sv), st_(sv.status), lim_(lim), view_(view),
        literal_(literal), models_(tech) {}

  ExtractResult run();

 private:
  bool stopped() const { return st_.stopRequested(); }
  std::optional<Stop> prepare();
  void cutUnderSymbols();
  std::optional<Stop> splitDiffusion();
  void prepareNodes();
  std::optional<Stop> nodes();
  void devices();
  void gateDevices(Polarity p);
  void diodes();
  void record(Polarity p, int gate, int t1, int t2, int bulk, int width, int length, int variant, int fg, int gateBox);
  void capacitances();
  void labels();
  std::optional<Stop> couplings();
  std::optional<Stop> lateral(int layer, int widthRule, const char* message);
  void worstCase();
  void symbols();
  void delays();
  void restoreLayers();
  std::string finalMessage(double seconds) const;

  void touching(int box, LayerMask mask) { finder_->touching(rectOf(box), mask, hits_); }
  Rect rectOf(int box) const {
    const BoxGeo& b = geo_[static_cast<std::size_t>(box)];
    return {b.x1, b.y1, b.x2, b.y2};
  }
  int nodeOfBox(int box) const { return cdb_.box(box).node; }
  int nodeAt(std::int32_t x, std::int32_t y);
  CircuitNode& node(int k) { return c_.nodes[static_cast<std::size_t>(k)]; }
  template <class F>
  void forLayer(int layer, F&& f) const {
    if (cdb_.lastOfLayer(layer) < 0) return;
    for (int p = cdb_.firstOfLayer(layer); p <= cdb_.lastOfLayer(layer); ++p) f(p);
  }

  LayoutDatabase& db_;
  const LayoutDatabase& cdb_;
  const TechnologyRules& tech_;
  ExtractionOptions& opt_;
  ExtractedCircuit& c_;
  Services& sv_;
  StatusMessage& st_;
  const ExtractionLimits& lim_;
  ExtractionView* view_;
  bool literal_;
  MosModelContext models_;
  ExtractResult res_;
  bool layersTouched_ = false;  // temporary layers may be present
  std::vector<BoxGeo> geo_;
  std::unique_ptr<BoxFinder> finder_;
  const BucketIndex* index_ = nullptr;
  std::vector<int> hits_, hits2_;
  double gridUsage_ = 0;
  int firstShortGate_ = 0;
  std::int64_t start_ = 0;
};

ExtractResult Extraction::run() {
  if (db_.extracted) {
    res_.outcome = ExtractOutcome::Skipped;
    res_.message = st_.text(StatusMessage::Main);
    return res_;
  }
  LayoutDatabase::BulkAdd bulk(db_);
  std::optional<Stop> stop = prepare();
  auto step = [&](auto&& f) {
    if (stop) return;
    if (stopped()) {
      stop = Stop{ExtractOutcome::Aborted, "Extraction procedure aborted..."};
      return;
    }
    using R = decltype(f());
    if constexpr (std::is_void_v<R>) f();
    else stop = f();
  };
  step([&] { cutUnderSymbols(); });
  step([&] { return splitDiffusion(); });
  step([&] { prepareNodes(); });
  step([&] { return nodes(); });
  step([&] { devices(); });
  step([&] { capacitances(); });
  step([&] { labels(); });
  step([&] { return couplings(); });
  step([&] { symbols(); });
  step([&] { delays(); });
  if (!stop && stopped()) stop = Stop{ExtractOutcome::Aborted, "Extraction procedure aborted..."};

  ExtractionStatistics& s = c_.statistics;
  s.boxes = db_.boxCount();
  s.nodes = c_.highestNode() - 1;  // the extracted ones, from 2
  s.nmos = c_.deviceCount(Polarity::N);
  s.pmos = c_.deviceCount(Polarity::P);
  s.resistors = 0;
  for (int i = 1; i <= db_.rlcCount(); ++i)
    if (db_.rlc(i).active && db_.rlc(i).kind == kRlcResistor) ++s.resistors;
  s.boxUsage = 100.0 * db_.boxCount() / kMaxBoxes;
  s.nodeUsage = 100.0 * c_.highestNode() / kMaxNodeIndex;
  s.gridUsage = gridUsage_;

  if (layersTouched_) restoreLayers();
  // a circuit that lost devices or cuts is not the layout's circuit
  if (!stop && (res_.nIgnored || res_.pIgnored || res_.lostCuts)) {
    std::string m = "Extraction incomplete: ";
    if (res_.lostCuts) m += "box table full, " + num(res_.lostCuts) + " symbol cut(s) lost";
    if (res_.nIgnored || res_.pIgnored) {
      if (res_.lostCuts) m += "; ";
      m += "device table full, ";
      if (res_.nIgnored) m += num(res_.nIgnored) + " nMOS";
      if (res_.nIgnored && res_.pIgnored) m += " and ";
      if (res_.pIgnored) m += num(res_.pIgnored) + " pMOS";
      m += " ignored";
    }
    stop = Stop{ExtractOutcome::Incomplete, m};
  }
  if (stop) {
    db_.extracted = false;
    res_.outcome = stop->outcome;
    res_.message = stop->message;
    if (!res_.message.empty()) st_.write(StatusMessage::Main, res_.message);
    return res_;
  }
  db_.extracted = true;
  res_.outcome = ExtractOutcome::Complete;
  res_.message = finalMessage(static_cast<double>(sv_.clock.milliseconds() - start_) / 1000.0);
  st_.write(StatusMessage::Main, res_.message);
  return res_;
}

std::string Extraction::finalMessage(double seconds) const {
  const ExtractionStatistics& s = c_.statistics;
  std::string m = "Extraction complete :" + num(s.boxes) + " boxes, " + num(s.nmos) + " nMOS," + num(s.pmos) + " pMOS, ";
  if (s.resistors > 0) m += num(s.resistors) + " res, ";
  const double usage = std::max({s.boxUsage, s.nodeUsage, s.gridUsage});
  m += num(s.nodes) + " nodes, in " + F(seconds, 0, 1) + " s, (" + F(usage, 0, 1) + "% full)";
  return m;
}

// ---- steps 1 and 2: announce, confirm, clean

std::optional<Stop> Extraction::prepare() {
  st_.write(StatusMessage::Main, "Start extraction of " + db_.fileName + ", containing " + num(db_.boxCount()) +
                                     " box(es)...");
  if (db_.boxCount() > lim_.confirmAbove && opt_.cleaningMode == 0 &&
      sv_.dialogs.confirm("Warning : Extraction will take time", "Confirm full circuit extraction ?", false) !=
          ConfirmResult::Yes)
    return Stop{ExtractOutcome::Cancelled, ""};
  // the label switches the model before any effective length is worked out
  for (int i = 1; i <= db_.labelCount(); ++i)
    if (db_.label(i).active && db_.label(i).text.starts_with("BSIM")) opt_.model = MosModelLevel::Bsim4;
  models_.level = opt_.model;
  models_.UpdateDerivedParameters();
  start_ = sv_.clock.milliseconds();
  c_.model = opt_.model;

  c_.reset();
  db_.resetNodes();
  for (int i = 1; i <= db_.rlcCount(); ++i) db_.rlc(i).node1 = db_.rlc(i).node2 = 0;
  db_.sortByLayer();
  for (int i = 1; i <= db_.boxCount(); ++i) db_.box(i).unsalicided = 0;
  layersTouched_ = true;
  if (opt_.cleaningMode >= 0 && opt_.cleaningMode <= 2) {
    CleanResult cr = cleanLayout(db_, opt_.cleaningMode, st_, std::clamp(opt_.cleaningCycles, 1, 100));
    if (cr.aborted) return Stop{ExtractOutcome::Aborted, "Extraction procedure aborted..."};
  }
  db_.compactBoxes();
  db_.sortByLayer();
  // remove-salicide options over poly
  std::vector<int> noSal;
  forLayer(kOption, [&](int p) {
    if (cdb_.box(p).value & kOptionNoSalicide) noSal.push_back(p);
  });
  if (!noSal.empty()) {
    forLayer(kPoly, [&](int p) {
      const LayoutBox& b = cdb_.box(p);
      for (int o : noSal) {
        const LayoutBox& q = cdb_.box(o);
        if (b.x1 <= q.x2 && q.x1 <= b.x2 && b.y1 <= q.y2 && q.y1 <= b.y2) {
          db_.box(p).unsalicided = 1;
          break;
        }
      }
    });
  }
  return std::nullopt;
}

// ---- step 3: conductors cut under resistor and inductor symbols

void Extraction::cutUnderSymbols() {
  bool any = false;
  for (int i = 1; i <= db_.rlcCount(); ++i)
    any = any || (db_.rlc(i).active && (db_.rlc(i).kind == kRlcResistor || db_.rlc(i).kind == kRlcInductor));
  if (!any) return;
  st_.write(StatusMessage::Main, "Handle resistance and inductance symbols...");
  const int sorted = db_.boxCount();
  for (int i = 1; i <= db_.rlcCount(); ++i) {
    const RlcSymbol& s = cdb_.rlc(i);
    if (!s.active || (s.kind != kRlcResistor && s.kind != kRlcInductor)) continue;
    const std::int32_t sx1 = std::min(s.x1, s.x2), sx2 = std::max(s.x1, s.x2);
    const std::int32_t sy1 = std::min(s.y1, s.y2), sy2 = std::max(s.y1, s.y2);
    const bool vertical = sx1 == sx2;
    if (!vertical && sy1 != sy2) continue;
    for (int L : kCutLayers) {
      auto cut = [&](int p) {
        const LayoutBox b = cdb_.box(p);
        if (b.state == 0 || b.layer != L) return;
        if (vertical) {
          if (sx1 < b.x1 || sx1 > b.x2) return;
          if (b.y1 == sy1 && b.y2 == sy2) {
            db_.box(p).layer = kAarea;
            db_.box(p).value = L;
          } else if (b.y1 <= sy1 && sy2 <= b.y2) {
            if (db_.boxCount() + 2 > kMaxBoxes) {
              ++res_.lostCuts;
              return;
            }
            const int a = db_.addBox(b.x1, sy1, b.x2, sy2, kAarea);
            const int c = db_.addBox(b.x1, sy2, b.x2, b.y2, L);
            db_.box(a).value = L;
            db_.box(a).unsalicided = db_.box(c).unsalicided = b.unsalicided;
            db_.box(p).y2 = sy1;
          }
        } else {
          if (sy1 < b.y1 || sy1 > b.y2) return;
          if (b.x1 == sx1 && b.x2 == sx2) {
            db_.box(p).layer = kAarea;
            db_.box(p).value = L;
          } else if (b.x1 <= sx1 && sx2 <= b.x2) {
            if (db_.boxCount() + 2 > kMaxBoxes) {
              ++res_.lostCuts;
              return;
            }
            const int a = db_.addBox(sx1, b.y1, sx2, b.y2, kAarea);
            const int c = db_.addBox(sx2, b.y1, b.x2, b.y2, L);
            db_.box(a).value = L;
            db_.box(a).unsalicided = db_.box(c).unsalicided = b.unsalicided;
            db_.box(p).x2 = sx1;
          }
        }
      };
      forLayer(L, cut);
      // pieces cut by earlier symbols lie beyond the sorted ranges
      const int count = db_.boxCount();
      for (int p = sorted + 1; p <= count; ++p) cut(p);
    }
  }
}

// ---- step 4: diffusion split at the gates

std::optional<Stop> Extraction::splitDiffusion() {
  st_.write(StatusMessage::Main, "Extract MOS devices...");
  db_.computeBoundingBox();
  const Rect bb = db_.boundingBox();
  std::vector<std::int32_t> xs{clamp32(std::int64_t{bb.x1} - 10), clamp32(std::int64_t{bb.x2} + 10), 32000};
  std::vector<std::int32_t> ys{clamp32(std::int64_t{bb.y1} - 10), clamp32(std::int64_t{bb.y2} + 10), 32000};
  int diffusion = 0;
  for (int p = 1; p <= db_.boxCount(); ++p) {
    const LayoutBox& b = cdb_.box(p);
    if (b.state == 0 || (b.layer != kDiffn && b.layer != kDiffp && b.layer != kPoly)) continue;
    diffusion += b.layer != kPoly;
    xs.push_back(b.x1), xs.push_back(b.x2), ys.push_back(b.y1), ys.push_back(b.y2);
  }
  for (auto* v : {&xs, &ys}) {
    std::sort(v->begin(), v->end());
    v->erase(std::unique(v->begin(), v->end()), v->end());
  }
  const auto nx = static_cast<std::int64_t>(xs.size()), ny = static_cast<std::int64_t>(ys.size());
  gridUsage_ = std::max(gridUsage_, 100.0 * std::max(static_cast<double>(nx) / lim_.maxXs,
                                                     static_cast<double>(ny) / lim_.maxYs));
  if (nx > lim_.maxXs) return Stop{ExtractOutcome::Incomplete, "Data base overflow: too much diffusion in X"};
  if (ny > lim_.maxYs) return Stop{ExtractOutcome::Incomplete, "Data base overflow: too much diffusion in Y"};
  st_.write(StatusMessage::Info, num(nx) + "x" + num(ny));

  // column i holds the cells from xs[i] to xs[i+1]
  std::vector<std::uint8_t> cell(static_cast<std::size_t>(nx * ny), 0);
  auto at = [&](std::int64_t i, std::int64_t j) -> std::uint8_t& { return cell[static_cast<std::size_t>(i * ny + j)]; };
  auto ix = [&](std::int32_t x) { return std::lower_bound(xs.begin(), xs.end(), x) - xs.begin(); };
  auto iy = [&](std::int32_t y) { return std::lower_bound(ys.begin(), ys.end(), y) - ys.begin(); };
  for (int pass = 0; pass < 3; ++pass) {
    const int layer = pass == 0 ? kDiffn : pass == 1 ? kDiffp : kPoly;
    for (int p = 1; p <= db_.boxCount(); ++p) {
      const LayoutBox& b = cdb_.box(p);
      if (b.state == 0 || b.layer != layer) continue;
      const std::int64_t i1 = ix(b.x1), i2 = ix(b.x2), j1 = iy(b.y1), j2 = iy(b.y2);
      for (std::int64_t i = i1; i < i2; ++i)
        for (std::int64_t j = j1; j < j2; ++j) {
          std::uint8_t& v = at(i, j);
          v = pass == 0 ? 1 : pass == 1 ? 2 : static_cast<std::uint8_t>(v | 4);
        }
    }
  }
  if (stopped()) return Stop{ExtractOutcome::Aborted, "Extraction procedure aborted..."};

  // cells back into rectangles: a run up the column, widened column by column
  struct Piece {
    Rect r;
    int layer;
  };
  std::vector<Piece> pieces;
  const std::pair<std::uint8_t, int> kinds[] = {{1, kDiffn}, {2, kDiffp}, {5, kGaten}, {6, kGatep}};
  for (auto [v, layer] : kinds) {
    for (std::int64_t i = 0; i + 1 < nx; ++i)
      for (std::int64_t j = 0; j + 1 < ny; ++j) {
        if (at(i, j) != v) continue;
        std::int64_t j2 = j;
        while (j2 + 2 < ny && at(i, j2 + 1) == v) ++j2;
        for (std::int64_t k = j; k <= j2; ++k) at(i, k) = 0;
        std::int64_t i2 = i;
        while (i2 + 2 < nx) {
          bool all = true;
          for (std::int64_t k = j; k <= j2 && all; ++k) all = at(i2 + 1, k) == v;
          if (!all) break;
          for (std::int64_t k = j; k <= j2; ++k) at(i2 + 1, k) = 0;
          ++i2;
        }
        pieces.push_back({{xs[static_cast<std::size_t>(i)], ys[static_cast<std::size_t>(j)],
                           xs[static_cast<std::size_t>(i2 + 1)], ys[static_cast<std::size_t>(j2 + 1)]},
                          layer});
        j = j2;
      }
  }
  // never delete diffusion that cannot be stored again
  if (db_.boxCount() - diffusion + static_cast<int>(pieces.size()) > kMaxBoxes)
    return Stop{ExtractOutcome::Incomplete, "Extraction incomplete: box table full, diffusion not split"};
  for (int p = 1; p <= db_.boxCount(); ++p) {
    const LayoutBox& b = cdb_.box(p);
    if (b.layer == kDiffn || b.layer == kDiffp) db_.box(p).state = 0;
  }
  db_.compactBoxes();
  db_.compactAll();
  for (const Piece& pc : pieces) db_.addBox(pc.r.x1, pc.r.y1, pc.r.x2, pc.r.y2, pc.layer);
  return std::nullopt;
}

// ---- step 5

void Extraction::prepareNodes() {
  st_.write(StatusMessage::Main, "Prepare for node extraction...");
  db_.compactBoxes();
  db_.sortByLayer();
  geo_ = snapshotBoxes(cdb_);
  if (literal_) {
    finder_ = std::make_unique<ScanFinder>(geo_);
    index_ = nullptr;
  } else {
    auto idx = std::make_unique<BucketIndex>(geo_);
    index_ = idx.get();
    finder_ = std::move(idx);
  }
  for (int layer : {kDiffn, kDiffp})
    forLayer(layer, [&](int p) {
      touching(p, layerBit(kOption));
      for (int o : hits_)
        if (cdb_.box(o).value & kOptionNoSalicide) {
          db_.box(p).unsalicided = 1;
          break;
        }
    });
  for (int p = 1; p <= db_.boxCount(); ++p) db_.box(p).node = -1;
}

// ---- step 6

std::optional<Stop> Extraction::nodes() {
  NodeBuildSettings s;
  s.lengthFilterOn = opt_.lengthFilterOn;
  s.minimumNetLength = opt_.minimumNetLength;
  s.lambda = tech_.lambda;
  s.maxNodeIndex = lim_.maxNodeIndex;
  NodeBuildResult r = buildNodes(db_, geo_, index_, c_, s, st_);
  res_.droppedNets = r.dropped;
  if (r.aborted) return Stop{ExtractOutcome::Aborted, "Extraction procedure aborted..."};
  if (r.overflow) return Stop{ExtractOutcome::Incomplete, "Data base overflow: too much nodes"};
  return std::nullopt;
}

// ---- steps 7 to 9: devices

void Extraction::record(Polarity p, int gate, int t1, int t2, int bulk, int width, int length, int variant, int fg,
                        int gateBox) {
  const MosRecorder rec{models_, tech_.rule(R301), lim_.maxDevices};
  RecordOutcome o = recordMos(c_, rec, p, gate, t1, t2, bulk, width, length, variant, fg, gateBox);
  if (o.kind == RecordOutcome::Ignored) {
    ++(p == Polarity::N ? res_.nIgnored : res_.pIgnored);
    return;
  }
  if (o.shortened) {
    if (res_.shortGates++ == 0) firstShortGate_ = gateBox;
  }
  if (c_.deviceCount(p) % 16 == 1)
    st_.progress(StatusMessage::Main, num(c_.deviceCount(p)) + " " + (p == Polarity::N ? "N" : "P") + "MOS device");
}

void Extraction::gateDevices(Polarity p) {
  const int gateLayer = p == Polarity::N ? kGaten : kGatep;
  const int diffLayer = p == Polarity::N ? kDiffn : kDiffp;
  forLayer(gateLayer, [&](int g) {
    const BoxGeo& gb = geo_[static_cast<std::size_t>(g)];
    touching(g, layerBit(diffLayer) | layerBit(kOption) | layerBit(kPoly2) | layerBit(kNwell));
    int a = -1, bBox = 0, variant = 0, fg = 0, bulk = -1;
    for (int q : hits_) {
      const BoxGeo& qb = geo_[static_cast<std::size_t>(q)];
      if (qb.layer == diffLayer) {
        const int k = nodeOfBox(q);
        if (a < 0) a = k;
        else if (bBox == 0 && k != a) bBox = q;
      } else if (qb.layer == kOption) {
        switch (cdb_.box(q).value & kOptionMosSet) {
          case 0: variant = 0; break;
          case 1: variant = 1; break;
          case 2: variant = 2; break;
          case 4: variant = 3; break;
          default: break;
        }
      } else if (qb.layer == kPoly2) {
        fg = q;
      } else if (qb.layer == kNwell && bulk < 0) {
        bulk = nodeOfBox(q);
      }
    }
    if (bBox == 0) return;
    const BoxGeo& bb = geo_[static_cast<std::size_t>(bBox)];
    const bool horizontal = bb.x2 == gb.x1 || bb.x1 == gb.x2;
    const int gw = clamp32(std::int64_t{gb.x2} - gb.x1), gh = clamp32(std::int64_t{gb.y2} - gb.y1);
    const int length = horizontal ? gw : gh, width = horizontal ? gh : gw;
    if (p == Polarity::N) bulk = 0;
    else if (bulk < 0) {
      bulk = 0;
      ++res_.missingWells;
    }
    record(p, nodeOfBox(g), a, nodeOfBox(bBox), bulk, width, length, variant, fg, g);
  });
}

void Extraction::diodes() {
  forLayer(kOption, [&](int o) {
    if (!(cdb_.box(o).value & kOptionDiode)) return;
    touching(o, layerBit(kDiffn) | layerBit(kDiffp) | layerBit(kNwell));
    int well = 1;
    for (int q : hits_)
      if (geo_[static_cast<std::size_t>(q)].layer == kNwell) well = nodeOfBox(q);
    for (int layer : {kDiffn, kDiffp})
      for (int q : hits_) {
        const BoxGeo& d = geo_[static_cast<std::size_t>(q)];
        if (d.layer != layer) continue;
        const int k = nodeOfBox(q);
        const int width = clamp32(std::int64_t{d.x2} - d.x1 + std::int64_t{d.y2} - d.y1);
        if (layer == kDiffn) record(Polarity::N, 0, k, 0, 0, width, 8, 0, 0, q);
        else record(Polarity::N, k, well, k, well, width, 8, 0, 0, q);
      }
  });
}

void Extraction::devices() {
  gateDevices(Polarity::N);
  gateDevices(Polarity::P);
  if (res_.missingWells) st_.write(StatusMessage::Main, "Warning : well missing in pMOS");
  diodes();
  c_.buildDeviceLists();
  if (res_.shortGates > 0) {
    const std::string r301 = num(tech_.rule(R301));
    st_.write(StatusMessage::Info, "Minimum poly:" + r301);
    sv_.dialogs.message("Warning: illegal MOS length detected",
                        num(res_.shortGates) + " MOS device(s) shorter than " + r301 + " lambda",
                        "A " + r301 + " lambda length will be used in simulation");
    if (view_) {
      const Rect bb = db_.boundingBox();
      const std::int64_t size = std::max(std::int64_t{bb.x2} - bb.x1, std::int64_t{bb.y2} - bb.y1);
      view_->showShortGate(rectOf(firstShortGate_), clamp32(std::max<std::int64_t>(30, size / 20)));
    }
  }
}

// ---- step 10: capacitances and inductance

void Extraction::capacitances() {
  st_.write(StatusMessage::Main, "Compute Capas : clean arrays");
  for (CircuitNode& n : c_.nodes) {
    n.capacitance = n.couplingTotal = n.junctionCapacitance = n.gateCapacitance = n.crosstalkNoise = 0;
  }
  const double cpl = tech_.capacitancePerLambda, cpl2 = tech_.capacitancePerLambda2;
  auto add = [&](int box, double c, bool gate, bool junction) {
    const int k = nodeOfBox(box);
    if (k < 0) return;
    CircuitNode& n = node(k);
    n.capacitance += c;
    if (gate) n.gateCapacitance += c;
    if (junction) n.junctionCapacitance += c;
  };
  auto area = [&](int p) {
    const BoxGeo& b = geo_[static_cast<std::size_t>(p)];
    return static_cast<double>(std::int64_t{b.x2 - b.x1} * std::int64_t{b.y2 - b.y1});
  };
  auto half = [&](int p) {
    const BoxGeo& b = geo_[static_cast<std::size_t>(p)];
    return static_cast<double>(std::int64_t{b.x2 - b.x1} + std::int64_t{b.y2 - b.y1});
  };

  st_.write(StatusMessage::Main, "Compute Capas : MOS capas");
  forLayer(kPoly, [&](int p) {
    for (int gl : {kGaten, kGatep}) {
      touching(p, layerBit(gl));
      for (int g : hits_) {
        const std::int64_t a = overlapArea(geo_[static_cast<std::size_t>(p)], geo_[static_cast<std::size_t>(g)]);
        if (a > 0) add(p, static_cast<double>(a) * tech_.gateAreaCapacitance, true, false);
      }
    }
  });
  forLayer(kDiffn, [&](int p) {
    touching(p, layerBit(kOption));
    for (int o : hits_) {
      if (!(cdb_.box(o).value & kOptionDram)) continue;
      const std::int64_t a = overlapArea(geo_[static_cast<std::size_t>(p)], geo_[static_cast<std::size_t>(o)]);
      if (a > 0) add(p, static_cast<double>(a) * tech_.dramCapacitance, false, false);
    }
  });
  const LayerTable& L = db_.layers;
  forLayer(kPoly, [&](int p) {
    add(p, area(p) * L[kPoly].surfaceCapacitance * cpl2, true, false);
    add(p, half(p) * L[kPoly].perimeterCapacitance * cpl, false, false);
  });

  st_.write(StatusMessage::Main, "Compute Capas : Parasitic N/P junctions");
  forLayer(kDiffn, [&](int p) { add(p, area(p) * L[kDiffn].surfaceCapacitance * cpl2, false, true); });
  forLayer(kNwell, [&](int p) { add(p, area(p) * L[kNwell].surfaceCapacitance * cpl2, false, true); });
  forLayer(kDiffn, [&](int p) { add(p, half(p) * L[kDiffn].perimeterCapacitance * cpl, false, false); });
  forLayer(kDiffp, [&](int p) { add(p, area(p) * L[kDiffp].surfaceCapacitance * cpl2, false, true); });
  forLayer(kPwell, [&](int p) { add(p, area(p) * L[kPwell].surfaceCapacitance * cpl2, false, true); });
  forLayer(kDiffp, [&](int p) { add(p, half(p) * L[kDiffp].perimeterCapacitance * cpl, false, false); });

  for (int k = 1; k <= 6; ++k) {
    if (k > 2 && tech_.metalLevels < k) break;
    const int layer = metalLayer(k);
    st_.write(StatusMessage::Main, "Compute " + L[layer].name + " capas...");
    forLayer(layer, [&](int p) {
      add(p, area(p) * L[layer].surfaceCapacitance * cpl2 + 2 * half(p) * L[layer].perimeterCapacitance * cpl, false,
          false);
    });
  }

  const double h = L[kMetal2].height, den = tech_.rule(R701) * tech_.lambda + L[kMetal2].thickness;
  if (h > 0 && den > 0) {
    // a wire far below its width would come out negative: no inductance then
    const double perLength = std::max(0.0, 2.0005776e-10 * std::log(8 * h / den));
    for (int k = 2; k <= c_.highestNode(); ++k)
      node(k).inductance = node(k).length * tech_.lambda * 0.001 * perLength;
  }
}

// ---- step 11: labels

void Extraction::labels() {
  for (CircuitNode& n : c_.nodes) n.visible = 1;
  for (int i = 1; i <= db_.labelCount(); ++i) {
    db_.label(i).node = -1;
    db_.label(i).listIndex = 0;
  }
  // each label goes to the last box holding its point; attachments then
  // run from the last box down, labels in table order within a box
  struct Hit {
    int box, label;
  };
  std::vector<Hit> order;
  for (int i = 1; i <= db_.labelCount(); ++i) {
    const LayoutLabel& l = cdb_.label(i);
    if (!l.active) continue;
    finder_->touching({l.x, l.y, l.x, l.y}, ~LayerMask{0}, hits_);
    for (auto it = hits_.rbegin(); it != hits_.rend(); ++it)
      if (conductingLayer(geo_[static_cast<std::size_t>(*it)].layer) && nodeOfBox(*it) >= 0) {
        order.push_back({*it, i});
        break;
      }
  }
  std::sort(order.begin(), order.end(),
            [](const Hit& a, const Hit& b) { return a.box != b.box ? a.box > b.box : a.label < b.label; });
  for (const Hit& h : order) {
    LayoutLabel& l = db_.label(h.label);
    const int k = nodeOfBox(h.box);
    l.node = k;
    CircuitNode& n = node(k);
    if (n.kind != kLabelName) continue;
    n.name = l.text;
    db_.node(k).name = l.text;
    n.levelHigh = l.level1;
    n.levelLow = l.level0;
    n.kind = l.kind;
    db_.node(k).kind = l.kind;
    if (l.visibleInSimulation) n.visible = 2;
    n.label = h.label;
  }
  for (int k = 2; k <= c_.highestNode(); ++k) {
    CircuitNode& n = node(k);
    if (n.kind == kLabelPulse || n.kind == kLabelClock || n.kind == kLabelPwl) n.floating = false;
  }
}

// ---- step 12: couplings

std::optional<Stop> Extraction::couplings() {
  c_.clearCouplings();
  const double cpl2 = tech_.capacitancePerLambda2;
  const LayerTable& L = db_.layers;
  auto ordinary = [&](int k) { return node(k).kind != 0 && node(k).kind != 2; };
  const std::pair<int, int> plates[] = {{kMetal, kPoly},     {kPoly2, kPoly},     {kMetal2, kMetal},
                                        {kMetal3, kMetal2}, {kMetal4, kMetal3}, {kMetal5, kMetal4},
                                        {kMetal6, kMetal5}};
  for (auto [upper, lower] : plates) {
    const double factor = L[upper].plateCapacitance * cpl2;
    forLayer(upper, [&](int u) {
      const int i = nodeOfBox(u);
      if (i < 0 || i >= kCouplingNodeLimit) return;
      touching(u, layerBit(lower));
      for (int q : hits_) {
        const int j = nodeOfBox(q);
        if (j < 0 || j >= kCouplingNodeLimit || j == i) continue;
        const std::int64_t a = overlapArea(geo_[static_cast<std::size_t>(u)], geo_[static_cast<std::size_t>(q)]);
        if (a == 0) continue;
        const double c = static_cast<double>(a) * factor;
        if (ordinary(i) && ordinary(j)) {
          if (opt_.verticalCouplings) {
            c_.coupling(i, j) += c;
            c_.coupling(j, i) += c;
            node(i).capacitance = std::max(node(i).capacitance - c, 1e-16);
          } else {
            // nobody reads the matrix: the plate stays a load on both sides
            node(j).capacitance += c;
          }
        } else if (ordinary(i)) {
          node(i).capacitance += c;
        } else if (ordinary(j)) {
          node(j).capacitance += c;
        }
      }
    });
  }
  // embedded ferroelectric capacitors between n diffusion and metal
  forLayer(kDiffn, [&](int d) {
    const int i = nodeOfBox(d);
    if (i < 0 || i >= kCouplingNodeLimit) return;
    touching(d, layerBit(kMetal));
    hits2_ = hits_;
    for (int m : hits2_) {
      const int j = nodeOfBox(m);
      if (j < 0 || j >= kCouplingNodeLimit || j == i) continue;
      const BoxGeo& a = geo_[static_cast<std::size_t>(d)];
      const BoxGeo& b = geo_[static_cast<std::size_t>(m)];
      if (overlapArea(a, b) == 0) continue;
      const Rect r{std::max(a.x1, b.x1), std::max(a.y1, b.y1), std::min(a.x2, b.x2), std::min(a.y2, b.y2)};
      finder_->touching(r, layerBit(kOption), hits_);
      for (int o : hits_) {
        if (!(cdb_.box(o).value & kOptionFram)) continue;
        const BoxGeo& ob = geo_[static_cast<std::size_t>(o)];
        const double c = static_cast<double>(std::int64_t{ob.x2 - ob.x1} * std::int64_t{ob.y2 - ob.y1}) *
                         tech_.framCapacitance;
        c_.coupling(i, j) += c;
        c_.coupling(j, i) += c;
        c_.couplingBox(i, j) = c_.couplingBox(j, i) = o;
      }
    }
  });

  if (opt_.lateralCouplings) {
    if (auto s = lateral(kPoly, tech_.rule(R301), "Compute crosstalk capa for poly")) return s;
    const int rules[] = {R501, R701, R901, RB01, RD01, RF01};
    for (int k = 1; k <= 6; ++k) {
      if (k > 2 && tech_.metalLevels < k) break;
      if (stopped()) return Stop{ExtractOutcome::Aborted, "Extraction procedure aborted..."};
      const std::string m = "Compute Capas : Crosstalk metal " + num(k);
      if (auto s = lateral(metalLayer(k), tech_.rule(rules[k - 1]), m.c_str())) return s;
    }
  }
  st_.write(StatusMessage::Main, "Compute worst-case crosstalk");
  worstCase();
  return std::nullopt;
}

std::optional<Stop> Extraction::lateral(int layer, int widthRule, const char* message) {
  st_.write(StatusMessage::Main, message);
  if (cdb_.lastOfLayer(layer) < 0) return std::nullopt;
  std::vector<std::int32_t> xs, ys;
  forLayer(layer, [&](int p) {
    const BoxGeo& b = geo_[static_cast<std::size_t>(p)];
    xs.push_back(b.x1), xs.push_back(b.x2), ys.push_back(b.y1), ys.push_back(b.y2);
  });
  for (auto* v : {&xs, &ys}) {
    std::sort(v->begin(), v->end());
    v->erase(std::unique(v->begin(), v->end()), v->end());
  }
  const auto nx = static_cast<std::int64_t>(xs.size()), ny = static_cast<std::int64_t>(ys.size());
  gridUsage_ = std::max(gridUsage_, 100.0 * std::max(static_cast<double>(nx) / lim_.maxXs,
                                                     static_cast<double>(ny) / lim_.maxYs));
  if (nx > lim_.maxXs || ny > lim_.maxYs) {
    sv_.dialogs.message("Error", std::string("Too much coordinates in ") + (nx > lim_.maxXs ? "X" : "Y"), "");
    return Stop{ExtractOutcome::Incomplete, "Crosstalk extraction : data base overload"};
  }
  std::vector<std::uint16_t> cell(static_cast<std::size_t>(nx * ny), 0);
  auto at = [&](std::int64_t i, std::int64_t j) -> std::uint16_t& { return cell[static_cast<std::size_t>(i * ny + j)]; };
  forLayer(layer, [&](int p) {
    const int k = nodeOfBox(p);
    if (k <= 0) return;
    const BoxGeo& b = geo_[static_cast<std::size_t>(p)];
    const std::int64_t i1 = std::lower_bound(xs.begin(), xs.end(), b.x1) - xs.begin();
    const std::int64_t i2 = std::lower_bound(xs.begin(), xs.end(), b.x2) - xs.begin();
    const std::int64_t j1 = std::lower_bound(ys.begin(), ys.end(), b.y1) - ys.begin();
    const std::int64_t j2 = std::lower_bound(ys.begin(), ys.end(), b.y2) - ys.begin();
    for (std::int64_t i = i1; i < i2; ++i)
      for (std::int64_t j = j1; j < j2; ++j) at(i, j) = static_cast<std::uint16_t>(k);
  });
  const double perLength = db_.layers[layer].crosstalkCapacitance * tech_.capacitancePerLambda;
  const std::int64_t reach = std::int64_t{4} * widthRule;
  auto couple = [&](int a, int b, std::int64_t gap, std::int64_t run) {
    if (a == b || a >= kCouplingNodeLimit || b >= kCouplingNodeLimit) return;
    if (gap <= 0 || gap >= reach) return;
    const double h = perLength * static_cast<double>(run) * 3 / static_cast<double>(gap);
    c_.coupling(a, b) += h;
    c_.coupling(b, a) += h;
    node(a).capacitance = std::max(node(a).capacitance - h / 4, 1e-16);
    node(b).capacitance = std::max(node(b).capacitance - h / 4, 1e-16);
  };
  // along each column, then along each row: a run of one node, a gap, a run of another
  for (std::int64_t i = 0; i + 1 < nx; ++i) {
    int prev = 0;
    std::int64_t prevEnd = 0;
    for (std::int64_t j = 0; j + 1 < ny; ++j) {
      const int v = at(i, j);
      if (v == 0) continue;
      if (j == 0 || at(i, j - 1) != v) {
        if (prev != 0) couple(prev, v, ys[static_cast<std::size_t>(j)] - prevEnd, xs[static_cast<std::size_t>(i + 1)] - xs[static_cast<std::size_t>(i)]);
      }
      prev = v;
      prevEnd = ys[static_cast<std::size_t>(j + 1)];
    }
  }
  for (std::int64_t j = 0; j + 1 < ny; ++j) {
    int prev = 0;
    std::int64_t prevEnd = 0;
    for (std::int64_t i = 0; i + 1 < nx; ++i) {
      const int v = at(i, j);
      if (v == 0) continue;
      if (i == 0 || at(i - 1, j) != v) {
        if (prev != 0) couple(prev, v, xs[static_cast<std::size_t>(i)] - prevEnd, ys[static_cast<std::size_t>(j + 1)] - ys[static_cast<std::size_t>(j)]);
      }
      prev = v;
      prevEnd = xs[static_cast<std::size_t>(i + 1)];
    }
  }
  return std::nullopt;
}

void Extraction::worstCase() {
  ExtractionStatistics& s = c_.statistics;
  s.maxCrosstalkCoupling = 0;
  s.crosstalkRatio = 0;
  const int top = std::min(kCouplingNodeLimit, c_.highestNode());
  // drive of a set of nodes: total width and smallest length of the devices
  // with a terminal in it, each device once
  std::vector<int> seenN(c_.nmos.size(), -1), seenP(c_.pmos.size(), -1);
  auto drive = [&](int stamp, auto&& inSet, std::int64_t& width, std::int64_t& length) {
    width = 0;
    length = 10000;
    for (int j = 0; j <= top; ++j) {
      if (!inSet(j)) continue;
      for (const DeviceRef& r : c_.terminalDevices(j)) {
        std::vector<int>& seen = r.polarity == Polarity::N ? seenN : seenP;
        if (seen[static_cast<std::size_t>(r.index)] == stamp) continue;
        seen[static_cast<std::size_t>(r.index)] = stamp;
        const MosDevice& d = c_.table(r.polarity)[static_cast<std::size_t>(r.index)];
        width += d.width;
        length = std::min<std::int64_t>(length, d.length);
      }
    }
  };
  int stamp = 0;
  for (int i = 1; i <= top; ++i) {
    CircuitNode& n = node(i);
    if (opt_.lengthFilterOn && n.length * tech_.lambda <= opt_.minimumNetLength) continue;
    double total = 0, largest = 0;
    for (int j = 1; j <= top; ++j) {
      if (j == i) continue;
      total += c_.coupling(i, j);
      largest = std::max(largest, c_.coupling(i, j));
    }
    n.couplingTotal = total;
    c_.coupling(i, i) = total;
    s.maxCrosstalkCoupling = std::max(s.maxCrosstalkCoupling, largest);
    if (!(n.capacitance > 0)) continue;
    s.crosstalkRatio = std::max(s.crosstalkRatio, largest / n.capacitance);
    const double w = total / n.capacitance;
    if (w == 0) {
      n.crosstalkNoise = 0;
      continue;
    }
    std::int64_t wv, lv, wa, la;
    drive(++stamp, [i](int j) { return j == i; }, wv, lv);
    drive(++stamp, [&](int j) { return j != i && j >= 1 && c_.coupling(i, j) != 0; }, wa, la);
    const double base = w * tech_.vdd / (w + 1);
    if (wv != 0 && wa != 0 && lv != 0 && la != 0) {
      const double d = (static_cast<double>(wv) / static_cast<double>(lv)) / (static_cast<double>(wa) / static_cast<double>(la));
      n.crosstalkNoise = base / (d + 1);
    } else {
      n.crosstalkNoise = base;
    }
  }
  st_.write(StatusMessage::Main, "Crosstalk coupling ratio " + F(s.crosstalkRatio, 5, 3));
}

// ---- step 13: virtual components

int Extraction::nodeAt(std::int32_t x, std::int32_t y) {
  finder_->touching({x, y, x, y}, ~LayerMask{0}, hits_);
  for (auto it = hits_.rbegin(); it != hits_.rend(); ++it)
    if (conductingLayer(geo_[static_cast<std::size_t>(*it)].layer) && nodeOfBox(*it) >= 0) return nodeOfBox(*it);
  return 0;
}

void Extraction::symbols() {
  const int n = db_.rlcCount();
  for (int i = 1; i <= n; ++i) {
    RlcSymbol& s = db_.rlc(i);
    if (!s.active) continue;
    s.node1 = nodeAt(s.x1, s.y1);
    s.node2 = s.kind == kRlcCapacitor ? 0 : nodeAt(s.x2, s.y2);
  }
  auto isRl = [](const RlcSymbol& s) { return s.active && (s.kind == kRlcResistor || s.kind == kRlcInductor); };
  auto raise = [&](int k, double c) {
    if (k >= 2 && k <= c_.highestNode() && node(k).capacitance < c) node(k).capacitance = c;
  };
  const double dt = tech_.timeStep;
  for (int i = 1; i <= n; ++i) {
    RlcSymbol& s = db_.rlc(i);
    if (!s.active) continue;
    if (s.kind == kRlcCapacitor) {
      ParsedValue v = ParseValueDetailed(s.text, 0.1, 1e5, 1e-6);
      if (v.empty || v.invalid) {
        // the value follows the text it is given, so a second run agrees
        s.text = "0.1";
        s.value = 0.1;
      } else {
        s.value = v.value;
      }
      if (s.node1 >= 0 && s.node1 <= c_.highestNode()) node(s.node1).capacitance += s.value * 1e-12;
      continue;
    }
    if (!isRl(s)) continue;
    int c1 = 0, c2 = 0;
    for (int j = 1; j <= n; ++j) {
      const RlcSymbol& o = cdb_.rlc(j);
      if (!isRl(o)) continue;
      c1 += o.node1 == s.node1;
      c2 += o.node2 == s.node2;
    }
    c1 = std::max(c1, 1);
    c2 = std::max(c2, 1);
    ParsedValue v = ParseValueDetailed(s.text, 1000, 1e7, 0.001);
    if (!v.empty && !v.invalid) {
      s.value = v.value;
    } else if (s.kind == kRlcInductor) {
      s.text = "1";
    } else {
      if (s.text.empty() || (s.text[0] != 'R' && s.text[0] != 'r')) {
        s.text = "R";
        s.value = 1.0;
      }
      const std::string& t = s.text;
      auto sum = [&](auto field) {
        return static_cast<double>(field(node(s.node1))) / c1 + static_cast<double>(field(node(s.node2))) / c2;
      };
      const char third = t.size() > 2 ? static_cast<char>(std::toupper(static_cast<unsigned char>(t[2]))) : 0;
      if (t.size() < 2 || t[1] == '=' || third == 'M') {
        s.value = sum([](const CircuitNode& c) { return c.rMetal; });
        s.text = "R(Metal)=" + F(s.value, 0, 0);
      } else if (t.size() > 4 && third == 'A') {
        s.value = sum([](const CircuitNode& c) { return double(c.rMetal) + c.rPoly + c.rDiffusion + c.rVia; });
        s.text = "R(all)=" + F(s.value, 0, 0);
      } else if (t.size() > 4 && third == 'P') {
        s.value = sum([](const CircuitNode& c) { return c.rPoly; });
        s.text = "R(poly)=" + F(s.value, 0, 0);
      } else if (t.size() > 4 && third == 'D') {
        s.value = sum([](const CircuitNode& c) { return c.rDiffusion; });
        s.text = "R(diff)=" + F(s.value, 0, 0);
      }
    }
    // the end nodes must hold at least one time step of charge
    if (!(s.value > 0)) continue;
    const double need = s.kind == kRlcResistor ? 0.7 * dt / s.value : dt * dt / (s.value * 1e-9);
    raise(s.node1, need);
    raise(s.node2, need);
  }
}

// ---- step 14: delays

void Extraction::delays() {
  const double vdd = tech_.vdd, lambdaM = tech_.lambda * 1e-6;
  double largest = 0;
  for (int k = 1; k <= c_.highestNode(); ++k) {
    std::int64_t w[2] = {0, 0}, l[2] = {0, 0};
    for (const DeviceRef& r : c_.terminalDevices(k)) {
      const MosDevice& d = c_.table(r.polarity)[static_cast<std::size_t>(r.index)];
      const int t = r.polarity == Polarity::N ? 0 : 1;
      w[t] += d.width;
      l[t] = l[t] == 0 ? d.length : std::min<std::int64_t>(l[t], d.length);
    }
    double rn = 0, rp = 0;
    if (w[0] > 0 && l[0] > 0) {
      const double W = static_cast<double>(w[0]) * lambdaM, L = static_cast<double>(l[0]) * lambdaM;
      // gate at VDD, source and bulk at 0
      const double i1 = std::fabs(models_.ChannelCurrent(Polarity::N, 0, L, W, 0, vdd, vdd, 0));
      const double i2 = std::fabs(models_.ChannelCurrent(Polarity::N, 0, L, W, 0, vdd / 3, vdd, 0));
      if (i1 + i2 > 0) rn = 2 * vdd / (i1 + i2);
    }
    if (w[1] > 0 && l[1] > 0) {
      const double W = static_cast<double>(w[1]) * lambdaM, L = static_cast<double>(l[1]) * lambdaM;
      // source and bulk at VDD, gate at 0: fully on
      const double i1 = std::fabs(models_.ChannelCurrent(Polarity::P, 0, L, W, vdd, 0, 0, vdd));
      const double i2 = std::fabs(models_.ChannelCurrent(Polarity::P, 0, L, W, vdd, vdd / 3, 0, vdd));
      if (i1 + i2 > 0) rp = 2 * vdd / (i1 + i2);
    }
    CircuitNode& n = node(k);
    const double rw = static_cast<double>(n.rMetal) + n.rVia;
    const double cg = n.gateCapacitance, c = n.capacitance - cg + n.couplingTotal;
    n.riseDelay = 1e9 * (0.43 * rw * c + 0.92 * (rw * cg + (c + cg) * rp));
    n.fallDelay = 1e9 * (0.43 * rw * c + 0.92 * (rw * cg + (c + cg) * rn));
    largest = std::max({largest, n.riseDelay, n.fallDelay});
  }
  c_.statistics.maxDelay = largest;
  st_.write(StatusMessage::Main, "Delay max " + F(largest, 0, 3));
}

// ---- step 15: back to drawable layers

void Extraction::restoreLayers() {
  for (int p = 1; p <= db_.boxCount(); ++p) {
    const LayoutBox& b = cdb_.box(p);
    if (b.layer == kGaten) db_.box(p).layer = kDiffn;
    else if (b.layer == kGatep) db_.box(p).layer = kDiffp;
    else if (b.layer == kAarea && b.value != kAarea && LayerTable::validIndex(b.value)) {
      LayoutBox& w = db_.box(p);
      w.layer = static_cast<std::uint8_t>(b.value);
      w.value = 0;
    }
    if (b.state != 0 && b.state != 1) db_.box(p).state = 1;
  }
}

}  // namespace

ExtractResult extractCircuit(LayoutDatabase& db, const TechnologyRules& tech, ExtractionOptions& options,
                             ExtractedCircuit& circuit, Services& services, const ExtractionLimits& limits,
                             ExtractionView* view) {
  Extraction e(db, tech, options, circuit, services, limits, view, false);
  return e.run();
}

ExtractResult extractCircuitReference(LayoutDatabase& db, const TechnologyRules& tech, ExtractionOptions& options,
                                      ExtractedCircuit& circuit, Services& services, const ExtractionLimits& limits) {
  Extraction e(db, tech, options, circuit, services, limits, nullptr, true);
  return e.run();
}

FloatingNodes findFloatingNodes(LayoutDatabase& db, const TechnologyRules& tech, ExtractionOptions& options,
                                ExtractedCircuit& circuit, Services& services, const ExtractionLimits& limits) {
  FloatingNodes f;
  services.status.write(StatusMessage::Main, "Floating nodes...");
  f.extraction = extractCircuit(db, tech, options, circuit, services, limits);
  if (!f.extraction.ok()) return f;
  const int top = circuit.highestNode();
  std::vector<int> firstBox(static_cast<std::size_t>(top) + 1, 0);
  for (int p = 1; p <= db.boxCount(); ++p) {
    const int k = static_cast<const LayoutDatabase&>(db).box(p).node;
    if (k >= 0 && k <= top && firstBox[static_cast<std::size_t>(k)] == 0) firstBox[static_cast<std::size_t>(k)] = p;
  }
  const int labelsBefore = db.labelCount();
  for (int k = 2; k <= top; ++k) {
    CircuitNode& n = circuit.nodes[static_cast<std::size_t>(k)];
    if (!n.floating) continue;
    f.nodes.push_back(k);
    f.lines.push_back(n.name + " floating");
    bool named = false;
    for (int i = 1; i <= labelsBefore && !named; ++i)
      named = db.label(i).active && db.label(i).text == n.name;
    const int b = firstBox[static_cast<std::size_t>(k)];
    if (named || b == 0) continue;
    const LayoutBox& box = static_cast<const LayoutDatabase&>(db).box(b);
    const int pos = db.addLabel(box.x1 + 1, box.y1 + 1, n.name);
    if (pos == 0) continue;
    // the new label names the node it was made for, so the circuit still holds
    db.label(pos).node = k;
    if (n.label == 0) n.label = pos;
    ++f.labelsAdded;
  }
  if (f.labelsAdded) db.modified = true;
  services.status.write(StatusMessage::Main, num(static_cast<long long>(f.nodes.size())) + " floating node found...");
  f.openNavigator = !f.nodes.empty();
  return f;
}

}  // namespace quill
