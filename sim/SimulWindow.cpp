#include "sim/SimulWindow.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>

#include "core/ParseValue.h"
#include "core/Text.h"

namespace quill {

namespace {

constexpr ModeControls kControls[5] = {
    {"Display", "between...", "and...", "Bus value", "delay", "min/max/av", ModeControls::StartList,
     ModeControls::StopList, false, true, false, false, true, true, "Step(ps)", true, "Time scale", ModeControls::Time},
    {"Current", "Available I", "Scale I", "Show Iss", "Show Idd", "min/max/av", ModeControls::CurrentList,
     ModeControls::CurrentScale, true, true, false, false, true, true, "Step(ps)", true, "Time scale",
     ModeControls::Time},
    {"Select", "X Axis", "Y Axis", "", "", "X(50%)", ModeControls::StartList, ModeControls::StopList, false, false,
     true, true, true, false, "Precis(V)", true, "X scale", ModeControls::XScale},
    {"Frequency", "Trigger", "Scale F", "Gain", "delay", "min/max/av", ModeControls::Trigger,
     ModeControls::FrequencyScale, false, true, false, false, true, true, "Step(ps)", true, "Time scale",
     ModeControls::Time},
    {"Synchro", "with input", "", "", "", "min/max/av", ModeControls::StartList, ModeControls::NoStop, false, false,
     false, false, false, false, "Step(ps)", false, "Eye", ModeControls::Eye},
};

std::string quoted(const std::string& s) { return "\"" + s + "\""; }

}  // namespace

int modeOfTab(int tab) {
  static constexpr int m[5] = {kModeVoltageTime, kModeVoltageCurrent, kModeStatic, kModeFrequency, kModeEye};
  return m[std::clamp(tab, 0, 4)];
}

int tabOfMode(int mode) {
  for (int t = 0; t < 5; ++t)
    if (modeOfTab(t) == mode) return t;
  return 0;
}

const ModeControls& modeControls(int tab) { return kControls[std::clamp(tab, 0, 4)]; }

std::string SimulationWindow::stepTextOf(double seconds) { return number(seconds * 1e12, 3); }

std::string SimulationWindow::number(double v, int decimals) {
  std::string s = F(v, 1, decimals);
  if (s.find('.') != std::string::npos) {
    while (!s.empty() && s.back() == '0') s.pop_back();
    if (!s.empty() && s.back() == '.') s.pop_back();
  }
  return s;
}

SimulationWindow::SimulationWindow(SimulationEngine& engine, AppContext& ctx, ExtractedCircuit& circuit,
                                   ExtractionOptions* extraction)
    : engine_(engine), ctx_(ctx), circuit_(circuit), extraction_(extraction), plot_(engine, ctx.tech) {
  followTechnology();
  eyeItem = timeEntryFor(eyeLength_);
}

void SimulationWindow::setSurface(Surface* s) {
  plot_.setSurface(s);
  updateGeometry();
}

void SimulationWindow::status(int panel, const std::string& text) { ctx_.services.status.write(panel, text); }

std::string SimulationWindow::printHint() const {
  const PlotBackground bg = background ? background() : PlotBackground::Black;
  return bg == PlotBackground::Black ? "Printer disabled with black background" : "Print the simulation";
}

std::vector<std::string> SimulationWindow::nodeItems() const {
  std::vector<std::string> items;
  for (const Trace& t : plot_.traces) items.push_back(circuit_.nodes[static_cast<std::size_t>(t.node)].name);
  items.push_back("(none)");
  return items;
}

std::vector<std::string> SimulationWindow::timeItems() const {
  std::vector<std::string> v;
  for (const ScaleEntry& e : kTimeScale) v.push_back(e.text);
  return v;
}

std::vector<std::string> SimulationWindow::currentScaleItems() const {
  std::vector<std::string> v;
  for (const ScaleEntry& e : kCurrentScale) v.push_back(e.text);
  return v;
}

std::vector<std::string> SimulationWindow::frequencyScaleItems() const {
  std::vector<std::string> v;
  for (const ScaleEntry& e : kFrequencyScale) v.push_back(e.text);
  return v;
}

std::vector<std::string> SimulationWindow::xScaleItems() const {
  return xScaleTexts(plotVoltageMax(circuit_, ctx_.tech.vdd));
}

int SimulationWindow::nodeOfItem(int item) const {
  if (item < 0 || item >= static_cast<int>(plot_.traces.size())) return -1;
  return plot_.traces[static_cast<std::size_t>(item)].node;
}

int SimulationWindow::itemOfNode(int node) const {
  const int k = plot_.traceOf(node);
  return k >= 0 ? k : static_cast<int>(plot_.traces.size());
}

std::string SimulationWindow::nodeText(int node) const {
  return "n\xB0" + std::to_string(node) + " " + quoted(circuit_.nodes[static_cast<std::size_t>(node)].name);
}

// The step box follows the technology's DELT whenever another rule file
// came in, and the length the layout's SIMU whenever another layout did.
void SimulationWindow::followTechnology() {
  const TechnologyRules& t = ctx_.tech;
  const std::string seen = t.ruleFilePath + "|" + t.technologyName + "|" + F(t.timeStep * 1e15, 1, 3) + "|" +
                           F(t.vdd, 1, 4);
  if (seen != techSeen_) {
    techSeen_ = seen;
    stepSeconds_ = t.timeStep;
    stepText = stepTextOf(stepSeconds_);
    // a threshold halfway up the supply sees every swing
    trigger_ = t.vdd / 2;
    triggerText = F(trigger_, 3, 2);
  }
  const double simu = ctx_.layoutSettings.simulationLengthNs;
  if (simu != simuSeen_) {
    simuSeen_ = simu;
    length_ = simu * 1e-9;
    timeItem = timeEntryFor(length_);
  }
}

bool SimulationWindow::UpdateOptions() {
  followTechnology();
  caption_ = "Analog simulation of " + ctx_.db.fileName;
  bool ok = false;
  const double v = ParseValue(triggerText, trigger_, 10, -10, ok);
  if (ok) trigger_ = v;
  triggerText = F(trigger_, 3, 2);
  engine_.settings.trigger = trigger_;
  if (extraction_) engine_.settings.couplings = extraction_->lateralCouplings || extraction_->verticalCouplings;
  const bool run = engine_.ResetSimulation(wells_);
  if (xScaleItem >= kXScaleEntries) xScaleItem = 0;
  host_->controlsChanged();
  return run;
}

void SimulationWindow::fillCurrentItems() {
  currentItems_.clear();
  watchedOf_.clear();
  for (Polarity p : {Polarity::N, Polarity::P}) {
    const char* letter = p == Polarity::N ? "I(N" : "I(P";
    for (int i = 1; i <= circuit_.deviceCount(p); ++i) {
      const MosDevice& d = circuit_.table(p)[static_cast<std::size_t>(i)];
      currentItems_.push_back(letter + std::to_string(i) + " " + std::to_string(d.width) + " x " +
                              std::to_string(d.length) + ")");
      watchedOf_.push_back({p == Polarity::N ? WatchedElement::Nmos : WatchedElement::Pmos, i});
    }
  }
  const LayoutDatabase& db = ctx_.db;
  for (int i = 1; i <= db.rlcCount(); ++i) {
    const RlcSymbol& r = db.rlc(i);
    if (!r.active) continue;
    if (r.kind == kRlcResistor) {
      currentItems_.push_back("R(" + r.text + "ohm)");
      watchedOf_.push_back({WatchedElement::Resistor, i});
    } else {
      // inductors and capacitors carry no current of their own here
      currentItems_.push_back((r.kind == kRlcInductor ? "L(" + r.text + "nH)" : "C(" + r.text + "pF)"));
      watchedOf_.push_back({});
    }
  }
  currentItems_.push_back("(none)");
  watchedOf_.push_back({});
  if (currentItem < 0 || currentItem >= static_cast<int>(currentItems_.size()))
    currentItem = static_cast<int>(currentItems_.size()) - 1;
}

void SimulationWindow::AssignNodes() {
  status(StatusMessage::Main, "Assign nodes");
  plot_.traces = assignTraces(circuit_);
  const PlotBackground bg = background ? background() : PlotBackground::Black;
  for (const Trace& t : plot_.traces)
    circuit_.nodes[static_cast<std::size_t>(t.node)].colour = static_cast<std::int32_t>(paletteColour(t.palette, bg));
  fillCurrentItems();
  int start = -1, stop = -1;
  for (const Trace& t : plot_.traces) {
    const CircuitNode& n = circuit_.nodes[static_cast<std::size_t>(t.node)];
    const bool free = n.kind == 3 || n.kind == 4;
    // traces are sorted: the first driven one sorts first
    if (!free && start < 0) start = t.node;
    if (free && stop < 0) stop = t.node;
  }
  int eval = stop;
  for (const Trace& t : plot_.traces)
    if (!lastEvalName_.empty() && circuit_.nodes[static_cast<std::size_t>(t.node)].name == lastEvalName_) eval = t.node;
  engine_.startNode = start;
  engine_.stopNode = stop;
  engine_.frequencyNode = eval;
  startItem = itemOfNode(start);
  stopItem = itemOfNode(stop);
  evalItem = itemOfNode(eval);
  assigned_ = true;
  auto index = [](int n) { return n >= 0 ? std::to_string(n) : std::string("-"); };
  status(StatusMessage::Main, std::to_string(plot_.traces.size()) + " nodes, delay starter is n\xB0" + index(start) +
                                  ", delay end is n\xB0" + index(stop));
  updateGeometry();
  host_->controlsChanged();
}

void SimulationWindow::FormActivate() {
  status(StatusMessage::Main, "Activate the analog simulator");
  timeItem = timeEntryFor(length_);
  eyeItem = timeEntryFor(eyeLength_);
  if (!assigned_) AssignNodes();
  fromCommand_ = false;
  host_->controlsChanged();
  Run();
}

void SimulationWindow::updateGeometry() {
  PlotGeometry& g = plot_.geometry;
  g.mode = mode();
  if (Surface* s = plot_.surface()) {
    g.width = s->width();
    g.height = s->height();
  }
  g.traces = std::max<int>(1, static_cast<int>(plot_.traces.size()));
  g.vmax = plotVoltageMax(circuit_, ctx_.tech.vdd);
  g.zoom = zoom_;
  g.length = mode() == kModeEye ? eyeLength_ : length_;
  currentScaleItem = std::clamp(currentScaleItem, 0, static_cast<int>(kCurrentScale.size()) - 1);
  frequencyScaleItem = std::clamp(frequencyScaleItem, 0, static_cast<int>(kFrequencyScale.size()) - 1);
  g.currentScale = kCurrentScale[static_cast<std::size_t>(currentScaleItem)].value;
  g.logCurrent = currentScaleItem == 0 || checkLog;
  if (g.logCurrent) g.currentScale = 1;
  g.frequencyScale = kFrequencyScale[static_cast<std::size_t>(frequencyScaleItem)].value;
  g.x = xScaleRange(xScaleItem, ctx_.tech.vdd, ctx_.tech.vddHigh, g.vmax);
  plot_.background = background ? background() : PlotBackground::Black;
}

void SimulationWindow::redraw() {
  updateGeometry();
  plot_.drawFrame();
  host_->plotChanged();
}

void SimulationWindow::applySettings() {
  // a box that does not parse keeps the value in force, and shows it again
  bool ok = false;
  double v = ParseValue(stepText, 0, 1000, 0.001, ok);
  if (ok) stepSeconds_ = v * 1e-12;
  stepText = stepTextOf(stepSeconds_);
  v = ParseValue(precisionText, 0, 1000, 0.0001, ok);
  if (ok) precisionVolts_ = v * 1e-3;
  precisionText = number(precisionVolts_ * 1e3, 4);
  v = ParseValue(triggerText, 0, 10, -10, ok);
  if (ok) trigger_ = v;
  triggerText = F(trigger_, 3, 2);

  updateGeometry();
  const int m = mode();
  SimulationSettings& s = engine_.settings;
  s.mode = m;
  s.dt = stepSeconds_;
  s.tsim = length_;
  s.eyeLength = eyeLength_;
  s.trigger = trigger_;
  s.plotWidth = std::max(1, plot_.geometry.width - PlotGeometry::kLeft);
  s.dcPoints = s.plotWidth;
  s.dcPrecision = precisionVolts_;
  s.sweepFrom = plot_.geometry.x.low;
  s.sweepTo = plot_.geometry.x.high;
  s.hysteresis = checkHysteresis;
  s.checkDelayAndIdd = checkDelayAndIdd;
  s.checkFreq = checkFreq || m == kModeFrequency;
  s.minMax = checkMinMax;
  s.checkGainAndIss = checkGainAndIss;
  currentItem = std::clamp(currentItem, 0, static_cast<int>(currentItems_.size()) - 1);
  const bool watching = m == kModeVoltageCurrent && !plot_.traces.empty();
  s.watched = watching ? watchedOf_[static_cast<std::size_t>(currentItem)] : WatchedElement{};
  if (extraction_) s.couplings = extraction_->lateralCouplings || extraction_->verticalCouplings;

  PlotOptions& o = plot_.options;
  o.busValues = m == kModeVoltageTime && checkGainAndIss;
  o.showIdd = m == kModeVoltageCurrent && checkDelayAndIdd;
  o.showIss = m == kModeVoltageCurrent && checkGainAndIss;
  const bool none = currentItem == static_cast<int>(currentItems_.size()) - 1;
  o.watchedText = watching && !none ? currentItems_[static_cast<std::size_t>(currentItem)] : std::string();
  o.slope = m == kModeStatic && checkSlope;
  o.switching = m == kModeStatic && checkMinMax;
  o.minMax = checkMinMax;
  o.couplings = s.couplings;
}

void SimulationWindow::runOnce() {
  if (engine_.cancelled()) {
    status(StatusMessage::Main, "Simulation stopped. Add N+/metal contact and VDD supply to floating wells.");
    return;
  }
  applySettings();
  if (!memory) plot_.drawFrame();
  plot_.beginRun();
  running_ = true;
  host_->runningChanged(true);
  host_->controlsChanged();
  host_->plotChanged();
  lastPump_ = ctx_.services.clock.milliseconds();
  const bool ok = engine_.RunSimulation(this);
  running_ = false;
  plot_.endRun(ok);
  lastRunEval_ = engine_.frequencyNode;
  const SimulationResults& r = engine_.results;
  if (ok && mode() != kModeStatic) {
    powerText_ = r.powerText;
    resistorText_ = r.resistorPowerText.empty() && !(engine_.settings.watched.kind == WatchedElement::Resistor)
                        ? std::string()
                        : "PowerR: " + F(r.resistorPowerMw, 1, 3) + "mW " + r.resistorPowerText;
  }
  host_->plotChanged();
  host_->runningChanged(false);
  host_->controlsChanged();
}

void SimulationWindow::Run() {
  if (running_) {
    runPending_ = true;
    stopRun();
    return;
  }
  do {
    runPending_ = false;
    if (resetPending_) {
      resetPending_ = false;
      if (!UpdateOptions()) {
        runOnce();  // says why nothing runs
        break;
      }
    }
    runOnce();
    if (resizePending_ && !runPending_) {
      resizePending_ = false;
      resize(pendingW_, pendingH_);
    }
  } while (runPending_);
}

void SimulationWindow::stopRun() {
  if (running_) engine_.stop();
}

void SimulationWindow::btnResetClick() {
  resetPending_ = true;
  Run();
}

void SimulationWindow::sbMoreClick() {
  if (!running_) Run();
}

void SimulationWindow::btnCloseClick() {
  if (running_) {
    stopRun();
    return;
  }
  memory = false;
  host_->closeWindow();
}

void SimulationWindow::keyPress(char key) {
  const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(key)));
  auto model = [&](MosModelLevel level, const char* text) {
    stopRun();
    engine_.models.level = level;
    if (extraction_ && extraction_->model != level) {
      // effective lengths depend on the model: the next Simulate extracts again
      extraction_->model = level;
      ctx_.db.extracted = false;
    }
    status(StatusMessage::Main, text);
  };
  if (key == '\x1b' || c == 'Q' || c == 'S') stopRun();
  else if (c == 'P' && running_) engine_.pause();
  else if (key == '&') model(MosModelLevel::Level1, "Select model LEVEL1");
  else if (key == '"') model(MosModelLevel::Level3, "Select model LEVEL3");
}

