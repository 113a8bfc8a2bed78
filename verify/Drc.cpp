#include "verify/Drc.h"

#include <algorithm>
#include <cstdlib>

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
  std::vector<std::int32_t>& xs = g_.xs;
  std::vector<std::int32_t>& ys = g_.ys;
  xs.assign(1, 0);
  ys.assign(1, 0);
  xs.push_back(e.x1 - 1);
  xs.push_back(e.x2 + 1);
  ys.push_back(e.y1 - 1);
  ys.push_back(e.y2 + 1);
  for (int l : layers) {
    for (int p = db_.firstOfLayer(l); p <= db_.lastOfLayer(l) && p > 0; ++p) {
      const LayoutBox& b = static_cast<const LayoutDatabase&>(db_).box(p);
      xs.push_back(b.x1);
      xs.push_back(b.x2);
      ys.push_back(b.y1);
      ys.push_back(b.y2);
    }
  }
  std::sort(xs.begin() + 1, xs.end());
  xs.erase(std::unique(xs.begin() + 1, xs.end()), xs.end());
  std::sort(ys.begin() + 1, ys.end());
  ys.erase(std::unique(ys.begin() + 1, ys.end()), ys.end());
  g_.nx = static_cast<int>(xs.size()) - 1;
  g_.ny = static_cast<int>(ys.size()) - 1;
  res_.maxXsUsed = std::max(res_.maxXsUsed, std::min(g_.nx, lim_.maxXs));
  res_.maxYsUsed = std::max(res_.maxYsUsed, std::min(g_.ny, lim_.maxYs));
  if (g_.nx > lim_.maxXs || g_.ny > lim_.maxYs) {
    // never pass what was not checked
    st_.write(StatusMessage::Technology, overflowText);
    res_.complete = false;
    return false;
  }
  g_.stride = g_.ny + 2;
  g_.cells.assign(static_cast<std::size_t>(g_.nx + 2) * static_cast<std::size_t>(g_.stride), 0);
  std::uint8_t bit = 1;
  for (int l : layers) {
    for (int p = db_.firstOfLayer(l); p <= db_.lastOfLayer(l) && p > 0; ++p) {
      const LayoutBox& b = static_cast<const LayoutDatabase&>(db_).box(p);
      const int i1 = static_cast<int>(std::lower_bound(xs.begin() + 1, xs.end(), b.x1) - xs.begin());
      const int i2 = static_cast<int>(std::lower_bound(xs.begin() + 1, xs.end(), b.x2) - xs.begin());
      const int j1 = static_cast<int>(std::lower_bound(ys.begin() + 1, ys.end(), b.y1) - ys.begin());
      const int j2 = static_cast<int>(std::lower_bound(ys.begin() + 1, ys.end(), b.y2) - ys.begin());
      for (int i = i1; i < i2; ++i) {
        std::uint8_t* col = &g_.ref(i, 0);
        for (int j = j1; j < j2; ++j) col[j] |= bit;
      }
    }
    bit = static_cast<std::uint8_t>(bit << 1);
  }
  return true;
}

void Checker::report(int i1, int j1, int i2, int j2, bool vertical, int value, const std::string& description,
                     const std::string& code) {
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
  std::int32_t x1 = g_.x(i1), y1 = g_.y(j1), x2 = g_.x(i2), y2 = g_.y(j2);
  if (x1 == x2 && y1 != y2) x2 = g_.x(i2 + 1);
  if (y1 == y2 && x1 != x2) y2 = g_.y(j2 + 1);
  v.rect = {std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)};
  if (res_.failedCheck == 0) res_.failedCheck = check_;
  if (rx_) rx_->violation(v);
  res_.violations.push_back(std::move(v));
}

