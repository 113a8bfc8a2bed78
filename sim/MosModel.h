// MOS channel currents (Level 1, Level 3 and a reduced BSIM4, n and p), the
// temperature and corner adjusted parameters, gate capacitances and the
// floating-gate behaviour. Used by the simulator, the MOS viewer, the
// extractor and the MOS generator.
//
// Everything that used to be program-wide (model level, corner factor,
// derived parameters, readouts, floating-gate charges during a run) lives in
// one MosModelContext, so two runs can exist side by side.
#pragma once
#include <array>
#include <cstdint>
#include <unordered_map>

#include "core/TechnologyRules.h"

namespace quill {

class LayoutDatabase;
class Random;

enum class MosModelLevel : std::uint8_t { Level1 = 0, Level3 = 1, Bsim4 = 2 };
enum class Polarity : std::uint8_t { N = 0, P = 1 };
// option sets MOS1..MOS4 of the technology
using MosVariant = int;  // 0..3

enum class Corner : std::uint8_t { Typical, Min, Max, MonteCarlo };

struct DerivedModelParameters {
  std::array<double, 4> u0n{}, u0p{};  // Level 1/3 mobility at temperature
  std::array<double, 4> vtn{}, vtp{};  // Level 1/3 threshold at temperature
  double b4u0n = 0, b4u0p = 0;
  double nssn = 0, nssp = 0;
  double kt1n = 0, kt1p = 0;
  double sqphin = 0, sqphip = 0;
};

struct ModelReadout {
  double thresholdN = 0, thresholdP = 0;  // last thresholds (p as magnitude, BSIM4 as computed)
  double mobilityN = 0, mobilityP = 0;
  double soiMultiplication = 0;
};

// What a BSIM4 evaluation needs that depends only on the device and the
// technology, worked out once per device and run.
struct Bsim4Prepared {
  bool usable = false;  // false: meaningless geometry or parameters, no current
  bool nChannel = true;
  double leff = 0, wOverL = 0, vth0 = 0, tox = 0, p1 = 0;
  double phis = 0, sqphis = 0, vthFixed = 0;  // vthFixed: every Vbs- and Vds-free term of Vth
  double vt1 = 0, vt2 = 0, nfactor = 1, nvt = 0, fieldOffset = 0, mu0 = 0;
  double coxe = 0, litl = 0, cclmNum = 0;  // cclmNum: PCLM * litl, 0 when the term is off
  double k1 = 0, k2 = 0, eta0 = 0, vz = 0, voff = 0, ua = 0, uc = 0, vsat = 0, asoi = 0;
  bool soiTerm = false;
};

// A Level 1 device worked out once: the same numbers the direct call
// computes, in the same order, so the result is bit for bit the same.
struct Level1Prepared {
  bool nChannel = true;
  bool off = true;  // zero length or meaningless oxide: no current
  double beta = 0, vt0 = 0, mobility = 0;
  double gamma = 0, phi = 0, sqphi = 0, kappa = 0, vdd = 0;
};

struct PreparedMos {
  Polarity polarity = Polarity::N;
  MosVariant variant = 0;
  double L = 0, W = 0;  // metres
  Bsim4Prepared b4;
};

class MosModelContext {
 public:
  explicit MosModelContext(const TechnologyRules& tech) : tech_(tech) { UpdateDerivedParameters(); }

  MosModelLevel level = MosModelLevel::Level3;
  double CornerFactor = 1.0;
  ModelReadout readout;

  const TechnologyRules& tech() const { return tech_; }
  const DerivedModelParameters& derived() const { return d_; }

  // Typical 1.0, Min 0.8, Max 1.2, Monte-Carlo 1 - (r1+r2+r3+r4-20)/100 with
  // ri drawn from 0..9 after re-seeding random with seed
  void setCorner(Corner c, Random& random, std::uint64_t seed);

  void UpdateDerivedParameters();

  // channel length in metres for the drawn length (lambda), by the selected model
  double EffectiveLength(double drawnLambda, Polarity p, MosVariant v) const;
  double widthMetres(double drawnLambda) const { return drawnLambda * tech_.lambda * 1e-6; }

  // The current the channel delivers into terminal A (amperes), after the
  // bulk guard, by the selected model. L and W in metres.
  double ChannelCurrent(Polarity p, MosVariant v, double L, double W, double vbulk, double va, double vg,
                        double vb2);

  // The simulator's entry point: the device prepared once per run (after
  // UpdateDerivedParameters and any corner change), then evaluated per step.
  // Gives exactly what ChannelCurrent gives for the same L and W.
  PreparedMos prepare(Polarity p, MosVariant v, double L, double W) const;
  double ChannelCurrent(const PreparedMos& d, double vbulk, double va, double vg, double vb2);

  Level1Prepared prepareLevel1(Polarity p, MosVariant v, double L, double W) const;
  double level1(const Level1Prepared& d, double vbulk, double va, double vg, double vb2);

  double level1N(MosVariant v, double L, double W, double vbulk, double va, double vg, double vb2);
  double level1P(MosVariant v, double L, double W, double vbulk, double va, double vg, double vb2);
  double level3N(MosVariant v, double L, double W, double vbulk, double va, double vg, double vb2);
  double level3P(MosVariant v, double L, double W, double vbulk, double va, double vg, double vb2);
  double bsim4N(MosVariant v, double L, double W, double vbulk, double va, double vg, double vb2);
  double bsim4P(MosVariant v, double L, double W, double vbulk, double va, double vg, double vb2);

  // gate capacitances of the MOS viewer: v1 drain, v2 gate, v3 source (farads)
  double GateCapacitanceFirst(MosVariant v, double W, double L, double v1, double v2, double v3) const;
  double GateCapacitanceSecond(MosVariant v, double W, double L, double v1, double v2, double v3) const;

  // Floating gates: a device's gate box (position in db, 0 for none). The
  // charge of a second-poly box is kept here during a run, starting from
  // the box's stored value, and written back by commitCharges.
  double FloatingGateVoltage(const LayoutDatabase& db, int box, double vgate);
  void UpdateFloatingGateCharge(const LayoutDatabase& db, int box, double va, double vg, double vb2);
  int charge(const LayoutDatabase& db, int box);
  void commitCharges(LayoutDatabase& db);
  void clearCharges() { charges_.clear(); }

 private:
  Bsim4Prepared prepareBsim4(bool nChannel, MosVariant v, double L, double W) const;
  double bsim4(const Bsim4Prepared& d, double vds, double vgs, double vbs, double vgd);
  double bsim4N(const Bsim4Prepared& d, double vbulk, double va, double vg, double vb2);
  double bsim4P(const Bsim4Prepared& d, double vbulk, double va, double vg, double vb2);
  const TechnologyRules& tech_;
  DerivedModelParameters d_;
  std::unordered_map<int, int> charges_;
};

}  // namespace quill
