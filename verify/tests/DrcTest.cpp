#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "core/AppContext.h"
#include "core/MskFile.h"
#include "core/RuleFile.h"
#include "core/tests/TestFiles.h"
#include "verify/Drc.h"

using namespace quill;

namespace {
struct Box {
  int x1, y1, x2, y2, layer;
};

struct Fixture {
  LayoutDatabase db;
  TechnologyRules tech;
  SilentStatus status;
  DrcResult run(const std::vector<Box>& boxes, const DrcLimits& limits = {}) {
    db.clear();
    for (const Box& b : boxes) db.addBox(b.x1, b.y1, b.x2, b.y2, b.layer);
    return checkDesignRules(db, tech, status, nullptr, limits);
  }
};
}  // namespace

struct FirstViolation {
  const char* what;
  std::vector<Box> boxes;
  int check;
  const char* text;  // "" when the layout is clean
};

TEST(Drc, FirstViolationOfSmallGeometries) {
  const FirstViolation cases[] = {
      {"narrow metal", {{0, 0, 2, 20, kMetal}}, 6, "The metal width  is less than 3 lambda (r501)"},
      {"metal spacing", {{0, 0, 6, 20, kMetal}, {8, 0, 14, 20, kMetal}}, 6,
       "The  spacing between metal is less than 3 lambda (r502)"},
      {"small metal", {{0, 0, 4, 4, kMetal}}, 6, "The metal surface 16 is less than 32 lambda square (r510)"},
      {"poly corner", {{0, 0, 4, 4, kPoly}, {4, 4, 8, 8, kPoly}}, 4, "The poly angle  is less than 2 lambda (r301)"},
      {"lonely contact", {{0, 0, 2, 2, kContact}}, 14, "contact alone here"},
      {"contact under metal", {{2, 2, 4, 4, kContact}, {0, 0, 6, 6, kMetal}}, 0, ""},
      {"nwell touches diffn", {{0, 0, 12, 12, kNwell}, {12, 0, 16, 6, kDiffn}}, 18,
       "The 0 lambda between nwell and diffn is less than 6 lambda (r204)"},
      {"short gate", {{0, 0, 4, 10, kDiffn}, {-2, 4, 6, 5, kPoly}}, 4, "The poly width  is less than 2 lambda (r301)"},
      {"diffn and diffp overlap", {{0, 0, 10, 10, kDiffn}, {5, 0, 15, 10, kDiffp}}, 34,
       " overlap between diffn and diffp"},
      {"contact surround", {{0, 0, 10, 10, kDiffn}, {1, 4, 3, 6, kContact}, {0, 3, 4, 7, kMetal}}, 6,
       "The metal surface 16 is less than 32 lambda square (r510)"},
  };
  for (const FirstViolation& c : cases) {
    Fixture f;
    DrcResult r = f.run(c.boxes);
    if (c.text[0] == 0) {
      EXPECT_EQ(r.errorCount, 0) << c.what << ": " << (r.violations.empty() ? "" : r.violations[0].text);
      continue;
    }
    ASSERT_GT(r.errorCount, 0) << c.what;
    EXPECT_EQ(r.violations[0].text, c.text) << c.what;
    EXPECT_EQ(r.violations[0].check, c.check) << c.what;
    for (const DrcViolation& v : r.violations) EXPECT_EQ(v.check, c.check) << c.what << ": no later check runs";
    EXPECT_EQ(r.message, "Design rule errors detected. See \"Help -> Design rules\"");
  }
}

TEST(Drc, WidthReportsOfANarrowBoxAreHorizontalAndCarryItsRule) {
  Fixture f;
  DrcResult r = f.run({{0, 0, 2, 20, kMetal}});
  ASSERT_FALSE(r.violations.empty());
  for (const DrcViolation& v : r.violations) {
    EXPECT_FALSE(v.vertical);
    EXPECT_EQ(v.rule, "R501");
    EXPECT_EQ(v.rect.x1, 0);
    EXPECT_EQ(v.rect.x2, 2);
  }
  EXPECT_EQ(f.status.text(StatusMessage::Info), "DRC Errors");
}

