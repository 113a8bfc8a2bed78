#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "core/MskFile.h"
#include "core/RuleFile.h"
#include "core/Startup.h"
#include "core/tests/TestFiles.h"

using namespace quill;
using quill::testing::readBytes;
using quill::testing::TempDir;
using quill::testing::TestContext;
using quill::testing::writeBytes;
using quill::testing::writeLines;

namespace {
// the example of the format description, with a path of our own
const std::vector<std::string> kInverter = {
    "VERSION 09/12/2026 10:15:00", "FIG #inv.msk",       "BB(0,0,40,30)",
    "SIMU #5.00",                  "REC(0,0,40,10,DN)",  "REC(10,-2,2,14,PO)",
    "REC(0,20,40,10,OP,16)",       "RLCC 30 5 35 5 1 #0.01",
    "TITLE 11 5  #in",             "$c 1000 0 0.4750 0.5000 0.9750 1.0000 ",
    "TITLE 2 2  #out",             "$v 1000 0 ",
    "FFIG inv.msk"};

std::string withoutVersion(std::string s) { return s.substr(s.find("\r\n")); }
}  // namespace

TEST(MskFile, ReadsTheExampleLayout) {
  TempDir dir;
  writeLines("inv.msk", kInverter);
  TestContext t;
  ReadReport rep = openLayout(t.ctx, "inv.msk");
  ASSERT_TRUE(rep.opened);
  LayoutDatabase& db = t.ctx.db;
  ASSERT_EQ(db.boxCount(), 3);
  EXPECT_EQ(db.box(2).layer, kPoly);
  EXPECT_EQ(db.box(2).y1, -2);
  EXPECT_EQ(db.box(2).y2, 12);
  EXPECT_EQ(db.box(3).layer, kOption);
  EXPECT_EQ(db.box(3).value, 16);
  ASSERT_EQ(db.rlcCount(), 1);
  EXPECT_EQ(db.rlc(1).kind, kRlcCapacitor);
  EXPECT_EQ(db.rlc(1).text, "0.01");
  EXPECT_EQ(db.rlc(1).x2, 35);
  ASSERT_EQ(db.labelCount(), 2);
  const LayoutLabel& in = db.label(1);
  EXPECT_EQ(in.text, "in");
  EXPECT_EQ(in.kind, kLabelClock);
  EXPECT_TRUE(in.visibleInSimulation);
  EXPECT_DOUBLE_EQ(in.param[0], 0.475e-9);
  EXPECT_DOUBLE_EQ(in.param[3], 1e-9);
  EXPECT_EQ(db.label(2).kind, kLabelName);
  EXPECT_TRUE(db.label(2).visibleInSimulation);
  EXPECT_EQ(t.ctx.layoutSettings.simulationLengthNs, 5.0);
  EXPECT_EQ(db.fileName, "inv.msk");
  EXPECT_FALSE(db.modified);
  EXPECT_EQ(db.undoKind, kUndoRemoveAdded);
  EXPECT_EQ(db.undoBoxMark, 0);
  EXPECT_EQ(t.status.text(StatusMessage::Main), "3 boxes");
}

TEST(MskFile, WritesTheFormatAndSavingTwiceGivesTheSameFile) {
  TempDir dir;
  writeLines("inv.msk", kInverter);
  TestContext t;
  t.clock.set("09/12/2026", "10:15:00");
  openLayout(t.ctx, "inv.msk");
  ASSERT_TRUE(saveLayout(t.ctx, "inv.msk"));
  std::string once = readBytes("inv.msk");
  std::string want;
  for (const auto& l : kInverter) want += (l[0] == 'B' ? "BB(0,-2,70,30)" : l) + "\r\n";  // symbols count 40 x 10
  EXPECT_EQ(once, want);
  EXPECT_EQ(t.status.text(StatusMessage::Main), "Saved 3 boxes in \"inv.msk\"");
  t.clock.set("10/12/2026", "11:00:00");
  openLayout(t.ctx, "inv.msk");
  ASSERT_TRUE(saveLayout(t.ctx, "inv.msk"));
  std::string twice = readBytes("inv.msk");
  EXPECT_NE(once, twice);
  EXPECT_EQ(withoutVersion(once), withoutVersion(twice));
}

