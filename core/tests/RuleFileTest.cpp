#include <gtest/gtest.h>

#include <cmath>

#include "core/RuleFile.h"
#include "core/tests/TestFiles.h"

using namespace quill;
using quill::testing::TempDir;
using quill::testing::writeLines;

namespace {
struct Reader {
  TechnologyRules tech;
  LayerTable layers;
  SilentStatus status;
  DebugLog debug;
  bool load(const std::string& path) { return loadRuleFile(tech, layers, path, status, debug); }
};
}  // namespace

TEST(RuleFile, HeaderOnlyAppliesTheResetsAndDerivedValues) {
  TempDir dir;
  writeLines("h.rul", {"free header"});
  Reader r;
  r.tech.lambda = 0.3;
  r.tech.metalLevels = 5;
  r.tech.vdd = 3.3;
  r.layers[kMetal4].height = 9;
  r.tech.ruleRef(R603) = 4;
  ASSERT_TRUE(r.load("h.rul"));
  EXPECT_EQ(r.tech.technologyName, "h.rul");
  EXPECT_EQ(r.tech.ruleFilePath, "h.rul");
  EXPECT_EQ(r.tech.lambda, 0.5);
  EXPECT_EQ(r.tech.metalLevels, 2);
  EXPECT_EQ(r.tech.vdd, 3.3);  // no reset value
  EXPECT_EQ(r.layers[kMetal4].height, 0);
  EXPECT_EQ(r.layers[kPoly].sheetResistance, 50);
  EXPECT_EQ(r.layers[kDiffn].sheetResistance, 300);
  EXPECT_EQ(r.layers[kMetal].sheetResistance, 1.0);
  EXPECT_EQ(r.layers[kMetal].cifName, "xx");
  EXPECT_EQ(r.layers[kPassiv].cifName, "ii");  // outside the reset range
  EXPECT_EQ(r.tech.rule(R603), 0);
  EXPECT_EQ(r.tech.rule(R406), 3);
  EXPECT_EQ(r.tech.buriedLayerDepth, -3.0);
  EXPECT_EQ(r.tech.dramCapacitance, 1e-18);
  EXPECT_EQ(r.tech.mosKindNames[0], "Standard");
  EXPECT_DOUBLE_EQ(r.tech.capacitancePerLambda2, 0.25e-18);
  EXPECT_EQ(r.tech.midSupply, 1.65);
  EXPECT_EQ(r.layers[kMetal].widthRule, r.tech.rule(R501));
  EXPECT_EQ(r.layers[kVia2].spacingRule, r.tech.rule(R802));
  EXPECT_EQ(r.tech.contactPadSize, 2 * 2 + 2);
  EXPECT_EQ(r.tech.contactPitch, 2 + 3);
  EXPECT_TRUE(r.tech.viaOverContactAllowed);
  EXPECT_EQ(r.layers[kContact].thickness, r.layers[kMetal].height);
  EXPECT_EQ(r.layers[kContact].height, 0);
  EXPECT_EQ(r.layers[kVia].height, r.layers[kMetal].height + r.layers[kMetal].thickness);
  EXPECT_EQ(r.status.text(StatusMessage::Main), "Quillmere is now configured in h.rul");
  EXPECT_TRUE(r.debug.lines().empty());
}

TEST(RuleFile, KeywordSpellingsAndStatementsWithoutEquals) {
  TempDir dir;
  for (const char* line : {"lambda=0.12", "LAMBDA = 0.12", "Lamb  =0.12"}) {
    writeLines("a.rul", {"h", line});
    Reader r;
    r.load("a.rul");
    EXPECT_DOUBLE_EQ(r.tech.lambda, 0.12) << line;
  }
  writeLines("b.rul", {"h", "LAMB 0.12", "VDD = 1.8"});
  Reader r;
  r.load("b.rul");
  EXPECT_EQ(r.tech.lambda, 0.5);  // dropped without a report
  EXPECT_TRUE(r.debug.lines().empty());
  EXPECT_EQ(r.tech.vdd, 1.8);
}

TEST(RuleFile, SupplyPanelText) {
  TempDir dir;
  struct Case { const char* hvdd; const char* want; };
  for (Case c : {Case{"HVDD = 2.5", "n (1.20V,2.50V)"}, Case{"HVDD = 1.0", "n (1.20V)"}}) {
    writeLines("s.rul", {"h", "NAME n", "VDD = 1.2", c.hvdd});
    Reader r;
    r.load("s.rul");
    EXPECT_EQ(r.status.text(StatusMessage::Technology), c.want);
  }
}

