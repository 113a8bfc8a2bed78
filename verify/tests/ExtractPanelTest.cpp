#include <gtest/gtest.h>

#include "core/TextFile.h"
#include "core/tests/TestFiles.h"
#include "verify/ExtractPanel.h"

using namespace quill;

namespace {
struct Panel {
  quill::testing::TestContext t;
  ExtractionOptions opt;
  ExtractedCircuit c;
  ExtractionPanel p{t.ctx.db, t.ctx.tech, opt, c, t.ctx.services};
};
}  // namespace

TEST(ExtractPanel, ChoicesSetTheOptionsAndClearTheCircuitWhereTheySay) {
  Panel x;
  const int modes[4] = {0, 2, 1, 3};
  for (int item = 0; item < 4; ++item) {
    x.p.setCleaningItem(item);
    EXPECT_EQ(x.opt.cleaningMode, modes[item]) << item;
    EXPECT_EQ(cleaningItemOfMode(modes[item]), item);
  }
  x.p.setCyclesText("20");
  EXPECT_EQ(x.opt.cleaningCycles, 20);
  for (const char* bad : {"abc", "", "500", "0"}) {
    x.p.setCyclesText(bad);
    EXPECT_EQ(x.opt.cleaningCycles, 20) << bad;
  }
  struct Toggle {
    const char* name;
    void (*act)(ExtractionPanel&);
    bool clears;
  };
  const Toggle toggles[] = {
      {"lateral on", [](ExtractionPanel& p) { p.setLateralCouplings(true); }, true},
      {"lateral again", [](ExtractionPanel& p) { p.setLateralCouplings(true); }, false},
      {"vertical on", [](ExtractionPanel& p) { p.setVerticalCouplings(true); }, true},
      {"model bsim4", [](ExtractionPanel& p) { p.setModelItem(2); }, true},
      {"model bsim4 again", [](ExtractionPanel& p) { p.setModelItem(2); }, false},
      {"cleaning", [](ExtractionPanel& p) { p.setCleaningItem(3); }, false},
      {"spice off", [](ExtractionPanel& p) { p.setGenerateSpice(false); }, false},
  };
  for (const Toggle& t : toggles) {
    x.t.ctx.db.extracted = true;
    t.act(x.p);
    EXPECT_EQ(x.t.ctx.db.extracted, !t.clears) << t.name;
  }
  EXPECT_EQ(x.opt.model, MosModelLevel::Bsim4);
  EXPECT_EQ(x.t.status.text(0), "Do not generate SPICE file after extraction");
  x.p.setGenerateSpice(true);
  EXPECT_EQ(x.t.status.text(0), "Always generate SPICE file after extraction");
}

TEST(ExtractPanel, ExtractRunsAgainAndLoadsTheSpiceFile) {
  quill::testing::TempDir dir;
  Panel x;
  LayoutDatabase& db = x.t.ctx.db;
  db.fileName = "inv.msk";
  db.addBox(0, 0, 20, 6, kDiffn);
  db.addBox(9, -2, 11, 8, kPoly);
  std::string asked;
  x.p.writeSpice = [&](const std::string& path) {
    asked = path;
    quill::testing::writeLines(path, {"* netlist", ".end"});
    return true;
  };
  ExtractionPanel::Output o = x.p.extract();
  ASSERT_TRUE(o.result.ok());
  EXPECT_EQ(asked, "inv.CIR");
  EXPECT_EQ(o.spiceFile, "inv.CIR");
  EXPECT_EQ(o.spiceText, "* netlist\n.end\n");
  EXPECT_EQ(x.c.deviceCount(Polarity::N), 1);
  // a valid circuit is extracted again, and without the check no file is written
  x.p.setGenerateSpice(false);
  asked.clear();
  o = x.p.extract();
  EXPECT_EQ(o.result.outcome, ExtractOutcome::Complete);
  EXPECT_TRUE(asked.empty());
  EXPECT_TRUE(o.spiceFile.empty());
}