TEST(MskFile, EveryLabelKindAndLongPwlSurviveARoundTrip) {
  TempDir dir;
  TestContext t;
  LayoutDatabase& db = t.ctx.db;
  db.addBox(0, 0, 10, 10, kMetal);
  db.addBox(0, 0, 4, 4, kPoly2);
  db.box(2).value = 1500;
  const char* names[] = {"vdd", "vddh", "vss", "node", "?", "pulse", "clk", "sin", "pwl", "sin(2*pi*t/1e-9)"};
  for (int k = 0; k <= 9; ++k) {
    if (k == 4) continue;
    for (int vis = 0; vis <= 1; ++vis) {
      int p = db.addLabel(k, vis, names[k]);
      LayoutLabel& l = db.label(p);
      l.kind = static_cast<std::uint8_t>(k);
      l.visibleInSimulation = vis;
      l.level1 = 900 + k;
      l.level0 = k;
      if (k == kLabelClock || k == kLabelPulse) l.param = {0.1e-9, 0.2e-9, 1.5e-9, 2.25e-9};
      if (k == kLabelSinus) l.param = {100, 2, 0.05, 0};
      if (k == kLabelPwl) {
        l.pwl = std::make_unique<PwlTable>();
        l.pwl->count = 20;
        for (int e = 1; e <= 20; ++e) {
          l.pwl->time[e] = e * 0.5;
          l.pwl->code[e] = static_cast<std::uint8_t>(e % 5);
        }
      }
    }
  }
  db.addRlc(1, 2, 6, 2, kRlcResistor, "R(metal)", 5);
  db.addRlc(1, 8, 1, 13, kRlcInductor, "10", 25);
  ASSERT_TRUE(saveLayout(t.ctx, "all.msk"));
  std::string text = readBytes("all.msk");
  EXPECT_NE(text.find("REC(0,0,4,4,P2,1500)\r\n"), std::string::npos);
  EXPECT_NE(text.find("RLCR 1 2 6 2 5 #R(metal)\r\n"), std::string::npos);
  EXPECT_NE(text.find("$W 908 8 20 0.500 1 1.000 2 "), std::string::npos);
  EXPECT_NE(text.find("4.000 3 \r\n4.500 4 "), std::string::npos);  // 8 entries a line

  TestContext u;
  openLayout(u.ctx, "all.msk");
  LayoutDatabase& back = u.ctx.db;
  ASSERT_EQ(back.labelCount(), db.labelCount());
  for (int i = 1; i <= db.labelCount(); ++i) {
    const LayoutLabel& a = db.label(i);
    const LayoutLabel& b = back.label(i);
    EXPECT_EQ(b.text, a.text);
    EXPECT_EQ(b.kind, a.kind) << a.text;
    EXPECT_EQ(b.visibleInSimulation, a.visibleInSimulation) << a.text;
    EXPECT_EQ(b.level1, a.level1);
    EXPECT_EQ(b.level0, a.level0);
    for (int p = 0; p < 4; ++p) EXPECT_NEAR(b.param[p], a.param[p], 1e-15) << a.text;
    ASSERT_EQ(bool(b.pwl), bool(a.pwl)) << a.text;
    if (a.pwl) {
      ASSERT_EQ(b.pwl->count, 20);
      for (int e = 1; e <= 20; ++e) {
        EXPECT_EQ(b.pwl->time[e], a.pwl->time[e]);
        EXPECT_EQ(b.pwl->code[e], a.pwl->code[e]);
      }
    }
  }
  ASSERT_EQ(back.rlcCount(), 2);
  EXPECT_EQ(back.rlc(2).kind, kRlcInductor);
  EXPECT_EQ(back.rlc(2).size, 25);
  EXPECT_EQ(back.box(2).value, 1500);
}