TEST(RuleFile, ValuesAndConversions) {
  TempDir dir;
  writeLines("v.rul", {"h", "R501 = 2.5", "R502 = 3.5", "CDNP = 0.9k", "TEMP = -20", "CDPN = 2p", "SALI = 1",
                       "LDD = 2", "HEEP = -7", "CEDR = 20", "ROPT = 9.5", "DELT = 5e-12", "NAME  Our 0.25 process",
                       "MOS2 High voltage"});
  Reader r;
  r.tech.timeStep = 1;
  r.load("v.rul");
  EXPECT_EQ(r.tech.rule(R501), 2);
  EXPECT_EQ(r.tech.rule(R502), 4);
  EXPECT_EQ(r.layers[kDiffn].surfaceCapacitance, 900);
  EXPECT_EQ(r.tech.temperature, -20);
  EXPECT_EQ(r.layers[kDiffp].surfaceCapacitance, 0);
  EXPECT_TRUE(r.tech.salicide);
  EXPECT_FALSE(r.tech.ldd);
  EXPECT_EQ(r.tech.buriedLayerDepth, 7);
  EXPECT_TRUE(r.tech.epi);
  EXPECT_DOUBLE_EQ(r.tech.dramCapacitance, 20 * 0.25e-18);
  EXPECT_EQ(r.tech.optionMargin, 10);
  EXPECT_EQ(r.tech.timeStep, 5e-12);
  EXPECT_EQ(r.tech.technologyName, " Our 0.25 process");  // after the one separator
  EXPECT_EQ(r.tech.mosKindNames[1], "High voltage");
  EXPECT_EQ(r.tech.mosKindNames[2], "?");
}

TEST(RuleFile, ChannelSelectionAndItsResetOnTheNextRead) {
  TempDir dir;
  writeLines("p.rul", {"h", "PMOS", "L3VT = -0.5"});
  writeLines("n.rul", {"h", "L3VT = 0.45", "B4U0 = 0.05"});
  Reader r;
  r.load("p.rul");
  EXPECT_EQ(r.tech.pmos.l3Vto[0], -0.5);
  EXPECT_EQ(r.tech.nmos.l3Vto[0], 0.7);
  r.load("n.rul");
  EXPECT_EQ(r.tech.nmos.l3Vto[0], 0.45);
  EXPECT_EQ(r.tech.pmos.l3Vto[0], -0.5);  // inherited from the first read
  EXPECT_EQ(r.tech.nmos.b4U0, 0.05);
}

TEST(RuleFile, PermittivityKeysApplyInFileOrder) {
  TempDir dir;
  writeLines("a.rul", {"h", "LOWK = 2.5", "LK22 = 3.0", "HIGH = 5", "LK21 = 6"});
  Reader r;
  r.load("a.rul");
  EXPECT_EQ(r.layers[kMetal2].permittivity, 3.0);
  EXPECT_EQ(r.layers[kMetal].permittivity, 2.5);
  EXPECT_EQ(r.layers[kMetal6].permittivity, 2.5);
  EXPECT_EQ(r.layers[kOxyde2].permittivity, 2.5);
  EXPECT_EQ(r.layers[kVia].permittivity, 6);
  EXPECT_EQ(r.layers[kVia5].permittivity, 5);
  writeLines("b.rul", {"h", "LK22 = 3.0", "LOWK = 2.5"});
  Reader q;
  q.load("b.rul");
  EXPECT_EQ(q.layers[kMetal2].permittivity, 2.5);
}

TEST(RuleFile, CifLines) {
  TempDir dir;
  writeLines("c.rul", {"h", "CIF metal2 CMS 0.1", "CIF Metal2 CXX 0.2", "CIF text CTX 0"});
  Reader r;
  r.load("c.rul");
  EXPECT_EQ(r.layers[kMetal2].cifName, "CMS");
  EXPECT_EQ(r.layers[kMetal2].cifNumber, 0.1);
  EXPECT_TRUE(r.debug.lines().empty());
}

TEST(RuleFile, UnknownStatementsAndCommentsAndDoublePoly) {
  TempDir dir;
  writeLines("u.rul", {"h", "* a comment = 5", "FOO = 1", "{ braces", "/ slash", "X", "", "R2PO = 40"});
  Reader r;
  r.load("u.rul");
  ASSERT_EQ(r.debug.lines().size(), 1u);
  EXPECT_EQ(r.debug.lines()[0], "u.rul,line 2: \"FOO\" ignored");
  EXPECT_EQ(r.debug.caption(), "Syntax error in file u.rul");
  EXPECT_TRUE(r.tech.doublePoly);
  EXPECT_EQ(r.layers[kPoly2].sheetResistance, 40);
}