void SimulationWindow::SimulModeChange(int tab) {
  tab_ = std::clamp(tab, 0, 4);
  status(StatusMessage::Main, "Change to simulation mode " + std::to_string(tab_));
  stopRun();
  if (modeOfTab(tab_) == kModeFrequency) checkFreq = true;
  redraw();
  host_->controlsChanged();
  if (!fromCommand_) Run();
}

void SimulationWindow::selectModeFromCommand(int tab) {
  fromCommand_ = true;
  SimulModeChange(tab);
}

void SimulationWindow::ComboStartChange(int item) {
  stopRun();
  const int node = nodeOfItem(item);
  startItem = itemOfNode(node);
  switch (mode()) {
    case kModeFrequency:
      engine_.frequencyNode = node;
      evalItem = startItem;
      break;
    case kModeVoltageCurrent:
      engine_.startNode = node;
      status(StatusMessage::Main, "Select " + std::to_string(item));
      break;
    default:
      engine_.startNode = node;
      if (node >= 0)
        status(StatusMessage::Main, (mode() == kModeStatic ? "Selected X axis node is " : "Selected start node for delay computation is ") + nodeText(node));
      break;
  }
  host_->controlsChanged();
}

void SimulationWindow::ComboStopChange(int item) {
  stopRun();
  const int node = nodeOfItem(item);
  stopItem = itemOfNode(node);
  switch (mode()) {
    case kModeFrequency:
      engine_.frequencyNode = node;
      evalItem = stopItem;
      break;
    case kModeVoltageCurrent:
      engine_.stopNode = node;
      status(StatusMessage::Main, "Select " + std::to_string(item));
      break;
    default:
      engine_.stopNode = node;
      if (node >= 0)
        status(StatusMessage::Main, (mode() == kModeStatic ? "Selected Y node is " : "Selected stop node for delay computation is ") + nodeText(node));
      break;
  }
  host_->controlsChanged();
}

