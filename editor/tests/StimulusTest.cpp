#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "editor/Stimulus.h"

using namespace quill;

namespace {

const ExpressionConstants kTech{1.8, 3.3, 1e-11};

LayoutLabel label(int kind, double l1Volts, double l0Volts, std::array<double, 4> p = {}) {
  LayoutLabel l;
  l.kind = static_cast<std::uint8_t>(kind);
  l.level1 = voltsToLevel(l1Volts, kTech.vdd);
  l.level0 = voltsToLevel(l0Volts, kTech.vdd);
  l.param = p;
  return l;
}

LayoutLabel pwl(std::initializer_list<std::pair<double, int>> entries, double l1 = 1.8, double l0 = 0.0) {
  LayoutLabel l = label(kLabelPwl, l1, l0);
  l.pwl = std::make_unique<PwlTable>();
  for (auto [t, c] : entries) {
    ++l.pwl->count;
    l.pwl->time[static_cast<std::size_t>(l.pwl->count)] = t;
    l.pwl->code[static_cast<std::size_t>(l.pwl->count)] = static_cast<std::uint8_t>(c);
  }
  return l;
}

struct Point {
  double tNs, volts;
};

void expectWave(StimulusSource& s, std::initializer_list<Point> points, StimulusRun& run) {
  for (const Point& p : points) {
    SourceValue v = s.at(p.tNs * 1e-9, run);
    EXPECT_FALSE(v.released) << p.tNs;
    EXPECT_NEAR(v.volts, p.volts, 1e-9) << "t = " << p.tNs << " ns";
  }
}

}  // namespace

TEST(Stimulus, LevelsAreThousandthsOfVdd) {
  EXPECT_EQ(voltsToLevel(0.9, 1.8), 500);
  EXPECT_EQ(voltsToLevel(2.5, 1.8), 1389);
  EXPECT_DOUBLE_EQ(levelToVolts(500, 1.8), 0.9);
  // no overflow, no division result that is not a number
  EXPECT_EQ(voltsToLevel(1.0, 0.0), std::numeric_limits<std::int32_t>::max());
  EXPECT_EQ(voltsToLevel(0.0, 0.0), 0);
}

TEST(Stimulus, ClockRepeatsAndPulseHoldsItsLowLevel) {
  FakeRandom r;
  StimulusRun run(r);
  // tl = 1, tr = 0.1, th = 1, tf = 0.1 ns, levels 0 and 1.8 V
  const std::array<double, 4> p{1e-9, 1.1e-9, 2.1e-9, 2.2e-9};
  StimulusSource clock(label(kLabelClock, 1.8, 0, p), kTech);
  expectWave(clock,
             {{0.5, 0}, {1.05, 0.9}, {1.5, 1.8}, {2.15, 0.9}, {2.2 + 0.5, 0}, {2.2 + 1.05, 0.9}, {4.4 + 1.5, 1.8},
              {22 + 2.15, 0.9}},
             run);

  StimulusSource pulse(label(kLabelPulse, 1.8, 0.36, p), kTech);
  expectWave(pulse, {{0.5, 0.36}, {1.05, 1.08}, {1.5, 1.8}, {2.15, 1.08}, {2.5, 0.36}, {100, 0.36}}, run);

  // no fall time: the fall is over, the node is at its low level (not 0 V)
  StimulusSource steep(label(kLabelPulse, 1.8, 0.36, {1e-9, 1.1e-9, 2.1e-9, 2.1e-9}), kTech);
  expectWave(steep, {{2.1, 0.36}, {3, 0.36}}, run);

  // a clock from a file without a period neither divides by zero nor repeats
  StimulusSource flat(label(kLabelClock, 1.8, 0.36, {0, 0, 0, 0}), kTech);
  expectWave(flat, {{0, 0.36}, {5, 0.36}}, run);
  StimulusSource once(label(kLabelClock, 1.8, 0.36, {1e-9, 1.1e-9, 2.1e-9, 0}), kTech);
  expectWave(once, {{1.5, 1.8}, {50, 0.36}}, run);
}

TEST(Stimulus, SuppliesGroundAndSinus) {
  FakeRandom r;
  StimulusRun run(r);
  StimulusSource vdd(label(kLabelSupply, 1.8, 0), kTech), high(label(kLabelHighSupply, 2.7, 0), kTech),
      gnd(label(kLabelGround, 1.8, 0), kTech);
  expectWave(vdd, {{0, 1.8}, {7, 1.8}}, run);
  expectWave(high, {{3, 2.7}}, run);
  expectWave(gnd, {{3, 0}}, run);

  // offset 0.9 V, amplitude 0.45 V, 250 MHz
  StimulusSource s(label(kLabelSinus, 0.9, 0.45, {250, 0, 0, 0}), kTech);
  expectWave(s, {{0, 0.9}, {1, 1.35}, {2, 0.9}, {3, 0.45}}, run);
  // the frequency grows with S: the phase is 2 pi 1e6 t (F + 1e11 S t)
  StimulusSource chirp(label(kLabelSinus, 0.9, 0.45, {250, 1e-3, 0, 0}), kTech);
  const double t = 1e-9;
  expectWave(chirp, {{1, 0.9 + 0.45 * std::sin(2 * std::numbers::pi * 1e6 * t * (250 + 1e8 * t))}}, run);

  StimulusSource name(label(kLabelName, 1.8, 0), kTech);
  EXPECT_FALSE(name.drives());
  EXPECT_TRUE(name.at(0, run).released);
}

