#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "core/LayoutDatabase.h"
#include "sim/MosModel.h"
#include "platform/Random.h"

using namespace quill;

namespace {
struct RefCase {
  const char* model;
  int variant;
  double vb, va, vg, vb2;
  double current;
};

// Worked from the model equations separately (start-up technology, 27 °C,
// typical corner, L = 1 µm, W = 4 µm), direct model calls without the bulk guard.
const RefCase kReference[] = {
  {"level3N", 0, 0, 1.5, 2.0, 0, -0.0012861898191472397},
  {"level3N", 0, 0, 0.3, 3.0, 0, -0.00087137410829268283},
  {"level3N", 0, 0, 5, 5, 0, -0.0060495483982247935},
  {"level3N", 1, 0, 2, 0.1, 0, -9.1336756853708862e-13},
  {"level3N", 3, 0, 3, 1, 0, -4.2044494405024434e-05},
  {"level3N", 0, -1, 2, 2, 0, -0.001002445455009442},
  {"level3N", 0, 0, 0.8, 0.5, 0, -2.3452822486585191e-08},
  {"level3P", 0, 5, 3.5, 3.0, 5, -0.00040810863403879918},
  {"level3P", 0, 5, 0, 0, 5, -0.0036982017969268738},
  {"level3P", 0, 5, 4.5, 4.0, 5, -6.7783154310513973e-07},
  {"level3P", 2, 5, 1, 2, 5, -0.0014816959334217493},
  {"level3P", 0, 4, 2, 0.5, 5, -0.0033519896626216629},
  {"level3P", 0, 5, 4.2, 4.9, 5, -1.0354176673823959e-14},
  {"bsim4N", 0, 0, 1.5, 2.0, 0, -0.0018631781177104903},
  {"bsim4N", 0, 0, 0.3, 3.0, 0, -0.00090506814815486118},
  {"bsim4N", 0, 0, 5, 5, 0, -0.006257518618588977},
  {"bsim4N", 2, 0, 2, 2, 0, -0.00098798365186014182},
  {"bsim4N", 0, -1, 2, 2, 0, -0.0016117683465600992},
  {"bsim4N", 0, 0, 8, 0, 0, -0.0061909503414040419},
  {"bsim4N", 0, 0, 0.05, 1.0, 0, -6.9998156029539932e-05},
  {"bsim4P", 0, 5, 3.5, 3.0, 5, -0.00081966528729272533},
  {"bsim4P", 0, 5, 0, 0, 5, -0.0028584952811111348},
  {"bsim4P", 1, 5, 1, 2, 5, -0.0016905603475803135},
  {"bsim4P", 0, 5, 4.2, 4.9, 5, -2.5270767501441696e-10},
  {"bsim4P", 3, 6, 2, 1, 5, -0.0018187686557341559},
};

double call(MosModelContext& m, const std::string& model, int v, double L, double W, double vb, double va, double vg,
            double vb2) {
  if (model == "level1N") return m.level1N(v, L, W, vb, va, vg, vb2);
  if (model == "level1P") return m.level1P(v, L, W, vb, va, vg, vb2);
  if (model == "level3N") return m.level3N(v, L, W, vb, va, vg, vb2);
  if (model == "level3P") return m.level3P(v, L, W, vb, va, vg, vb2);
  if (model == "bsim4N") return m.bsim4N(v, L, W, vb, va, vg, vb2);
  return m.bsim4P(v, L, W, vb, va, vg, vb2);
}
const char* kModels[] = {"level1N", "level1P", "level3N", "level3P", "bsim4N", "bsim4P"};
}  // namespace

TEST(MosModel, Level3AndBsim4MatchIndependentlyWorkedValues) {
  TechnologyRules t;
  MosModelContext m(t);
  for (const RefCase& c : kReference) {
    double i = call(m, c.model, c.variant, 1e-6, 4e-6, c.vb, c.va, c.vg, c.vb2);
    EXPECT_NEAR(i, c.current, std::fabs(c.current) * 1e-9 + 1e-20)
        << c.model << " v" << c.variant << " vb=" << c.vb << " va=" << c.va << " vg=" << c.vg << " vb2=" << c.vb2;
  }
}