void SimulationWindow::ComboEvalChange(int item) {
  stopRun();
  const int node = nodeOfItem(item);
  evalItem = itemOfNode(node);
  engine_.frequencyNode = node;
  if (node >= 0) {
    const std::string& name = circuit_.nodes[static_cast<std::size_t>(node)].name;
    lastEvalName_ = name;
    if (mode() == kModeFrequency)
      status(StatusMessage::Main, "Select node " + quoted(name) + " for frequency computation (" + F(trigger_, 1, 2) + "V)");
    else
      status(StatusMessage::Main, "Select node " + quoted(name) + " for min/max voltage computation ");
  }
  host_->controlsChanged();
}

void SimulationWindow::ComboListIChange(int item) {
  stopRun();
  currentItem = std::clamp(item, 0, static_cast<int>(currentItems_.size()) - 1);
  status(StatusMessage::Main, "Select " + std::to_string(currentItem));
  host_->controlsChanged();
}

void SimulationWindow::ComboTimeChange(int item) {
  stopRun();
  timeItem = std::clamp(item, 0, static_cast<int>(kTimeScale.size()) - 1);
  length_ = kTimeScale[static_cast<std::size_t>(timeItem)].value;
  redraw();
  status(StatusMessage::Main, "New time length is " + F(length_ * 1e9, 5, 3) + " ns");
}

