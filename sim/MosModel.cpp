#include "sim/MosModel.h"

#include <algorithm>
#include <cmath>

#include "core/Layers.h"
#include "core/LayoutDatabase.h"
#include "platform/Random.h"

namespace quill {

namespace {

constexpr double kEps0 = 8.85e-12;

// x^a for x > 0, else 0
double power(double x, double a) { return x > 0 ? std::exp(a * std::log(x)) : 0.0; }

std::size_t slot(MosVariant v) { return static_cast<std::size_t>(v < 0 ? 0 : v > 3 ? 3 : v); }

}  // namespace

void MosModelContext::setCorner(Corner c, Random& random, std::uint64_t seed) {
  switch (c) {
    case Corner::Typical: CornerFactor = 1.0; break;
    case Corner::Min: CornerFactor = 0.8; break;
    case Corner::Max: CornerFactor = 1.2; break;
    case Corner::MonteCarlo: {
      random.seed(seed);
      int sum = 0;
      for (int i = 0; i < 4; ++i) sum += static_cast<int>(random.below(10));
      CornerFactor = 1.0 - (sum - 20) / 100.0;
      break;
    }
  }
}

void MosModelContext::UpdateDerivedParameters() {
  const TechnologyRules& t = tech_;
  const double r = (t.temperature + 273) / 300;
  const double rU0 = power(r, -1.5);
  const double rUtN = power(r, t.nmos.b4Ute);
  const double rUtP = power(r, t.pmos.b4Ute);
  const double dT = (t.temperature - 27) * 0.002;
  for (std::size_t v = 0; v < 4; ++v) {
    d_.u0n[v] = t.nmos.l3U0[v] * rU0;
    d_.u0p[v] = t.pmos.l3U0[v] * rU0;
    d_.vtn[v] = t.nmos.l3Vto[v] - dT;
    d_.vtp[v] = t.pmos.l3Vto[v] + dT;
  }
  d_.nssn = t.nmos.l3Nss * (t.temperature + 273) / 300;
  d_.nssp = t.pmos.l3Nss * (t.temperature + 273) / 300;
  d_.kt1n = (r - 1) * t.nmos.b4Kt1;
  d_.kt1p = (r - 1) * t.pmos.b4Kt1;
  d_.b4u0n = t.nmos.b4U0 * rUtN;
  d_.b4u0p = t.pmos.b4U0 * rUtP;
  d_.sqphin = t.sqrtPhiN;
  d_.sqphip = t.sqrtPhiP;
}

double MosModelContext::EffectiveLength(double drawnLambda, Polarity p, MosVariant v) const {
  const double ld = drawnLambda * tech_.lambda * 1e-6;
  const MosModelParameters& m = p == Polarity::N ? tech_.nmos : tech_.pmos;
  switch (level) {
    case MosModelLevel::Level1: return ld;
    case MosModelLevel::Level3: return std::max(ld - 2 * m.l3Ld * 1e-6, 1.5e-8);
    case MosModelLevel::Bsim4: return std::max(ld - 2 * m.b4Lint[slot(v)], 1.5e-8);
  }
  return ld;
}

double MosModelContext::ChannelCurrent(Polarity p, MosVariant v, double L, double W, double vbulk, double va,
                                       double vg, double vb2) {
  if (p == Polarity::N) {
    if (!(vbulk < std::max(va, vb2) + tech_.nmos.l3Vto[0])) return 0;
    switch (level) {
      case MosModelLevel::Level1: return level1N(v, L, W, vbulk, va, vg, vb2);
      case MosModelLevel::Level3: return level3N(v, L, W, vbulk, va, vg, vb2);
      case MosModelLevel::Bsim4: return bsim4N(v, L, W, vbulk, va, vg, vb2);
    }
  } else {
    if (!(std::min(va, vb2) + tech_.pmos.l3Vto[0] <= vbulk)) return 0;
    switch (level) {
      case MosModelLevel::Level1: return level1P(v, L, W, vbulk, va, vg, vb2);
      case MosModelLevel::Level3: return level3P(v, L, W, vbulk, va, vg, vb2);
      case MosModelLevel::Bsim4: return bsim4P(v, L, W, vbulk, va, vg, vb2);
    }
  }
  return 0;
}

// ---- Level 1

double MosModelContext::level1N(MosVariant v, double L, double W, double vbulk, double va, double vg, double vb2) {
  if (L == 0) return 0;
  const std::size_t k = slot(v);
  const MosModelParameters& m = tech_.nmos;
  const double tox = m.l3Tox[k];
  if (!(tox > 0)) return 0;
  double sign, vd, vs;
  if (va >= vb2) sign = -1, vd = va, vs = vb2;
  else sign = 1, vd = vb2, vs = va;
  const double vds = vd - vs, vgs = vg - vs;
  const double S = CornerFactor;
  const double vt0 = d_.vtn[k] / S;
  double beta = kEps0 * tech_.gateOxidePermittivity * d_.u0n[k] * W / L / tox;
  if (k != 1) beta *= S;
  readout.mobilityN = S * d_.u0n[k];
  const double vt = vbulk == 0 ? vt0 : vt0 + m.l3Gamma * (std::sqrt(std::fabs(m.l3Phi - vbulk)) - d_.sqphin);
  readout.thresholdN = vt;
  if (vgs < vt) return 0;
  const double od = vgs - vt;
  const double clm = 1 + m.l3Kappa * vds;
  const double i = od < vds ? 0.5 * beta * clm * od * od : beta * clm * (od * vds - vds * vds / 2);
  return sign * i;
}

double MosModelContext::level1P(MosVariant v, double L, double W, double vbulk, double va, double vg, double vb2) {
  if (L == 0) return 0;
  const std::size_t k = slot(v);
  const MosModelParameters& m = tech_.pmos;
  const double tox = m.l3Tox[k];
  if (!(tox > 0)) return 0;
  double sign, vd, vs;
  if (va <= vb2) sign = -1, vd = va, vs = vb2;
  else sign = 1, vd = vb2, vs = va;
  const double vds = vd - vs, vgs = vg - vs;
  const double S = CornerFactor;
  const double vt0 = d_.vtp[k] / S;
  const double beta = kEps0 * tech_.gateOxidePermittivity * d_.u0p[k] * S * W / L / tox;
  readout.mobilityP = S * d_.u0p[k];
  const double vdd = tech_.vdd;
  const double vt =
      vbulk == vdd ? vt0 : vt0 - m.l3Gamma * (std::sqrt(std::fabs(m.l3Phi - vdd + vbulk)) - d_.sqphip);
  readout.thresholdP = std::fabs(vt);
  if (vgs > vt) return 0;
  const double od = vgs - vt;
  const double clm = 1 - m.l3Kappa * vds;
  const double i = od > vds ? 0.5 * beta * clm * od * od : beta * clm * (std::fabs(od * vds) - vds * vds / 2);
  return sign * i;
}

Level1Prepared MosModelContext::prepareLevel1(Polarity p, MosVariant v, double L, double W) const {
  Level1Prepared d;
  const std::size_t k = slot(v);
  const bool n = p == Polarity::N;
  const MosModelParameters& m = n ? tech_.nmos : tech_.pmos;
  const double tox = m.l3Tox[k];
  d.nChannel = n;
  d.off = L == 0 || !(tox > 0);
  if (d.off) return d;
  const double S = CornerFactor;
  if (n) {
    d.vt0 = d_.vtn[k] / S;
    d.beta = kEps0 * tech_.gateOxidePermittivity * d_.u0n[k] * W / L / tox;
    if (k != 1) d.beta *= S;
    d.mobility = S * d_.u0n[k];
    d.sqphi = d_.sqphin;
  } else {
    d.vt0 = d_.vtp[k] / S;
    d.beta = kEps0 * tech_.gateOxidePermittivity * d_.u0p[k] * S * W / L / tox;
    d.mobility = S * d_.u0p[k];
    d.sqphi = d_.sqphip;
  }
  d.gamma = m.l3Gamma;
  d.phi = m.l3Phi;
  d.kappa = m.l3Kappa;
  d.vdd = tech_.vdd;
  return d;
}

double MosModelContext::level1(const Level1Prepared& d, double vbulk, double va, double vg, double vb2) {
  if (d.off) return 0;
  double sign, vd, vs;
  if (d.nChannel) {
    if (va >= vb2) sign = -1, vd = va, vs = vb2;
    else sign = 1, vd = vb2, vs = va;
    const double vds = vd - vs, vgs = vg - vs;
    readout.mobilityN = d.mobility;
    const double vt = vbulk == 0 ? d.vt0 : d.vt0 + d.gamma * (std::sqrt(std::fabs(d.phi - vbulk)) - d.sqphi);
    readout.thresholdN = vt;
    if (vgs < vt) return 0;
    const double od = vgs - vt;
    const double clm = 1 + d.kappa * vds;
    const double i = od < vds ? 0.5 * d.beta * clm * od * od : d.beta * clm * (od * vds - vds * vds / 2);
    return sign * i;
  }
  if (va <= vb2) sign = -1, vd = va, vs = vb2;
  else sign = 1, vd = vb2, vs = va;
  const double vds = vd - vs, vgs = vg - vs;
  readout.mobilityP = d.mobility;
  const double vt =
      vbulk == d.vdd ? d.vt0 : d.vt0 - d.gamma * (std::sqrt(std::fabs(d.phi - d.vdd + vbulk)) - d.sqphi);
  readout.thresholdP = std::fabs(vt);
  if (vgs > vt) return 0;
  const double od = vgs - vt;
  const double clm = 1 - d.kappa * vds;
  const double i = od > vds ? 0.5 * d.beta * clm * od * od : d.beta * clm * (std::fabs(od * vds) - vds * vds / 2);
  return sign * i;
}

// ---- Level 3

double MosModelContext::level3N(MosVariant v, double L, double W, double vbulk, double va, double vg, double vb2) {
  if (L == 0) return 0;
  double sign, vd, vs;
  if (va >= vb2) sign = -1, vd = va, vs = vb2;
  else sign = 1, vd = vb2, vs = va;
  const double vds = vd - vs, vgs = vg - vs, vbs = vbulk - vs;
  if (vds == 0) return 0;
  const std::size_t k = slot(v);
  const MosModelParameters& m = tech_.nmos;
  const double tox = m.l3Tox[k];
  if (!(tox > 0)) return 0;
  const double S = CornerFactor;
  const double vt0 = k == 3 ? d_.vtn[3] * S : d_.vtn[k] / S;
  const double u0s = d_.u0n[k] * S;
  const double vbsc = std::min(vbs, 0.6);
  const double vt = vbsc == 0 ? vt0 : vt0 + m.l3Gamma * (std::sqrt(std::fabs(m.l3Phi - vbsc)) - d_.sqphin);
  readout.thresholdN = vt;
  const double vth = 1.2 * vt;
  const double cox = kEps0 * tech_.gateOxidePermittivity / tox * (W / L);
  auto F = [&](double G) {
    const double mu = u0s / (1 + m.l3Theta * G);
    readout.mobilityN = mu;
    const double a = G - vt, b = m.l3Vmax * L / 0.06;
    const double vdsat = a + b - std::sqrt(a * a + b * b);
    const double vde = std::min(vdsat, vds);
    return mu * cox * (1 + m.l3Kappa * vds) * vde * (G - vt - vde / 2);
  };
  if (vgs < 0) return 0;
  double i;
  if (vgs > vth) {
    i = F(vgs);
  } else {
    // weak inversion; a zero slope voltage leaves only the strong-inversion edge
    double x = d_.nssn > 0 ? (vgs - vth) / d_.nssn : (vgs < vth ? -30.0 : 0.0);
    x = std::clamp(x, -30.0, 2.0);
    i = std::exp(x) * F(vth);
  }
  return std::isfinite(i) ? sign * i : 0.0;
}

double MosModelContext::level3P(MosVariant v, double L, double W, double vbulk, double va, double vg, double vb2) {
  if (L == 0) return 0;
  double sign, vd, vs;
  if (va <= vb2) sign = -1, vd = va, vs = vb2;
  else sign = 1, vd = vb2, vs = va;
  const double vds = vd - vs, vgs = vg - vs;
  if (vds == 0) return 0;
  const std::size_t k = slot(v);
  const MosModelParameters& m = tech_.pmos;
  const double tox = m.l3Tox[k];
  if (!(tox > 0)) return 0;
  const double S = CornerFactor;
  const double vt0 = d_.vtp[k] / S;
  const double u0s = d_.u0p[k] * S;
  const double vdd = tech_.vdd;
  const double vb = std::max(vbulk, vs - 0.6);
  double vt = vt0;
  if (!(vb == vdd || vdd - vb >= m.l3Phi || m.l3Phi <= 0))
    vt = vt0 - m.l3Gamma * (std::sqrt(std::fabs(m.l3Phi - vdd + vb)) - d_.sqphip);
  readout.thresholdP = std::fabs(vt);
  const double vth = 1.1 * vt;
  const double cox = kEps0 * tech_.gateOxidePermittivity / tox * (W / L);
  const double avds = std::fabs(vds);
  auto F = [&](double G) {
    const double mu = u0s / (1 + m.l3Theta * std::fabs(G));
    readout.mobilityP = mu;
    const double a = std::fabs(G) + vt, b = m.l3Vmax * L / 0.02;
    const double vdsat = a + b - std::sqrt(a * a + b * b);
    const double vde = std::min(vdsat, avds);
    return (1 + m.l3Kappa * avds) * mu * cox * vde * (std::fabs(G - vt) - vde / 2);
  };
  if (vgs > 0) return 0;
  double i;
  if (vgs < vth) {
    i = F(vgs);
  } else {
    double x = d_.nssp > 0 ? (vth - vgs) / d_.nssp : (vgs > vth ? -30.0 : 0.0);
    x = std::clamp(x, -30.0, 5.0);
    i = std::exp(x) * F(vth);
  }
  return std::isfinite(i) ? sign * i : 0.0;
}

// ---- BSIM4 (reduced)

Bsim4Prepared MosModelContext::prepareBsim4(bool nChannel, MosVariant v, double L, double W) const {
  constexpr double k = 1.38e-23, q = 1.6e-19, ni = 1.02e10;
  const TechnologyRules& t = tech_;
  const MosModelParameters& m = nChannel ? t.nmos : t.pmos;
  const std::size_t kk = slot(v);
  const double S = CornerFactor;
  Bsim4Prepared d;
  d.nChannel = nChannel;
  d.tox = m.b4Toxe[kk];
  const double weff = W - 2 * m.b4Wint;
  // meaningless geometry or parameters carry no current
  if (!(L > 0) || !(d.tox > 0) || !(m.b4Ndep > 0) || !(weff > 0)) return d;

  const double T1 = std::max(t.temperature + 273, 1.0);
  const double T2 = (nChannel && t.soi) ? std::max(t.temperature / 2 + 273, 1.0) : T1;
  d.vt1 = k * T1 / q;
  d.vt2 = k * T2 / q;
  d.leff = L;
  d.wOverL = weff / d.leff;
  d.vth0 = m.b4Vth0[kk] / S;
  d.p1 = (nChannel && kk == 2) ? m.b4Pscbe1 * 1.5 : m.b4Pscbe1;

  d.phis = 0.4 + d.vt1 * std::log(m.b4Ndep / ni);
  d.sqphis = std::sqrt(std::max(d.phis, 0.0));
  const double vfb = d.vth0 - d.phis - m.b4K1 * std::sqrt(std::fabs(d.phis));
  const double vbi = d.vt1 * std::log(1e20 * m.b4Ndep / (ni * ni));
  const double lt = 0.5 * t.lambda * 1e-6;
  double theta = 0;
  if (lt > 0) {
    const double c = std::cosh(std::clamp(m.b4Dvt1 * d.leff / lt, -35.0, 35.0)) - 1;
    // no length dependence at all (DVT1 = 0) means no short-channel shift
    if (c > 1e-12) theta = 0.5 * m.b4Dvt0 / c;
  }
  const double dVsce = -(vbi - d.phis) * theta;
  d.vthFixed = d.vth0 + m.b4K1 * d.sqphis * (std::sqrt(std::max(1 + m.b4Lpe0 / d.leff, 0.0)) - 1) + dVsce +
               (nChannel ? d_.kt1n : d_.kt1p);
  d.nfactor = 1 + m.b4Nfactor;
  d.nvt = d.nfactor * d.vt2;
  d.fieldOffset = (nChannel ? 2.0 : 2.5) * (d.vth0 - vfb - d.phis);
  d.mu0 = S * (nChannel ? d_.b4u0n : d_.b4u0p);
  d.coxe = kEps0 * t.gateOxidePermittivity / d.tox;
  d.litl = std::sqrt(std::max(0.0, 11.7 / t.gateOxidePermittivity * d.tox * m.b4Xj));
  d.cclmNum = (m.b4Pclm != 0 && d.litl > 0) ? m.b4Pclm * d.litl : 0;
  d.k1 = m.b4K1;
  d.k2 = m.b4K2;
  d.eta0 = m.b4Eta0;
  d.vz = m.b4Vz;
  d.voff = m.b4Voff;
  d.ua = m.b4Ua;
  d.uc = m.b4Uc;
  d.vsat = m.b4Vsat;
  d.asoi = m.b4Asoi;
  d.soiTerm = t.soi && (nChannel || m.b4Asoi > 0);
  d.usable = true;
  return d;
}

double MosModelContext::bsim4(const Bsim4Prepared& d, double vds, double vgs, double vbs, double vgd) {
  if (!d.usable) return 0;
  constexpr double delta = 0.01;
  constexpr double abulk = 1;
  const double sq = vbs == 0 ? d.sqphis : std::sqrt(std::fabs(d.phis - vbs));
  const double vth = d.vthFixed + d.k1 * (sq - d.sqphis) - d.k2 * vbs - 0.5 * d.eta0 * vds;
  if (d.nChannel) readout.thresholdN = vth;
  else readout.thresholdP = vth;

  double vgEff;
  if (d.nChannel && vgd < d.vz) vgEff = d.vz - vgd;  // gate-drain breakdown turns the device on
  else vgEff = std::max(d.voff, vgs);

  double vgsteff;
  if (!(d.nvt > 0)) {
    vgsteff = std::max(0.0, vgEff - vth);
  } else {
    const double x = (vgEff - vth) / d.nvt;
    // bounded exponentials: far above threshold ln(1 + e^x/(1 + n e^-x)) is x,
    // far below it is e^(2x)/n
    if (x > 40) {
      vgsteff = d.nvt * x;
    } else if (x < -40) {
      vgsteff = d.vt2 * std::exp(2 * x);
    } else {
      const double e = std::exp(x);
      vgsteff = d.nvt * std::log(1 + e / (1 + d.nfactor / e));
    }
  }

  const double E = power((vgsteff + d.fieldOffset) / d.tox, 1.67);
  const double denom = 1 + (d.ua + d.uc * vbs) * E;
  if (!(denom > 0)) return 0;
  const double mueff = d.mu0 / denom;
  if (d.nChannel) readout.mobilityN = mueff;
  else readout.mobilityP = mueff;
  if (!(mueff > 0)) return 0;

  const double esat = 2 * d.vsat / mueff;
  const double esatL = esat * d.leff;
  const double vdsat = esatL * (vgsteff + 2 * d.vt1) / (abulk * esatL + vgsteff + 2 * d.vt1);
  const double a = vdsat - vds - delta;
  const double vdseff = vdsat - 0.5 * (a + std::sqrt(a * a + 4 * delta * vdsat));

  double vascbe = 1e15;
  if (vds > vdseff) {
    const double T = d.p1 * d.litl / (vds - vdseff);
    if (T > 0.1 && T < 30) vascbe = std::exp(T) * d.leff / 1e-5;
  }
  const double ids0 = d.wOverL * mueff * d.coxe * vgsteff * vdseff / (1 + vdseff / esatL) *
                      (1 - abulk * vdseff / (2 * vgsteff + 4 * d.vt1));
  double cclm = 1e14;
  if (d.cclmNum != 0 && esat > 0) cclm = (d.leff + vdsat / esat) / d.cclmNum;
  const double va0 = (esatL + vdsat) * (1 - abulk * vdsat / (2 * (2 * d.vt1 + vgsteff)));
  double fclm = 1;
  if (cclm > 0 && va0 > 0) {
    const double arg = (va0 + (vds - vdseff) * cclm) / va0;
    if (arg > 0) fclm = 1 + std::log(arg) / cclm;
  }
  double i = (1 + (vds - vdseff) / vascbe) * ids0 * fclm;

  if (d.soiTerm) {
    double M = 0;
    if (vds > vdsat) {
      M = std::sqrt(vds - vdsat) * 1e-6 * d.asoi / d.leff * d.vt1;
      i *= 1 + M;
    }
    readout.soiMultiplication = M;
  }
  return std::isfinite(i) ? i : 0.0;
}

double MosModelContext::bsim4N(const Bsim4Prepared& d, double vbulk, double va, double vg, double vb2) {
  double sign, vd, vs;
  if (va >= vb2) sign = -1, vd = va, vs = vb2;
  else sign = 1, vd = vb2, vs = va;
  return sign * bsim4(d, vd - vs, vg - vs, vbulk - vs, vg - vd);
}

double MosModelContext::bsim4P(const Bsim4Prepared& d, double vbulk, double va, double vg, double vb2) {
  double sign, vd, vs;
  if (va <= vb2) sign = -1, vd = va, vs = vb2;
  else sign = 1, vd = vb2, vs = va;
  // mirrored: the equations of the n-channel device on positive voltages
  return sign * bsim4(d, vs - vd, vs - vg, vs - vbulk, 0);
}

double MosModelContext::bsim4N(MosVariant v, double L, double W, double vbulk, double va, double vg, double vb2) {
  return bsim4N(prepareBsim4(true, v, L, W), vbulk, va, vg, vb2);
}

double MosModelContext::bsim4P(MosVariant v, double L, double W, double vbulk, double va, double vg, double vb2) {
  return bsim4P(prepareBsim4(false, v, L, W), vbulk, va, vg, vb2);
}

PreparedMos MosModelContext::prepare(Polarity p, MosVariant v, double L, double W) const {
  PreparedMos d;
  d.polarity = p;
  d.variant = v;
  d.L = L;
  d.W = W;
  d.b4 = prepareBsim4(p == Polarity::N, v, L, W);
  return d;
}

double MosModelContext::ChannelCurrent(const PreparedMos& d, double vbulk, double va, double vg, double vb2) {
  if (level != MosModelLevel::Bsim4) return ChannelCurrent(d.polarity, d.variant, d.L, d.W, vbulk, va, vg, vb2);
  if (d.polarity == Polarity::N) {
    if (!(vbulk < std::max(va, vb2) + tech_.nmos.l3Vto[0])) return 0;
    return bsim4N(d.b4, vbulk, va, vg, vb2);
  }
  if (!(std::min(va, vb2) + tech_.pmos.l3Vto[0] <= vbulk)) return 0;
  return bsim4P(d.b4, vbulk, va, vg, vb2);
}

// ---- gate capacitances

double MosModelContext::GateCapacitanceFirst(MosVariant v, double W, double L, double v1, double v2,
                                             double v3) const {
  const std::size_t k = slot(v);
  const double tox = tech_.nmos.l3Tox[k];
  if (!(tox > 0)) return 0;
  const double c0 = kEps0 * W * L * tech_.gateOxidePermittivity / tox;
  const double vt = d_.vtn[k];
  const double y = std::min(std::fabs(v1 - v3), 2 * vt);
  if (level == MosModelLevel::Level1) {
    if (vt == 0) return v1 - v3 > 0 ? 0 : v1 == v3 ? 0.5 * c0 : c0;
    return std::clamp(0.5 * c0 * (1 - (v1 - v3) / vt), 0.0, c0);
  }
  const double x = std::fabs(v2 - v3) - vt;
  const double den = 2 * x - y;
  if (std::fabs(den) < 1e-15) return 1e-17;  // the curve's pole: at its floor
  const double z = x / den;
  return std::max(2.0 / 3.0 * c0 * (1 - z * z), 1e-17);
}

double MosModelContext::GateCapacitanceSecond(MosVariant v, double W, double L, double v1, double v2,
                                              double v3) const {
  const std::size_t k = slot(v);
  const double tox = tech_.nmos.l3Tox[k];
  if (!(tox > 0)) return 0;
  const double c0 = kEps0 * W * L * tech_.gateOxidePermittivity / tox;
  const double vt = d_.vtn[k];
  const double y = std::min(std::fabs(v1 - v3), 2 * vt);
  if (level == MosModelLevel::Level1) {
    if (vt == 0) return v1 - v3 > 0 ? c0 : v1 == v3 ? 0.5 * c0 : 0;
    return std::clamp(0.5 * c0 * (1 + (v1 - v3) / vt), 0.0, c0);
  }
  const double x = std::fabs((v2 - v3) - vt);
  const double den = 2 * x - y;
  if (std::fabs(den) < 1e-15) return 1e-17;
  const double z = (x - y) / den;
  return std::max(2.0 / 3.0 * c0 * (1 - z * z), 1e-17);
}

// ---- floating gates

int MosModelContext::charge(const LayoutDatabase& db, int box) {
  auto it = charges_.find(box);
  if (it != charges_.end()) return it->second;
  int q = std::clamp(db.box(box).value, 0, 2000);
  charges_.emplace(box, q);
  return q;
}

static bool isFloatingGate(const LayoutDatabase& db, int box) {
  return box >= 1 && box <= db.boxCount() && db.box(box).state != 0 && db.box(box).layer == kPoly2;
}

double MosModelContext::FloatingGateVoltage(const LayoutDatabase& db, int box, double vgate) {
  if (!isFloatingGate(db, box)) return vgate;
  return vgate / 2 - charge(db, box) / 8000.0;
}

void MosModelContext::UpdateFloatingGateCharge(const LayoutDatabase& db, int box, double va, double vg, double vb2) {
  if (!isFloatingGate(db, box)) return;
  if (va > vb2) std::swap(va, vb2);
  int q = charge(db, box);
  const double vdd = tech_.vdd;
  if (vg - va > vdd && vb2 - va >= 0.8 * vdd) q = std::min(2000, q + 1);  // programming
  if (vb2 >= 6.5) q = std::max(0, q - 1);                                  // erasing
  charges_[box] = q;
}

void MosModelContext::commitCharges(LayoutDatabase& db) {
  for (const auto& [box, q] : charges_)
    if (isFloatingGate(db, box)) db.box(box).value = q;
  charges_.clear();
}

}  // namespace quill
