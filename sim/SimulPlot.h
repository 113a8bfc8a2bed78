// The simulation window's plot without the window: the scale lists, the
// trace list with its colours and buses, the geometry of the five modes, and
// the drawing of frame, traces, markers and read-outs onto a Surface as the
// engine reports each plotted step. Nothing is stored of a waveform but the
// last point of each curve.
#pragma once
#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Surface.h"
#include "sim/Engine.h"

namespace quill {

enum class PlotBackground { Black, White, Monochrome };

struct ScaleEntry {
  const char* text;
  double value;
};

// time and eye lengths (s)
inline constexpr std::array<ScaleEntry, 13> kTimeScale{{{"50 ps", 5e-11},
                                                        {"100 ps", 1e-10},
                                                        {"200 ps", 2e-10},
                                                        {"500 ps", 5e-10},
                                                        {"1 ns", 1e-9},
                                                        {"2 ns", 2e-9},
                                                        {"5 ns", 5e-9},
                                                        {"10 ns", 1e-8},
                                                        {"20 ns", 2e-8},
                                                        {"50 ns", 5e-8},
                                                        {"100 ns", 1e-7},
                                                        {"200 ns", 2e-7},
                                                        {"500 ns", 5e-7}}};
// full scale of the current curves (A); the first entry is logarithmic
inline constexpr std::array<ScaleEntry, 10> kCurrentScale{{{"log scale", 1},
                                                           {"100 uA", 1e-4},
                                                           {"500 uA", 5e-4},
                                                           {"1 mA", 1e-3},
                                                           {"5 mA", 5e-3},
                                                           {"10 mA", 1e-2},
                                                           {"50 mA", 5e-2},
                                                           {"100 mA", 0.1},
                                                           {"500 mA", 0.5},
                                                           {"1 A", 1}}};
inline constexpr int kDefaultCurrentScale = 3;
// full scale of the frequency plot (MHz)
inline constexpr std::array<ScaleEntry, 11> kFrequencyScale{{{"1 MHz", 1},
                                                             {"5 MHz", 5},
                                                             {"10 MHz", 10},
                                                             {"50 MHz", 50},
                                                             {"100 MHz", 100},
                                                             {"500 MHz", 500},
                                                             {"1 GHz", 1000},
                                                             {"5 GHz", 5000},
                                                             {"10 GHz", 1e4},
                                                             {"50 GHz", 5e4},
                                                             {"100 GHz", 1e5}}};
inline constexpr int kDefaultFrequencyScale = 7;
inline constexpr int kXScaleEntries = 7;
inline constexpr int kMaxTraces = 32;

// The entry shown for a length: the first not exceeded with a 2 % margin.
// A length beyond 200 ns becomes 500 ns.
int timeEntryFor(double& length);
// The length grown to the first of 20, 50, 100, 200, 500 ns above need,
// or kept when it already covers need.
double lengthCovering(double length, double need);

struct VoltRange {
  double low = 0, high = 0;
};
// "0..vdd", "0..vddhv", "1..2", "2..3", then three narrow ranges around Vmax/2
std::vector<std::string> xScaleTexts(double vmax);
VoltRange xScaleRange(int entry, double vdd, double vddHigh, double vmax);

// VDD, or the highest stimulus level when one lies above it
double plotVoltageMax(const ExtractedCircuit& c, double vdd);
// -vmax * zoom / 6 rounded down to -0.1, -0.2, -0.5, -1, -2, -5 or -10
double axisLow(double vmax, double zoom);

// --- traces

// upper case, a leading "~" moved to the end
std::string traceSortKey(std::string_view name);

struct Trace {
  int node = 0;
  int palette = 0;       // entry of the colour palette (and marker shape)
  std::vector<int> bus;  // for a name holding "[0]": the nodes [0] .. [7], -1 where missing
};

// The visible nodes, driven first and then free, each group by sort key;
// at most 32. Palette entries go in node-index order: the k-th visible
// node takes entry k mod 8.
std::vector<Trace> assignTraces(const ExtractedCircuit& c);
Colour paletteColour(int entry, PlotBackground bg);

// --- geometry

struct PlotGeometry {
  static constexpr int kLeft = 50, kTop = 20;
  int mode = kModeVoltageTime;
  int width = 640, height = 400;
  int traces = 1;
  double vmax = 5, zoom = 1;
  double length = 1e-8;          // s: the run's length, the eye length in the eye mode
  double currentScale = 1e-3;    // A
  bool logCurrent = false;
  double frequencyScale = 5000;  // MHz
  VoltRange x{0, 5};             // DC mode

