// Simulation on the layout: the main window's "Simulation on &Layout"
// extracts, then runs the engine with every box of a node drawn in the
// colour of its node's voltage, a colour scale in the corner, and the
// layout drawn normally again at the end. Escape stops it.
#pragma once
#include <functional>

#include "editor/Frame.h"
#include "editor/View.h"
#include "sim/SimulWindow.h"
#include "verify/Extract.h"

namespace quill {

class LayoutSimulation : public SimulationObserver {
 public:
  // the run takes its length and step from the simulation window
  LayoutSimulation(FrameController& frame, LayoutView& view, SimulationWindow& window, ExtractedCircuit& circuit,
                   ExtractionOptions& options);
  ~LayoutSimulation() override;
  LayoutSimulation(const LayoutSimulation&) = delete;
  LayoutSimulation& operator=(const LayoutSimulation&) = delete;

  // the command; false when nothing ran
  bool run();

  // plotted steps between two redraws of the colours ("In simulation on
  // layout, redraw each", default 5)
  int redrawInterval = 5;
  WellDialog* wells = nullptr;
  ExtractionView* shortGate = nullptr;
  // the drawing area must show its surface again; lets events through
  std::function<void()> areaChanged;
  std::function<void()> pumpEvents;

 private:
  void plotted(double t) override;
  void paused(double t) override;
  void drawScale();
  void drawColours();

  FrameController& frame_;
  LayoutView& view_;
  SimulationWindow& window_;
  ExtractedCircuit& circuit_;
  ExtractionOptions& options_;
  int plots_ = 0;
};

}  // namespace quill