TEST(MskFile, InsertPlacesTheFileRightOfTheLayout) {
  TempDir dir;
  writeLines("part.msk", {"BB(100,100,140,130)", "REC(100,100,40,30,ME)", "TITLE 100 100  #p", "$- 1000 0 "});
  TestContext t;
  t.ctx.db.addBox(0, 0, 60, 30, kMetal);
  readLayout(t.ctx, "part.msk", ReadMode::Insert);
  ASSERT_EQ(t.ctx.db.boxCount(), 2);
  EXPECT_EQ(t.ctx.db.box(2).x1, 70);
  EXPECT_EQ(t.ctx.db.box(2).y1, 0);
  EXPECT_EQ(t.ctx.db.label(1).x, 70);
  EXPECT_TRUE(t.ctx.db.modified);
  EXPECT_EQ(t.ctx.db.undoBoxMark, 1);
}

TEST(MskFile, LabelsBeforeTheFirstBoxAreKeptOnlyWithoutBoxes) {
  TempDir dir;
  writeLines("early.msk", {"TITLE 1 1  #early", "$c 1000 0 1 1 1 1 ", "REC(0,0,5,5,ME)", "TITLE 2 2  #late",
                           "$v 1000 0 "});
  TestContext t;
  openLayout(t.ctx, "early.msk");
  ASSERT_EQ(t.ctx.db.labelCount(), 1);
  EXPECT_EQ(t.ctx.db.label(1).text, "late");

  writeLines("labels.msk", {"TITLE 1 1  #only", "$p 800 100 0 1 2 3 ", "RLCR 0 0 5 0 1 #1k", "FFIG labels.msk"});
  TestContext u;
  openLayout(u.ctx, "labels.msk");
  ASSERT_EQ(u.ctx.db.labelCount(), 1);
  EXPECT_EQ(u.ctx.db.label(1).kind, kLabelPulse);
  EXPECT_EQ(u.ctx.db.label(1).level0, 100);
  EXPECT_EQ(u.ctx.db.label(1).param[0], 1e-11);  // a time of 0 becomes 10 ps
  EXPECT_EQ(u.ctx.db.rlcCount(), 1);
  // and it reads back whole after a save
  ASSERT_TRUE(saveLayout(u.ctx, "labels2.msk"));
  TestContext w;
  openLayout(w.ctx, "labels2.msk");
  EXPECT_EQ(w.ctx.db.labelCount(), 1);
  EXPECT_EQ(w.ctx.db.rlcCount(), 1);
}

TEST(MskFile, PwlListsAreReadSoundly) {
  TempDir dir;
  writeLines("pwl.msk", {"REC(0,0,5,5,ME)",
                         "TITLE 0 0  #a", "$W 1000 0 0",               // empty table
                         "TITLE 1 0  #b", "$w 1000 0 99 1.0 1 2.0 7",  // count clamped, code 7 reads as 0
                         "3.0 2",                                      // entries go on over lines
                         "REC(9,9,1,1,ME)",                            // not a number: a line of its own
                         "TITLE 2 0  #c", "$W 1000 0 -4 1.0 1",        // negative count
                         "TITLE 3 0  #d", "$W 1000 0 3 1.0 1 x 0 5.0 1"});
  TestContext t;
  openLayout(t.ctx, "pwl.msk");
  LayoutDatabase& db = t.ctx.db;
  ASSERT_EQ(db.labelCount(), 4);
  ASSERT_TRUE(db.label(1).pwl);
  EXPECT_EQ(db.label(1).pwl->count, 0);
  ASSERT_EQ(db.label(2).pwl->count, 3);
  EXPECT_TRUE(db.label(2).visibleInSimulation);
  EXPECT_EQ(db.label(2).pwl->code[2], 0);
  EXPECT_EQ(db.label(2).pwl->time[3], 3.0);
  EXPECT_EQ(db.label(2).pwl->code[3], 2);
  EXPECT_EQ(db.boxCount(), 2);
  EXPECT_EQ(db.label(3).pwl->count, 0);
  EXPECT_EQ(db.label(4).pwl->count, 1);  // stops at the first entry that is not a number
}

