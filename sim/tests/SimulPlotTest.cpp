// The plot without a window: scale lists, trace order, colours and buses,
// the geometry of the modes and the cursor read-out.
#include <gtest/gtest.h>

#include <cmath>

#include "core/tests/TestFiles.h"
#include "platform/MemorySurface.h"
#include "sim/SimulPlot.h"

using namespace quill;

TEST(SimulPlot, ALengthPicksTheFirstEntryItDoesNotExceedAndGrowsToCoverANeed) {
  struct Case {
    double length;
    int entry;
    double after;
  } cases[] = {
      {5e-11, 0, 5e-11},   {5.1e-11, 0, 5.1e-11}, {6e-11, 1, 6e-11}, {7e-9, 7, 7e-9},    {1e-8, 7, 1e-8},
      {2e-7, 11, 2e-7},    {3e-7, 12, 5e-7},      {5e-7, 12, 5e-7},  {1e-6, 12, 5e-7},   {0, 0, 5e-11},
  };
  for (const Case& c : cases) {
    double l = c.length;
    EXPECT_EQ(timeEntryFor(l), c.entry) << c.length;
    EXPECT_DOUBLE_EQ(l, c.after) << c.length;
  }
  // 500 ns and a 300 ns stimulus keeps 500 ns; 50 ps and a 30 ns period takes 50 ns
  EXPECT_DOUBLE_EQ(lengthCovering(5e-7, 3e-7), 5e-7);
  EXPECT_DOUBLE_EQ(lengthCovering(5e-11, 3e-8), 5e-8);
  EXPECT_DOUBLE_EQ(lengthCovering(1e-8, 1.5e-8), 2e-8);
  EXPECT_DOUBLE_EQ(lengthCovering(1e-8, 2e-6), 5e-7);
}

TEST(SimulPlot, TheVoltageAxisStartsAtARoundValueBelowASixthOfTheRange) {
  struct Case {
    double vmax, zoom, low;
  } cases[] = {{5, 1, -1}, {0.5, 1, -0.1}, {1, 1, -0.2}, {3, 1, -0.5}, {5, 1.5, -2}, {100, 1, -10}, {0.3, 1, -0.1}};
  for (const Case& c : cases) EXPECT_DOUBLE_EQ(axisLow(c.vmax, c.zoom), c.low) << c.vmax << " " << c.zoom;
}

TEST(SimulPlot, TheXScaleRangesAreTheOnesTheirTextsShow) {
  const double vmax = 3.3;
  const std::vector<std::string> t = xScaleTexts(vmax);
  ASSERT_EQ(t.size(), static_cast<std::size_t>(kXScaleEntries));
  EXPECT_EQ(t[0], "0..vdd");
  EXPECT_EQ(t[4], "1.55..1.75");
  for (int e = 4; e < kXScaleEntries; ++e) {
    const VoltRange r = xScaleRange(e, 3.3, 5, vmax);
    const std::size_t dots = t[static_cast<std::size_t>(e)].find("..");
    EXPECT_NEAR(std::stod(t[static_cast<std::size_t>(e)].substr(0, dots)), r.low, 0.0051) << t[static_cast<std::size_t>(e)];
    EXPECT_NEAR(std::stod(t[static_cast<std::size_t>(e)].substr(dots + 2)), r.high, 0.0051) << t[static_cast<std::size_t>(e)];
  }
  EXPECT_DOUBLE_EQ(xScaleRange(1, 3.3, 5, vmax).high, 5);
}

TEST(SimulPlot, TracesAreDrivenNodesThenFreeOnesByNameWithATildeSortedLast) {
  ExtractedCircuit c;
  struct N {
    const char* name;
    int kind;
    bool visible;
  } nodes[] = {{"out", 3, true},   {"~clk", 6, true},   {"clk", 6, true}, {"hidden", 3, false},
               {"d[1]", 3, true},  {"d[0]", 3, true},   {"Bb", 5, true},  {"d[3]", 3, false},
               {"aa", 3, true},    {"in", 8, true},     {"zz", 3, true}};
  for (const N& n : nodes) {
    const int i = c.addNode(n.name);
    c.nodes[static_cast<std::size_t>(i)].kind = static_cast<std::uint8_t>(n.kind);
    c.nodes[static_cast<std::size_t>(i)].visible = n.visible ? 2 : 1;
  }
  const std::vector<Trace> t = assignTraces(c);
  std::vector<std::string> names;
  for (const Trace& x : t) names.push_back(c.nodes[static_cast<std::size_t>(x.node)].name);
  EXPECT_EQ(names, (std::vector<std::string>{"Bb", "clk", "~clk", "in", "aa", "d[0]", "d[1]", "out", "zz"}));
  // the bus d[0] has members [1] and [3] (hidden nodes count too), the rest are missing
  const Trace& bus = t[5];
  ASSERT_EQ(bus.bus.size(), 8u);
  EXPECT_EQ(bus.bus[0], bus.node);
  EXPECT_EQ(c.nodes[static_cast<std::size_t>(bus.bus[1])].name, "d[1]");
  EXPECT_EQ(bus.bus[2], -1);
  EXPECT_EQ(c.nodes[static_cast<std::size_t>(bus.bus[3])].name, "d[3]");
  EXPECT_TRUE(t[6].bus.empty());
  // colours in node-index order: the first visible node takes entry 1, the
  // eighth entry 0 and the ninth entry 1 again
  std::vector<int> byIndex(t.size());
  for (const Trace& x : t) {
    int k = 0;
    for (const Trace& y : t) k += y.node < x.node;
    byIndex[static_cast<std::size_t>(k)] = x.palette;
  }
  EXPECT_EQ(byIndex, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 0, 1}));
  EXPECT_EQ(paletteColour(byIndex[8], PlotBackground::Black), paletteColour(byIndex[0], PlotBackground::Black));
  EXPECT_EQ(paletteColour(1, PlotBackground::Black), rgb(255, 0, 0));
  EXPECT_EQ(paletteColour(2, PlotBackground::Black), rgb(64, 192, 64));
  EXPECT_EQ(paletteColour(6, PlotBackground::Black), rgb(192, 113, 239));
  EXPECT_EQ(paletteColour(3, PlotBackground::White), rgb(0, 0, 128));
}