TEST(MosModel, Level1IsTheSquareLaw) {
  TechnologyRules t;
  MosModelContext m(t);
  const double beta = 8.85e-12 * 3.9 * 0.06 / 3e-9 * 4;  // W/L = 4
  // saturation and linear region, n-channel, source and bulk at 0
  EXPECT_NEAR(m.level1N(0, 1, 4, 0, 3.0, 2.0, 0), -0.5 * beta * (1 + 0.01 * 3) * 1.3 * 1.3, 1e-15);
  EXPECT_NEAR(m.level1N(0, 1, 4, 0, 0.5, 2.0, 0), -beta * (1 + 0.01 * 0.5) * (1.3 * 0.5 - 0.125), 1e-15);
  // with the bulk at 0 the threshold ignores Vbs entirely, even with the source raised
  EXPECT_EQ(m.level1N(0, 1, 4, 0, 3.0, 2.0, 1.0), m.level1N(0, 1, 4, 0, 2.0, 1.0, 0.0));
  EXPECT_EQ(m.level1N(0, 0, 4, 0, 3, 2, 0), 0.0);  // zero length
  const double betaP = 8.85e-12 * 3.9 * 0.03 / 3e-9 * 4;
  EXPECT_NEAR(m.level1P(0, 1, 4, 5, 2.0, 3.0, 5), -0.5 * betaP * (1 + 0.01 * 3) * 1.0 * 1.0, 1e-15);
}

TEST(MosModel, SwappingTheDiffusionTerminalsNegatesEveryModel) {
  TechnologyRules t;
  MosModelContext m(t);
  for (const char* model : kModels) {
    bool p = model[std::string(model).size() - 1] == 'P';
    for (double vg : {0.5, 1.5, 3.0, 4.5})
      for (double vd : {0.2, 1.0, 2.5, 4.8}) {
        double vs = p ? 5.0 : 0.0, vb = vs;
        double a = call(m, model, 0, 1e-6, 4e-6, vb, vd, vg, vs);
        double b = call(m, model, 0, 1e-6, 4e-6, vb, vs, vg, vd);
        EXPECT_DOUBLE_EQ(a, -b) << model << " vg=" << vg << " vd=" << vd;
      }
  }
}

TEST(MosModel, Level3WeakInversionJoinsStrongInversionAndStopsBelowZero) {
  TechnologyRules t;
  MosModelContext m(t);
  const double vth = 1.2 * 0.7;
  double at = m.level3N(0, 1e-6, 4e-6, 0, 2.0, vth, 0);
  double above = m.level3N(0, 1e-6, 4e-6, 0, 2.0, std::nextafter(vth, 10.0), 0);
  EXPECT_NEAR(at, above, std::fabs(at) * 1e-9);
  EXPECT_EQ(m.level3N(0, 1e-6, 4e-6, 0, 2.0, -1e-9, 0), 0.0);
  EXPECT_LT(m.level3N(0, 1e-6, 4e-6, 0, 2.0, 1e-9, 0), 0.0);  // a sub-threshold current just above 0
  EXPECT_EQ(m.level3N(0, 1e-6, 4e-6, 0, 1.0, 2.0, 1.0), 0.0);  // Vds = 0
}

