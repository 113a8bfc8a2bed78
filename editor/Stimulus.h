// The voltage a label's source gives its node at simulation time t: DC
// supplies and ground, clock, pulse, sinus (with noise), piece-wise-linear
// sequences (with three-state and random steps) and formulas. The
// simulator makes one StimulusSource per driven node at the start of a run,
// one StimulusRun for the run, and asks at() once per node and time step.
#pragma once
#include <array>
#include <cstdint>
#include <vector>

#include "core/LayoutDatabase.h"
#include "editor/Expression.h"
#include "platform/Random.h"

namespace quill {

// Label levels are thousandths of VDD.
double levelToVolts(std::int32_t level, double vdd);
// round(1000 V / VDD), saturated to 32 bits (0 when it is not a number)
std::int32_t voltsToLevel(double volts, double vdd);

// RMS of the input noise the options form offers (V)
inline constexpr double kDefaultInputNoiseRms = 0.1;

// A noise sample of mean 0 and RMS 1: twelve uniform draws in -1..1 summed
// (RMS 2) and halved.
double unitNoise(Random& random);

// What every source of one run shares: the random numbers and the two
// noise generators (one for all clocks and pulses, one for all sinus
// sources). Each evaluation takes the current sample and draws the next.
class StimulusRun {
 public:
  explicit StimulusRun(Random& r) : random(r) {}
  Random& random;
  // "Add noise on inputs": noise on clocks and pulses, of this RMS (V)
  bool inputNoise = false;
  double inputNoiseRms = kDefaultInputNoiseRms;
  // the noise a sinus label asks for (its own RMS); off for noiseless views
  bool sinusNoise = true;

  // start of a run: both samples back to 0
  void reset() { inputSample_ = sinusSample_ = 0; }
  // the present sample scaled to rms, then the next one is drawn
  double takeInputNoise();
  double takeSinusNoise(double rms);

 private:
  double inputSample_ = 0, sinusSample_ = 0;
};

struct SourceValue {
  double volts = 0;
  bool released = false;  // not driven now (three-state step, or a kind that drives nothing)
};

class StimulusSource {
 public:
  StimulusSource() = default;
  // Takes the label's kind, levels (in volts for vdd), parameters and
  // sequence; a formula is compiled here with c (VDD, VDDH, time step).
  StimulusSource(const LayoutLabel& label, const ExpressionConstants& c);

  int kind() const { return kind_; }
  // ground, supplies and the stimulus kinds drive their node; names do not
  bool drives() const;
  double level0() const { return l0_; }
  double level1() const { return l1_; }
  // the formula of a kind-9 source ("Math OK" or its error as message())
  const Expression& expression() const { return expr_; }

  // Start of a run: every random step of the sequence becomes high or low
  // (probability 1/2 each) for this run, formula accumulators restart. The
  // label itself is never changed.
  void reset(Random& random);

  // the voltage at t (seconds)
  SourceValue at(double t, StimulusRun& run);

  // the step code in force at t for a sequence (after reset: 5 high, 6 low
  // for random steps), -1 when the node sits at level 0 before the first step
  int pwlCodeAt(double t) const;

 private:
  double clockOrPulse(double t, StimulusRun& run) const;
  SourceValue pwlValue(double t) const;

  std::uint8_t kind_ = kLabelName;
  double l0_ = 0, l1_ = 0, vdd_ = 5, hvdd_ = 5;
  std::array<double, 4> p_{};
  std::vector<double> times_;  // ns
  std::vector<std::uint8_t> codes_, storedCodes_;
  bool timesSorted_ = true;
  Expression expr_;
};

}  // namespace quill