TEST(SimulPlot, AtMostThirtyTwoTracesAreShown) {
  ExtractedCircuit c;
  for (int i = 0; i < 40; ++i) c.nodes[static_cast<std::size_t>(c.addNode(""))].visible = 2;
  EXPECT_EQ(assignTraces(c).size(), 32u);
}

TEST(SimulPlot, EachTraceHasItsBandAndCurrentsTheUpperHalf) {
  PlotGeometry g;
  g.width = 1050;
  g.height = 440;
  g.traces = 2;
  g.vmax = 5;
  g.length = 1e-8;
  // bands of (H - 40) / n; 1.2 Vmax fills a band
  EXPECT_EQ(g.bandHeight(), 200);
  EXPECT_EQ(g.yOfVoltage(0, 0), 220);
  EXPECT_EQ(g.yOfVoltage(1, 0), 420);
  EXPECT_EQ(g.yOfVoltage(1, 6), 220);
  EXPECT_EQ(g.xOfTime(0), 50);
  EXPECT_EQ(g.xOfTime(5e-9), 550);
  EXPECT_EQ(g.traceAt(300), 1);
  EXPECT_EQ(g.traceAt(5), 0);
  EXPECT_EQ(g.traceAt(439), 1);

  g.mode = kModeVoltageCurrent;
  const int hm = g.middle();  // 210
  EXPECT_EQ(hm, 210);
  g.currentScale = 1e-3;
  EXPECT_EQ(g.yOfCurrent(1e-3), 20);
  EXPECT_EQ(g.yOfCurrent(-1e-3), hm);  // never below the middle line
  EXPECT_NEAR(g.currentAt(115), 0.5e-3, 1e-12);
  g.logCurrent = true;
  g.currentScale = 1;
  EXPECT_EQ(g.yOfCurrent(1), 20);
  EXPECT_EQ(g.yOfCurrent(1e-20), g.yOfCurrent(1e-15));  // below 1e-15 A: the -15 decade
  EXPECT_EQ(g.yOfCurrent(1e-15), hm);
  EXPECT_LT(g.yOfCurrent(1e-6), g.yOfCurrent(1e-9));
  // voltages share the lower half, from Vlow at the bottom
  EXPECT_EQ(g.yOfVoltage(0, g.vlow()), g.bottom());
  EXPECT_EQ(g.yOfVoltage(0, 1.1 * 5), hm + 20);

  g.mode = kModeStatic;
  g.x = {0, 5};
  EXPECT_EQ(g.xOfVolts(2.5), 550);
  EXPECT_DOUBLE_EQ(g.voltsAt(550), 2.5);
}

TEST(SimulPlot, TheCursorReadsTheTraceUnderItOrTheCurrentInTheUpperHalf) {
  quill::testing::TestContext t;
  ExtractedCircuit c;
  const int in = c.addNode("in"), out = c.addNode("out");
  c.nodes[static_cast<std::size_t>(in)].kind = 6;
  c.nodes[static_cast<std::size_t>(in)].visible = c.nodes[static_cast<std::size_t>(out)].visible = 2;
  SimulationEngine e(t.ctx.db, t.ctx.tech, c, t.ctx.services);
  SimulationPlot p(e, t.ctx.tech);
  p.traces = assignTraces(c);
  PlotGeometry& g = p.geometry;
  g.width = 1050;
  g.height = 440;
  g.traces = 2;
  g.vmax = 5;
  g.length = 1e-8;
  p.beginRun();
  struct Case {
    int mode, x, y;
    const char* text;
  } cases[] = {
      {kModeVoltageTime, 550, 420, "Cursor at  time 5.000ns , out=0.000 V"},
      {kModeVoltageTime, 300, 160, "Cursor at  time 2.500ns , in=1.800 V"},
      {kModeVoltageCurrent, 550, 115, "Cursor at  time 5.000ns , 0.500 mA"},
      {kModeStatic, 550, 420, "Cursor at 2.500 V, -1.000 V"},
  };
  for (const Case& k : cases) {
    g.mode = k.mode;
    g.x = {0, 5};
    EXPECT_EQ(p.cursorText(k.x, k.y), k.text);
  }
}