TEST(Drc, AbuttingDiffusionsPassTheirSpacingRule) {
  Fixture f;
  f.tech.ruleRef(R205) = 2;
  DrcResult r = f.run({{0, 0, 10, 10, kDiffp}, {10, 0, 20, 10, kDiffn}});
  EXPECT_EQ(r.errorCount, 0) << (r.violations.empty() ? "" : r.violations[0].text);
  DrcResult apart = f.run({{0, 0, 10, 10, kDiffp}, {11, 0, 21, 10, kDiffn}});
  ASSERT_GT(apart.errorCount, 0);
  EXPECT_EQ(apart.violations[0].check, 19);
  EXPECT_EQ(apart.violations[0].text, "The 1 lambda between diffp and diffn is less than 2 lambda (r205)");
}

TEST(Drc, GateLengthIsCheckedOnEveryGate) {
  Fixture f;
  f.tech.ruleRef(R301) = 1;  // poly itself may be narrow
  f.tech.ruleRef(R310) = 1;
  f.tech.ruleRef(R302) = 2;
  for (int diff : {kDiffn, kDiffp}) {
    DrcResult r = f.run({{0, 0, 10, 12, diff}, {-4, 4, 14, 5, kPoly}});
    ASSERT_GT(r.errorCount, 0);
    EXPECT_EQ(r.violations[0].check, 15);
    EXPECT_EQ(r.violations[0].rule, "R302");
    EXPECT_EQ(r.violations[0].text, std::string("The ") + (diff == kDiffn ? "gaten" : "gatep") +
                                        " width  is less than 2 lambda (r302)");
  }
}

TEST(Drc, MetalLevelsAndProtectionGateTheChecks) {
  Fixture f;
  f.tech.metalLevels = 2;
  DrcResult r = f.run({{0, 0, 1, 1, kVia2}, {0, 0, 1, 30, kMetal3}});
  EXPECT_EQ(r.errorCount, 0);
  EXPECT_TRUE(r.complete);
  f.tech.metalLevels = 3;
  r = f.run({{0, 0, 1, 1, kVia2}, {0, 0, 1, 30, kMetal3}});
  EXPECT_GT(r.errorCount, 0);
  EXPECT_EQ(r.violations[0].check, 10);
  EXPECT_EQ(r.violations[0].part, 1);

  Fixture p;
  p.db.layers[kMetal].isProtected = true;
  r = p.run({{0, 0, 2, 20, kMetal}, {0, 0, 2, 2, kContact}});
  EXPECT_EQ(r.errorCount, 0);
  EXPECT_TRUE(r.complete);  // protection is the user's choice, not a gap in the check
  EXPECT_EQ(r.message, "No design rule error. Partial DRC due to protected layers in the palette");
}

TEST(Drc, RulesBelowOneDisableTwoLayerChecks) {
  Fixture f;
  f.tech.ruleRef(R204) = 0;
  DrcResult r = f.run({{0, 0, 12, 12, kNwell}, {12, 0, 16, 6, kDiffn}});
  EXPECT_EQ(r.errorCount, 0);
  EXPECT_NE(r.message.find("No design rule error. Congratulations ("), std::string::npos);
  EXPECT_NE(r.message.find("% memory used)"), std::string::npos);
}

TEST(Drc, PastTheGridCapacityTheLayoutIsCheckedInTiles) {
  Fixture f;
  std::vector<Box> boxes;
  for (int i = 0; i < 40; ++i) boxes.push_back({i * 10, 0, i * 10 + 4, 40, kMetal});
  boxes.push_back({395, 0, 397, 40, kMetal});  // the last pair too close, far from the first tile
  DrcLimits small;
  small.maxXs = 64;
  small.maxYs = 64;
  DrcResult r = f.run(boxes, small);
  EXPECT_TRUE(r.complete);
  ASSERT_GT(r.errorCount, 0);
  EXPECT_EQ(r.violations[0].text, "The  spacing between metal is less than 3 lambda (r502)");
  EXPECT_EQ(r.violations[0].rect.x1, 394);
}