void SimulationWindow::ComboEyeChange(int item) {
  stopRun();
  eyeItem = std::clamp(item, 0, static_cast<int>(kTimeScale.size()) - 1);
  eyeLength_ = kTimeScale[static_cast<std::size_t>(eyeItem)].value;
  redraw();
  status(StatusMessage::Main, "New eye time length is " + F(eyeLength_ * 1e9, 5, 3) + " ns");
}

void SimulationWindow::ComboCurrentChange(int item) {
  currentScaleItem = std::clamp(item, 0, static_cast<int>(kCurrentScale.size()) - 1);
  if (!running_) redraw();
  status(StatusMessage::Main, "Change current scale");
}

void SimulationWindow::ComboFreqChange(int item) {
  frequencyScaleItem = std::clamp(item, 0, static_cast<int>(kFrequencyScale.size()) - 1);
  if (!running_) redraw();
  status(StatusMessage::Main, "Change frequency scale");
}

void SimulationWindow::ComboXScaleChange(int item) {
  stopRun();
  xScaleItem = std::clamp(item, 0, kXScaleEntries - 1);
  redraw();
}

void SimulationWindow::CheckMinMaxClick(bool on) {
  checkMinMax = on;
  status(StatusMessage::Main, on ? "Enable min/max computing" : "Disable min/max computing");
}

