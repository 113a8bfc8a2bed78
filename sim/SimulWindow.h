// The simulation window without the window: the state its controls show
// (mode, node lists, scales, options, step box), the handlers of those
// controls, and the run with its drawing. The Qt window TFormSimul only
// binds controls to it.
//
// Runs happen inside a handler; while one runs, the handlers that need a
// new run (mode change, Reset, the zoom buttons) stop it and the run is
// started again when the running one has returned, so runs never nest.
// Window events are let through at most every 15 ms of wall clock while the
// plot is drawn, not after every plotted step.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "core/AppContext.h"
#include "sim/Engine.h"
#include "sim/SimulPlot.h"
#include "verify/Circuit.h"

namespace quill {

// The five tabs, in order, and the engine mode each shows.
inline constexpr const char* kModeTabs[5] = {"Voltage vs. time", "Voltages and currents", "Voltage vs. voltage",
                                             "Frequency vs.time", "Eye diagram"};
int modeOfTab(int tab);  // 0 -> 0, 1 -> 2, 2 -> 1, 3 -> 3, 4 -> 4
int tabOfMode(int mode);

// What each tab shows in the groups whose captions and contents change.
struct ModeControls {
  const char* group;                // GroupDelay
  const char* startLabel;           // LabelStartAndTrig
  const char* stopLabel;            // LabelStopNode
  const char* gainCaption;          // CheckGainAndIss, empty when hidden
  const char* delayCaption;         // CheckDelayAndIdd, empty when hidden
  const char* minMaxCaption;        // CheckMinMax
  enum Start { StartList, CurrentList, Trigger } start;
  enum Stop { StopList, CurrentScale, FrequencyScale, NoStop } stop;
  bool log, freq, slope, hysteresis;
  bool evaluation, fft;
  const char* stepGroup;            // GroupStep
  bool stepEnabled;
  const char* timeGroup;            // GroupTimeScale
  enum TimeList { Time, XScale, Eye } timeList;
};
const ModeControls& modeControls(int tab);

// What the logic asks of the window around it. Defaults do nothing.
class SimulationWindowHost {
 public:
  virtual ~SimulationWindowHost() = default;
  // lists, captions, visibility or values changed: show them again
  virtual void controlsChanged() {}
  // the plot's surface was drawn on
  virtual void plotChanged() {}
  // lets pending window events run
  virtual void pumpEvents() {}
  // waits a little for window events (the run is paused)
  virtual void waitForEvents() { pumpEvents(); }
  virtual void closeWindow() {}
  // the system print dialog; true when confirmed
  virtual bool printDialog() { return false; }
  // copies the plot to the printer, header written at (50, 5)
  virtual void printPlot(const std::string& /*header*/) {}
  virtual void showDebug() {}
  virtual void showFft() {}
  // a run started or ended
  virtual void runningChanged(bool /*running*/) {}
  // the paint area's surface takes this size (called between runs only)
  virtual void resizeSurface(int /*w*/, int /*h*/) {}
};

class SimulationWindow : public SimulationObserver {
 public:
  static constexpr int kPumpIntervalMs = 15;
  static constexpr double kZoomStep = 1.5;

  SimulationWindow(SimulationEngine& engine, AppContext& ctx, ExtractedCircuit& circuit,
                   ExtractionOptions* extraction = nullptr);

  void setHost(SimulationWindowHost* h) { host_ = h ? h : &nullHost_; }
  void setSurface(Surface* s);
  Surface* surface() const { return plot_.surface(); }
  void setWellDialog(WellDialog* d) { wells_ = d; }
  // the main view's background, read at every run
  std::function<PlotBackground()> background;

  SimulationPlot& plot() { return plot_; }
  SimulationEngine& engine() { return engine_; }

  // --- what the controls show
  std::string caption() const { return caption_; }
  std::string closeCaption() const { return running() ? "Stop" : "Close"; }
  std::string printHint() const;
  std::string powerText() const { return powerText_; }    // LabelWatts
  std::string resistorText() const { return resistorText_; }  // LabelWattsR, empty: hidden
  int tab() const { return tab_; }
  int mode() const { return modeOfTab(tab_); }
  // trace names, then "(none)": the start, stop and evaluation lists
  std::vector<std::string> nodeItems() const;
  // "I(N1 4 x 2)" ..., "R(...ohm)" ..., then "(none)"
  const std::vector<std::string>& currentItems() const { return currentItems_; }
  std::vector<std::string> timeItems() const;
  std::vector<std::string> currentScaleItems() const;
  std::vector<std::string> frequencyScaleItems() const;
  std::vector<std::string> xScaleItems() const;
  int startItem = 0, stopItem = 0, evalItem = 0, currentItem = 0;
  int timeItem = 7, eyeItem = 4, currentScaleItem = kDefaultCurrentScale, frequencyScaleItem = kDefaultFrequencyScale,
      xScaleItem = 0;
  bool checkGainAndIss = false, checkDelayAndIdd = true, checkLog = false, checkMinMax = true, checkFreq = true,
       checkSlope = false, checkHysteresis = false;
  bool memory = false;
  std::string triggerText, stepText, precisionText = "0.1";
  double zoom() const { return zoom_; }
  double length() const { return length_; }
  double eyeLength() const { return eyeLength_; }
  double step() const { return stepSeconds_; }  // s, the step box's value in force
  const std::vector<Trace>& traces() const { return plot_.traces; }
  bool nodesAssigned() const { return assigned_; }
  bool running() const { return running_; }
  // the box under EditDt: the step in ps, the precision in DC mode
  const std::string& stepBoxText() const { return mode() == kModeStatic ? precisionText : stepText; }

