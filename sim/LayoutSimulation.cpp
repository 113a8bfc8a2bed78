#include "sim/LayoutSimulation.h"

#include <algorithm>

#include "core/Text.h"

namespace quill {

LayoutSimulation::LayoutSimulation(FrameController& frame, LayoutView& view, SimulationWindow& window,
                                   ExtractedCircuit& circuit, ExtractionOptions& options)
    : frame_(frame), view_(view), window_(window), circuit_(circuit), options_(options) {
  frame_.registerCommand(Command::SimOnLayout, [this] { run(); });
}

LayoutSimulation::~LayoutSimulation() { frame_.registerCommand(Command::SimOnLayout, nullptr); }

bool LayoutSimulation::run() {
  AppContext& ctx = frame_.context();
  StatusMessage& st = frame_.status();
  st.clearStop();
  SimulationEngine& engine = window_.engine();
  engine.clearRequests();
  ExtractResult r;
  {
    FrameController::LongOperation op(frame_);
    r = extractCircuit(ctx.db, ctx.tech, options_, circuit_, ctx.services, {}, shortGate);
  }
  if (r.outcome == ExtractOutcome::Complete) window_.circuitChanged();
  if (!r.ok()) return false;
  if (circuit_.deviceCount(Polarity::N) + circuit_.deviceCount(Polarity::P) == 0) {
    st.write(StatusMessage::Main, "Sorry, no MOS device found in this layout. Try again.");
    return false;
  }
  engine.models.level = options_.model;
  if (!engine.ResetSimulation(wells)) {
    st.write(StatusMessage::Main, "Simulation stopped. Add N+/metal contact and VDD supply to floating wells.");
    return false;
  }
  SimulationSettings& s = engine.settings;
  s.mode = kModeVoltageTime;
  s.tsim = window_.length();
  s.dt = window_.step();
  // the decimation of the window's plot; a window never shown has no width yet
  const int width = window_.plot().geometry.width;
  s.plotWidth = width > 2 * PlotGeometry::kLeft ? width - PlotGeometry::kLeft : 1000;
  s.dump = false;  // the dump belongs to the window's runs
  plots_ = 0;
  frame_.setSimulationRunning(true);  // a key in the main window now stops the run
  view_.Redraw();
  drawScale();
  drawColours();
  {
    FrameController::LongOperation op(frame_);
    engine.RunSimulation(this);
  }
  frame_.setSimulationRunning(false);
  // every box back to its layer's drawing
  view_.Redraw();
  return true;
}

void LayoutSimulation::drawScale() {
  Surface* s = view_.surface();
  if (!s) return;
  const double hvdd = frame_.context().tech.vddHigh;
  TextStyle st;
  st.pointSize = 7;
  st.colour = view_.textColour();
  for (int i = 0; i < 16; ++i) {
    const int x = 10 + 30 * i;
    s->fillRect(x, 10, x + 28, 24, view_.VoltageColour(i * hvdd / 10));
    s->text(x, 26, F(i * hvdd / 10, 4, 2) + (i == 10 ? "V" : ""), st);
  }
}

void LayoutSimulation::drawColours() {
  Surface* s = view_.surface();
  if (!s) return;
  const LayoutDatabase& db = frame_.context().db;
  const int n = static_cast<int>(circuit_.nodes.size());
  const int w = s->width(), h = s->height();
  for (int i = 1; i <= db.boxCount(); ++i) {
    const LayoutBox& b = db.box(i);
    if (b.state == 0 || b.node < 0 || b.node >= n) continue;
    const int x1 = std::max(0, view_.sx(b.x1)), x2 = std::min(w, view_.sx(b.x2) + 1);
    const int y1 = std::max(0, view_.sy(b.y2)), y2 = std::min(h, view_.sy(b.y1) + 1);
    if (x1 >= x2 || y1 >= y2) continue;
    s->fillRect(x1, y1, x2, y2, view_.VoltageColour(circuit_.nodes[static_cast<std::size_t>(b.node)].V));
  }
  if (areaChanged) areaChanged();
  if (pumpEvents) pumpEvents();
}

void LayoutSimulation::plotted(double) {
  if (++plots_ % std::max(1, redrawInterval) == 0) drawColours();
}

void LayoutSimulation::paused(double) { drawColours(); }

}  // namespace quill
