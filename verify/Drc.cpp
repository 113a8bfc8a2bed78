#include "verify/Drc.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <functional>

#include "core/Text.h"

namespace quill {

namespace {

// Cells of the check grid, column-major with a border of empty cells so
// that the scans may look one cell past any edge.
struct Grid {
  std::vector<std::int32_t> xs{0}, ys{0};  // 1-based
  int nx = 0, ny = 0;
  int stride = 0;
  std::vector<std::uint8_t> cells;

  std::uint8_t at(int i, int j) const {
    if (i < 0 || j < 0 || i > nx + 1 || j > ny + 1) return 0;
    return cells[static_cast<std::size_t>(i) * static_cast<std::size_t>(stride) + static_cast<std::size_t>(j)];
  }
  std::uint8_t& ref(int i, int j) {
    return cells[static_cast<std::size_t>(i) * static_cast<std::size_t>(stride) + static_cast<std::size_t>(j)];
  }
  std::int32_t x(int i) const { return xs[static_cast<std::size_t>(std::clamp(i, 1, nx))]; }
  std::int32_t y(int j) const { return ys[static_cast<std::size_t>(std::clamp(j, 1, ny))]; }
};

const char* const kProgress[] = {"DRC runs", "RC runs.", "C runs..", " runs.. ", "runs.. D", "uns.. DR",
                                 "ns.. DRC", "s.. DRC ", ".. DRC r", "  DRC ru", " DRC run"};

std::string ruleCode(int rule) {
  std::string c = ruleInfo(rule).code;
  for (char& ch : c) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  return "(" + c + ")";
}

class Checker {
 public:
  Checker(LayoutDatabase& db, const TechnologyRules& t, StatusMessage& st, DrcReceiver* rx, const DrcLimits& lim)
      : db_(db), t_(t), st_(st), rx_(rx), lim_(lim) {}

  DrcResult run();

 private:
  struct LayerBit {
    int layer;
    std::uint8_t bit;
  };

  bool stopped() {
    if (res_.aborted) return true;
    if (st_.stopRequested() || (rx_ && rx_->stopRequested())) {
      res_.aborted = true;
      res_.complete = false;
    }
    return res_.aborted;
  }
  const std::string& name(int layer) const { return db_.layers[layer].name; }
  bool hasBoxes(int layer) const { return db_.lastOfLayer(layer) >= db_.firstOfLayer(layer) && db_.lastOfLayer(layer) > 0; }

  // The common frame; true when the check's scans are to run.
  // required: the layers that must hold boxes (bit k for the k-th layer)
  bool begin(int check, int part, std::initializer_list<int> layers, bool ruleBelowOne, const std::string& title,
             const char* overflowText, unsigned required = ~0u);
  void report(int i1, int j1, int i2, int j2, bool vertical, int value, const std::string& description,
              const std::string& code);
  void emit(const Rect& r, bool vertical, int value, const std::string& description, const std::string& code);

  // Fills g_ with the check's boxes clipped to [X0, X1] x [Y0, Y1] on the given edges.
  void buildGrid(std::vector<std::int32_t> xs, std::vector<std::int32_t> ys, std::int32_t X0, std::int32_t X1,
                 std::int32_t Y0, std::int32_t Y1);
  // Runs columns(i0, i1) over every column of the whole grid, strip by
  // strip when the grid is too large: a column scan reads only its two
  // neighbours, so full-height strips give the single grid's result.
  bool forColumns(const std::function<void(int, int)>& columns);
  bool forRows(const std::function<void(int, int)>& rows);
  bool strips(bool vertical, const std::function<void(int, int)>& scan);

  void sameLayer(int check, int part, int layer, int W, int S, int A, const std::string& cW, const std::string& cS,
                 const std::string& cA, bool title = true);
  void widthScans(std::uint8_t a, const std::string& lname, int W, int S, const std::string& cW, const std::string& cS);
  void surfaceScan(std::uint8_t a, const std::string& lname, int A, const std::string& cA);
  void surround(int check, int part, int layerA, int layerB, int rule);
  void spacing(int check, int part, int layerA, int layerB, int rule);
  void overlap();
  void lonelyContact();
  void gateLength();

