// The main window's Simulate commands: extraction, the engine reset with the
// floating-well question, then the simulation window shown modally; the
// five mode commands choose its tab first, the three model commands the MOS
// model.
#pragma once
#include "editor/Frame.h"
#include "sim/SimulWindow.h"
#include "verify/Extract.h"

namespace quill {

// The windows around the commands.
class SimulationCommandHost {
 public:
  virtual ~SimulationCommandHost() = default;
  // the palette and the navigator go while the simulation window is open
  virtual void hideToolWindows() {}
  virtual void showToolWindows() {}
  // shows the simulation window modally; returns when it was closed
  virtual void showSimulationWindow() = 0;
};

class SimulationCommands {
 public:
  SimulationCommands(FrameController& frame, SimulationWindow& window, ExtractedCircuit& circuit,
                     ExtractionOptions& options, SimulationCommandHost& host);
  ~SimulationCommands();
  SimulationCommands(const SimulationCommands&) = delete;
  SimulationCommands& operator=(const SimulationCommands&) = delete;

  // true when the window was shown
  bool PrepareSimulation();
  void modeCommand(int tab);
  void modelCommand(MosModelLevel level);

  // for the extraction's short-gate warning (not owned)
  ExtractionView* view = nullptr;

 private:
  FrameController& frame_;
  SimulationWindow& window_;
  ExtractedCircuit& circuit_;
  ExtractionOptions& options_;
  SimulationCommandHost& host_;
};

}  // namespace quill
