// The analog simulation: every node carries a voltage and a capacitance;
// supplies and stimuli are driven by their labels, every other node is
// charged by the currents of the MOS devices, resistors, inductors and
// couplings connected to it. Explicit fixed-step integration with a
// per-step limit and a three-tap smoothing of the increments; the same node
// update without time serves the DC sweep. All state of a run lives in one
// SimulationEngine, so two runs can exist side by side.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/LayoutDatabase.h"
#include "core/TechnologyRules.h"
#include "editor/Stimulus.h"
#include "platform/Services.h"
#include "sim/MosModel.h"
#include "verify/Circuit.h"

namespace quill {

enum SimulationMode : int { kModeVoltageTime = 0, kModeStatic = 1, kModeVoltageCurrent = 2, kModeFrequency = 3,
                            kModeEye = 4 };

// The element whose current the voltage-and-current mode draws.
struct WatchedElement {
  enum Kind { None, Nmos, Pmos, Resistor } kind = None;
  int index = 0;  // device index, or the resistor's position in the R/L/C table
};

struct SimulationSettings {
  double dt = 1e-11;              // s
  double tsim = 1e-8;             // s
  int mode = kModeVoltageTime;
  bool couplings = false;
  bool inputNoise = false;
  double inputNoiseRms = 0.1;     // V
  int plotWidth = 1000;           // columns of the plot: sets the decimation
  double trigger = 0;             // V, frequency threshold
  double dcPrecision = 1e-4;      // V
  double sweepFrom = 0, sweepTo = 0;  // DC sweep of the X (start) node; to <= from: 0..VDD
  int dcPoints = 1000;
  bool checkDelayAndIdd = true;
  bool checkFreq = true;
  bool minMax = true;
  bool dump = false;
  double dumpIntervalNs = 0.1;
  std::string dumpPath;           // the layout name with its extension replaced by "DAT"
  std::uint64_t seed = 1;         // the random generator's seed at every run start
  double eyeLength = 1e-9;        // s, one sweep of the eye diagram
  bool hysteresis = false;        // DC: forward and backward on successive runs
  bool checkGainAndIss = false;   // gain at the end of a run (frequency and eye modes)
  WatchedElement watched;         // voltage-and-current mode
};

struct SimulationResults {
  static constexpr double kSentinel = 32000;
  bool hasRise = false, hasFall = false;
  double riseDelay = 0, fallDelay = 0;  // s
  double frequency = 0;                 // Hz, last measured
  double maxV = kSentinel, minV = -kSentinel, sumV = 0;
  long countV = 0;
  double startMax = kSentinel, startMin = -kSentinel, stopMax = kSentinel, stopMin = -kSentinel;
  double avgIdd = 0, avgIddh = 0, powerMw = 0;  // A, A, mW
  double maxIdd = 0, maxIddTime = 0;
  double maxIss = 0, maxIssTime = 0;
  double maxWatched = 0, maxWatchedTime = 0;  // A, s
  double resistorCurrent = 0, resistorPowerMw = 0;  // watched resistor: average |I| and I^2 R
  std::string resistorPowerText;  // "Peff=..." when a resistor is watched
  double maxVTime = 0, minVTime = 0;  // s, where the frequency node's extremes were
  bool hasGain = false;
  double gain = 0;
  double switchingVoltage = 0;
  double finalStopVoltage = 0;
  int dcUnconverged = 0;
  std::string powerText;  // "P=..."
};

enum class WellAnswer { Run, Polarize, Cancel };

// The floating-well dialog.
class WellDialog {
 public:
  virtual ~WellDialog() = default;
  virtual WellAnswer ask(int count, const std::string& text) = 0;
};

// What the simulation window draws; called as the run goes.
class SimulationObserver {
 public:
  virtual ~SimulationObserver() = default;
  virtual void plotted(double /*t*/) {}
  virtual void dcPoint(double /*vx*/, double /*vy*/, bool /*converged*/) {}
  virtual void delayMeasured(double /*tStart*/, double /*tStop*/, bool /*rising*/) {}
  // a crossing of the delay start node armed the delay detector
  virtual void delayStart(double /*t*/) {}
  // a rising crossing of the trigger one period after the previous one
  virtual void frequencyMeasured(double /*tPrevious*/, double /*t*/, double /*hz*/) {}
  // called over and over while the run is paused: should wait for events
  virtual void paused(double /*t*/) {}
};

class SimulationEngine {
 public:
  SimulationEngine(LayoutDatabase& db, const TechnologyRules& tech, ExtractedCircuit& circuit, Services& services);
  ~SimulationEngine();
  SimulationEngine(const SimulationEngine&) = delete;
  SimulationEngine& operator=(const SimulationEngine&) = delete;