TEST(MosModel, TemperatureAndCornerAdjustTheParameters) {
  TechnologyRules t;
  MosModelContext m(t);
  EXPECT_EQ(m.derived().vtn[0], 0.7);
  EXPECT_EQ(m.derived().vtp[0], -1.0);
  EXPECT_EQ(m.derived().u0n[0], 0.06);
  t.temperature = 127;
  m.UpdateDerivedParameters();
  EXPECT_NEAR(m.derived().vtn[0], 0.5, 1e-12);
  EXPECT_NEAR(m.derived().vtp[0], -0.8, 1e-12);
  EXPECT_NEAR(m.derived().u0n[2], 0.06 * std::pow(400.0 / 300.0, -1.5), 1e-15);
  EXPECT_NEAR(m.derived().kt1n, (400.0 / 300.0 - 1) * -0.11, 1e-15);

  TechnologyRules u;
  MosModelContext c(u);
  FakeRandom r;
  c.setCorner(Corner::Min, r, 0);
  EXPECT_EQ(c.CornerFactor, 0.8);
  // thresholds divided by S, except the fourth Level 3 n variant, multiplied
  c.level3N(0, 1e-6, 4e-6, 0, 2, 2, 0);
  EXPECT_NEAR(c.readout.thresholdN, 0.7 / 0.8, 1e-12);
  c.level3N(3, 1e-6, 4e-6, 0, 2, 2, 0);
  EXPECT_NEAR(c.readout.thresholdN, 0.8 * 0.8, 1e-12);
  // the second Level 1 n variant keeps an unscaled beta
  MosModelContext typ(u);
  double i1 = typ.level1N(1, 1, 4, 0, 0.2, 4.0, 0);
  double i1min = c.level1N(1, 1, 4, 0, 0.2, 4.0, 0);
  double vt = 0.8, vtMin = 0.8 / 0.8;
  EXPECT_NEAR(i1min / i1, ((4.0 - vtMin) * 0.2 - 0.02) / ((4.0 - vt) * 0.2 - 0.02), 1e-12);
  c.setCorner(Corner::Max, r, 0);
  EXPECT_EQ(c.CornerFactor, 1.2);
  FakeRandom draws({0.95, 0.95, 0.95, 0.95});  // four nines
  c.setCorner(Corner::MonteCarlo, draws, 7);
  EXPECT_NEAR(c.CornerFactor, 1 - (36 - 20) / 100.0, 1e-12);
}

TEST(MosModel, BulkGuardAndEffectiveLength) {
  TechnologyRules t;
  MosModelContext m(t);
  m.level = MosModelLevel::Level1;
  // n: no current unless the bulk lies below the higher terminal plus VT
  EXPECT_NE(m.ChannelCurrent(Polarity::N, 0, 1, 4, 0, 2, 3, 0), 0.0);
  EXPECT_EQ(m.ChannelCurrent(Polarity::N, 0, 1, 4, 2.7, 2, 3, 0), 0.0);
  EXPECT_EQ(m.ChannelCurrent(Polarity::P, 0, 1, 4, 2.0, 5, 0, 3.5), 0.0);
  EXPECT_NE(m.ChannelCurrent(Polarity::P, 0, 1, 4, 5.0, 5, 0, 3.5), 0.0);
  t.lambda = 0.25;
  t.nmos.l3Ld = 0.05;
  t.pmos.b4Lint[2] = 2e-8;
  EXPECT_DOUBLE_EQ(m.EffectiveLength(2, Polarity::N, 0), 0.5e-6);
  m.level = MosModelLevel::Level3;
  EXPECT_DOUBLE_EQ(m.EffectiveLength(2, Polarity::N, 0), 0.4e-6);
  EXPECT_DOUBLE_EQ(m.EffectiveLength(0, Polarity::N, 0), 1.5e-8);
  m.level = MosModelLevel::Bsim4;
  EXPECT_DOUBLE_EQ(m.EffectiveLength(2, Polarity::P, 2), 0.46e-6);
  EXPECT_DOUBLE_EQ(m.widthMetres(8), 2e-6);
}

TEST(MosModel, APullUpChargesItsNodeAndAPullDownDischargesIt) {
  // the simulator asks for the current into a device's terminal A: for n the
  // pair is (V_A, V_B), for p it is given in the opposite order
  TechnologyRules t;
  MosModelContext m(t);
  for (MosModelLevel level : {MosModelLevel::Level1, MosModelLevel::Level3, MosModelLevel::Bsim4}) {
    m.level = level;
    double out = 2.0, vdd = t.vdd;
    double pullUp = m.ChannelCurrent(Polarity::P, 0, 1e-6, 4e-6, vdd, vdd, 0.0, out);  // A = out, B = vdd
    double pullDown = m.ChannelCurrent(Polarity::N, 0, 1e-6, 4e-6, 0.0, out, vdd, 0.0);
    EXPECT_GT(pullUp, 0) << int(level);
    EXPECT_LT(pullDown, 0) << int(level);
  }
}

