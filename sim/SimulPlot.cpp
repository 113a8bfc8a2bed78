#include "sim/SimulPlot.h"

#include <algorithm>
#include <cmath>

#include "core/Text.h"
#include "editor/Stimulus.h"

namespace quill {

namespace {

constexpr Colour kGridColour = rgb(128, 128, 128);
constexpr int kTextPoints = 8;

// a pixel coordinate from a double, kept far from the int limits so that
// no line becomes endless
int pixel(double v) {
  if (!std::isfinite(v)) return 0;
  return static_cast<int>(std::lround(std::clamp(v, -1e6, 1e6)));
}

bool driven(const CircuitNode& n) { return n.kind != 3 && n.kind != 4; }

}  // namespace

// ------------------------------------------------------------- scales

int timeEntryFor(double& length) {
  if (!(length > 0)) {
    length = kTimeScale[0].value;
    return 0;
  }
  for (int i = 0; i + 1 < static_cast<int>(kTimeScale.size()); ++i)
    if (length <= kTimeScale[static_cast<std::size_t>(i)].value * 1.02) return i;
  length = kTimeScale.back().value;
  return static_cast<int>(kTimeScale.size()) - 1;
}

double lengthCovering(double length, double need) {
  if (!(need > length)) return length;
  for (double v : {2e-8, 5e-8, 1e-7, 2e-7, 5e-7})
    if (v > need) return v;
  return 5e-7;
}

std::vector<std::string> xScaleTexts(double vmax) {
  std::vector<std::string> t{"0..vdd", "0..vddhv", "1..2", "2..3"};
  const double mid = vmax / 2;
  for (double d : {0.1, 0.025, 0.005}) t.push_back(F(mid - d, 1, 2) + ".." + F(mid + d, 1, 2));
  return t;
}

VoltRange xScaleRange(int entry, double vdd, double vddHigh, double vmax) {
  const double mid = vmax / 2;
  switch (entry) {
    case 1: return {0, vddHigh};
    case 2: return {1, 2};
    case 3: return {2, 3};
    // the range is the one the entry's text shows
    case 4: return {mid - 0.1, mid + 0.1};
    case 5: return {mid - 0.025, mid + 0.025};
    case 6: return {mid - 0.005, mid + 0.005};
    default: return {0, vdd};
  }
}

double plotVoltageMax(const ExtractedCircuit& c, double vdd) {
  double v = vdd;
  for (int i = 2; i <= c.highestNode(); ++i) v = std::max(v, levelToVolts(c.nodes[static_cast<std::size_t>(i)].levelHigh, vdd));
  return v;
}

double axisLow(double vmax, double zoom) {
  const double v = -vmax * zoom / 6;
  for (double c : {-0.1, -0.2, -0.5, -1.0, -2.0, -5.0})
    if (c <= v) return c;
  return -10;
}

// ------------------------------------------------------------- traces

std::string traceSortKey(std::string_view name) {
  std::string k = toUpperAscii(name);
  if (!k.empty() && k[0] == '~') k = k.substr(1) + "~";
  return k;
}

std::vector<Trace> assignTraces(const ExtractedCircuit& c) {
  struct Item {
    bool free;
    std::string key;
    int node;
  };
  std::vector<Item> items;
  for (int i = 2; i <= c.highestNode(); ++i) {
    const CircuitNode& n = c.nodes[static_cast<std::size_t>(i)];
    if (n.visible == 2) items.push_back({!driven(n), traceSortKey(n.name), i});
  }
  std::stable_sort(items.begin(), items.end(), [](const Item& a, const Item& b) {
    if (a.free != b.free) return !a.free;
    return a.key < b.key;
  });
  if (items.size() > static_cast<std::size_t>(kMaxTraces)) items.resize(kMaxTraces);
  std::vector<Trace> t;
  for (const Item& i : items) {
    Trace x;
    x.node = i.node;
    const std::string& name = c.nodes[static_cast<std::size_t>(i.node)].name;
    const std::size_t at = name.find("[0]");
    if (at != std::string::npos) {
      x.bus.push_back(i.node);
      for (int b = 1; b <= 7; ++b) {
        const std::string member = name.substr(0, at) + "[" + std::to_string(b) + "]" + name.substr(at + 3);
        int found = -1;
        for (int n = 2; n <= c.highestNode() && found < 0; ++n)
          if (c.nodes[static_cast<std::size_t>(n)].name == member) found = n;
        x.bus.push_back(found);
      }
    }
    t.push_back(std::move(x));
  }
  // colours in node-index order: the k-th node takes entry k mod 8
  std::vector<std::size_t> byIndex(t.size());
  for (std::size_t i = 0; i < t.size(); ++i) byIndex[i] = i;
  std::sort(byIndex.begin(), byIndex.end(), [&](std::size_t a, std::size_t b) { return t[a].node < t[b].node; });
  for (std::size_t k = 0; k < byIndex.size(); ++k) t[byIndex[k]].palette = static_cast<int>((k + 1) % 8);
  return t;
}

Colour paletteColour(int entry, PlotBackground bg) {
  static constexpr Colour black[8] = {rgb(0, 255, 255),   rgb(255, 0, 0),   rgb(64, 192, 64),    rgb(255, 255, 255),
                                      rgb(255, 255, 0),   rgb(0, 255, 0),   rgb(192, 113, 239),  rgb(192, 192, 192)};
  static constexpr Colour white[8] = {rgb(128, 128, 128), rgb(255, 0, 0),   rgb(128, 128, 0),    rgb(0, 0, 128),
                                      rgb(128, 0, 0),     rgb(0, 0, 0),     rgb(192, 192, 192),  rgb(0, 255, 0)};
  const std::size_t e = static_cast<std::size_t>(((entry % 8) + 8) % 8);
  switch (bg) {
    case PlotBackground::Black: return black[e];
    case PlotBackground::White: return white[e];
    case PlotBackground::Monochrome: break;
  }
  return rgb(0, 0, 0);
}

// ------------------------------------------------------------- geometry

int PlotGeometry::bandHeight() const { return std::max(1, (height - 40) / std::max(1, traces)); }

double PlotGeometry::pixelsPerVolt() const {
  const double z = zoom > 0 ? zoom : 1, lo = vlow();
  double s = 0;
  switch (mode) {
    case kModeVoltageTime: s = (height - 40) / (std::max(1, traces) * 1.2 * vmax * z); break;
    case kModeVoltageCurrent: s = (height - 40 - middle()) / ((1.1 * vmax - lo) * z); break;
    case kModeFrequency: s = (height - 40 - middle()) / ((vmax - lo) * z); break;
    case kModeEye: s = (height - 40) / (vmax * z); break;
    case kModeStatic: s = (height - 40) / (vmax - lo); break;
    default: break;
  }
  return std::isfinite(s) && s > 1e-9 ? s : 1e-9;
}

int PlotGeometry::xOfTime(double t) const {
  return pixel(kLeft + t * (width - kLeft) / (length > 0 ? length : 1));
}

double PlotGeometry::timeAt(int px) const { return (px - kLeft) * (length > 0 ? length : 1) / std::max(1, width - kLeft); }

int PlotGeometry::bandTop(int trace) const { return kTop + trace * bandHeight(); }
int PlotGeometry::bandBottom(int trace) const { return kTop + (trace + 1) * bandHeight(); }

int PlotGeometry::yOfVoltage(int trace, double v) const {
  const double s = pixelsPerVolt();
  switch (mode) {
    case kModeVoltageTime: return pixel(bandBottom(trace) - v * s);
    case kModeEye: return pixel(bottom() - v * s);
    default: return pixel(bottom() - (v - vlow()) * s);
  }
}

double PlotGeometry::voltageAt(int trace, int py) const {
  const double s = pixelsPerVolt();
  switch (mode) {
    case kModeVoltageTime: return (bandBottom(trace) - py) / s;
    case kModeEye: return (bottom() - py) / s;
    default: return (bottom() - py) / s + vlow();
  }
}

int PlotGeometry::traceAt(int py) const {
  return std::clamp((py - kTop) / bandHeight(), 0, std::max(1, traces) - 1);
}

int PlotGeometry::yOfCurrent(double amps) const {
  const int hm = middle();
  if (logCurrent) {
    const double p = hm - 20;
    return std::min(hm, pixel(hm - (std::log(std::max(std::fabs(amps), 1e-15)) / 2.3 + 10) * p / 10));
  }
  const double p = (hm - 20) / (currentScale > 0 ? currentScale : 1);
  return std::min(hm, pixel(hm - amps * p));
}

double PlotGeometry::currentAt(int py) const {
  const int hm = middle();
  const double p = std::max(1, hm - 20);
  if (logCurrent) return std::exp(((hm - py) * 10 / p - 10) * 2.3);
  return (hm - py) / p * (currentScale > 0 ? currentScale : 1);
}

int PlotGeometry::yOfFrequency(double mhz) const {
  return pixel(middle() - mhz * (height - 40 - middle()) / (frequencyScale > 0 ? frequencyScale : 1));
}

double PlotGeometry::frequencyAt(int py) const {
  return (middle() - py) * (frequencyScale > 0 ? frequencyScale : 1) / std::max(1, height - 40 - middle());
}

int PlotGeometry::xOfVolts(double v) const {
  const double span = x.high - x.low;
  return pixel(kLeft + (v - x.low) * (width - kLeft) / (span != 0 ? span : 1));
}

double PlotGeometry::voltsAt(int px) const {
  const double span = x.high - x.low;
  return x.low + (px - kLeft) * (span != 0 ? span : 1) / std::max(1, width - kLeft);
}

// ------------------------------------------------------------- drawing

int SimulationPlot::traceOf(int node) const {
  if (node < 0) return -1;
  for (std::size_t i = 0; i < traces.size(); ++i)
    if (traces[i].node == node) return static_cast<int>(i);
  return -1;
}

Colour SimulationPlot::backgroundColour() const {
  return background == PlotBackground::Black ? rgb(0, 0, 0) : rgb(255, 255, 255);
}

Colour SimulationPlot::textColour() const {
  return background == PlotBackground::Black ? rgb(255, 255, 255) : rgb(0, 0, 0);
}

Colour SimulationPlot::traceColour(const Trace& t) const { return paletteColour(t.palette, background); }

void SimulationPlot::text(int x, int y, const std::string& s, Colour c) {
  TextStyle st;
  st.pointSize = kTextPoints;
  st.colour = c;
  surface_->text(x, y, s, st);
}

std::string SimulationPlot::voltsText(double v) const { return F(v, 1, 3) + " V"; }

int SimulationPlot::clampRow(int y) const { return std::clamp(y, PlotGeometry::kTop, geometry.bottom()); }

double SimulationPlot::relativeTime(double t) const { return t - runStart_; }

int SimulationPlot::traceRow(int trace, double v, bool& outside) const {
  outside = false;
  int y = geometry.yOfVoltage(trace, v);
  int top = PlotGeometry::kTop, bottom = geometry.bottom();
  if (geometry.mode == kModeVoltageTime) {
    top = geometry.bandTop(trace);
    bottom = geometry.bandBottom(trace);
  } else if (geometry.mode == kModeVoltageCurrent || geometry.mode == kModeFrequency) {
    top = geometry.middle();
  }
  if (y < top) y = top, outside = true;
  if (y > bottom) y = bottom, outside = true;
  return y;
}

void SimulationPlot::arrowHead(int x, int y, int dx, int dy, Colour c) {
  // dx, dy: the direction the arrow points, one of them 0
  surface_->line(x, y, x - 4 * dx - 3 * dy, y - 4 * dy - 3 * dx, c);
  surface_->line(x, y, x - 4 * dx + 3 * dy, y - 4 * dy + 3 * dx, c);
}

void SimulationPlot::marker(int shape, int x, int y, Colour c) {
  Surface& s = *surface_;
  switch (shape % 7) {
    case 0: s.outlineRect(x - 3, y - 3, x + 4, y + 4, c); break;
    case 1: s.line(x - 3, y - 3, x + 3, y + 3, c); s.line(x - 3, y + 3, x + 3, y - 3, c); break;
    case 2: s.line(x - 3, y, x + 3, y, c); s.line(x, y - 3, x, y + 3, c); break;
    case 3: s.line(x - 3, y + 3, x + 3, y + 3, c); s.line(x - 3, y + 3, x, y - 3, c); s.line(x, y - 3, x + 3, y + 3, c); break;
    case 4: s.line(x, y - 3, x + 3, y, c); s.line(x + 3, y, x, y + 3, c); s.line(x, y + 3, x - 3, y, c); s.line(x - 3, y, x, y - 3, c); break;
    case 5: s.fillRect(x - 2, y - 2, x + 3, y + 3, c); break;
    default: s.line(x - 3, y - 3, x + 3, y - 3, c); s.line(x, y - 3, x, y + 3, c); s.line(x - 3, y + 3, x + 3, y + 3, c); break;
  }
}

void SimulationPlot::curve(Point& p, int x, int y, Colour c) {
  if (p.set) surface_->line(p.x, p.y, x, y, c);
  else surface_->setPixel(x, y, c);
  p = {x, y, true};
}

void SimulationPlot::drawTimeAxis(double from, double length) {
  Surface& s = *surface_;
  const int y = geometry.bottom(), w = geometry.width;
  s.line(PlotGeometry::kLeft, y, w - 1, y, kGridColour);
  const int decimals = length < 1e-9 ? 3 : length < 1e-8 ? 2 : 1;
  for (int i = 0; i <= 10; ++i) {
    const int x = PlotGeometry::kLeft + i * (w - PlotGeometry::kLeft) / 10;
    s.line(x, y, x, y + 3, kGridColour);
    if (i % 2 == 0 && i < 10) {
      const std::string label = F((from + i * length / 10) * 1e9, 1, decimals);
      text(x - (i ? 8 : 0), y + 4, label, textColour());
    }
  }
  TextStyle st;
  st.pointSize = kTextPoints;
  const std::string caption = "Time(ns)";
  text(w - s.textWidth(caption, st) - 2, y + 4, caption, textColour());
}

void SimulationPlot::drawGrid(double low, double high) {
  const double vmax = geometry.vmax;
  const double step = vmax >= 5 ? 1.0 : vmax >= 1.5 ? 0.25 : vmax >= 1 ? 0.1 : 0.05;
  const int first = static_cast<int>(std::ceil(low / step - 1e-9)), last = static_cast<int>(std::floor(high / step + 1e-9));
  for (int i = first; i <= last && i - first < 400; ++i) {
    const double v = i * step;
    const int y = geometry.yOfVoltage(0, v);
    if (y < PlotGeometry::kTop || y > geometry.bottom()) continue;
    surface_->line(PlotGeometry::kLeft, y, geometry.width - 1, y, kGridColour);
    text(15, y - 6, F(v, 5, 2), textColour());
  }
}

void SimulationPlot::drawFrame() {
  if (!surface_) return;
  Surface& s = *surface_;
  s.setPenMode(PenMode::Copy);
  s.fillRect(0, 0, s.width(), s.height(), backgroundColour());
  const PlotGeometry& g = geometry;
  const Colour tc = textColour();
  const double vdd = tech_.vdd;
  const std::vector<CircuitNode>& nodes = engine_.nodes();
  auto nameOf = [&](int node) {
    return node >= 0 && node < static_cast<int>(nodes.size()) ? nodes[static_cast<std::size_t>(node)].name : std::string();
  };
  const double from = engine_.time();
  switch (g.mode) {
    case kModeVoltageTime:
      text(2, 2, "(Volt)", tc);
      for (std::size_t k = 0; k < traces.size(); ++k) {
        const int i = static_cast<int>(k), zero = g.bandBottom(i);
        s.line(PlotGeometry::kLeft, zero, g.width - 1, zero, kGridColour, true);
        const int top = g.yOfVoltage(i, vdd);
        if (top > g.bandTop(i)) s.line(PlotGeometry::kLeft, top, g.width - 1, top, kGridColour, true);
        text(2, g.bandTop(i) + 2, nameOf(traces[k].node), background == PlotBackground::Monochrome ? tc : traceColour(traces[k]));
        text(34, zero - 12, "0V", tc);
      }
      drawTimeAxis(from, g.length);
      break;
    case kModeVoltageCurrent:
    case kModeFrequency: {
      const int hm = g.middle();
      s.line(PlotGeometry::kLeft, hm, g.width - 1, hm, kGridColour);
      const int zero = g.yOfVoltage(0, 0), top = g.yOfVoltage(0, vdd);
      s.line(PlotGeometry::kLeft, zero, g.width - 1, zero, kGridColour, true);
      s.line(PlotGeometry::kLeft, top, g.width - 1, top, kGridColour, true);
      text(2, zero - 12, "0V", tc);
      text(2, top - 12, "Vdd=" + F(vdd, 1, 2), tc);
      if (tech_.vddHigh != vdd && tech_.vddHigh > 0) {
        const int h = g.yOfVoltage(0, tech_.vddHigh);
        if (h >= hm) {
          s.line(PlotGeometry::kLeft, h, g.width - 1, h, kGridColour, true);
          text(2, h - 12, "Vddh=" + F(tech_.vddHigh, 1, 2), tc);
        }
      }
      text(2, hm + 4, "(Volt)", tc);
      if (g.mode == kModeVoltageCurrent) {
        if (g.logCurrent) {
          text(2, 2, "(A)", tc);
          for (int d = 0; d >= -9; d -= 3) {
            const int y = g.yOfCurrent(std::pow(10.0, d));
            s.line(PlotGeometry::kLeft, y, g.width - 1, y, kGridColour, true);
            text(2, y - 6, "1e" + std::to_string(d), tc);
          }
        } else {
          text(2, 2, "(mA)", tc);
          text(2, PlotGeometry::kTop, F(g.currentScale * 1000, 1, 1), tc);
          text(2, hm - 12, "0", tc);
        }
      } else {
        const bool giga = g.frequencyScale >= 1000;
        text(PlotGeometry::kLeft + 2, 2, std::string("Frequency(") + (giga ? "GHz)" : "MHz)"), tc);
        text(2, PlotGeometry::kTop, F(giga ? g.frequencyScale / 1000 : g.frequencyScale, 1, 0), tc);
      }
      drawTimeAxis(from, g.length);
      break;
    }
    case kModeEye:
      text(2, 2, "(Volt)", tc);
      drawGrid(0, g.vmax * g.zoom);
      drawTimeAxis(0, g.length);
      break;
    case kModeStatic: {
      text(2, 2, "(Volt)", tc);
      drawGrid(g.vlow(), g.vmax);
      text(PlotGeometry::kLeft + 2, 2, nameOf(engine_.stopNode), tc);
      const int y = g.bottom();
      s.line(PlotGeometry::kLeft, y, g.width - 1, y, kGridColour);
      text(PlotGeometry::kLeft, y + 4, F(g.x.low, 1, 3), tc);
      TextStyle st;
      st.pointSize = kTextPoints;
      const std::string high = F(g.x.high, 1, 3), xname = nameOf(engine_.startNode) + " (Volt)";
      text(g.width - s.textWidth(high, st) - 2, y + 4, high, tc);
      text((PlotGeometry::kLeft + g.width) / 2, y + 4, xname, tc);
      break;
    }
    default: break;
  }
}

void SimulationPlot::beginRun() {
  runStart_ = engine_.time();
  last_.assign(traces.size(), Point{});
  busShown_.assign(traces.size(), -1);
  nextMarker_.assign(traces.size(), PlotGeometry::kLeft);
  idd_ = iss_ = watched_ = dc_ = freq_ = Point{};
  dcCrossed_ = false;
  freqLabelEnd_ = freqPointLabelEnd_ = -1000000;
  if (!surface_ || geometry.mode == kModeStatic) return;
  // the curves start at the left edge from the voltages the run starts with
  const std::vector<CircuitNode>& nodes = engine_.nodes();
  for (std::size_t k = 0; k < traces.size(); ++k) {
    bool outside = false;
    const int y = traceRow(static_cast<int>(k), nodes[static_cast<std::size_t>(traces[k].node)].V, outside);
    last_[k] = {PlotGeometry::kLeft, y, true};
  }
}

void SimulationPlot::plotted(double t) {
  if (!surface_ || geometry.mode == kModeStatic) return;
  const PlotGeometry& g = geometry;
  const int x = g.mode == kModeEye ? g.xOfTime(static_cast<double>(engine_.steps()) * engine_.settings.dt)
                                   : g.xOfTime(relativeTime(t));
  const std::vector<CircuitNode>& nodes = engine_.nodes();
  const bool mono = background == PlotBackground::Monochrome;
  for (std::size_t k = 0; k < traces.size(); ++k) {
    const CircuitNode& n = nodes[static_cast<std::size_t>(traces[k].node)];
    bool outside = false;
    const int y = traceRow(static_cast<int>(k), n.V, outside);
    Colour c = traceColour(traces[k]);
    if (!mono && n.kind == 4) c = kFloatingColour;
    if (!mono && outside && g.mode == kModeVoltageTime) c = kWarningColour;
    Point& p = last_[k];
    if (g.mode == kModeEye && p.set && x < p.x) p.set = false;  // a new sweep
    curve(p, x, y, c);
    if (mono && x >= nextMarker_[k]) {
      marker(traces[k].palette, x, y, c);
      nextMarker_[k] = x + kMarkerSpacing;
    }
    if (g.mode == kModeVoltageTime && options.busValues && !traces[k].bus.empty()) {
      const int v = engine_.BusValue(traces[k].bus);
      if (v != busShown_[k]) {
        text(x, y - 15, std::to_string(v), mono ? textColour() : traceColour(traces[k]));
        busShown_[k] = v;
      }
    }
  }
  if (g.mode == kModeVoltageCurrent) {
    if (options.showIdd) curve(idd_, x, std::max(PlotGeometry::kTop, g.yOfCurrent(engine_.iddNow())), kIddColour);
    if (options.showIss) curve(iss_, x, std::max(PlotGeometry::kTop, g.yOfCurrent(engine_.issNow())), kIssColour);
    if (!options.watchedText.empty())
      curve(watched_, x, std::max(PlotGeometry::kTop, g.yOfCurrent(engine_.watchedNow())), textColour());
  }
}

void SimulationPlot::dcPoint(double vx, double vy, bool converged) {
  if (!surface_ || geometry.mode != kModeStatic) return;
  const PlotGeometry& g = geometry;
  const int x = std::clamp(g.xOfVolts(vx), 0, g.width), y = clampRow(g.yOfVoltage(0, vy));
  const int k = traceOf(engine_.stopNode);
  Colour c = k >= 0 && background != PlotBackground::Monochrome ? traceColour(traces[static_cast<std::size_t>(k)]) : textColour();
  if (!converged) c = kWarningColour;
  const bool first = !dc_.set;
  curve(dc_, x, y, c);
  const double half = tech_.vdd / 2;
  if (!first && !dcCrossed_ && (dcPrevY_ - half) * (vy - half) <= 0 && dcPrevY_ != vy) {
    dcCrossed_ = true;
    const double dx = vx - dcPrevX_;
    if (options.slope && dx != 0) text(x + 4, y - 14, F((vy - dcPrevY_) / dx, 3, 1) + "V/V", textColour());
    if (options.switching) {
      surface_->line(x, y, x, g.bottom(), kGridColour, true);
      surface_->line(PlotGeometry::kLeft, y, x, y, kGridColour, true);
      text(x + 4, y + 2, "Vc=" + F(vx, 5, 3) + "V at y=Vdd/2", textColour());
    }
  }
  dcPrevX_ = vx;
  dcPrevY_ = vy;
}

void SimulationPlot::delayStart(double t) {
  if (!surface_ || geometry.mode != kModeVoltageTime) return;
  const int x = geometry.xOfTime(relativeTime(t));
  if (x < PlotGeometry::kLeft) return;
  surface_->line(x, PlotGeometry::kTop, x, geometry.bottom(), textColour(), true);
}

void SimulationPlot::delayMeasured(double tStart, double tStop, bool) {
  if (!surface_ || geometry.mode != kModeVoltageTime) return;
  const int k = traceOf(engine_.stopNode);
  if (k < 0) return;
  const int xs = geometry.xOfTime(relativeTime(tStart)), xe = geometry.xOfTime(relativeTime(tStop));
  if (!(xs > PlotGeometry::kLeft && xs < xe)) return;
  // a quarter up the stop trace: the frequency marker takes its middle
  const int y = geometry.yOfVoltage(k, tech_.vdd / 4);
  const Colour c = textColour();
  surface_->line(xs, y, xe, y, c);
  arrowHead(xs, y, -1, 0, c);
  arrowHead(xe, y, 1, 0, c);
  const double ps = (tStop - tStart) * 1e12;
  const std::string s = ps > 10000 ? F(roundHalfEven(ps / 1000), 1, 0) + "ns" : F(roundHalfEven(ps), 1, 0) + "ps";
  TextStyle st;
  st.pointSize = kTextPoints;
  text((xs + xe) / 2 - surface_->textWidth(s, st) / 2, y - 14, s, c);
}

void SimulationPlot::frequencyMeasured(double tPrevious, double t, double hz) {
  const int mode = geometry.mode;
  if (!surface_ || (mode != kModeVoltageTime && mode != kModeVoltageCurrent && mode != kModeFrequency)) return;
  const PlotGeometry& g = geometry;
  const Colour c = textColour();
  const int xs = g.xOfTime(relativeTime(tPrevious)), xe = g.xOfTime(relativeTime(t));
  const int k = traceOf(engine_.frequencyNode);
  if (k >= 0 && xs >= PlotGeometry::kLeft && xs >= freqLabelEnd_) {
    const int y = g.yOfVoltage(k, tech_.vdd / 2);
    const std::string f = hz > 1e8 ? F(hz / 1e9, 5, 2) + "G" : F(hz / 1e6, 5, 2) + "M";
    const std::string period = F((t - tPrevious) * 1e9, 1, 3) + "ns";
    surface_->line(xs, y, xe, y, c);
    arrowHead(xs, y, -1, 0, c);
    arrowHead(xe, y, 1, 0, c);
    text(xs, y - 14, f, c);
    text(xs, y + 2, period, c);
    freqLabelEnd_ = xs + 10 * static_cast<int>(std::max(f.size(), period.size()));
  }
  if (mode == kModeFrequency) {
    const double mhz = hz / 1e6;
    const int y = std::clamp(g.yOfFrequency(mhz), PlotGeometry::kTop, g.middle());
    surface_->fillRect(xe - 2, y - 2, xe + 3, y + 3, c);
    if (freq_.set) surface_->line(freq_.x, freq_.y, xe, y, c);
    freq_ = {xe, y, true};
    const std::string label = g.frequencyScale >= 1000 ? F(mhz / 1000, 1, 2) : F(mhz, 1, 1);
    if (xe >= freqPointLabelEnd_) {
      text(xe + 3, y - 12, label, c);
      freqPointLabelEnd_ = xe + 10 * static_cast<int>(label.size());
    }
  }
}

void SimulationPlot::endRun(bool completed) {
  if (!surface_ || !completed) return;
  const PlotGeometry& g = geometry;
  const int mode = g.mode;
  const std::vector<CircuitNode>& nodes = engine_.nodes();
  const Colour tc = textColour();
  TextStyle st;
  st.pointSize = kTextPoints;
  if (mode == kModeVoltageTime || mode == kModeVoltageCurrent || mode == kModeFrequency) {
    for (std::size_t k = 0; k < traces.size(); ++k) {
      if (!last_[k].set) continue;
      const std::string v = F(nodes[static_cast<std::size_t>(traces[k].node)].V, 1, 2);
      text(last_[k].x - surface_->textWidth(v, st) - 2, last_[k].y - 12, v, tc);
    }
  }
  const SimulationResults& r = engine_.results;
  const int k = traceOf(engine_.frequencyNode);
  if (options.minMax && k >= 0 && mode != kModeEye && mode != kModeStatic &&
      r.maxV != SimulationResults::kSentinel && r.minV != -SimulationResults::kSentinel) {
    auto label = [&](double v) {
      std::string s = F(v, 1, 3) + "V ";
      if (options.couplings) s.append("(").append(F(100 * v / tech_.vdd, 1, 1)).append("%Vdd)");
      else s.append("(dV=").append(F(r.maxV - r.minV, 1, 3)).append("V)");
      return s;
    };
    bool outside = false;
    const int xmax = g.xOfTime(relativeTime(r.maxVTime)), ymax = traceRow(k, r.maxV, outside);
    const int xmin = g.xOfTime(relativeTime(r.minVTime)), ymin = traceRow(k, r.minV, outside);
    surface_->fillRect(xmax - 2, ymax - 2, xmax + 3, ymax + 3, tc);
    surface_->fillRect(xmin - 2, ymin - 2, xmin + 3, ymin + 3, tc);
    // labels stay on the area: left of a marker near the right edge
    auto place = [&](int x, const std::string& s) {
      const int w = surface_->textWidth(s, st);
      return x + 4 + w > g.width ? x - 4 - w : x + 4;
    };
    const std::string top = label(r.maxV), low = label(r.minV);
    text(place(xmax, top), ymax - 12, top, tc);
    text(place(xmin, low), ymin + 2, low, tc);
  }
  if (mode == kModeVoltageCurrent) {
    int x = PlotGeometry::kLeft + 2;
    auto caption = [&](const std::string& s, Colour c) {
      text(x, 2, s, c);
      x += surface_->textWidth(s, st) + 12;
    };
    if (options.showIdd) {
      if (r.maxIdd > 0) {
        const int c = g.xOfTime(relativeTime(r.maxIddTime));
        surface_->line(c, PlotGeometry::kTop, c, g.bottom(), kIddColour, true);
      }
      caption("Idd in red", kIddColour);
      caption("iddmax=" + F(r.maxIdd * 1000, 1, 3) + "mA", kIddColour);
    }
    if (options.showIss) {
      // the line marks the largest ISS, the curve it belongs to
      if (r.maxIss > 0) {
        const int c = g.xOfTime(relativeTime(r.maxIssTime));
        surface_->line(c, PlotGeometry::kTop, c, g.bottom(), kIssColour, true);
      }
      caption("Iss in green", kIssColour);
      caption("iddAvr=" + F(r.avgIdd * 1000, 1, 3) + "mA", kIssColour);
    }
    if (!options.watchedText.empty()) caption(options.watchedText + "=" + F(r.maxWatched * 1000, 1, 3) + "mA", tc);
  }
}

std::string SimulationPlot::cursorText(int px, int py) const {
  const PlotGeometry& g = geometry;
  std::string x, y;
  if (g.mode == kModeStatic) {
    x = voltsText(g.voltsAt(px));
    y = voltsText(g.voltageAt(0, py));
  } else {
    const double t = g.mode == kModeEye ? g.timeAt(px) : g.timeAt(px) + runStart_;
    x = " time " + F(t * 1e9, 1, 3) + "ns ";
    switch (g.mode) {
      case kModeVoltageTime: {
        const int k = g.traceAt(py);
        const std::vector<CircuitNode>& nodes = engine_.nodes();
        const std::string name = k < static_cast<int>(traces.size())
                                     ? nodes[static_cast<std::size_t>(traces[static_cast<std::size_t>(k)].node)].name
                                     : std::string();
        y = name + "=" + voltsText(g.voltageAt(k, py));
        break;
      }
      case kModeVoltageCurrent:
        y = py <= g.middle() ? F(g.currentAt(py) * 1000, 1, 3) + " mA" : voltsText(g.voltageAt(0, py));
        break;
      case kModeFrequency:
        y = py <= g.middle() ? F(g.frequencyAt(py), 1, 1) + " MHz" : voltsText(g.voltageAt(0, py));
        break;
      default: y = voltsText(g.voltageAt(0, py)); break;
    }
  }
  return "Cursor at " + x + ", " + y;
}

std::string SimulationPlot::measure(int x1, int y1, int x2, int y2) {
  if (!surface_) return {};
  const PlotGeometry& g = geometry;
  const Colour c = textColour();
  if (g.mode == kModeStatic) {
    surface_->line(x1, y1, x2, y2, c);
    const double dx = g.voltsAt(x2) - g.voltsAt(x1), dy = g.voltageAt(0, y2) - g.voltageAt(0, y1);
    if (dx != 0) text(x2 + 4, y2 - 6, F(dy / dx, 5, 1), c);
    return "dx=" + F(dx, 4, 2) + ",dy=" + F(dy, 4, 2);
  }
  if (g.mode == kModeFrequency) return {};
  if (std::abs(y2 - y1) > std::abs(x2 - x1)) {
    surface_->line(x1, y1, x1, y2, c, true);
    const int dir = y2 > y1 ? 1 : -1;
    arrowHead(x1, y2, 0, dir, c);
    arrowHead(x1, y1, 0, -dir, c);
    text(x1 + 4, (y1 + y2) / 2 - 6, F((y1 - y2) / g.pixelsPerVolt(), 4, 3) + "V", c);
  } else {
    surface_->line(x1, y1, x2, y1, c, true);
    const int dir = x2 >= x1 ? 1 : -1;
    arrowHead(x2, y1, dir, 0, c);
    arrowHead(x1, y1, -dir, 0, c);
    const double ns = (g.timeAt(x2) - g.timeAt(x1)) * 1e9;
    text((x1 + x2) / 2, y1 - 14, F(ns, 4, 3) + "ns", c);
    if (ns > 0) text((x1 + x2) / 2, y1 + 2, F(1000 / ns, 4, 0) + "MHz", c);
  }
  return {};
}

}  // namespace quill
