// Our Level 1 against an independent circuit simulator: with KP given, no
// body effect, at 27 °C and the typical corner both are the textbook square
// law with (1 + lambda Vds), so the curves must agree.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

#include "core/tests/TestFiles.h"
#include "sim/MosModel.h"

using namespace quill;

namespace {

bool haveNgspice() { return std::system("command -v ngspice > /dev/null 2>&1") == 0; }

// drain current (into the drain from outside) over vd = 0..vdd, from ngspice
std::vector<std::pair<double, double>> ngspiceCurve(const TechnologyRules& t, Polarity p, double vg, double W,
                                                    double L) {
  const MosModelParameters& m = p == Polarity::N ? t.nmos : t.pmos;
  const double kp = 8.85e-12 * t.gateOxidePermittivity * m.l3U0[0] / m.l3Tox[0];
  std::ofstream f("deck.cir");
  f << "* level 1 comparison\n";
  f << ".model dev " << (p == Polarity::N ? "nmos" : "pmos") << " level=1 vto=" << m.l3Vto[0] << " kp=" << kp
    << " lambda=" << m.l3Kappa << " gamma=0 phi=" << m.l3Phi << "\n";
  const double vs = p == Polarity::N ? 0 : t.vdd;
  f << "M1 d g s s dev W=" << W << " L=" << L << "\n";
  f << "Vs s 0 " << vs << "\nVd d 0 0\nVg g 0 " << vg << "\n";
  f << ".control\ndc Vd 0 " << t.vdd << " " << t.vdd / 50 << "\nwrdata curve.txt i(Vd)\n.endc\n.end\n";
  f.close();
  std::remove("curve.txt");
  int rc = std::system("ngspice -b deck.cir > ngspice.log 2>&1");
  (void)rc;  // batch mode without a top-level analysis exits 1; the data file tells
  std::vector<std::pair<double, double>> pts;
  std::ifstream in("curve.txt");
  double vd, i;
  while (in >> vd >> i) pts.push_back({vd, -i});  // the source's current runs the other way
  return pts;
}

}  // namespace

TEST(NgspiceLevel1, DrainCurvesAgreeForBothPolarities) {
  if (!haveNgspice()) GTEST_SKIP() << "ngspice is not installed here (CI installs it)";
  quill::testing::TempDir dir;
  TechnologyRules t;
  t.vdd = 3.3;
  t.nmos.l3Vto[0] = 0.55;
  t.pmos.l3Vto[0] = -0.6;
  t.nmos.l3U0[0] = 0.045;
  t.pmos.l3U0[0] = 0.018;
  t.nmos.l3Tox[0] = t.pmos.l3Tox[0] = 6e-9;
  t.nmos.l3Kappa = 0.06;
  t.pmos.l3Kappa = 0.09;
  MosModelContext models(t);
  models.level = MosModelLevel::Level1;
  const double W = 3e-6, L = 0.5e-6;
  for (Polarity p : {Polarity::N, Polarity::P}) {
    for (double vgs : {0.9, 1.5, 2.2, 3.3}) {
      const double vs = p == Polarity::N ? 0 : t.vdd;
      const double vg = p == Polarity::N ? vgs : t.vdd - vgs;
      auto ref = ngspiceCurve(t, p, vg, W, L);
      ASSERT_GE(ref.size(), 50u) << "ngspice wrote no curve";
      double maxAbs = 0;
      for (auto& pt : ref) maxAbs = std::max(maxAbs, std::fabs(pt.second));
      ASSERT_GT(maxAbs, 0);
      for (auto& [vd, want] : ref) {
        const double towardsDrain = p == Polarity::N ? models.ChannelCurrent(p, 0, L, W, vs, vd, vg, vs)
                                                     : models.ChannelCurrent(p, 0, L, W, vs, vs, vg, vd);
        EXPECT_NEAR(-towardsDrain, want, 1e-3 * maxAbs)
            << (p == Polarity::N ? "n" : "p") << " vg=" << vg << " vd=" << vd;
      }
    }
  }
}