TEST(RuleFile, ValuesThatWouldBreakLaterCalculationsAreRefused) {
  TempDir dir;
  struct Case { const char* line; };
  const Case cases[] = {{"LAMB = 0"},    {"VDD = -1"},     {"HVDD = 0"},      {"UCIF = 0"},   {"DELT = 0"},
                        {"L3TO = 0"},    {"L3T4 = -1e-9"}, {"B4TO = 0"},      {"B4T3 = 0"},   {"L3PH = -0.1"},
                        {"META = 0"},    {"META = 7"},     {"R101 = 3e9"},    {"ROPT = -3e9"}, {"TEMP = 1e400"}};
  for (const Case& c : cases) {
    writeLines("r.rul", {"h", "LAMB = 0.2", "VDD = 2", "HVDD = 3", "UCIF = 0.01", "DELT = 2e-12", "META = 4",
                         "R101 = 11", "ROPT = 8", "TEMP = 30", c.line});
    Reader r;
    r.load("r.rul");
    ASSERT_EQ(r.debug.lines().size(), 1u) << c.line;
    EXPECT_NE(r.debug.lines()[0].find("line 10: \""), std::string::npos) << r.debug.lines()[0];
    EXPECT_NE(r.debug.lines()[0].find("\" value refused"), std::string::npos);
    EXPECT_EQ(r.tech.lambda, 0.2) << c.line;
    EXPECT_EQ(r.tech.vdd, 2);
    EXPECT_EQ(r.tech.vddHigh, 3);
    EXPECT_EQ(r.tech.cifUnit, 0.01);
    EXPECT_EQ(r.tech.timeStep, 2e-12);
    EXPECT_EQ(r.tech.metalLevels, 4);
    EXPECT_EQ(r.tech.rule(R101), 11);
    EXPECT_EQ(r.tech.optionMargin, 8);
    EXPECT_EQ(r.tech.temperature, 30);
    EXPECT_EQ(r.tech.nmos.l3Tox[0], 3e-9);
    EXPECT_EQ(r.tech.nmos.l3Phi, 0.68);
    EXPECT_TRUE(std::isfinite(r.tech.sqrtPhiN));
  }
}

TEST(RuleFile, AFailedReadChangesNothing) {
  TempDir dir;
  Reader r;
  r.tech.technologyName = "mine";
  r.tech.ruleFilePath = "mine.rul";
  r.tech.lambda = 0.25;
  EXPECT_FALSE(r.load("missing.rul"));
  EXPECT_NE(r.status.text(StatusMessage::Main).find("missing.rul"), std::string::npos);
  EXPECT_FALSE(r.load(dir.path()));  // a folder cannot be read as a file
  EXPECT_EQ(r.tech.technologyName, "mine");
  EXPECT_EQ(r.tech.ruleFilePath, "mine.rul");
  EXPECT_EQ(r.tech.lambda, 0.25);
}

TEST(RuleFile, ASecondFileInheritsWhatItDoesNotMention) {
  TempDir dir;
  writeLines("one.rul", {"h", "R302 = 3", "LAMB = 0.2", "R603 = 2", "L3GA = 0.5", "REME = 0.07"});
  writeLines("two.rul", {"h", "VDD = 3"});
  Reader r;
  r.load("one.rul");
  EXPECT_FALSE(r.tech.viaOverContactAllowed);
  r.load("two.rul");
  EXPECT_EQ(r.tech.rule(R302), 3);
  EXPECT_EQ(r.tech.nmos.l3Gamma, 0.5);
  EXPECT_EQ(r.tech.lambda, 0.5);      // reset on every read
  EXPECT_EQ(r.tech.rule(R603), 0);    // reset on every read
  EXPECT_EQ(r.layers[kMetal].sheetResistance, 1.0);
  EXPECT_EQ(r.tech.mosViewer.maxDrain, 3);
}

TEST(RuleFile, SetAsDefaultCopiesAndNeverTruncatesItself) {
  TempDir dir;
  writeLines("mine.rul", {"header", "VDD = 1.8", "NAME mine"});
  Reader r;
  r.load("mine.rul");
  setAsDefaultTechnology(r.tech, r.status);
  EXPECT_EQ(r.status.text(StatusMessage::Main), "Save mine as new \"default.rul\"");
  EXPECT_EQ(quill::testing::readBytes("default.rul"), quill::testing::readBytes("mine.rul"));
  Reader d;
  d.load("default.rul");
  std::string before = quill::testing::readBytes("default.rul");
  setAsDefaultTechnology(d.tech, d.status);
  EXPECT_EQ(quill::testing::readBytes("default.rul"), before);
  d.load(dir.path() + "/default.rul");  // the same file by another name
  setAsDefaultTechnology(d.tech, d.status);
  EXPECT_EQ(quill::testing::readBytes("default.rul"), before);
}

TEST(RuleFile, AcceptsLfOnlyFilesAndCutsLongTexts) {
  TempDir dir;
  writeLines("lf.rul", {"h", "VDD = 1.1", "NAME " + std::string(300, 'n')}, false);
  Reader r;
  r.load("lf.rul");
  EXPECT_EQ(r.tech.vdd, 1.1);
  EXPECT_EQ(r.tech.technologyName.size(), 128u);
}
