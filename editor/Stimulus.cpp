#include "editor/Stimulus.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace quill {

double levelToVolts(std::int32_t level, double vdd) { return level * vdd / 1000.0; }

std::int32_t voltsToLevel(double volts, double vdd) {
  const double r = std::nearbyint(1000.0 * volts / vdd);
  if (std::isnan(r)) return 0;
  constexpr double lo = std::numeric_limits<std::int32_t>::min(), hi = std::numeric_limits<std::int32_t>::max();
  return static_cast<std::int32_t>(std::clamp(r, lo, hi));
}

double unitNoise(Random& random) {
  double s = 0;
  for (int i = 0; i < 12; ++i) s += random.below(1000) / 500.0 - 1.0;
  return s / 2;
}

double StimulusRun::takeInputNoise() {
  const double n = inputNoiseRms * inputSample_;
  inputSample_ = unitNoise(random);
  return n;
}

double StimulusRun::takeSinusNoise(double rms) {
  // the sample is kept without its scale: each sinus gets the RMS it asked for
  const double n = rms * sinusSample_;
  sinusSample_ = unitNoise(random);
  return n;
}

StimulusSource::StimulusSource(const LayoutLabel& label, const ExpressionConstants& c)
    : kind_(label.kind), vdd_(c.vdd), hvdd_(c.hvdd), p_(label.param) {
  l0_ = levelToVolts(label.level0, c.vdd);
  l1_ = levelToVolts(label.level1, c.vdd);
  if (kind_ == kLabelPwl && label.pwl) {
    const int n = std::clamp(label.pwl->count, 0, kMaxPwlEntries);
    for (int k = 1; k <= n; ++k) {
      times_.push_back(label.pwl->time[static_cast<std::size_t>(k)]);
      storedCodes_.push_back(label.pwl->code[static_cast<std::size_t>(k)]);
    }
    codes_ = storedCodes_;
    timesSorted_ = std::is_sorted(times_.begin(), times_.end());
  }
  if (kind_ == kLabelMath) expr_.compile(label.text, c);
}

bool StimulusSource::drives() const {
  return kind_ <= kLabelGround || (kind_ >= kLabelPulse && kind_ <= kLabelMath);
}

void StimulusSource::reset(Random& random) {
  for (std::size_t k = 0; k < codes_.size(); ++k)
    codes_[k] = storedCodes_[k] == kPwlRandom ? (random.below(2) ? 5 : 6) : storedCodes_[k];
  expr_.reset();
}

double StimulusSource::clockOrPulse(double t, StimulusRun& run) const {
  const double n = run.inputNoise ? run.takeInputNoise() : 0.0;
  const double low = l0_ + n, high = l1_ + n;
  const double p1 = p_[0], p2 = p_[1], p3 = p_[2], p4 = p_[3];
  double tau = t;
  // a clock without a period (a hand-written file) does not repeat
  if (kind_ == kLabelClock && p4 > 0 && std::isfinite(p4)) tau = t - p4 * std::trunc(t / p4);
  if (tau < p1) return low;
  if (tau < p2) return low + (tau - p1) * (high - low) / (p2 - p1);
  if (tau < p3) return high;
  if (kind_ == kLabelPulse && tau > p4) return low;
  if (p4 > p3) return high + (tau - p3) * (low - high) / (p4 - p3);
  return low;  // no fall time: the fall is over
}

int StimulusSource::pwlCodeAt(double t) const {
  const double tns = t * 1e9;
  const std::size_t n = times_.size();
  std::size_t k;  // first entry (from 0) with time >= tns
  if (timesSorted_) {
    k = static_cast<std::size_t>(std::lower_bound(times_.begin(), times_.end(), tns) - times_.begin());
  } else {
    k = 0;
    while (k < n && !(times_[k] >= tns)) ++k;
  }
  if (k > 0 && k < n) return codes_[k - 1];
  if (k == n && n >= 2) return codes_[n - 1];
  return -1;
}

SourceValue StimulusSource::pwlValue(double t) const {
  switch (pwlCodeAt(t)) {
    case kPwlHigh:
    case 5: return {l1_, false};
    case kPwlHvdd: return {hvdd_, false};
    case kPwlRelease: return {0.0, true};
    default: return {l0_, false};  // 0, the random 4 before a run resolved it, 6
  }
}

SourceValue StimulusSource::at(double t, StimulusRun& run) {
  switch (kind_) {
    case kLabelSupply:
    case kLabelHighSupply: return {l1_, false};
    case kLabelGround: return {l0_, false};
    case kLabelClock:
    case kLabelPulse: return {clockOrPulse(t, run), false};
    case kLabelSinus: {
      const double f = p_[0], s = p_[1], a = p_[2];
      double v = l1_ + l0_ * std::sin(2 * std::numbers::pi * 1e6 * t * (f + 1e11 * s * t));
      if (a > 0 && run.sinusNoise) v += run.takeSinusNoise(a);
      // a frequency ramp beyond any double (a hand-written file) stays at the offset
      if (!std::isfinite(v)) v = l1_;
      return {v, false};
    }
    case kLabelPwl: return pwlValue(t);
    case kLabelMath: {
      const EvalResult r = expr_.evaluate(t, run.random);
      return {r.ok() ? r.value : vdd_ / 2, false};
    }
    default: return {0.0, true};
  }
}

}  // namespace quill