TEST(Stimulus, PwlIsAStaircaseWithThreeStateAndRandomSteps) {
  FakeRandom r({0.9, 0.1});
  StimulusRun run(r);
  StimulusSource s(pwl({{0, 0}, {1, 1}, {2, 0}}), kTech);
  expectWave(s, {{0, 0}, {0.5, 0}, {1, 0}, {1.01, 1.8}, {2, 1.8}, {2.5, 0}, {50, 0}}, run);

  StimulusSource codes(pwl({{0, 2}, {1, 3}, {2, 1}}, 0.9, 0.18), kTech);
  EXPECT_DOUBLE_EQ(codes.at(0.5e-9, run).volts, 3.3);  // HVDD
  EXPECT_TRUE(codes.at(1.5e-9, run).released);
  EXPECT_NEAR(codes.at(3e-9, run).volts, 0.9, 1e-12);

  // fewer than two entries: level 0 throughout
  StimulusSource one(pwl({{0, 1}}, 0.9, 0.18), kTech);
  EXPECT_NEAR(one.at(5e-9, run).volts, 0.18, 1e-12);
  LayoutLabel noTable = label(kLabelPwl, 0.9, 0.18);
  StimulusSource none(noTable, kTech);
  EXPECT_NEAR(none.at(5e-9, run).volts, 0.18, 1e-12);

  // random steps: low until a run resolves them, then high or low for the run
  LayoutLabel rl = pwl({{0, 0}, {1, 4}, {2, 4}, {3, 0}});
  StimulusSource random(rl, kTech);
  EXPECT_DOUBLE_EQ(random.at(1.5e-9, run).volts, 0.0);
  random.reset(r);
  EXPECT_EQ(random.pwlCodeAt(1.5e-9), 5);
  EXPECT_DOUBLE_EQ(random.at(1.5e-9, run).volts, 1.8);
  EXPECT_DOUBLE_EQ(random.at(2.5e-9, run).volts, 0.0);
  EXPECT_EQ(random.pwlCodeAt(0), -1);
  EXPECT_EQ(rl.pwl->code[2], kPwlRandom);  // the label keeps its random steps
}

TEST(Stimulus, NoiseHasTheRmsTheUserTypedAndIsOffByDefault) {
  DefaultRandom d(11);
  StimulusRun run(d);
  const std::array<double, 4> p{1e-9, 1.1e-9, 2.1e-9, 2.2e-9};
  StimulusSource clock(label(kLabelClock, 1.8, 0, p), kTech);
  EXPECT_DOUBLE_EQ(clock.at(0.5e-9, run).volts, 0.0);

  run.inputNoise = true;
  run.inputNoiseRms = 0.05;
  run.reset();
  EXPECT_DOUBLE_EQ(clock.at(0.5e-9, run).volts, 0.0);  // the first sample is 0
  double sq = 0;
  const int n = 50000;
  for (int k = 0; k < n; ++k) {
    const double v = clock.at(1.5e-9, run).volts - 1.8;
    sq += v * v;
  }
  EXPECT_NEAR(std::sqrt(sq / n), 0.05, 0.001);

  // a sinus asks for its own RMS: 20 mV here, whatever another sinus asked for
  StimulusSource s(label(kLabelSinus, 0.9, 0, {250, 0, 0.02, 0}), kTech);
  StimulusSource loud(label(kLabelSinus, 0.9, 0, {250, 0, 1.0, 0}), kTech);
  sq = 0;
  for (int k = 0; k < n; ++k) {
    loud.at(0, run);
    const double v = s.at(0, run).volts - 0.9;
    sq += v * v;
  }
  EXPECT_NEAR(std::sqrt(sq / n), 0.02, 0.0005);
  run.sinusNoise = false;
  EXPECT_DOUBLE_EQ(s.at(0, run).volts, 0.9);
}

TEST(Stimulus, EachFormulaLabelHasItsOwnTextAndAccumulators) {
  FakeRandom r;
  StimulusRun run(r);
  LayoutLabel a = label(kLabelMath, 0, 0), b = label(kLabelMath, 0, 0), bad = label(kLabelMath, 0, 0);
  a.text = "avg(t*1e9)";
  b.text = "t*2e9";
  bad.text = "sin(t";
  StimulusSource sa(a, kTech), sb(b, kTech), sbad(bad, kTech);
  sa.at(1e-9, run);
  EXPECT_NEAR(sa.at(3e-9, run).volts, 2.0, 1e-12);
  EXPECT_NEAR(sb.at(3e-9, run).volts, 6.0, 1e-12);
  EXPECT_EQ(sbad.expression().message(), "Incorrect parenthesis");
  EXPECT_DOUBLE_EQ(sbad.at(1e-9, run).volts, 0.9);  // VDD / 2 while in error
  sa.reset(r);
  EXPECT_NEAR(sa.at(5e-9, run).volts, 5.0, 1e-12);

  LayoutLabel div = label(kLabelMath, 0, 0);
  div.text = "1/(t-1e-9)";
  StimulusSource sd(div, kTech);
  EXPECT_DOUBLE_EQ(sd.at(1e-9, run).volts, 0.9);
  EXPECT_NEAR(sd.at(2e-9, run).volts, 1e9, 1e-3);
}