  // --- handlers
  // the engine reset and the window's own refresh; false when the
  // floating-well dialog cancelled
  bool UpdateOptions();
  // the window is shown: lists, node assignment when needed, a run
  void FormActivate();
  void AssignNodes();
  // the circuit was extracted again: nodes are assigned at the next activation
  void circuitChanged() { assigned_ = false; }
  // runs now, or after the running one when called during a run
  void Run();
  void btnResetClick();
  void sbMoreClick();
  void btnCloseClick();
  // a key pressed in the window (Escape as '\x1b')
  void keyPress(char key);
  // the tab was changed by the user
  void SimulModeChange(int tab);
  // the tab chosen by a main-frame mode command: the opening runs
  void selectModeFromCommand(int tab);
  void ComboStartChange(int item);
  void ComboStopChange(int item);
  void ComboEvalChange(int item);
  void ComboListIChange(int item);
  void ComboTimeChange(int item);
  void ComboEyeChange(int item);
  void ComboCurrentChange(int item);
  void ComboFreqChange(int item);
  void ComboXScaleChange(int item);
  void CheckMinMaxClick(bool on);
  void EditDtChange(const std::string& text);
  void EditTriggerChange(const std::string& text);
  void sbVupClick();
  void sbVDownClick();
  void sbTraceClick(bool down) { memory = down; }
  void sbPrintClick();
  void sbFftClick();
  void sbDebugClick() { host_->showDebug(); }
  // the paint area's new size
  void resize(int w, int h);
  void mouseMove(int x, int y);
  void mousePress(int x, int y);
  void mouseRelease(int x, int y);

  // the technology's DELT in ps, as the step box shows it
  static std::string stepTextOf(double seconds);
  // v with at most this many decimals, trailing zeros left out
  static std::string number(double v, int decimals);

 private:
  // SimulationObserver: drawing, then the throttled event pump
  void plotted(double t) override;
  void dcPoint(double vx, double vy, bool converged) override;
  void delayStart(double t) override;
  void delayMeasured(double tStart, double tStop, bool rising) override;
  void frequencyMeasured(double tPrevious, double t, double hz) override;
  void paused(double t) override;

  void drawn();
  void stopRun();
  void runOnce();
  void applySettings();
  void updateGeometry();
  void redraw();
  void fillCurrentItems();
  void followTechnology();
  int nodeOfItem(int item) const;
  int itemOfNode(int node) const;
  std::string nodeText(int node) const;
  void status(int panel, const std::string& text);

  SimulationEngine& engine_;
  AppContext& ctx_;
  ExtractedCircuit& circuit_;
  ExtractionOptions* extraction_;
  SimulationPlot plot_;
  SimulationWindowHost nullHost_;
  SimulationWindowHost* host_ = &nullHost_;
  WellDialog* wells_ = nullptr;
  std::vector<std::string> currentItems_{"(none)"};
  std::vector<WatchedElement> watchedOf_{WatchedElement{}};
  std::string caption_ = "Simulation", powerText_ = "Power: ", resistorText_;
  int tab_ = 0;
  double zoom_ = 1;
  double length_ = 1e-8, eyeLength_ = 1e-9;
  double stepSeconds_ = 1e-11, trigger_ = 0, precisionVolts_ = 1e-4;
  bool assigned_ = false, running_ = false, runPending_ = false, resetPending_ = false;
  bool fromCommand_ = false;
  bool resizePending_ = false;
  int pendingW_ = 0, pendingH_ = 0;
  std::string lastEvalName_;
  int lastRunEval_ = -1;
  std::int64_t lastPump_ = 0;
  // what the step box and length last followed
  std::string techSeen_;
  double simuSeen_ = -1;
  int pressX_ = 0, pressY_ = 0;
  bool pressed_ = false;
};

}  // namespace quill
