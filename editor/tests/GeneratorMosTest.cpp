// The MOS generator: golden box lists of the plain device, the polarized
// pMOS and the dog-bone, the design-rule checker over a table of devices in
// every bundled technology, and the on-current estimate.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "core/RuleFile.h"
#include "editor/GeneratorMos.h"
#include "editor/GeneratorSettings.h"
#include "verify/Drc.h"

using namespace quill;

namespace {

using Boxes = std::vector<GeneratedBox>;

Boxes boxesOf(const LayoutDatabase& db) {
  Boxes v;
  for (int i = 1; i <= db.boxCount(); ++i) {
    const LayoutBox& b = db.box(i);
    v.push_back({b.x1, b.y1, b.x2, b.y2, b.layer, b.value});
  }
  return v;
}

std::string dataFile(const std::string& name) {
  const char* d = std::getenv("QUILLMERE_DATA");
  return std::string(d ? d : "../../data") + "/" + name;
}

struct Tech {
  TechnologyRules tech;
  LayerTable layers;
  explicit Tech(const std::string& ruleFile = "") {
    if (ruleFile.empty()) return;
    SilentStatus status;
    DebugLog debug;
    EXPECT_TRUE(loadRuleFile(tech, layers, dataFile(ruleFile), status, debug)) << ruleFile;
  }
};

Boxes generate(const TechnologyRules& tech, const MosRequest& d, std::int64_t x = 0, std::int64_t y = 0) {
  LayoutDatabase db;
  LayoutGenerator g(db, tech);
  EXPECT_TRUE(AddMosDevice(g, d, x, y)) << g.refusal();
  return boxesOf(db);
}

}  // namespace

TEST(MosGenerator, TwoFingerNmosIsThePlainList) {
  Tech t;  // start-up rules: Wc 6, Pc 5, finger pitch 10
  const Boxes expected = {
      {0, 2, 26, 12, kDiffn},
      {0, -1, 6, 8, kMetal},  // first strip reaches down by R502
      {2, 4, 4, 6, kContact},
      {7, 0, 9, 14, kPoly},
      {10, 2, 16, 11, kMetal},  // after the first finger: up
      {12, 4, 14, 6, kContact},
      {17, 0, 19, 14, kPoly},
      {20, -1, 26, 8, kMetal},  // after the second: down
      {22, 4, 24, 6, kContact},
  };
  EXPECT_EQ(generate(t.tech, {10, 2, 2, MosKind::N, false, 0}), expected);
  // a floating-gate device adds its second poly after each gate, R311 taller
  Boxes fg = generate(t.tech, {10, 2, 1, MosKind::FloatingN, false, 0}, 100, 50);
  ASSERT_EQ(fg.size(), 7u);
  EXPECT_EQ(fg[3], (GeneratedBox{107, 50, 109, 64, kPoly}));
  EXPECT_EQ(fg[4], (GeneratedBox{107, 50, 109, 66, kPoly2}));
}

TEST(MosGenerator, PolarizedPmosWithItsWellAndOptionBox) {
  Tech t;
  const Boxes expected = {
      // the tap: n+ contacts (one fewer than the device's three), then its metal to the source
      {-7, 4, -5, 6, kContact},
      {-7, 10, -5, 12, kContact},
      {-9, 2, -3, 14, kDiffn},
      {-9, 2, -3, 14, kMetal},
      {-6, 2, 0, 22, kMetal},
      {0, 2, 17, 22, kDiffp},
      {0, 2, 6, 21, kMetal},  // a pMOS's first strip reaches up
      {2, 4, 4, 6, kContact},
      {2, 9, 4, 11, kContact},
      {2, 14, 4, 16, kContact},
      {7, 0, 10, 24, kPoly},
      {11, -1, 17, 18, kMetal},
      {13, 4, 15, 6, kContact},
      {13, 9, 15, 11, kContact},
      {13, 14, 15, 16, kContact},
      {-12, -4, 23, 28, kNwell},
      // the second option set is flag 1; the box covers the tap as well
      {-16, -5, 24, 29, kOption, 1},
  };
  EXPECT_EQ(generate(t.tech, {20, 3, 1, MosKind::P, true, 1}), expected);
}

TEST(MosGenerator, OptionBoxCarriesTheFlagOfItsSet) {
  Tech t;
  t.tech.mosKindNames = {"Standard", "Low Vt", "High voltage", "n.a."};
  const int flags[4] = {0, 1, 2, 4};
  for (int option = 0; option < 4; ++option) {
    Boxes v = generate(t.tech, {10, 2, 1, MosKind::N, false, option});
    int found = -1;
    for (const GeneratedBox& b : v)
      if (b.layer == kOption) found = b.value;
    // index 3 is named "n.a.": no box
    EXPECT_EQ(found, option == 0 || option == 3 ? -1 : flags[option]) << option;
  }
}