TEST(MosModel, Bsim4Breakdown) {
  TechnologyRules t;
  MosModelContext m(t);
  // gate 0 V, drain 8 V: Vg - Vd = -8 below B4VZ = -7 turns the device on
  EXPECT_LT(m.bsim4N(0, 1e-6, 4e-6, 0, 8.0, 0.0, 0), -1e-4);
  EXPECT_GT(m.bsim4N(0, 1e-6, 4e-6, 0, 5.0, 0.0, 0), -1e-6);
}

TEST(MosModel, NoNaNOrInfinityWhateverTheParameters) {
  struct Tweak { const char* what; void (*apply)(TechnologyRules&); };
  const Tweak tweaks[] = {
      {"start values", [](TechnologyRules&) {}},
      {"DVT1 0", [](TechnologyRules& t) { t.nmos.b4Dvt1 = t.pmos.b4Dvt1 = 0; }},
      {"negative width", [](TechnologyRules& t) { t.nmos.b4Wint = t.pmos.b4Wint = 1e-5; }},
      {"TOX 0", [](TechnologyRules& t) { t.nmos.b4Toxe = t.pmos.b4Toxe = t.nmos.l3Tox = t.pmos.l3Tox = {0, 0, 0, 0}; }},
      {"NDEP 0", [](TechnologyRules& t) { t.nmos.b4Ndep = t.pmos.b4Ndep = 0; }},
      {"NFACTOR -1", [](TechnologyRules& t) { t.nmos.b4Nfactor = t.pmos.b4Nfactor = -1; }},
      {"NSS 0", [](TechnologyRules& t) { t.nmos.l3Nss = t.pmos.l3Nss = 0; }},
      {"strong UC", [](TechnologyRules& t) { t.nmos.b4Uc = t.pmos.b4Uc = -1e-10; }},
      {"SOI", [](TechnologyRules& t) { t.soi = true; t.nmos.b4Asoi = t.pmos.b4Asoi = 5; }},
      {"cold", [](TechnologyRules& t) { t.temperature = -300; }},
  };
  for (const Tweak& tw : tweaks) {
    TechnologyRules t;
    tw.apply(t);
    MosModelContext m(t);
    for (const char* model : kModels)
      for (double L : {0.0, 1.5e-8, 1e-6})
        for (double vg : {-20.0, -1.0, 0.0, 0.6, 2.5, 5.0, 40.0})
          for (double va : {-3.0, 0.0, 1.0, 5.0, 60.0})
            for (double vb : {-5.0, 0.0, 5.0}) {
              double i = call(m, model, 0, L, 4e-6, vb, va, vg, 0.5);
              ASSERT_TRUE(std::isfinite(i)) << tw.what << " " << model << " L=" << L << " vg=" << vg << " va=" << va;
            }
    for (MosModelLevel level : {MosModelLevel::Level1, MosModelLevel::Level3, MosModelLevel::Bsim4}) {
      m.level = level;
      for (double v1 : {0.0, 0.7, 1.4, 3.0})
        for (double v2 : {0.0, 0.35, 0.7, 1.05, 2.0}) {
          ASSERT_TRUE(std::isfinite(m.GateCapacitanceFirst(0, 1e-6, 1e-6, v1, v2, 0))) << tw.what;
          ASSERT_TRUE(std::isfinite(m.GateCapacitanceSecond(0, 1e-6, 1e-6, v1, v2, 0))) << tw.what;
          ASSERT_GE(m.GateCapacitanceFirst(0, 1e-6, 1e-6, v1, v2, 0), 0) << tw.what;
        }
    }
  }
  TechnologyRules t;
  MosModelContext m(t);
  EXPECT_EQ(m.bsim4N(0, 1e-6, -4e-6, 0, 2, 2, 0), 0.0);  // negative width carries nothing
}