void SimulationWindow::EditDtChange(const std::string& text) {
  if (mode() == kModeStatic) precisionText = text;
  else stepText = text;
}

void SimulationWindow::EditTriggerChange(const std::string& text) { triggerText = text; }

void SimulationWindow::sbVupClick() {
  zoom_ *= kZoomStep;
  Run();
}

void SimulationWindow::sbVDownClick() {
  zoom_ /= kZoomStep;
  Run();
}

void SimulationWindow::sbPrintClick() {
  const PlotBackground bg = background ? background() : PlotBackground::Black;
  if (bg == PlotBackground::Black) {
    status(StatusMessage::Main, "Warning: use File-> Colors -> Monochrom or white background to enable printer");
    return;
  }
  if (!host_->printDialog()) return;
  status(StatusMessage::Main, "Print the simulation...");
  host_->printPlot(ctx_.services.clock.shortDate() + " " + ctx_.services.clock.longTime());
  status(StatusMessage::Main, " Simulation image sent to printer");
}

void SimulationWindow::sbFftClick() {
  if (engine_.frequencyNode != lastRunEval_) Run();
  host_->showFft();
}

void SimulationWindow::resize(int w, int h) {
  if (running_) {
    // the plot is drawn into the present surface until the run ends
    resizePending_ = true;
    pendingW_ = w;
    pendingH_ = h;
    return;
  }
  host_->resizeSurface(std::max(1, w), std::max(1, h));
  redraw();
}