TEST(MosGenerator, NarrowChannelKeepsItsWidthWithADiffusionBoxPerColumn) {
  Tech t("cmos5v.rul");  // Wc 6, R405 1 below R403 2, R406 2, R202 3, R205 4
  const Boxes expected = {
      {-8, 4, -6, 6, kContact},  // the tap keeps R205 from the device
      {-10, 2, -4, 8, kDiffp},
      {-10, 2, -4, 8, kMetal},
      {-7, 2, 1, 6, kMetal},  // reaches the first strip, which starts at 1
      {0, 2, 16, 6, kDiffn},  // the channel is 4 wide, as asked
      {0, 2, 6, 8, kDiffn},   // the first column's dog-bone, Wc high
      {1, 0, 5, 7, kMetal},
      {2, 4, 4, 6, kContact},
      {7, 0, 9, 8, kPoly},  // end caps R307 beyond the 4-wide channel
      {10, 2, 16, 8, kDiffn},
      {11, 3, 15, 10, kMetal},
      {12, 4, 14, 6, kContact},
  };
  EXPECT_EQ(generate(t.tech, {4, 2, 1, MosKind::N, true, 0}), expected);
}

TEST(MosGenerator, EveryDeviceTheWindowAcceptsIsRuleClean) {
  // the bundled technologies, the start-up rules, and rules set so that each
  // widening is needed: R406 below R403, a wide R205, metal spacing far above
  // the poly-contact spacing, R405 below R403, a large diffusion surface, a
  // well margin for n+ above the one for p+
  const char* techs[] = {"", "default.rul", "cmos5v.rul", "dsm12.rul", "stress"};
  const std::int64_t widths[] = {4, 5, 6, 7, 9, 10, 13, 24, 41, 100};
  const std::int64_t lengths[] = {2, 3, 7};
  const std::int64_t fingers[] = {1, 2, 3, 8};
  const MosKind kinds[] = {MosKind::N, MosKind::P, MosKind::FloatingN};
  for (const char* file : techs) {
    const bool stress = std::string(file) == "stress";
    Tech t(stress ? "" : file);
    if (stress)
      for (auto [r, v] : {std::pair{R406, 1}, {R205, 7}, {R502, 8}, {R405, 1}, {R202, 6}, {R210, 40}, {R203, 4},
                          {R207, 5}, {R201, 5}})
        t.tech.ruleRef(r) = v;
    int devices = 0;
    for (std::int64_t w : widths)
      for (std::int64_t l0 : lengths)
        for (std::int64_t nf : fingers)
          for (MosKind k : kinds)
            for (bool pol : {false, true}) {
              // as the window raises them
              const std::int64_t l = std::max<std::int64_t>(l0, minMosLength(t.tech));
              if (w < minMosWidth(t.tech)) continue;
              LayoutDatabase db;
              LayoutGenerator g(db, t.tech);
              const MosRequest d{w, l, nf, k, pol, static_cast<int>(nf % 4)};
              ASSERT_TRUE(AddMosDevice(g, d, 40, 30));
              SilentStatus status;
              DrcResult r = checkDesignRules(db, t.tech, status);
              ++devices;
              EXPECT_EQ(r.errorCount, 0)
                  << (*file ? file : "start-up rules") << ": W " << w << " L " << l << " fingers " << nf << " kind "
                  << int(k) << (pol ? " polarized" : "") << ": "
                  << (r.violations.empty() ? "" : r.violations[0].text);
              if (r.errorCount != 0) return;  // one device tells enough
            }
    EXPECT_GT(devices, 0);
  }
}