  int bottom() const { return height - 20; }
  int middle() const { return height / 2 - 10; }
  double vlow() const { return axisLow(vmax, zoom); }
  int bandHeight() const;
  double pixelsPerVolt() const;
  // time since the start of the run (or of the sweep) <-> column
  int xOfTime(double t) const;
  double timeAt(int px) const;
  // a voltage of trace k (its band in mode 0) <-> row, not clamped
  int yOfVoltage(int trace, double v) const;
  double voltageAt(int trace, int py) const;
  // the band a row lies in (mode 0), the nearest one outside
  int traceAt(int py) const;
  int bandTop(int trace) const;
  int bandBottom(int trace) const;
  // currents in the upper half (voltage-and-current mode)
  int yOfCurrent(double amps) const;
  double currentAt(int py) const;
  int yOfFrequency(double mhz) const;
  double frequencyAt(int py) const;
  // DC mode: the X voltage <-> column
  int xOfVolts(double v) const;
  double voltsAt(int px) const;
};

// --- drawing

// What the window's controls tell the plot.
struct PlotOptions {
  bool busValues = false;                  // mode 0 "Bus value"
  bool showIdd = false, showIss = false;   // mode 2
  std::string watchedText;                 // mode 2: the current list's entry, empty for "(none)"
  bool slope = false, switching = false;   // mode 1 "Slope", "X(50%)"
  bool minMax = false;                     // min/max markers at the end of a run
  bool couplings = false;                  // min/max labels in percent of VDD
};

class SimulationPlot : public SimulationObserver {
 public:
  static constexpr Colour kFloatingColour = rgb(255, 128, 0);
  static constexpr Colour kWarningColour = rgb(255, 0, 255);
  static constexpr Colour kIddColour = rgb(255, 0, 0);
  static constexpr Colour kIssColour = rgb(64, 192, 64);
  static constexpr int kMarkerSpacing = 32;

  SimulationPlot(SimulationEngine& engine, const TechnologyRules& tech) : engine_(engine), tech_(tech) {}

  void setSurface(Surface* s) { surface_ = s; }
  Surface* surface() const { return surface_; }

  PlotGeometry geometry;
  PlotBackground background = PlotBackground::Black;
  PlotOptions options;
  std::vector<Trace> traces;

  // the trace of a node, -1 when it is not shown
  int traceOf(int node) const;
  Colour backgroundColour() const;
  Colour textColour() const;
  Colour traceColour(const Trace& t) const;

  // clears the area and draws axes, grid and captions
  void drawFrame();
  // a new run: curves start from the present voltages
  void beginRun();
  // final voltages, min/max markers and the supply-current summary
  void endRun(bool completed);

  // SimulationObserver
  void plotted(double t) override;
  void dcPoint(double vx, double vy, bool converged) override;
  void delayStart(double t) override;
  void delayMeasured(double tStart, double tStop, bool rising) override;
  void frequencyMeasured(double tPrevious, double t, double hz) override;

  // "Cursor at ..." for a point of the area
  std::string cursorText(int px, int py) const;
  // the measurement of a drag from (x1, y1) to (x2, y2), drawn on the plot;
  // returns the status text (DC mode), else empty
  std::string measure(int x1, int y1, int x2, int y2);

 private:
  struct Point {
    int x = 0, y = 0;
    bool set = false;
  };
  int clampRow(int y) const;
  double relativeTime(double t) const;
  int traceRow(int trace, double v, bool& outside) const;
  void text(int x, int y, const std::string& s, Colour c);
  void marker(int shape, int x, int y, Colour c);
  void arrowHead(int x, int y, int dx, int dy, Colour c);
  void curve(Point& p, int x, int y, Colour c);
  void drawTimeAxis(double from, double length);
  void drawGrid(double low, double high);
  std::string voltsText(double v) const;

  SimulationEngine& engine_;
  const TechnologyRules& tech_;
  Surface* surface_ = nullptr;
  std::vector<Point> last_;         // per trace
  std::vector<int> busShown_;       // per trace, -1 none
  std::vector<int> nextMarker_;     // per trace, monochrome
  Point idd_, iss_, watched_, dc_, freq_;
  double dcPrevX_ = 0, dcPrevY_ = 0;
  bool dcCrossed_ = false;
  int freqLabelEnd_ = -1000000;
  int freqPointLabelEnd_ = -1000000;
  double runStart_ = 0;
};

}  // namespace quill
