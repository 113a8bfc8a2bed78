#include "sim/Engine.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "core/Text.h"

namespace quill {

struct SimulationEngine::Passive {
  int kind = 0;  // 0 resistor (ohm), 1 inductor (nH)
  int rlc = 0;   // position in the R/L/C table
  int node1 = 0, node2 = 0;
  double value = 0;
  double i1 = 0, i2 = 0, prev1 = 0, prev2 = 0;  // inductor currents seen from each end
};

SimulationEngine::SimulationEngine(LayoutDatabase& db, const TechnologyRules& tech, ExtractedCircuit& circuit,
                                   Services& services)
    : models(tech), db_(db), tech_(tech), c_(circuit), sv_(services) {
  settings.dt = tech.timeStep;
}

SimulationEngine::~SimulationEngine() {
  if (dump_) std::fclose(dump_);
}

const char* SimulationEngine::modelName() const {
  switch (models.level) {
    case MosModelLevel::Level1: return "Level 1";
    case MosModelLevel::Level3: return "Level 3";
    case MosModelLevel::Bsim4: return "Bsim4";
  }
  return "unknown";
}

void SimulationEngine::buildPassives() {
  passives_.clear();
  passivesOf_.assign(c_.nodes.size(), {});
  for (int i = 1; i <= db_.rlcCount(); ++i) {
    const RlcSymbol& r = db_.rlc(i);
    if (!r.active || r.kind == kRlcCapacitor) continue;
    Passive p;
    p.kind = r.kind;
    p.rlc = i;
    p.node1 = r.node1;
    p.node2 = r.node2;
    p.value = r.scaledValue != 0 ? r.scaledValue : r.value;
    if (p.node1 < 0 || p.node2 < 0 || p.node1 >= static_cast<int>(c_.nodes.size()) ||
        p.node2 >= static_cast<int>(c_.nodes.size()) || p.node1 == p.node2)
      continue;
    passives_.push_back(p);
    const int k = static_cast<int>(passives_.size()) - 1;
    passivesOf_[static_cast<std::size_t>(p.node1)].push_back(k);
    passivesOf_[static_cast<std::size_t>(p.node2)].push_back(k);
  }
}

void SimulationEngine::buildSources() {
  sources_.assign(c_.nodes.size(), StimulusSource{});
  ExpressionConstants k{tech_.vdd, tech_.vddHigh, dt_};
  for (std::size_t n = 2; n < c_.nodes.size(); ++n) {
    const CircuitNode& node = c_.nodes[n];
    if (node.kind < 5 || node.kind > 9 || node.label < 1 || node.label > db_.labelCount()) continue;
    sources_[n] = StimulusSource(db_.label(node.label), k);
  }
}

bool SimulationEngine::ResetSimulation(WellDialog* dialog) {
  cancelled_ = false;
  failure_.clear();
  const double vdd = tech_.vdd;
  delayThreshold_ = vdd / 2;
  std::vector<CircuitNode>& nodes = c_.nodes;
  if (nodes.size() < 2) nodes.resize(2);
  for (std::size_t n = 0; n < nodes.size(); ++n) {
    CircuitNode& x = nodes[n];
    x.dV0 = x.dV1 = x.dV2 = 0;
    x.Vplot = x.Vh1 = x.Vh2 = x.Vh3 = 0;
    if (n == 0) {
      x.kind = 2;
      x.V = 0;
    } else if (n == 1) {
      x.kind = 0;
      x.V = x.Vh1 = x.Vh2 = x.Vh3 = vdd;
    } else {
      x.V = levelToVolts(x.kind <= 1 ? x.levelHigh : x.levelLow, vdd);
    }
    if (!(x.capacitance > 0)) x.capacitance = 1e-16;
  }
  for (Passive& p : passives_) p.i1 = p.i2 = p.prev1 = p.prev2 = 0;
  t_ = 0;
  freqSeen_ = false;
  results = SimulationResults{};

  // floating wells
  floatingWells_ = 0;
  std::vector<int> wellNodes;
  for (int p = 1; p <= db_.boxCount(); ++p) {
    const LayoutBox& b = static_cast<const LayoutDatabase&>(db_).box(p);
    if (b.state == 0 || b.layer != kNwell || b.node < 2 || b.node >= static_cast<int>(nodes.size())) continue;
    if (nodes[static_cast<std::size_t>(b.node)].kind != 3) continue;
    ++floatingWells_;
    wellNodes.push_back(b.node);
  }
  if (floatingWells_ == 0) {
    sv_.status.write(StatusMessage::Info, "");
  } else {
    const std::string text = "Warning: " + std::to_string(floatingWells_) + " N-well region(s) floating";
    const WellAnswer a = dialog ? dialog->ask(floatingWells_, text) : WellAnswer::Polarize;
    if (a == WellAnswer::Cancel) {
      stop_ = true;
      cancelled_ = true;
    } else if (a == WellAnswer::Polarize) {
      for (int n : wellNodes) {
        CircuitNode& x = nodes[static_cast<std::size_t>(n)];
        x.V = x.Vplot = x.Vh1 = vdd;
      }
    }
    sv_.status.write(StatusMessage::Info, std::to_string(floatingWells_) + " float. wells");
  }
  k_ = 0;
  buildPassives();
  return !cancelled_;
}

double SimulationEngine::DeviceCurrent(Polarity p, int device, bool towardsA) {
  const MosDevice& d = c_.table(p)[static_cast<std::size_t>(device)];
  const std::vector<CircuitNode>& n = c_.nodes;
  const double va = n[static_cast<std::size_t>(d.nodeA)].V, vb = n[static_cast<std::size_t>(d.nodeB)].V;
  double vg = n[static_cast<std::size_t>(d.gate)].V;
  const double vbulk = n[static_cast<std::size_t>(d.bulk)].V;
  if (d.floatingGateBox > 0) {
    if (fgStep_ && p == Polarity::N) models.UpdateFloatingGateCharge(db_, d.floatingGateBox, va, vg, vb);
    vg = models.FloatingGateVoltage(db_, d.floatingGateBox, vg);
  }
  // n: (A, B) towards A; p: the pair the other way round
  const bool aFirst = (p == Polarity::N) == towardsA;
  const double x = aFirst ? va : vb, y = aFirst ? vb : va;
  if (models.level == MosModelLevel::Level1)
    return models.level1((p == Polarity::N ? level1N_ : level1P_)[static_cast<std::size_t>(device)], vbulk, x, vg, y);
  const PreparedMos& prep = (p == Polarity::N ? preparedN_ : preparedP_)[static_cast<std::size_t>(device)];
  return models.ChannelCurrent(prep, vbulk, x, vg, y);
}

double SimulationEngine::ResistorCurrent(int rlc) const {
  if (rlc < 0 || rlc >= static_cast<int>(passives_.size())) return 0;
  const Passive& p = passives_[static_cast<std::size_t>(rlc)];
  if (p.kind != kRlcResistor || !(p.value > 0)) return 0;
  return (c_.nodes[static_cast<std::size_t>(p.node1)].Vh1 - c_.nodes[static_cast<std::size_t>(p.node2)].Vh1) / p.value;
}

double SimulationEngine::NodeCurrent(int node) {
  double I = 0;
  for (const DeviceRef& r : c_.terminalDevices(node)) {
    const MosDevice& d = c_.table(r.polarity)[static_cast<std::size_t>(r.index)];
    double i = 0;
    if (d.nodeB == node) i = DeviceCurrent(r.polarity, r.index, true);
    else if (d.nodeA == node) i = DeviceCurrent(r.polarity, r.index, false);
    if (!std::isfinite(i) && failure_.empty()) {
      failure_ = std::string(r.polarity == Polarity::N ? "nMOS " : "pMOS ") + std::to_string(r.index) +
                 " gave a current that is not a number";
      stop_ = true;
      i = 0;
    }
    I += i;
  }
  const CircuitNode& me = c_.nodes[static_cast<std::size_t>(node)];
  if (!passives_.empty()) {
    for (int k : passivesOf_[static_cast<std::size_t>(node)]) {
      Passive& p = passives_[static_cast<std::size_t>(k)];
      const int other = p.node1 == node ? p.node2 : p.node1;
      const CircuitNode& o = c_.nodes[static_cast<std::size_t>(other)];
      if (p.kind == kRlcResistor) {
        if (p.value > 0) I += (me.Vh1 - o.Vh1) / p.value;
      } else if (p.value > 0) {
        const CircuitNode& e1 = c_.nodes[static_cast<std::size_t>(p.node1)];
        const CircuitNode& e2 = c_.nodes[static_cast<std::size_t>(p.node2)];
        const double u0 = e1.Vh1 - e2.Vh1, u1 = e1.Vh2 - e2.Vh2, u2 = e1.Vh3 - e2.Vh3;
        const double phi = (u0 + 4 * u1 + u2) * (dt_ / 1e-9) / 6;
        if (node == p.node1) {
          p.i1 = phi * k_ / p.value + p.prev1;
          I += p.i1;
        } else {
          p.i2 = phi * k_ / p.value + p.prev2;
          I -= p.i2;
        }
      }
    }
  }
  if (settings.couplings && node >= 1 && node < kCouplingNodeLimit) {
    double X = 0;
    const int last = std::min(kCouplingNodeLimit - 1, c_.highestNode());
    for (int j = 1; j <= last; ++j) {
      if (j == node) continue;
      const double cc = c_.coupling(j, node);
      if (!(cc > 0)) continue;
      const CircuitNode& o = c_.nodes[static_cast<std::size_t>(j)];
      X += -cc / 4 * ((o.dV0 - me.dV0) + 2 * (o.dV1 - me.dV1) + (o.dV2 - me.dV2)) / dt_;
    }
    return k_ * (k_ * X + I);
  }
  return k_ * I;
}

double SimulationEngine::driven(int node) {
  CircuitNode& x = c_.nodes[static_cast<std::size_t>(node)];
  StimulusSource& s = sources_[static_cast<std::size_t>(node)];
  SourceValue v = s.at(t_, *stimulusRun_);
  if (x.kind == 9 && !s.expression().valid()) return tech_.vdd / 2;
  if (x.kind == 8 && v.released) {
    x.kind = 4;  // floats until a driven step comes
    return x.V;
  }
  return v.volts;
}

void SimulationEngine::measure(int node) {
  const CircuitNode& x = c_.nodes[static_cast<std::size_t>(node)];
  const double V = x.V, Vh = x.Vh1;
  if (settings.mode == kModeEye && node == startNode) {
    // an edge of the synchronising input starts the next sweep
    const double thr = delayThreshold_;
    if ((Vh <= thr && thr < V) || (Vh > thr && thr >= V)) step_ = plotDecimation_;
  }
  if (node == frequencyNode) {
    if (settings.minMax) {
      results.sumV += V;
      ++results.countV;
      if (V > results.maxV || results.maxV == SimulationResults::kSentinel) results.maxV = V, results.maxVTime = t_;
      else if (V < results.minV || results.minV == -SimulationResults::kSentinel) results.minV = V, results.minVTime = t_;
    }
    if (settings.checkFreq || settings.mode == kModeFrequency) {
      const double thr = settings.trigger;
      if (Vh <= thr && thr < V && t_ > 0) {
        if (freqSeen_ && t_ > tFreq_) {
          results.frequency = 1 / (t_ - tFreq_);
          const double f = results.frequency;
          sv_.status.write(StatusMessage::Info, f > 1e8 ? "F=" + F(f / 1e9, 5, 3) + "GHz" : "F=" + F(f / 1e6, 5, 3) + "MHz");
          if (observer_) observer_->frequencyMeasured(tFreq_, t_, f);
        }
        freqSeen_ = true;
        tFreq_ = t_;
      }
    }
  }
  if (settings.mode != kModeVoltageCurrent && settings.checkDelayAndIdd && startNode >= 2 && stopNode >= 2 &&
      startNode != stopNode && (node == startNode || node == stopNode)) {
    const double thr = delayThreshold_;
    const bool rising = Vh <= thr && thr < V, falling = Vh > thr && thr >= V;
    if (settings.mode == kModeVoltageTime && (rising || falling)) {
      if (node == startNode) {
        tStart_ = t_;
        delayArmed_ = true;
        if (observer_) observer_->delayStart(t_);
      } else if (delayArmed_) {
        delayArmed_ = false;
        if (rising) results.riseDelay = t_ - tStart_, results.hasRise = true;
        else results.fallDelay = t_ - tStart_, results.hasFall = true;
        if (observer_) observer_->delayMeasured(tStart_, t_, rising);
        tStart_ = t_;
      }
    }
    double& mx = node == startNode ? results.startMax : results.stopMax;
    double& mn = node == startNode ? results.startMin : results.stopMin;
    if (V > mx || mx == SimulationResults::kSentinel) mx = V;
    else if (V < mn || mn == -SimulationResults::kSentinel) mn = V;
  }
}

int SimulationEngine::BusValue(const std::vector<int>& members) const {
  int v = 0;
  const double half = tech_.vdd / 2;
  for (std::size_t i = 0; i < members.size() && i < 31; ++i) {
    const int n = members[i];
    if (n >= 2 && n <= c_.highestNode() && c_.nodes[static_cast<std::size_t>(n)].V > half) v |= 1 << i;
  }
  return v;
}

double SimulationEngine::watchedCurrent() {
  const WatchedElement& w = settings.watched;
  switch (w.kind) {
    case WatchedElement::Nmos:
    case WatchedElement::Pmos: {
      const Polarity p = w.kind == WatchedElement::Nmos ? Polarity::N : Polarity::P;
      if (w.index < 1 || w.index > c_.deviceCount(p)) return 0;
      return std::fabs(DeviceCurrent(p, w.index, true));
    }
    case WatchedElement::Resistor:
      for (std::size_t k = 0; k < passives_.size(); ++k)
        if (passives_[k].rlc == w.index) return std::fabs(ResistorCurrent(static_cast<int>(k)));
      return 0;
    case WatchedElement::None: break;
  }
  return 0;
}

void SimulationEngine::SimulationStep() {
  const double dt = dt_;
  idd_ = iddh_ = iss_ = 0;
  const int N = c_.highestNode();
  std::vector<CircuitNode>& nodes = c_.nodes;
  fgStep_ = fgInterval_ > 0 && step_ % fgInterval_ == 0;
  watched_ = settings.mode == kModeVoltageCurrent ? watchedCurrent() : 0;
  // phase A: driven nodes take their value at once, free nodes an increment
  for (int n = 2; n <= N; ++n) {
    CircuitNode& x = nodes[static_cast<std::size_t>(n)];
    switch (x.kind) {
      case 0: idd_ += std::fabs(NodeCurrent(n)); break;
      case 1: iddh_ += std::fabs(NodeCurrent(n)); break;
      case 2:
        if (settings.mode == kModeVoltageCurrent) iss_ += std::fabs(NodeCurrent(n));
        break;
      case 3: case 4: {
        const double I = NodeCurrent(n);
        x.dV0 = std::clamp(-I * dt / x.capacitance, -0.1, 0.1);
        break;
      }
      default:
        x.V = driven(n);
        break;
    }
  }
  // phase B: smoothing, measurements, history
  for (int n = 2; n <= N; ++n) {
    CircuitNode& x = nodes[static_cast<std::size_t>(n)];
    if (x.kind == 3 || x.kind == 4) {
      x.V += (x.dV0 + 2 * x.dV1 + x.dV2) / 4;
      if (x.kind == 4) {
        const int code = sources_[static_cast<std::size_t>(n)].pwlCodeAt(t_);
        if (code != kPwlRelease) x.kind = 8;
      }
    }
    if (n == frequencyNode || n == startNode || n == stopNode) measure(n);
  }
  const bool plotted = step_ % plotDecimation_ == 0;
  for (std::size_t n = 0; n < nodes.size(); ++n) {
    CircuitNode& x = nodes[n];
    x.dV2 = x.dV1;
    x.dV1 = x.V - x.Vh1;
    x.Vh3 = x.Vh2;
    x.Vh2 = x.Vh1;
    x.Vh1 = x.V;
    if (plotted && x.visible == 2) x.Vplot = x.V;
  }
  for (Passive& p : passives_) p.prev1 = p.i1, p.prev2 = p.i2;
  if (dump_ && step_ % dumpEvery_ == 0) writeDumpLine();
  sumIdd_ += idd_;
  sumIddh_ += iddh_;
  sumWatched_ += watched_;
  if (t_ > settings.tsim / 20) {
    if (idd_ > results.maxIdd) results.maxIdd = idd_, results.maxIddTime = t_;
    if (iss_ > results.maxIss) results.maxIss = iss_, results.maxIssTime = t_;
    if (watched_ > results.maxWatched) results.maxWatched = watched_, results.maxWatchedTime = t_;
  }
  ++stepsRun_;
  ++step_;
  t_ += dt;
  if (k_ < 1) k_ = std::min(1.0, t_ / 1e-9);
}

bool SimulationEngine::DcRelaxation(bool sweeping, int column) {
  std::vector<CircuitNode>& nodes = c_.nodes;
  const int N = c_.highestNode();
  const double lo = settings.sweepTo > settings.sweepFrom ? settings.sweepFrom : 0.0;
  const double hi = settings.sweepTo > settings.sweepFrom ? settings.sweepTo : tech_.vdd;
  if (startNode >= 2 && startNode <= N) {
    CircuitNode& x = nodes[static_cast<std::size_t>(startNode)];
    x.V = sweeping ? lo + column * (hi - lo) / std::max(1, settings.dcPoints) : lo;
    if (sweeping && column % 16 == 0)
      sv_.status.progress(StatusMessage::Main, "Running DC simulation at " + x.name + "=" + F(x.V, 5, 3));
  }
  for (CircuitNode& x : nodes) x.Vh1 = x.Vh2 = x.Vh3 = x.V;
  bool converged = false;
  const int rounds = sweeping ? 1500 : 1;
  for (int r = 0; r < rounds && !converged; ++r) {
    converged = true;
    for (int n = 2; n <= N; ++n) {
      CircuitNode& x = nodes[static_cast<std::size_t>(n)];
      if (x.kind != 3 || n == startNode) continue;
      x.dV0 = -NodeCurrent(n) * dt_ / x.capacitance;
      if (!(std::fabs(x.dV0) < settings.dcPrecision)) converged = false;
    }
    if (converged && sweeping) break;
    for (int n = 2; n <= N; ++n) {
      CircuitNode& x = nodes[static_cast<std::size_t>(n)];
      if (x.kind != 3 || n == startNode) continue;
      const double d = std::clamp(x.dV0, -0.1, 0.1);
      x.V += (d + 2 * x.dV1 + x.dV2) / 4;
    }
    for (CircuitNode& x : nodes) {
      x.dV2 = x.dV1;
      x.dV1 = x.V - x.Vh1;
      x.Vh3 = x.Vh2;
      x.Vh2 = x.Vh1;
      x.Vh1 = x.V;
    }
  }
  return converged;
}

void SimulationEngine::openDump() {
  if (dump_) std::fclose(dump_);
  dump_ = nullptr;
  if (settings.dumpPath.empty()) return;
  dump_ = std::fopen(settings.dumpPath.c_str(), "wb");
  if (!dump_) return;
  auto line = [&](const std::string& s) { std::fputs((s + "\r\n").c_str(), dump_); };
  line("* Quillmere 3, simulation of \"" + db_.fileName + "\" ");
  line("* generated on " + sv_.clock.shortDate() + ", " + sv_.clock.longTime());
  line("TimeUnit=" + F(settings.dumpIntervalNs, 5, 3));
  const std::string stopName = stopNode >= 2 && stopNode <= c_.highestNode() ? c_.nodes[static_cast<std::size_t>(stopNode)].name : "";
  line("Time(ns)     IDD(mA)  " + stopName + "(V)");
}

void SimulationEngine::writeDumpLine() {
  const double v = stopNode >= 0 && stopNode <= c_.highestNode() ? c_.nodes[static_cast<std::size_t>(stopNode)].V : 0;
  const std::string s = F(t_ * 1e9, 10, 3) + " " + F(idd_ * 1e3, 10, 6) + " " + F(v, 10, 3) + "\r\n";
  std::fputs(s.c_str(), dump_);
}

void SimulationEngine::finalMeasurements(long stepsRun) {
  if (stepsRun > 0) {
    results.avgIdd = sumIdd_ / static_cast<double>(stepsRun);
    results.avgIddh = sumIddh_ / static_cast<double>(stepsRun);
  }
  const double p = (results.avgIdd * tech_.vdd + results.avgIddh * tech_.vddHigh) * 1000;
  results.powerMw = p;
  if (p < 1e-5) results.powerText = "P=" + F(p * 1e6, 1, 0) + "nW";
  else if (p < 0.1) results.powerText = "P=" + F(p * 1000, 1, 3) + "\xB5W";
  else results.powerText = "P=" + F(p, 1, 3) + "mW";
  if (stopNode >= 0 && stopNode <= c_.highestNode()) results.finalStopVoltage = c_.nodes[static_cast<std::size_t>(stopNode)].V;
  results.resistorPowerText.clear();
  if (settings.mode == kModeVoltageCurrent && settings.watched.kind == WatchedElement::Resistor && stepsRun > 0) {
    double r = 0;
    for (const Passive& x : passives_)
      if (x.rlc == settings.watched.index && x.kind == kRlcResistor) r = x.value;
    results.resistorCurrent = sumWatched_ / static_cast<double>(stepsRun);
    results.resistorPowerMw = results.resistorCurrent * results.resistorCurrent * r * 1000;
    // no efficiency without a supply power to compare with
    if (p > 0) results.resistorPowerText = "Peff=" + F(100 * results.resistorPowerMw / p, 3, 1) + "%";
  }
  results.hasGain = false;
  if (settings.checkGainAndIss && (settings.mode == kModeFrequency || settings.mode == kModeEye)) {
    // trackers still at their sentinels saw nothing: no gain from them
    const bool seen = results.startMax != SimulationResults::kSentinel &&
                      results.startMin != -SimulationResults::kSentinel &&
                      results.stopMax != SimulationResults::kSentinel && results.stopMin != -SimulationResults::kSentinel;
    const double in = results.startMax - results.startMin, out = results.stopMax - results.stopMin;
    if (seen && in > 0 && out != 0) {
      results.hasGain = true;
      results.gain = std::fabs(out / in);
      sv_.status.write(StatusMessage::Info, "Gain :" + F(results.gain, 1, 3) + " (" +
                                                F(20 * std::log10(results.gain), 4, 1) + "dB)");
    } else {
      sv_.status.write(StatusMessage::Info, "Cannot compute the gain");
    }
  }
  if (settings.minMax && frequencyNode >= 0) {
    const double avg = results.countV ? results.sumV / static_cast<double>(results.countV) : 0;
    const double mx = results.maxV == SimulationResults::kSentinel ? 0 : results.maxV;
    const double mn = results.minV == -SimulationResults::kSentinel ? mx : results.minV;
    sv_.status.write(StatusMessage::Info, "dV=" + F(mx - mn, 1, 3) + "V, av=" +
                                              (results.countV ? F(avg, 4, 3) : std::string("0.0")) + "V");
  }
}

bool SimulationEngine::RunSimulation(SimulationObserver* observer) {
  if (cancelled_) return false;
  if (!(tech_.vdd > 0)) {
    sv_.status.write(StatusMessage::Main, "Simulation refused: VDD must be above 0 V");
    return false;
  }
  stop_ = false;
  failure_.clear();
  running_ = true;
  observer_ = observer;
  const std::int64_t wallStart = sv_.clock.milliseconds();
  dt_ = settings.dt > 0 ? settings.dt : tech_.timeStep;
  sv_.random.seed(settings.seed);
  stimulusRun_ = std::make_unique<StimulusRun>(sv_.random);
  stimulusRun_->inputNoise = settings.inputNoise;
  stimulusRun_->inputNoiseRms = settings.inputNoiseRms;
  stimulusRun_->reset();
  buildSources();
  int lastFormula = 0;
  for (std::size_t n = 2; n < sources_.size(); ++n) {
    sources_[n].reset(sv_.random);
    if (c_.nodes[n].kind == 9) lastFormula = static_cast<int>(n);
  }
  if (lastFormula) sv_.status.write(StatusMessage::Info, sources_[static_cast<std::size_t>(lastFormula)].expression().message());
  if (settings.inputNoise) startNode = -1;
  sv_.status.write(StatusMessage::Info, "Temperature " + F(tech_.temperature, 3, 1) + "\xB0" "C");

  models.UpdateDerivedParameters();
  preparedN_.assign(c_.nmos.size(), PreparedMos{});
  preparedP_.assign(c_.pmos.size(), PreparedMos{});
  for (std::size_t i = 1; i < c_.nmos.size(); ++i)
    preparedN_[i] = models.prepare(Polarity::N, c_.nmos[i].variant, c_.nmos[i].effectiveLength, c_.nmos[i].widthMetres);
  for (std::size_t i = 1; i < c_.pmos.size(); ++i)
    preparedP_[i] = models.prepare(Polarity::P, c_.pmos[i].variant, c_.pmos[i].effectiveLength, c_.pmos[i].widthMetres);
  // Level 1 takes the drawn integer width and length
  level1N_.assign(c_.nmos.size(), Level1Prepared{});
  level1P_.assign(c_.pmos.size(), Level1Prepared{});
  for (std::size_t i = 1; i < c_.nmos.size(); ++i)
    level1N_[i] = models.prepareLevel1(Polarity::N, c_.nmos[i].variant, c_.nmos[i].length, c_.nmos[i].width);
  for (std::size_t i = 1; i < c_.pmos.size(); ++i)
    level1P_[i] = models.prepareLevel1(Polarity::P, c_.pmos[i].variant, c_.pmos[i].length, c_.pmos[i].width);
  models.clearCharges();
  delayArmed_ = false;
  freqSeen_ = false;

  int nCount = c_.deviceCount(Polarity::N), pCount = c_.deviceCount(Polarity::P);
  if (settings.mode == kModeStatic) {
    const bool nodesSet = startNode >= 2 && startNode <= c_.highestNode() && stopNode >= 2 && stopNode <= c_.highestNode();
    const std::string xn = nodesSet ? c_.nodes[static_cast<std::size_t>(startNode)].name : "";
    const std::string yn = nodesSet ? c_.nodes[static_cast<std::size_t>(stopNode)].name : "";
    const std::string done = "DC analysis complete for " + xn + " versus " + yn + " using MOS Model " + modelName();
    if (!nodesSet) {
      sv_.status.write(StatusMessage::Main, done);
      running_ = false;
      observer_ = nullptr;
      return true;
    }
    const bool backward = settings.hysteresis && dcBackward_;
    if (settings.hysteresis) dcBackward_ = !dcBackward_;
    k_ = 0;
    for (int i = 0; i < 2000 && !stop_; ++i) {
      DcRelaxation(false, 0);
      if (k_ < 1) k_ = (i + 1) / 1000.0;
    }
    k_ = 1;
    results.dcUnconverged = 0;
    double prevY = 0;
    bool crossed = false;
    for (int i = 0; i <= settings.dcPoints && !stop_; ++i) {
      const int col = backward ? settings.dcPoints - i : i;
      const bool ok = DcRelaxation(true, col);
      if (!ok) ++results.dcUnconverged;
      const double vx = startNode >= 2 ? voltage(startNode) : 0, vy = stopNode >= 2 ? voltage(stopNode) : 0;
      if (observer) observer->dcPoint(vx, vy, ok);
      if (i > 0 && !crossed && (prevY - delayThreshold_) * (vy - delayThreshold_) <= 0 && prevY != vy) {
        results.switchingVoltage = vx;
        crossed = true;
      }
      prevY = vy;
      sv_.status.pump();
      if (sv_.status.stopRequested()) stop_ = true;
    }
    sv_.status.write(StatusMessage::Main, done);
    running_ = false;
    observer_ = nullptr;
    return !stop_;
  }

  totalSteps_ = std::max<long>(0, std::lround(settings.tsim / dt_));
  plotDecimation_ = std::max<long>(1, std::lround(double(totalSteps_) / std::max(1, settings.plotWidth)));
  fgInterval_ = std::max<long>(1, std::lround(0.5e-9 / dt_));
  dumpEvery_ = std::max<long>(1, std::lround(settings.dumpIntervalNs * 1e-9 / dt_));
  if (settings.mode == kModeEye)
    plotDecimation_ = std::max<long>(1, std::lround(double(std::lround(settings.eyeLength / dt_)) /
                                                    std::max(1, settings.plotWidth)));
  sumIdd_ = sumIddh_ = sumWatched_ = 0;
  stepsRun_ = 0;
  results.maxIdd = results.maxIss = results.maxWatched = 0;
  const double runStart = t_;
  runStart_ = t_;
  if (settings.dump) openDump();
  step_ = 0;
  int lastPercent = -1;
  bool pauseShown = false;
  while (step_ < totalSteps_ && !stop_) {
    if (paused_) {
      if (!pauseShown) sv_.status.write(StatusMessage::Main, "Pause simulation at time " + F(t_ * 1e9, 5, 3) + " ns");
      pauseShown = true;
      if (observer) observer->paused(t_);
      else sv_.status.pump();
      if (sv_.status.stopRequested()) stop_ = true;
      continue;
    }
    pauseShown = false;
    SimulationStep();
    if (observer && step_ % plotDecimation_ == 0) observer->plotted(t_);
    if (step_ % 512 == 0) {
      sv_.status.progress(StatusMessage::Main, "t=" + F(t_ * 1e9, 5, 2) + " ns");
      if (sv_.status.stopRequested()) stop_ = true;
    }
    (void)lastPercent;
  }
  if (dump_) {
    std::fclose(dump_);
    dump_ = nullptr;
  }
  running_ = false;
  observer_ = nullptr;
  paused_ = false;
  if (!failure_.empty()) {
    sv_.status.write(StatusMessage::Main, "Simulation stopped at time " + F(t_ * 1e9, 5, 2) + " ns: " + failure_);
    return false;
  }
  if (stop_) {
    sv_.status.write(StatusMessage::Main, "Simulation stopped at time " + F(t_ * 1e9, 5, 2) + " ns");
    t_ = 0;
    return false;
  }
  finalMeasurements(stepsRun_);
  const std::int64_t elapsed = (sv_.clock.milliseconds() - wallStart) / 1000;
  sv_.status.write(StatusMessage::Main, F(settings.tsim * 1e9, 5, 2) + "ns simulation in " + std::to_string(elapsed) +
                                            "s, with MOS model " + modelName() + " with " + std::to_string(nCount) +
                                            " NMOS, " + std::to_string(pCount) + " pMOS");
  // an eye run restarts its sweeps and keeps the time it reached
  if (settings.mode != kModeEye) t_ = runStart + settings.tsim;
  return true;
}

}  // namespace quill