TEST(MosGenerator, ColumnsPushedForTheirMetalStayClearOfTheNextGate) {
  // metal spacing far above the poly-contact spacing: every column moves
  // right, and the finger pitch follows
  Tech t;
  t.tech.ruleRef(R502) = 9;
  Boxes v = generate(t.tech, {10, 2, 3, MosKind::N, false, 0});
  std::vector<GeneratedBox> gates, cuts, metals;
  for (const GeneratedBox& b : v) {
    if (b.layer == kPoly) gates.push_back(b);
    if (b.layer == kContact) cuts.push_back(b);
    if (b.layer == kMetal) metals.push_back(b);
  }
  ASSERT_EQ(gates.size(), 3u);
  ASSERT_EQ(cuts.size(), 4u);
  for (const GeneratedBox& g : gates)
    for (const GeneratedBox& c : cuts) {
      const std::int32_t gap = c.x1 >= g.x2 ? c.x1 - g.x2 : g.x1 - c.x2;
      EXPECT_GE(gap, t.tech.rule(R406)) << g.x1 << " " << c.x1;
    }
  for (std::size_t i = 1; i < metals.size(); ++i) EXPECT_GE(metals[i].x1 - metals[i - 1].x2, 9);
  // the diffusion still encloses the last column
  EXPECT_EQ(v[0].x2, cuts.back().x2 + t.tech.rule(R403));
}

TEST(MosGenerator, RefusesMeaninglessDevicesAndRules) {
  Tech t;
  struct Case {
    const char* what;
    MosRequest d;
    int r401;
  };
  const Case cases[] = {
      {"zero width", {0, 2, 1, MosKind::N, false, 0}, 2},
      {"zero length", {10, 0, 1, MosKind::N, false, 0}, 2},
      {"no finger", {10, 2, 0, MosKind::N, false, 0}, 2},
      {"more fingers than boxes", {10, 2, kMaxMosFingers + 1, MosKind::N, false, 0}, 2},
      {"no contact size", {10, 2, 1, MosKind::N, false, 0}, -3},
      {"beyond the coordinates", {std::int64_t{1} << 40, 2, 1, MosKind::N, false, 0}, 2},
  };
  for (const Case& c : cases) {
    t.tech.ruleRef(R401) = c.r401;
    LayoutDatabase db;
    LayoutGenerator g(db, t.tech);
    EXPECT_FALSE(AddMosDevice(g, c.d, 0, 0)) << c.what;
    EXPECT_EQ(g.status(), GenStatus::Refused) << c.what;
    EXPECT_EQ(db.boxCount(), 0) << c.what;
  }
}

TEST(MosGenerator, StopsWhenTheTableFills) {
  Tech t;
  LayoutDatabase db;
  for (int i = 0; i < kMaxBoxes - 5; ++i) db.addBox(0, 0, 1, 1, kMetal);
  LayoutGenerator g(db, t.tech);
  EXPECT_FALSE(AddMosDevice(g, {10, 2, 4, MosKind::P, true, 1}, 0, 0));
  EXPECT_EQ(g.status(), GenStatus::TableFull);
  EXPECT_EQ(failureText(g, "MOS device"), "Box table full: MOS device not placed");
  EXPECT_EQ(db.boxCount(), kMaxBoxes);
}

TEST(MosImax, FollowsWidthFingersKindAndSupply) {
  Tech t("default.rul");
  const MosRequest n{10, 2, 1, MosKind::N, false, 0};
  for (MosModelLevel level : {MosModelLevel::Level1, MosModelLevel::Level3, MosModelLevel::Bsim4}) {
    const double i1 = mosImax(t.tech, level, n);
    EXPECT_GT(i1, 0.01) << int(level);
    EXPECT_LT(i1, 100) << int(level);
    // fingers multiply the width
    MosRequest two = n, wide = n;
    two.fingers = 2;
    wide.w = 20;
    EXPECT_DOUBLE_EQ(mosImax(t.tech, level, two), mosImax(t.tech, level, wide)) << int(level);
    EXPECT_GT(mosImax(t.tech, level, two), 1.5 * i1) << int(level);
    // the pMOS is the weaker device, still a magnitude
    MosRequest p = n;
    p.kind = MosKind::P;
    const double ip = mosImax(t.tech, level, p);
    EXPECT_GT(ip, 0) << int(level);
    EXPECT_LT(ip, i1) << int(level);
  }
  // the third option set is the high-voltage device, on HVDD
  MosRequest hv = n;
  hv.option = 2;
  MosModelContext models(t.tech);
  models.level = MosModelLevel::Level1;
  const double l = models.EffectiveLength(2, Polarity::N, 2), w = models.widthMetres(10);
  const double expected = std::fabs(models.ChannelCurrent(Polarity::N, 2, l, w, 0, t.tech.vddHigh, t.tech.vddHigh, 0));
  EXPECT_DOUBLE_EQ(mosImax(t.tech, MosModelLevel::Level1, hv), expected * 1000);
  EXPECT_EQ(imaxCaption(1.23456), "Imax:1.235mA");
  EXPECT_EQ(imaxCaption(12.5), "Imax:12.500mA");
}