void SimulationWindow::mouseMove(int x, int y) {
  if (running_ || pressed_) return;
  status(StatusMessage::Main, plot_.cursorText(x, y));
}

void SimulationWindow::mousePress(int x, int y) {
  if (running_) return;
  pressed_ = true;
  pressX_ = x;
  pressY_ = y;
}

void SimulationWindow::mouseRelease(int x, int y) {
  if (!pressed_) return;
  pressed_ = false;
  if (running_ || (std::abs(x - pressX_) < 3 && std::abs(y - pressY_) < 3)) return;
  const std::string s = plot_.measure(pressX_, pressY_, x, y);
  if (!s.empty()) status(StatusMessage::Main, s);
  host_->plotChanged();
}

// --- drawing during the run

void SimulationWindow::drawn() {
  const std::int64_t now = ctx_.services.clock.milliseconds();
  if (now - lastPump_ < kPumpIntervalMs) return;
  lastPump_ = now;
  host_->plotChanged();
  host_->pumpEvents();
}

void SimulationWindow::plotted(double t) {
  plot_.plotted(t);
  drawn();
}

void SimulationWindow::dcPoint(double vx, double vy, bool converged) {
  plot_.dcPoint(vx, vy, converged);
  drawn();
}

void SimulationWindow::delayStart(double t) { plot_.delayStart(t); }

void SimulationWindow::delayMeasured(double tStart, double tStop, bool rising) {
  plot_.delayMeasured(tStart, tStop, rising);
}

void SimulationWindow::frequencyMeasured(double tPrevious, double t, double hz) {
  plot_.frequencyMeasured(tPrevious, t, hz);
}

void SimulationWindow::paused(double) {
  host_->plotChanged();
  host_->waitForEvents();
}

}  // namespace quill