TEST(MskFile, ARefusedTitleDoesNotTouchTheExistingLabel) {
  TempDir dir;
  writeLines("dup.msk", {"REC(0,0,5,5,ME)", "TITLE 1 1  #first", "$c 500 0 1 1 1 1 ", "TITLE 1 1  #second",
                         "$W 1000 0 2 1.0 1", "2.0 0", "TITLE 2 2  #next", "$1 1000 0 "});
  TestContext t;
  openLayout(t.ctx, "dup.msk");
  LayoutDatabase& db = t.ctx.db;
  ASSERT_EQ(db.labelCount(), 2);
  EXPECT_EQ(db.label(1).text, "first");
  EXPECT_EQ(db.label(1).kind, kLabelClock);
  EXPECT_EQ(db.label(1).level1, 500);
  EXPECT_FALSE(db.label(1).pwl);
  EXPECT_EQ(db.label(2).text, "next");
  EXPECT_EQ(db.label(2).kind, kLabelSupply);
}

TEST(MskFile, MalformedLinesReadWhatTheyCan) {
  TempDir dir;
  writeLines("bad.msk", {"REC(0,0,5,5,ZZ)",                 // unknown code: dropped
                         "REC(1,1,99999999999,5,ME)",       // beyond 32 bits: refused
                         "REC(2147483000,0,1000,5,ME)",     // the far corner would overflow
                         "REC(0,0,4,4,OP)",                 // option without its value
                         "REC(3,3,x,2,ME)",                 // malformed number: the line shifts, box dropped
                         "RE", "R", "TITLE", "$", "RLC", "SIMU #abc", "BB(", "",
                         "REC(-5,-5,+3,2,DN)",
                         "TITLE 4 4  #t", "REC(7,7,1,1,ME)"});  // a box right after a TITLE
  TestContext t;
  ReadReport rep = openLayout(t.ctx, "bad.msk");
  LayoutDatabase& db = t.ctx.db;
  EXPECT_EQ(rep.refusedLines, 2);
  ASSERT_EQ(db.boxCount(), 3);
  EXPECT_EQ(db.box(1).layer, kOption);
  EXPECT_EQ(db.box(1).value, 0);
  EXPECT_EQ(db.box(2).x1, -5);
  EXPECT_EQ(db.box(2).x2, -2);
  EXPECT_EQ(db.box(3).x1, 7);
  EXPECT_EQ(db.labelCount(), 1);
  EXPECT_EQ(t.ctx.layoutSettings.simulationLengthNs, 10.0);
}

TEST(MskFile, LegacySymbolLines) {
  TempDir dir;
  writeLines("old.msk", {"REC(0,0,5,5,ME)", "RS  10 20 #1k", "CAP  3 4 #2", "SELF 5 6 #3"});
  TestContext t;
  openLayout(t.ctx, "old.msk");
  LayoutDatabase& db = t.ctx.db;
  ASSERT_EQ(db.rlcCount(), 3);
  EXPECT_EQ(db.rlc(1).kind, kRlcResistor);
  EXPECT_EQ(db.rlc(1).x1, 10);
  EXPECT_EQ(db.rlc(1).x2, 15);
  EXPECT_EQ(db.rlc(1).y2, 20);
  EXPECT_EQ(db.rlc(2).kind, kRlcCapacitor);
  EXPECT_EQ(db.rlc(3).kind, kRlcInductor);
  EXPECT_EQ(db.rlc(3).y2, 11);
  EXPECT_EQ(db.rlc(3).text, "3");
}