  LayoutDatabase& db_;
  const TechnologyRules& t_;
  StatusMessage& st_;
  DrcReceiver* rx_;
  DrcLimits lim_;
  DrcResult res_;
  Grid g_;
  std::vector<int> layers_;               // the current check's layers, bit 1, 2, 4, 8
  std::vector<std::int32_t> gxs_, gys_;   // the whole grid's edges, 1-based
  bool tiled_ = false;
  bool anyTiled_ = false;
  std::int64_t maxCells_ = 0;  // the largest tile, when tiled
  const char* overflowText_ = "Drc overflow";
  int frame_ = 0;
  int check_ = 0, part_ = 0;
  std::vector<std::int32_t> scratch_;
};

bool Checker::begin(int check, int part, std::initializer_list<int> layers, bool ruleBelowOne,
                    const std::string& title, const char* overflowText, unsigned required) {
  check_ = check;
  part_ = part;
  for (int l : layers)
    if (db_.layers[l].isProtected) return false;
  st_.progress(StatusMessage::Info, kProgress[frame_++ % 11]);
  if (res_.errorCount > 0 || ruleBelowOne) return false;
  unsigned k = 0;
  for (int l : layers)
    if (((required >> k++) & 1) && !hasBoxes(l)) return false;
  if (stopped()) return false;
  st_.progress(StatusMessage::Main, title);

  // the grid: the extent widened by one, then every edge of the check's boxes
  const Rect& e = db_.boundingBox();
  layers_.assign(layers.begin(), layers.end());
  overflowText_ = overflowText;
  gxs_.assign(1, 0);
  gys_.assign(1, 0);
  gxs_.push_back(e.x1 - 1);
  gxs_.push_back(e.x2 + 1);
  gys_.push_back(e.y1 - 1);
  gys_.push_back(e.y2 + 1);
  for (int l : layers_) {
    for (int p = db_.firstOfLayer(l); p <= db_.lastOfLayer(l) && p > 0; ++p) {
      const LayoutBox& b = static_cast<const LayoutDatabase&>(db_).box(p);
      gxs_.push_back(b.x1);
      gxs_.push_back(b.x2);
      gys_.push_back(b.y1);
      gys_.push_back(b.y2);
    }
  }
  std::sort(gxs_.begin() + 1, gxs_.end());
  gxs_.erase(std::unique(gxs_.begin() + 1, gxs_.end()), gxs_.end());
  std::sort(gys_.begin() + 1, gys_.end());
  gys_.erase(std::unique(gys_.begin() + 1, gys_.end()), gys_.end());
  const int nx = static_cast<int>(gxs_.size()) - 1, ny = static_cast<int>(gys_.size()) - 1;
  tiled_ = nx > lim_.maxXs || ny > lim_.maxYs;
  anyTiled_ = anyTiled_ || tiled_;
  if (!tiled_) {
    res_.maxXsUsed = std::max(res_.maxXsUsed, nx);
    res_.maxYsUsed = std::max(res_.maxYsUsed, ny);
    buildGrid(gxs_, gys_, gxs_[1], gxs_.back(), gys_[1], gys_.back());
  }
  return true;
}

void Checker::buildGrid(std::vector<std::int32_t> xs, std::vector<std::int32_t> ys, std::int32_t X0, std::int32_t X1,
                        std::int32_t Y0, std::int32_t Y1) {
  g_.xs = std::move(xs);
  g_.ys = std::move(ys);
  g_.nx = static_cast<int>(g_.xs.size()) - 1;
  g_.ny = static_cast<int>(g_.ys.size()) - 1;
  g_.stride = g_.ny + 2;
  g_.cells.assign(static_cast<std::size_t>(g_.nx + 2) * static_cast<std::size_t>(g_.stride), 0);
  const auto& gx = g_.xs;
  const auto& gy = g_.ys;
  std::uint8_t bit = 1;
  for (int l : layers_) {
    for (int p = db_.firstOfLayer(l); p <= db_.lastOfLayer(l) && p > 0; ++p) {
      const LayoutBox& b = static_cast<const LayoutDatabase&>(db_).box(p);
      if (b.x2 <= X0 || b.x1 >= X1 || b.y2 <= Y0 || b.y1 >= Y1) continue;
      const std::int32_t x1 = std::max(b.x1, X0), x2 = std::min(b.x2, X1);
      const std::int32_t y1 = std::max(b.y1, Y0), y2 = std::min(b.y2, Y1);
      const int i1 = static_cast<int>(std::lower_bound(gx.begin() + 1, gx.end(), x1) - gx.begin());
      const int i2 = static_cast<int>(std::lower_bound(gx.begin() + 1, gx.end(), x2) - gx.begin());
      const int j1 = static_cast<int>(std::lower_bound(gy.begin() + 1, gy.end(), y1) - gy.begin());
      const int j2 = static_cast<int>(std::lower_bound(gy.begin() + 1, gy.end(), y2) - gy.begin());
      for (int i = i1; i < i2; ++i) {
        std::uint8_t* col = &g_.ref(i, 0);
        for (int j = j1; j < j2; ++j) col[j] |= bit;
      }
    }
    bit = static_cast<std::uint8_t>(bit << 1);
  }
}

bool Checker::forColumns(const std::function<void(int, int)>& columns) {
  if (!tiled_) {
    columns(1, g_.nx);
    return true;
  }
  return strips(true, columns);
}

bool Checker::forRows(const std::function<void(int, int)>& rows) {
  if (!tiled_) {
    rows(1, g_.ny);
    return true;
  }
  return strips(false, rows);
}

bool Checker::strips(bool vertical, const std::function<void(int, int)>& scan) {
  const std::vector<std::int32_t>& along = vertical ? gxs_ : gys_;   // split this axis
  const std::vector<std::int32_t>& across = vertical ? gys_ : gxs_;  // strips span it whole
  const int n = static_cast<int>(along.size()) - 1;
  // a strip may be long and thin: what bounds it is the number of cells
  const std::int64_t budget = std::int64_t{lim_.maxXs} * lim_.maxYs;
  std::vector<std::int32_t> edges;
  int c0 = 1, lastW = n;
  while (c0 <= n) {
    int w = std::max(1, std::min(n - c0 + 1, 2 * lastW));
    for (;;) {
      const int c1 = std::min(c0 + w, n + 1);  // core c0 .. c1-1
      const int lo = std::max(1, c0 - 1), hi = std::min(n, c1 + 1);
      const std::int32_t A0 = along[static_cast<std::size_t>(lo)], A1 = along[static_cast<std::size_t>(hi)];
      edges.assign(1, 0);
      edges.push_back(across[1]);
      edges.push_back(across.back());
      for (int l : layers_)
        for (int p = db_.firstOfLayer(l); p <= db_.lastOfLayer(l) && p > 0; ++p) {
          const LayoutBox& b = static_cast<const LayoutDatabase&>(db_).box(p);
          const std::int32_t a1 = vertical ? b.x1 : b.y1, a2 = vertical ? b.x2 : b.y2;
          if (a2 <= A0 || a1 >= A1) continue;
          edges.push_back(vertical ? b.y1 : b.x1);
          edges.push_back(vertical ? b.y2 : b.x2);
        }
      std::sort(edges.begin() + 1, edges.end());
      edges.erase(std::unique(edges.begin() + 1, edges.end()), edges.end());
      if (std::int64_t{hi - lo + 1} * (static_cast<std::int64_t>(edges.size()) - 1) <= budget) {
        std::vector<std::int32_t> part(along.begin() + lo, along.begin() + hi + 1);
        part.insert(part.begin(), 0);
        const int nAlong = static_cast<int>(part.size()) - 1, nAcross = static_cast<int>(edges.size()) - 1;
        maxCells_ = std::max(maxCells_, std::int64_t{nAlong} * nAcross);
        if (vertical) buildGrid(std::move(part), edges, A0, A1, across[1], across.back());
        else buildGrid(edges, std::move(part), across[1], across.back(), A0, A1);
        scan(c0 - lo + 1, c1 - 1 - lo + 1);
        break;
      }
      if (w == 1) {
        // not even one column fits: say so, never pass it
        st_.write(StatusMessage::Technology, overflowText_);
        res_.complete = false;
        return false;
      }
      w = std::max(1, w / 2);
    }
    c0 += w;
    lastW = w;
    if (stopped()) return false;
  }
  return true;
}

void Checker::report(int i1, int j1, int i2, int j2, bool vertical, int value, const std::string& description,
                     const std::string& code) {
  std::int32_t x1 = g_.x(i1), y1 = g_.y(j1), x2 = g_.x(i2), y2 = g_.y(j2);
  if (x1 == x2 && y1 != y2) x2 = g_.x(i2 + 1);
  if (y1 == y2 && x1 != x2) y2 = g_.y(j2 + 1);
  emit({std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)}, vertical, value, description, code);
}

void Checker::emit(const Rect& r, bool vertical, int value, const std::string& description, const std::string& code) {
  ++res_.errorCount;
  DrcViolation v;
  v.check = check_;
  v.part = part_;
  v.code = code;
  auto open = code.find('(');
  if (open != std::string::npos) v.rule = toUpperAscii(code.substr(open + 1, code.find(')', open) - open - 1));
  v.description = description;
  v.value = value;
  v.vertical = vertical;
  v.text = code.empty() ? description
                        : "The " + description + " is less than " + std::to_string(value) + " lambda " + code;
  v.rect = r;
  if (res_.failedCheck == 0) res_.failedCheck = check_;
  if (rx_) rx_->violation(v);
  res_.violations.push_back(std::move(v));
}

// Vertical and horizontal runs of cells equal to a: widths and spacings.
void Checker::widthScans(std::uint8_t a, const std::string& lname, int W, int S, const std::string& cW,
                         const std::string& cS) {
  auto L = [&](int i, int j) { return g_.at(i, j) == a; };
  auto dy = [&](int j1, int j2) { return std::llabs(std::int64_t{g_.y(j1)} - g_.y(j2)); };
  auto dx = [&](int i1, int i2) { return std::llabs(std::int64_t{g_.x(i1)} - g_.x(i2)); };
  const std::string vw = lname + " vert. width ", ang = lname + " angle ", wid = lname + " width ",
                    hw = lname + " horiz. width ", spc = " spacing between " + lname;

  forColumns([&](int i0, int i1) {
    const int nx = g_.nx, ny = g_.ny;
    for (int i = i0; i <= i1; ++i) {
      int j = 1;
      while (j < ny && !L(i, j)) ++j;
      int s = j;
      while (j < ny) {
        bool fR = L(i + 1, j - 1), fL = L(i - 1, j - 1);
        while (j < ny && L(i, j)) {
          ++j;
          if (fR && !L(i + 1, j)) {
            fR = false;
            if (dy(j, s) < W && j < ny) report(i, s, i, j, true, W, vw, cW);
          }
          if (fL && !L(i - 1, j)) {
            fL = false;
            if (dy(j, s) < W && j < ny) report(i - 1, s, i - 1, j, true, W, vw, cW);
          }
        }
        if (i < nx && !L(i + 1, j - 1) && L(i + 1, j)) report(i + 1, j, i + 1, j, true, W, ang, cW);
        if (dy(j, s) < W && j < ny) report(i, s, i, j, true, W, wid, cW);
        s = j;
        while (j < ny && !L(i, j)) ++j;
        if (dy(j, s) < S && j < ny) report(i, s, i, j, true, S, spc, cS);
        s = j;
      }
    }
  });

  forRows([&](int j0, int j1) {
    const int nx = g_.nx, ny = g_.ny;
    for (int j = j0; j <= j1; ++j) {
      int i = 1;
      while (i < nx && !L(i, j)) ++i;
      int s = i;
      bool fU = false, fD = false;
      while (i < nx) {
        if (j < ny) {
          fU = L(i - 1, j + 1);
          fD = L(i - 1, j - 1);
          if (fU && !L(i, j + 1)) report(i, j + 1, i, j + 1, false, W, ang, cW);
        }
        while (i < nx && L(i, j)) {
          ++i;
          if (fU && !L(i, j + 1)) {
            fU = false;
            if (dx(i, s) < W && i < nx) report(s, j, i, j, false, W, hw, cW);
          } else if (fD && !L(i, j - 1)) {
            fD = false;
            if (dx(i, s) < W && i < nx) report(s, j - 1, i, j - 1, false, W, hw, cW);
          }
        }
        if (dx(i, s) < W && i < nx) report(s, j, i, j, false, W, wid, cW);
        s = i;
        while (i < nx && !L(i, j)) ++i;
        if (dx(i, s) < S && i < nx) report(s, j, i, j, false, S, spc, cS);
        s = i;
      }
    }
  });
}

// Every connected region of cells equal to a, smaller than A, once. Past the
// grid's capacity the layout is cut into tiles that overlap by more than A:
// a region smaller than A lies whole in the tile that owns its seed.
void Checker::surfaceScan(std::uint8_t a, const std::string& lname, int A, const std::string& cA) {
  struct Found {
    Rect at;
    std::int64_t area;
  };
  std::vector<Found> found;
  std::vector<std::pair<int, int>> stack;
  // seeds owned by [cx0, cx1) x [cy0, cy1)
  auto fill = [&](std::int64_t cx0, std::int64_t cx1, std::int64_t cy0, std::int64_t cy1) {
    constexpr std::uint8_t kVisited = 0x80;
    const int nx = g_.nx, ny = g_.ny;
    for (int i = 1; i <= nx; ++i) {
      for (int j = 1; j <= ny; ++j) {
        if (g_.at(i, j) != a) continue;
        std::int64_t area = 0;
        stack.assign(1, {i, j});
        g_.ref(i, j) = kVisited;
        while (!stack.empty()) {
          auto [ci, cj] = stack.back();
          stack.pop_back();
          area += (std::int64_t{g_.x(ci + 1)} - g_.x(ci)) * (std::int64_t{g_.y(cj + 1)} - g_.y(cj));
          const int ni[4] = {ci - 1, ci + 1, ci, ci};
          const int nj[4] = {cj, cj, cj - 1, cj + 1};
          for (int k = 0; k < 4; ++k) {
            if (ni[k] < 1 || ni[k] > nx || nj[k] < 1 || nj[k] > ny) continue;
            if (g_.at(ni[k], nj[k]) != a) continue;
            g_.ref(ni[k], nj[k]) = kVisited;
            stack.push_back({ni[k], nj[k]});
          }
        }
        const std::int32_t x = g_.x(i), y = g_.y(j);
        if (area < A && x >= cx0 && x < cx1 && y >= cy0 && y < cy1) found.push_back({{x, y, x, y}, area});
      }
    }
  };
  if (!tiled_) {
    fill(INT64_MIN, INT64_MAX, INT64_MIN, INT64_MAX);
  } else {
    const std::int64_t M = std::int64_t{std::max(A, 1)} + 1;
    auto count = [](const std::vector<std::int32_t>& v, std::int64_t lo, std::int64_t hi) {
      auto b = std::lower_bound(v.begin() + 1, v.end(), lo);
      auto e = std::upper_bound(v.begin() + 1, v.end(), hi);
      return static_cast<int>(e - b) + 2;
    };
    auto window = [](const std::vector<std::int32_t>& v, std::int64_t lo, std::int64_t hi) {
      std::vector<std::int32_t> out{0};
      out.push_back(static_cast<std::int32_t>(std::max<std::int64_t>(lo, INT32_MIN)));
      for (auto it = std::upper_bound(v.begin() + 1, v.end(), lo); it != v.end() && *it < hi; ++it) out.push_back(*it);
      out.push_back(static_cast<std::int32_t>(std::min<std::int64_t>(hi, INT32_MAX)));
      return out;
    };
    // cores split along one axis so that every window fits its capacity
    auto cores = [&](const std::vector<std::int32_t>& v, int cap, std::vector<std::pair<int, int>>& out) {
      const int n = static_cast<int>(v.size()) - 1;
      int c0 = 1;
      while (c0 <= n) {
        int w = std::max(1, n - c0 + 1);
        while (w > 1 && count(v, v[c0] - M, v[std::min(n, c0 + w)] + M) > cap) w = std::max(1, w / 2);
        if (count(v, v[c0] - M, v[std::min(n, c0 + w)] + M) > cap) return false;
        out.push_back({c0, std::min(n + 1, c0 + w)});
        c0 += w;
      }
      return true;
    };
    std::vector<std::pair<int, int>> cx, cy;
    if (!cores(gxs_, lim_.maxXs, cx) || !cores(gys_, lim_.maxYs, cy)) {
      st_.write(StatusMessage::Technology, overflowText_);
      res_.complete = false;
      return;
    }
    const int nx = static_cast<int>(gxs_.size()) - 1, ny = static_cast<int>(gys_.size()) - 1;
    for (auto [x0, x1] : cx)
      for (auto [y0, y1] : cy) {
        if (stopped()) return;
        const std::int64_t X0 = gxs_[static_cast<std::size_t>(x0)];
        const std::int64_t X1 = x1 > nx ? std::int64_t{INT32_MAX} + 1 : gxs_[static_cast<std::size_t>(x1)];
        const std::int64_t Y0 = gys_[static_cast<std::size_t>(y0)];
        const std::int64_t Y1 = y1 > ny ? std::int64_t{INT32_MAX} + 1 : gys_[static_cast<std::size_t>(y1)];
        auto xs = window(gxs_, X0 - M, std::min<std::int64_t>(X1, gxs_.back()) + M);
        auto ys = window(gys_, Y0 - M, std::min<std::int64_t>(Y1, gys_.back()) + M);
        maxCells_ = std::max(maxCells_, static_cast<std::int64_t>(xs.size() - 1) * static_cast<std::int64_t>(ys.size() - 1));
        const std::int32_t wx0 = xs[1], wx1 = xs.back(), wy0 = ys[1], wy1 = ys.back();
        buildGrid(std::move(xs), std::move(ys), wx0, wx1, wy0, wy1);
        fill(X0, X1, Y0, Y1);
      }
    // the order of one grid: by seed column, then row
    std::stable_sort(found.begin(), found.end(), [](const Found& p, const Found& q) {
      return p.at.x1 != q.at.x1 ? p.at.x1 < q.at.x1 : p.at.y1 < q.at.y1;
    });
  }
  for (const Found& f : found)
    emit(f.at, true, A, lname + " surface " + std::to_string(f.area), "square " + cA);
}

void Checker::sameLayer(int check, int part, int layer, int W, int S, int A, const std::string& cW,
                        const std::string& cS, const std::string& cA, bool) {
  if (!begin(check, part, {layer}, false, name(layer), "Drc overflow")) return;
  widthScans(1, name(layer), W, S, cW, cS);
  if (A != 0 && res_.errorCount == 0) surfaceScan(1, name(layer), A, cA);
}

void Checker::surround(int check, int part, int layerA, int layerB, int rule) {
  const int R = t_.rule(rule);
  const std::string code = ruleCode(rule);
  if (!begin(check, part, {layerA, layerB}, R < 1, name(layerA) + "-" + name(layerB), "Drc overflow")) return;
  auto c = [&](int i, int j) { return g_.at(i, j); };
  const std::string edgeV = " extra " + name(layerA) + " surronding " + name(layerB) + " ";
  const std::string edgeH = " extra " + name(layerA) + " surrounding " + name(layerB) + " ";
  const std::string run = " extra " + name(layerA) + " surronding " + name(layerB);

  forColumns([&](int i0, int i1) {
    const int ny = g_.ny;
    for (int i = i0; i <= i1; ++i) {
      bool flag = true;
      int j = 1;
      while (j < ny) {
        while (j < ny && c(i, j) != 1) {
          if ((flag && c(i, j) == 3 && c(i, j - 1) == 0) || (!flag && c(i, j) == 0 && c(i, j - 1) == 3))
            report(i, j, i, j, true, R, edgeV, code);
          ++j;
        }
        const int s = j;
        while (j < ny && c(i, j) == 1) ++j;
        const bool ends = c(i, j) == 0 || j > ny;
        if (flag != ends && std::llabs(std::int64_t{g_.y(s)} - g_.y(j)) < R && j < ny)
          report(i, s, i, j, true, R, run, code);
        flag = c(i, j) == 0;
      }
    }
  });
  forRows([&](int j0, int j1) {
    const int nx = g_.nx;
    for (int j = j0; j <= j1; ++j) {
      bool flag = true;
      int i = 1;
      while (i < nx) {
        while (i < nx && c(i, j) != 1) {
          if ((flag && c(i, j) == 3 && c(i - 1, j) == 0) || (!flag && c(i, j) == 0 && c(i - 1, j) == 3))
            report(i, j, i, j, false, R, edgeH, code);
          ++i;
        }
        const int s = i;
        while (i < nx && c(i, j) == 1) ++i;
        const bool ends = c(i, j) == 0 || i > nx;
        if (flag != ends && std::llabs(std::int64_t{g_.x(s)} - g_.x(i)) < R && i < nx)
          report(s, j, i, j, false, R, run, code);
        flag = c(i, j) == 0;
      }
    }
  });
}

void Checker::spacing(int check, int part, int layerA, int layerB, int rule) {
  const int R = t_.rule(rule);
  const std::string code = ruleCode(rule);
  if (!begin(check, part, {layerA, layerB}, R < 1, name(layerA) + "-" + name(layerB), "Drc Overflow")) return;
  auto c = [&](int i, int j) { return g_.at(i, j); };
  const bool abutOk = code == "(r205)";
  auto text = [&](std::int64_t gap) {
    return std::to_string(gap) + " lambda between " + name(layerA) + " and " + name(layerB);
  };
  forColumns([&](int i0, int i1) {
    const int ny = g_.ny;
    for (int i = i0; i <= i1; ++i) {
      int j = 1;
      while (j < ny && c(i, j) == 0) ++j;
      std::uint8_t gv = c(i, j);
      while (j < ny && c(i, j) == gv) ++j;
      while (j < ny) {
        const int s = j;
        while (j < ny && c(i, j) == 0) ++j;
        const std::int64_t gap = std::llabs(std::int64_t{g_.y(s)} - g_.y(j));
        const std::uint8_t v = c(i, j);
        if (gap < R && j < ny && v != gv && (gap > 0 || (gv != 3 && v != 3 && !abutOk)))
          report(i, s, i, j, true, R, text(gap), code);
        gv = v;
        while (j < ny && c(i, j) == gv) ++j;
      }
    }
  });
  forRows([&](int j0, int j1) {
    const int nx = g_.nx;
    for (int j = j0; j <= j1; ++j) {
      int i = 1;
      while (i < nx && c(i, j) == 0) ++i;
      std::uint8_t gv = c(i, j);
      while (i < nx && c(i, j) == gv) ++i;
      while (i < nx) {
        const int s = i;
        while (i < nx && c(i, j) == 0) ++i;
        const std::int64_t gap = std::llabs(std::int64_t{g_.x(s)} - g_.x(i));
        const std::uint8_t v = c(i, j);
        if (gap < R && i < nx && v != gv && (gap > 0 || (gv != 3 && v != 3 && !abutOk)))
          report(s, j, i, j, false, R, text(gap), code);
        gv = v;
        while (i < nx && c(i, j) == gv) ++i;
      }
    }
  });
}

void Checker::overlap() {
  if (!begin(34, 0, {kDiffn, kDiffp}, false, name(kDiffn) + "-" + name(kDiffp), "Drc overflow")) return;
  const std::string d = " overlap between " + name(kDiffn) + " and " + name(kDiffp);
  forColumns([&](int i0, int i1) {
    const int ny = g_.ny;
    for (int i = i0; i <= i1; ++i) {
      int j = 1;
      while (j < ny) {
        while (j < ny && g_.at(i, j) != 3) ++j;
        const int s = j;
        while (j < ny && g_.at(i, j) == 3) ++j;
        if (j > s && j < ny) report(i, s, i, j, true, 0, d, "");
      }
    }
  });
  forRows([&](int j0, int j1) {
    const int nx = g_.nx;
    for (int j = j0; j <= j1; ++j) {
      int i = 1;
      while (i < nx) {
        while (i < nx && g_.at(i, j) != 3) ++i;
        const int s = i;
        while (i < nx && g_.at(i, j) == 3) ++i;
        if (i > s && i < nx) report(s, j, i, j, false, 0, d, "");
      }
    }
  });
}

void Checker::lonelyContact() {
  // only the contacts need to exist: a contact with nothing over it is the fault
  if (!begin(14, 0, {kContact, kMetal, kDiffn, kDiffp}, false, "Scan lonely contact", "Drc overflow", 1u)) return;
  bool done = false;
  forColumns([&](int i0, int i1) {
    for (int i = i0; i <= i1 && !done; ++i)
      for (int j = 1; j <= g_.ny && !done; ++j)
        if (g_.at(i, j) == 1) {
          report(i, j, i + 1, j + 1, true, 2, name(kContact) + " alone here", "");
          done = true;
        }
  });
}

// Gate lengths wherever poly covers one diffusion: poly 1, diffn 2, diffp 4,
// so n gates read 3 and p gates 5.
void Checker::gateLength() {
  const int W = t_.rule(R302);
  const std::string code = ruleCode(R302);
  if (!hasBoxes(kDiffn) && !hasBoxes(kDiffp)) return;
  if (!begin(15, 1, {kPoly, kDiffn, kDiffp}, false, "Check MOS gates", "Drc Overflow", 1u)) return;
  if (hasBoxes(kDiffn)) widthScans(3, name(kGaten), W, 0, code, code);
  part_ = 2;
  if (hasBoxes(kDiffp)) widthScans(5, name(kGatep), W, 0, code, code);
}

DrcResult Checker::run() {
  db_.compactBoxes();
  db_.sortByLayer();
  db_.computeBoundingBox();
  for (int l = kNwell; l <= kMetal6; ++l)
    if (db_.layers[l].isProtected) res_.protectedLayers = true;

  const int meta = t_.metalLevels;
  sameLayer(1, 0, kNwell, t_.rule(R101), t_.rule(R102), t_.rule(R110), ruleCode(R101), ruleCode(R102), ruleCode(R110));
  sameLayer(2, 0, kDiffp, t_.rule(R201), t_.rule(R202), t_.rule(R210), ruleCode(R201), ruleCode(R202), ruleCode(R210));
  sameLayer(3, 0, kDiffn, t_.rule(R201), t_.rule(R202), t_.rule(R210), ruleCode(R201), ruleCode(R202), ruleCode(R210));
  sameLayer(4, 0, kPoly, t_.rule(R301), t_.rule(R304), t_.rule(R310), ruleCode(R301), ruleCode(R304), ruleCode(R310));
  sameLayer(5, 0, kContact, t_.rule(R401), t_.rule(R402), 0, ruleCode(R401), ruleCode(R402), "");
  sameLayer(6, 0, kMetal, t_.rule(R501), t_.rule(R502), t_.rule(R510), ruleCode(R501), ruleCode(R502), ruleCode(R510));
  sameLayer(7, 0, kVia, t_.rule(R601), t_.rule(R602), 0, ruleCode(R601), ruleCode(R602), "");
  sameLayer(8, 0, kMetal2, t_.rule(R701), t_.rule(R702), t_.rule(R710), ruleCode(R701), ruleCode(R702), ruleCode(R710));
  sameLayer(9, 0, kPoly2, t_.rule(R311), t_.rule(R312), t_.rule(R320), ruleCode(R311), ruleCode(R312), ruleCode(R320));
  struct Pair { int via, metal; Rule vw, vs, mw, ms, ma; };
  const Pair upper[4] = {{kVia2, kMetal3, R801, R802, R901, R902, R910},
                         {kVia3, kMetal4, RA01, RA02, RB01, RB02, RB10},
                         {kVia4, kMetal5, RC01, RC02, RD01, RD02, RD10},
                         {kVia5, kMetal6, RE01, RE02, RF01, RF02, RF10}};
  for (int k = 0; k < 4; ++k) {
    if (meta <= 2 + k) break;
    const Pair& p = upper[k];
    sameLayer(10 + k, 1, p.via, t_.rule(p.vw), t_.rule(p.vs), 0, ruleCode(p.vw), ruleCode(p.vs), "");
    sameLayer(10 + k, 2, p.metal, t_.rule(p.mw), t_.rule(p.ms), t_.rule(p.ma), ruleCode(p.mw), ruleCode(p.ms),
              ruleCode(p.ma));
  }
  if (!db_.layers[kContact].isProtected) lonelyContact();
  if (!db_.layers[kPoly].isProtected && !db_.layers[kDiffn].isProtected && !db_.layers[kDiffp].isProtected)
    gateLength();
  surround(16, 1, kDiffn, kPoly, R306);
  surround(16, 2, kDiffp, kPoly, R306);
  surround(17, 0, kNwell, kDiffp, R203);
  spacing(18, 0, kNwell, kDiffn, R204);
  spacing(19, 0, kDiffp, kDiffn, R205);
  spacing(20, 0, kNwell, kDiffp, R206);
  surround(21, 0, kNwell, kDiffn, R207);
  surround(22, 1, kPoly, kDiffp, R307);
  surround(22, 2, kPoly, kDiffn, R307);
  surround(23, 1, kDiffn, kContact, R403);
  surround(23, 2, kDiffp, kContact, R403);
  surround(24, 0, kPoly, kContact, R404);
  surround(25, 0, kMetal, kContact, R405);
  spacing(26, 0, kPoly, kContact, R406);
  spacing(27, 0, kContact, kVia, R603);
  surround(28, 0, kMetal, kVia, R604);
  surround(29, 0, kMetal2, kVia, R605);
  if (meta > 2) {
    spacing(30, 1, kVia, kVia2, R803);
    surround(30, 2, kMetal2, kVia2, R804);
    surround(30, 3, kMetal3, kVia2, R805);
  }
  if (meta > 3) {
    spacing(31, 1, kVia2, kVia3, RA03);
    surround(31, 2, kMetal3, kVia3, RA04);
    surround(31, 3, kMetal4, kVia3, RA05);
  }
  if (meta > 4) {
    surround(32, 1, kMetal4, kVia4, RC04);
    surround(32, 2, kMetal5, kVia4, RC05);
  }
  if (meta > 5) {
    surround(33, 1, kMetal5, kVia5, RE04);
    surround(33, 2, kMetal6, kVia5, RE05);
  }
  overlap();
  g_.cells.clear();
  g_.cells.shrink_to_fit();

  st_.write(StatusMessage::Info, res_.errorCount > 0 ? "DRC Errors" : "No Error");
  if (res_.errorCount > 0) {
    res_.message = "Design rule errors detected. See \"Help -> Design rules\"";
  } else if (res_.aborted) {
    res_.message = "Design rule check stopped: the layout was not checked to the end";
  } else if (!res_.complete) {
    res_.message = "No design rule error found, but the check is incomplete: the grid was too small for some checks";
  } else if (res_.protectedLayers) {
    res_.message = "No design rule error. Partial DRC due to protected layers in the palette";
  } else {
    double used = 100.0 * std::max(res_.maxYsUsed / double(lim_.maxYs), res_.maxXsUsed / double(lim_.maxXs));
    if (anyTiled_) used = std::max(used, 100.0 * double(maxCells_) / (double(lim_.maxXs) * lim_.maxYs));
    res_.message = "No design rule error. Congratulations (" + F(used, 3, 1) + "% memory used)";
  }
  return std::move(res_);
}

}  // namespace

DrcResult checkDesignRules(LayoutDatabase& db, const TechnologyRules& tech, StatusMessage& status,
                           DrcReceiver* receiver, const DrcLimits& limits) {
  Checker c(db, tech, status, receiver, limits);
  return c.run();
}

}  // namespace quill