  SimulationSettings settings;
  SimulationResults results;
  MosModelContext models;
  int startNode = -1, stopNode = -1, frequencyNode = -1;

  // false when the floating-well dialog cancelled the run
  bool ResetSimulation(WellDialog* dialog = nullptr);
  // runs from the present time; false when stopped or failed
  bool RunSimulation(SimulationObserver* observer = nullptr);
  void SimulationStep();
  // current leaving the node through its elements (A)
  double NodeCurrent(int node);
  double DeviceCurrent(Polarity p, int device, bool towardsA);
  double ResistorCurrent(int rlc) const;
  // one DC point; false when it did not converge
  bool DcRelaxation(bool sweeping, int column);

  void stop() { stop_ = true; }
  // toggles the pause; the step loop then only waits (observer paused())
  void pause() { paused_ = !paused_; }
  bool isPaused() const { return paused_; }
  // the requests a new command starts without
  void clearRequests() { stop_ = paused_ = false; }
  bool running() const { return running_; }
  // bit i set when member i lies above VDD/2; members outside 2..N count as 0
  int BusValue(const std::vector<int>& members) const;
  // this step's supply currents and the watched element's current (A)
  double iddNow() const { return idd_; }
  double issNow() const { return iss_; }
  double watchedNow() const { return watched_; }
  double runStartTime() const { return runStart_; }
  long plotDecimation() const { return plotDecimation_; }
  double delayThreshold() const { return delayThreshold_; }
  double time() const { return t_; }
  bool cancelled() const { return cancelled_; }
  int floatingWells() const { return floatingWells_; }
  const std::string& failure() const { return failure_; }  // a non-finite current, when the run stopped for it
  const std::vector<CircuitNode>& nodes() const { return c_.nodes; }
  double voltage(int node) const { return c_.nodes[static_cast<std::size_t>(node)].V; }
  double softStart() const { return k_; }
  long steps() const { return step_; }
  const char* modelName() const;

 private:
  struct Passive;
  double watchedCurrent();
  void buildPassives();
  void buildSources();
  double driven(int node);
  void measure(int node);
  void finalMeasurements(long stepsRun);
  void openDump();
  void writeDumpLine();

  LayoutDatabase& db_;
  const TechnologyRules& tech_;
  ExtractedCircuit& c_;
  Services& sv_;
  std::vector<PreparedMos> preparedN_, preparedP_;
  std::vector<Level1Prepared> level1N_, level1P_;
  std::vector<StimulusSource> sources_;  // per node
  std::unique_ptr<StimulusRun> stimulusRun_;
  std::vector<Passive> passives_;
  std::vector<std::vector<int>> passivesOf_;  // per node
  double t_ = 0, k_ = 0, dt_ = 1e-11;
  long step_ = 0, totalSteps_ = 0, plotDecimation_ = 1, fgInterval_ = 1, dumpEvery_ = 1;
  bool stop_ = false, cancelled_ = false, running_ = false, fgStep_ = false;
  int floatingWells_ = 0;
  double delayThreshold_ = 0;
  bool delayArmed_ = false;
  double tStart_ = 0;
  bool freqSeen_ = false;
  double tFreq_ = 0;
  double idd_ = 0, iddh_ = 0, iss_ = 0, sumIdd_ = 0, sumIddh_ = 0;
  double watched_ = 0, sumWatched_ = 0;
  long stepsRun_ = 0;
  bool paused_ = false, dcBackward_ = false;
  SimulationObserver* observer_ = nullptr;
  double runStart_ = 0;
  std::string failure_;
  std::FILE* dump_ = nullptr;
};

}  // namespace quill