TEST(MskFile, RepairScanOnlyForFilesThatAddedNothing) {
  TempDir dir;
  writeBytes("lf.msk", "VERSION x\nFIG #lf.msk\nREC(0,0,5,5,ME)\n");
  TestContext t;
  ReadReport rep = openLayout(t.ctx, "lf.msk");
  EXPECT_TRUE(rep.bareLf);
  EXPECT_EQ(t.ctx.db.boxCount(), 1);  // LF-only files read fine
  EXPECT_FALSE(std::filesystem::exists("out.msk"));

  writeBytes("junk.msk", "hello\nworld\r\nmore\n");
  TestContext u;
  rep = openLayout(u.ctx, "junk.msk");
  EXPECT_TRUE(rep.repaired);
  EXPECT_EQ(readBytes("out.msk"), "hello\r\nworld\r\nmore\r\n");
  EXPECT_EQ(u.status.text(StatusMessage::Main), "Warning : junk.msk was converted into OUT.MSK ");

  std::filesystem::remove("out.msk");
  ReadOptions quiet;
  quiet.repairScan = false;
  TestContext w;
  openLayout(w.ctx, "junk.msk", quiet);
  EXPECT_FALSE(std::filesystem::exists("out.msk"));
}

TEST(MskFile, MissingFileReportsAndLeavesTheLayout) {
  TempDir dir;
  TestContext t;
  t.ctx.db.addBox(0, 0, 5, 5, kMetal);
  ReadReport rep = readLayout(t.ctx, "nothere.msk", ReadMode::Insert);
  EXPECT_FALSE(rep.opened);
  EXPECT_NE(t.ctx.db.lastError, 0);
  EXPECT_EQ(t.status.text(StatusMessage::Main), "Error opening nothere.msk");
  EXPECT_EQ(t.ctx.db.boxCount(), 1);
}

TEST(MskFile, TechnologyCheckLoadsTheNamedRuleFileBesideTheLayout) {
  TempDir dir;
  std::filesystem::create_directory("sub");
  writeLines("sub/our.rul", {"h", "NAME ours", "VDD = 1.5"});
  writeLines("sub/t.msk", {"REC(0,0,5,5,ME)", "TITLE 0 0  #  our.RUL", "$- 1000 0 ", "TITLE 1 1  #gone.rul",
                           "$- 1000 0 "});
  TestContext t;
  openLayout(t.ctx, "sub/t.msk");
  EXPECT_EQ(t.ctx.tech.technologyName, "ours");
  EXPECT_EQ(t.ctx.tech.vdd, 1.5);
  ASSERT_EQ(t.dialogs.messages.size(), 2u);
  EXPECT_EQ(t.dialogs.messages[0].caption, "Note");
  EXPECT_EQ(t.dialogs.messages[0].line1, "Quillmere was reconfigured in");
  EXPECT_EQ(t.dialogs.messages[0].line2, "in our.RUL technology");
  EXPECT_EQ(t.dialogs.messages[1].caption, "Warning: RUL file not found");
  EXPECT_EQ(t.dialogs.messages[1].line2, "rule file gone.rul");
}

TEST(MskFile, AFailedSaveKeepsThePreviousFileAndTheState) {
  TempDir dir;
  TestContext t;
  LayoutDatabase& db = t.ctx.db;
  db.addBox(0, 0, 5, 5, kMetal);
  writeBytes("locked.msk", "previous contents\r\n");
  ::chmod("locked.msk", 0444);
  db.modified = true;
  db.fileName = "mine.msk";
  EXPECT_FALSE(saveLayout(t.ctx, "locked.msk"));
  EXPECT_EQ(db.lastError, kErrAccessDenied);
  EXPECT_EQ(t.status.text(StatusMessage::Main),
            "Error:The file \"locked.msk\" is protected and cannot be overwritten");
  EXPECT_EQ(readBytes("locked.msk"), "previous contents\r\n");
  EXPECT_TRUE(db.modified);
  EXPECT_EQ(db.fileName, "mine.msk");

  EXPECT_FALSE(saveLayout(t.ctx, "nofolder/x.msk"));
  EXPECT_NE(t.status.text(StatusMessage::Main).find("Access error ("), std::string::npos);
  EXPECT_EQ(db.fileName, "mine.msk");

  // a save keeps the permission bits and replaces a link's target, not the link
  writeBytes("real.msk", "old\r\n");
  ::chmod("real.msk", 0640);
  std::filesystem::create_symlink("real.msk", "link.msk");
  ASSERT_TRUE(saveLayout(t.ctx, "link.msk"));
  EXPECT_TRUE(std::filesystem::is_symlink("link.msk"));
  EXPECT_NE(readBytes("real.msk").find("REC(0,0,5,5,ME)"), std::string::npos);
  struct stat st{};
  ::stat("real.msk", &st);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  EXPECT_FALSE(db.modified);
  EXPECT_EQ(db.fileName, "link.msk");
  // no temporary file is left behind
  int files = 0;
  for (auto& e : std::filesystem::directory_iterator(".")) files += e.path().filename().string()[0] == '.' ? 1 : 0;
  EXPECT_EQ(files, 0);
}