TEST(Drc, NotEvenOneColumnFittingIsNeverAPass) {
  Fixture f;
  std::vector<Box> boxes;
  for (int i = 0; i < 40; ++i) boxes.push_back({0, i * 10, 40, i * 10 + 4, kMetal});
  DrcLimits tiny;
  tiny.maxXs = 4;
  tiny.maxYs = 4;
  DrcResult r = f.run(boxes, tiny);
  EXPECT_EQ(r.errorCount, 0);
  EXPECT_FALSE(r.complete);
  EXPECT_EQ(f.status.text(StatusMessage::Technology), "Drc overflow");
  EXPECT_EQ(r.message.find("No design rule error. Congratulations"), std::string::npos);
}

TEST(Drc, TiledResultsEqualTheSingleGrid) {
  const int layers[] = {kNwell, kDiffp, kDiffn, kPoly, kContact, kMetal, kVia, kMetal2, kPoly2};
  int compared = 0;
  for (unsigned seed = 1; seed <= 120; ++seed) {
    std::mt19937 gen(seed);
    std::vector<Box> boxes;
    const int n = 10 + static_cast<int>(seed % 40);
    for (int k = 0; k < n; ++k) {
      int x = static_cast<int>(gen() % 120), y = static_cast<int>(gen() % 90);
      int w = 1 + static_cast<int>(gen() % 14), h = 1 + static_cast<int>(gen() % 14);
      boxes.push_back({x, y, x + w, y + h, layers[gen() % (seed % 3 == 0 ? 9 : 3 + seed % 6)]});
    }
    Fixture one, tiled;
    one.tech.ruleRef(R205) = 2;
    tiled.tech.ruleRef(R205) = 2;
    DrcResult a = one.run(boxes);
    DrcLimits small;
    small.maxXs = 16;
    small.maxYs = 16;
    DrcResult b = tiled.run(boxes, small);
    ASSERT_TRUE(b.complete) << "seed " << seed;
    ASSERT_EQ(a.violations.size(), b.violations.size()) << "seed " << seed << " check " << a.failedCheck;
    for (std::size_t i = 0; i < a.violations.size(); ++i) {
      ASSERT_EQ(a.violations[i].text, b.violations[i].text) << "seed " << seed << " #" << i;
      ASSERT_EQ(a.violations[i].rect, b.violations[i].rect) << "seed " << seed << " #" << i;
      ASSERT_EQ(a.violations[i].check, b.violations[i].check);
    }
    compared += static_cast<int>(a.violations.size());
  }
  EXPECT_GT(compared, 100);  // the layouts did fail checks
}

TEST(Drc, TheSurfaceScanFindsEveryRegionOfAColumn) {
  Fixture f;
  f.tech.ruleRef(R510) = 40;
  // a large region with a small one above it in the same columns
  DrcResult r = f.run({{0, 0, 10, 10, kMetal}, {0, 20, 6, 26, kMetal}});
  ASSERT_EQ(r.errorCount, 1);
  EXPECT_EQ(r.violations[0].text, "The metal surface 36 is less than 40 lambda square (r510)");
  EXPECT_EQ(r.violations[0].rect.y1, 20);
}

TEST(Drc, ExampleLayoutsAreRuleClean) {
  for (const char* name : {"inverter.msk", "nand2.msk", "ring5.msk"}) {
    quill::testing::TestContext t;
    std::string data = std::string(QUILL_DATA_DIR) + "/";
    ASSERT_TRUE(loadRuleFile(t.ctx.tech, t.ctx.db.layers, data + "default.rul", t.status, t.debug));
    ASSERT_TRUE(openLayout(t.ctx, data + name).opened);
    DrcResult r = checkDesignRules(t.ctx.db, t.ctx.tech, t.status);
    EXPECT_EQ(r.errorCount, 0) << name << ": " << (r.violations.empty() ? "" : r.violations[0].text) << " at "
                               << (r.violations.empty() ? 0 : r.violations[0].rect.x1) << ","
                               << (r.violations.empty() ? 0 : r.violations[0].rect.y1);
    EXPECT_TRUE(r.complete);
  }
}