// Vertical and horizontal runs of cells equal to a: widths and spacings.
void Checker::widthScans(std::uint8_t a, const std::string& lname, int W, int S, const std::string& cW,
                         const std::string& cS) {
  const int nx = g_.nx, ny = g_.ny;
  auto L = [&](int i, int j) { return g_.at(i, j) == a; };
  auto dy = [&](int j1, int j2) { return std::llabs(std::int64_t{g_.y(j1)} - g_.y(j2)); };
  auto dx = [&](int i1, int i2) { return std::llabs(std::int64_t{g_.x(i1)} - g_.x(i2)); };
  const std::string vw = lname + " vert. width ", ang = lname + " angle ", wid = lname + " width ",
                    hw = lname + " horiz. width ", spc = " spacing between " + lname;

  for (int i = 1; i <= nx; ++i) {
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

  for (int j = 1; j <= ny; ++j) {
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
}

// Every connected region of cells equal to a, smaller than A, once.
void Checker::surfaceScan(std::uint8_t a, const std::string& lname, int A, const std::string& cA) {
  const int nx = g_.nx, ny = g_.ny;
  constexpr std::uint8_t kVisited = 0x80;
  std::vector<std::pair<int, int>> stack;
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
      if (area < A) report(i, j, i, j, true, A, lname + " surface " + std::to_string(area), "square " + cA);
    }
  }
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
  const int nx = g_.nx, ny = g_.ny;
  auto c = [&](int i, int j) { return g_.at(i, j); };
  const std::string edgeV = " extra " + name(layerA) + " surronding " + name(layerB) + " ";
  const std::string edgeH = " extra " + name(layerA) + " surrounding " + name(layerB) + " ";
  const std::string run = " extra " + name(layerA) + " surronding " + name(layerB);

  for (int i = 1; i <= nx; ++i) {
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
  for (int j = 1; j <= ny; ++j) {
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
}

void Checker::spacing(int check, int part, int layerA, int layerB, int rule) {
  const int R = t_.rule(rule);
  const std::string code = ruleCode(rule);
  if (!begin(check, part, {layerA, layerB}, R < 1, name(layerA) + "-" + name(layerB), "Drc Overflow")) return;
  const int nx = g_.nx, ny = g_.ny;
  auto c = [&](int i, int j) { return g_.at(i, j); };
  const bool abutOk = code == "(r205)";
  auto text = [&](std::int64_t gap) {
    return std::to_string(gap) + " lambda between " + name(layerA) + " and " + name(layerB);
  };
  for (int i = 1; i <= nx; ++i) {
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
  for (int j = 1; j <= ny; ++j) {
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
}

void Checker::overlap() {
  if (!begin(34, 0, {kDiffn, kDiffp}, false, name(kDiffn) + "-" + name(kDiffp), "Drc overflow")) return;
  const int nx = g_.nx, ny = g_.ny;
  const std::string d = " overlap between " + name(kDiffn) + " and " + name(kDiffp);
  for (int i = 1; i <= nx; ++i) {
    int j = 1;
    while (j < ny) {
      while (j < ny && g_.at(i, j) != 3) ++j;
      const int s = j;
      while (j < ny && g_.at(i, j) == 3) ++j;
      if (j > s && j < ny) report(i, s, i, j, true, 0, d, "");
    }
  }
  for (int j = 1; j <= ny; ++j) {
    int i = 1;
    while (i < nx) {
      while (i < nx && g_.at(i, j) != 3) ++i;
      const int s = i;
      while (i < nx && g_.at(i, j) == 3) ++i;
      if (i > s && i < nx) report(s, j, i, j, false, 0, d, "");
    }
  }
}

void Checker::lonelyContact() {
  // only the contacts need to exist: a contact with nothing over it is the fault
  if (!begin(14, 0, {kContact, kMetal, kDiffn, kDiffp}, false, "Scan lonely contact", "Drc overflow", 1u)) return;
  for (int i = 1; i <= g_.nx; ++i)
    for (int j = 1; j <= g_.ny; ++j)
      if (g_.at(i, j) == 1) {
        report(i, j, i + 1, j + 1, true, 2, name(kContact) + " alone here", "");
        return;
      }
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
    const double used = 100.0 * std::max(res_.maxYsUsed / double(lim_.maxYs), res_.maxXsUsed / double(lim_.maxXs));
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