TEST(MskFile, ExtensionsKeepTheirCase) {
  TempDir dir;
  EXPECT_EQ(withExtension("a.MSK", ".msk"), "a.MSK");
  EXPECT_EQ(withExtension("a.Msk", ".msk"), "a.Msk");
  EXPECT_EQ(withExtension("a", ".msk"), "a.msk");
  EXPECT_EQ(withExtension("b", ".rul"), "b.rul");
  writeBytes("plain", "x");
  EXPECT_EQ(withExtension("plain", ".msk"), "plain");
}

TEST(Startup, LoadsTheRuleFileAndLayoutOfTheCommandLine) {
  TempDir dir;
  writeLines("tech.RUL", {"h", "NAME cmdline", "VDD = 3.3"});
  writeLines("lay.msk", kInverter);
  TestContext t;
  StartupResult r = startUpLoading(t.ctx, {"lay", "tech.RUL"});
  EXPECT_TRUE(r.ruleFileFound);
  EXPECT_TRUE(r.layoutLoaded);
  EXPECT_EQ(t.ctx.tech.technologyName, "cmdline");
  EXPECT_EQ(t.ctx.db.fileName, "lay.msk");
  EXPECT_EQ(t.ctx.db.boxCount(), 3);

  TestContext u;
  EXPECT_FALSE(startUpLoading(u.ctx, {}).ruleFileFound);
  writeLines("default.rul", {"h", "NAME wd"});
  TestContext w;
  EXPECT_TRUE(startUpLoading(w.ctx, {}).ruleFileFound);
  EXPECT_EQ(w.ctx.tech.technologyName, "wd");
}

TEST(MskFile, SaveOfANeverSavedLayoutAsksForAName) {
  TempDir dir;
  TestContext t;
  t.ctx.db.addBox(0, 0, 5, 5, kMetal);
  t.dialogs.files.push_back(std::nullopt);  // cancelled
  EXPECT_FALSE(saveCommand(t.ctx, false));
  EXPECT_FALSE(std::filesystem::exists("Example.msk"));
  t.dialogs.files.push_back(std::string("first"));
  EXPECT_TRUE(saveCommand(t.ctx, false));
  EXPECT_TRUE(std::filesystem::exists("first.msk"));
  EXPECT_EQ(t.ctx.db.fileName, "first.msk");
  EXPECT_EQ(t.dialogs.filters.back(), kLayoutFilter);
  EXPECT_TRUE(saveCommand(t.ctx, false));  // now named: no dialog
  EXPECT_TRUE(t.dialogs.files.empty());
  t.dialogs.files.push_back(std::string("second.MSK"));
  EXPECT_TRUE(saveCommand(t.ctx, true));
  EXPECT_EQ(t.ctx.db.fileName, "second.MSK");

  // an opened layout saves under its own name
  TestContext u;
  openLayout(u.ctx, "first.msk");
  u.ctx.db.modified = true;
  EXPECT_TRUE(saveCommand(u.ctx, false));
  EXPECT_TRUE(u.dialogs.filters.empty());
  EXPECT_FALSE(std::filesystem::exists("Example.msk"));
}
