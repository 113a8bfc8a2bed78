#include "sim/SimulCommands.h"

namespace quill {

namespace {
constexpr Command kModeCommands[5] = {Command::SimVoltageTime, Command::SimVoltageCurrent, Command::SimStatic,
                                      Command::SimFrequency, Command::SimEye};
constexpr Command kModelCommands[3] = {Command::ModelLevel1, Command::ModelLevel3, Command::ModelBsim4};
}  // namespace

SimulationCommands::SimulationCommands(FrameController& frame, SimulationWindow& window, ExtractedCircuit& circuit,
                                       ExtractionOptions& options, SimulationCommandHost& host)
    : frame_(frame), window_(window), circuit_(circuit), options_(options), host_(host) {
  // the tabs in the order of the menu: voltage, current, static, frequency, eye
  for (int tab = 0; tab < 5; ++tab) frame_.registerCommand(kModeCommands[tab], [this, tab] { modeCommand(tab); });
  for (int m = 0; m < 3; ++m)
    frame_.registerCommand(kModelCommands[m], [this, m] { modelCommand(static_cast<MosModelLevel>(m)); });
}

SimulationCommands::~SimulationCommands() {
  for (Command c : kModeCommands) frame_.registerCommand(c, nullptr);
  for (Command c : kModelCommands) frame_.registerCommand(c, nullptr);
}

bool SimulationCommands::PrepareSimulation() {
  AppContext& ctx = frame_.context();
  StatusMessage& st = frame_.status();
  st.clearStop();
  SimulationEngine& engine = window_.engine();
  engine.clearRequests();
  ExtractResult r;
  {
    FrameController::LongOperation op(frame_);
    r = extractCircuit(ctx.db, ctx.tech, options_, circuit_, ctx.services, {}, view);
  }
  if (r.outcome == ExtractOutcome::Complete) {
    window_.circuitChanged();
    frame_.redraw();  // diffusion was split under the gates
  }
  if (!r.ok()) return false;  // the extraction said why
  // a "BSIM" label may have chosen the model
  engine.models.level = options_.model;
  if (!window_.UpdateOptions()) {
    st.write(StatusMessage::Main, "Simulation stopped. Add N+/metal contact and VDD supply to floating wells.");
    return false;
  }
  host_.hideToolWindows();
  host_.showSimulationWindow();
  host_.showToolWindows();
  return true;
}

void SimulationCommands::modeCommand(int tab) {
  window_.selectModeFromCommand(tab);
  PrepareSimulation();
}

void SimulationCommands::modelCommand(MosModelLevel level) {
  if (options_.model != level) frame_.context().db.extracted = false;  // effective lengths follow the model
  options_.model = level;
  window_.engine().models.level = level;
  PrepareSimulation();
}

}  // namespace quill