TEST(MosModel, GateCapacitances) {
  TechnologyRules t;
  MosModelContext m(t);
  const double c0 = 8.85e-12 * 1e-6 * 1e-6 * 3.9 / 3e-9;
  m.level = MosModelLevel::Level1;
  EXPECT_NEAR(m.GateCapacitanceFirst(0, 1e-6, 1e-6, 0, 2, 0), 0.5 * c0, 1e-25);
  EXPECT_NEAR(m.GateCapacitanceSecond(0, 1e-6, 1e-6, 0.35, 2, 0), 0.5 * c0 * 1.5, 1e-25);
  EXPECT_NEAR(m.GateCapacitanceSecond(0, 1e-6, 1e-6, 5, 2, 0), c0, 1e-25);
  m.level = MosModelLevel::Level3;
  // x = 2 - 0.7 = 1.3, y = min(1, 1.4) = 1, z = 1.3 / 1.6
  EXPECT_NEAR(m.GateCapacitanceFirst(0, 1e-6, 1e-6, 1, 2, 0), 2.0 / 3 * c0 * (1 - std::pow(1.3 / 1.6, 2)), 1e-25);
  // 2x = y exactly: the floor, not a pole
  EXPECT_EQ(m.GateCapacitanceFirst(0, 1e-6, 1e-6, 1.0, 1.2, 0), 1e-17);
}

TEST(MosModel, FloatingGateChargeStaysInRangeAndIsCommitted) {
  TechnologyRules t;
  LayoutDatabase db;
  int fg = db.addBox(0, 0, 4, 4, kPoly2);
  int poly = db.addBox(0, 0, 4, 4, kPoly);
  db.box(fg).value = 1999;
  MosModelContext m(t);
  EXPECT_DOUBLE_EQ(m.FloatingGateVoltage(db, fg, 4.0), 2.0 - 1999 / 8000.0);
  EXPECT_EQ(m.FloatingGateVoltage(db, poly, 4.0), 4.0);
  EXPECT_EQ(m.FloatingGateVoltage(db, 0, 4.0), 4.0);
  for (int i = 0; i < 5; ++i) m.UpdateFloatingGateCharge(db, fg, 0, 10, 4.5);  // programming
  EXPECT_EQ(m.charge(db, fg), 2000);
  m.UpdateFloatingGateCharge(db, fg, 0, 10, 7.0);  // programme and erase in one call
  EXPECT_EQ(m.charge(db, fg), 1999);
  EXPECT_EQ(db.box(fg).value, 1999);  // the layout changes only at commit
  for (int i = 0; i < 2100; ++i) m.UpdateFloatingGateCharge(db, fg, 7.0, 0, 0);  // terminals swapped, erasing
  EXPECT_EQ(m.charge(db, fg), 0);
  m.commitCharges(db);
  EXPECT_EQ(db.box(fg).value, 0);
}

TEST(MosModel, PreparedLevel1GivesTheDirectCallBitForBit) {
  TechnologyRules t;
  t.vdd = 3.3;
  MosModelContext m(t);
  FakeRandom r;
  m.setCorner(Corner::Min, r, 0);
  for (MosVariant v : {0, 1, 3})
    for (double vb : {0.0, -0.5, 3.3, 4.0})
      for (double va : {0.0, 1.0, 3.3})
        for (double vg : {0.0, 1.2, 3.3})
          for (double vb2 : {0.0, 2.0, 3.3}) {
            const Level1Prepared n = m.prepareLevel1(Polarity::N, v, 2, 8), p = m.prepareLevel1(Polarity::P, v, 2, 8);
            ASSERT_EQ(m.level1(n, vb, va, vg, vb2), m.level1N(v, 2, 8, vb, va, vg, vb2));
            ASSERT_EQ(m.level1(p, vb, va, vg, vb2), m.level1P(v, 2, 8, vb, va, vg, vb2));
          }
  EXPECT_EQ(m.level1(m.prepareLevel1(Polarity::N, 0, 0, 8), 0, 2, 2, 0), 0.0);
}
