#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>

#include "app/cli/CliApp.h"
#include "app/cli/tests/CliRunner.h"
#include "core/tests/TestFiles.h"

using namespace quill;
using quill::testing::readBytes;
using quill::testing::TempDir;
using quill::testing::writeBytes;
using quill::testing::writeLines;

namespace {
using Result = quill::testing::CliResult;
using quill::testing::cli;

const std::vector<std::string> kRules = {"our test rules", "NAME testtech", "LAMB = 0.125", "VDD = 2.5",
                                         "HVDD = 3.3",     "META = 4",      "R302 = 3",     "SALI = 1",
                                         "PMOS",           "B4K1 = 0.6",    "CIF metal CMF 0.01"};
const std::vector<std::string> kLayout = {"VERSION 1 2", "FIG #t.msk",  "BB(0,0,10,10)", "SIMU #2.00",
                                          "REC(0,0,10,4,ME)", "REC(0,0,2,8,ME)", "REC(1,1,3,3,PO)",
                                          "RLCR 20 0 25 0 1 #1k", "TITLE 1 2  #\xB5out", "$v 1000 0 ",
                                          "FFIG t.msk"};
}  // namespace

TEST(Cli, TechPrintsEveryFieldAsJsonOnStdoutOnly) {
  TempDir dir;
  writeLines("t.rul", kRules);
  Result r = cli({"tech", "t.rul", "--json"});
  ASSERT_EQ(r.code, 0) << r.err;
  auto j = nlohmann::json::parse(r.out);
  EXPECT_EQ(j["name"], "testtech");
  EXPECT_EQ(j["ruleFilePath"], "t.rul");
  EXPECT_EQ(j["LAMB"], 0.125);
  EXPECT_EQ(j["META"], 4);
  EXPECT_EQ(j["SALI"], true);
  EXPECT_EQ(j["doublePoly"], false);
  EXPECT_EQ(j["mosKindNames"].size(), 4u);
  EXPECT_EQ(j["rules"]["R302"], 3);
  EXPECT_EQ(j["rules"]["RP06"], 50);
  EXPECT_EQ(j["pmos"]["B4K1"], 0.6);
  EXPECT_EQ(j["nmos"]["B4K1"], 0.5);
  EXPECT_EQ(j["nmos"]["L3VT"], 0.7);
  EXPECT_EQ(j["layers"]["metal"]["cifName"], "CMF");
  EXPECT_EQ(j["layers"]["metal"]["widthRule"], 3);
  EXPECT_DOUBLE_EQ(j["derived"]["capacitancePerLambda2"].get<double>(), 0.125 * 0.125 * 1e-18);
  EXPECT_TRUE(j["derived"]["sqrtPhi"].contains("p"));
  EXPECT_EQ(j["derived"]["routingPitch"], 10);
  EXPECT_EQ(j["derived"]["viaOverContactAllowed"], true);
  EXPECT_NE(r.err.find("Quillmere is now configured in testtech"), std::string::npos);
  Result text = cli({"tech", "t.rul"});
  EXPECT_EQ(text.code, 0);
  EXPECT_NE(text.out.find("rules.R302 = 3"), std::string::npos);
}

TEST(Cli, BadInputExitsWithTwo) {
  TempDir dir;
  writeBytes("nul.rul", std::string("h\r\nVDD = 1\0\r\n", 12));
  writeBytes("nul.msk", std::string("REC(0,0,1,1,ME)\0\r\n", 18));
  writeLines("words.msk", {"nothing", "of a layout"});
  writeLines("empty.msk", {});
  writeLines("t.rul", kRules);
  const std::vector<std::vector<std::string>> cases = {
      {},                                          // no command
      {"tech"},                                    // missing argument
      {"tech", "t.rul", "--bogus"},                // unknown option
      {"frobnicate"},                              // unknown command
      {"tech", "missing.rul"},
      {"tech", "nul.rul"},
      {"tech", "."},                               // a folder
      {"info", "missing.msk", "--rules", "t.rul"},
      {"info", "nul.msk", "--rules", "t.rul"},
      {"info", "words.msk", "--rules", "t.rul"},
      {"info", "empty.msk", "--rules", "t.rul"},
      {"info", "words.msk", "--rules", "missing.rul"},
      {"save", "missing.msk", "o.msk", "--rules", "t.rul"},
  };
  for (const auto& c : cases) {
    Result r = cli(c);
    std::string joined;
    for (auto& a : c) joined += a + " ";
    EXPECT_EQ(r.code, 2) << joined << "\n" << r.err;
    EXPECT_FALSE(r.err.empty()) << joined;
  }
}

TEST(Cli, InfoSummarisesTheLayoutInUtf8) {
  TempDir dir;
  writeLines("t.rul", kRules);
  writeLines("t.msk", kLayout);
  Result r = cli({"info", "t.msk", "--rules", "t.rul", "--json"});
  ASSERT_EQ(r.code, 0) << r.err;
  auto j = nlohmann::json::parse(r.out);
  EXPECT_EQ(j["technology"]["name"], "testtech");
  EXPECT_EQ(j["technology"]["VDD"], 2.5);
  EXPECT_EQ(j["boxes"], 3);
  EXPECT_EQ(j["layers"]["ME"], 2);
  EXPECT_EQ(j["layers"]["PO"], 1);
  EXPECT_FALSE(j["layers"].contains("DN"));
  ASSERT_EQ(j["labels"].size(), 1u);
  EXPECT_EQ(j["labels"][0]["text"], "\xC2\xB5out");
  EXPECT_EQ(j["labels"][0]["kind"], 3);
  EXPECT_EQ(j["labels"][0]["visible"], true);
  EXPECT_EQ(j["rlc"][0]["x2"], 25);
  EXPECT_EQ(j["bbox"], nlohmann::json::array({0, 0, 60, 10}));
  EXPECT_NE(r.err.find("rules: t.rul (from --rules)"), std::string::npos);

  Result text = cli({"info", "t.msk", "--rules", "t.rul"});
  EXPECT_NE(text.out.find("boxes: 3"), std::string::npos);
  EXPECT_NE(text.out.find("bbox: 0,0,60,10"), std::string::npos);
}

TEST(Cli, RuleFileComesFromOptionThenWorkingDirectoryThenBundled) {
  TempDir dir;
  writeLines("t.msk", kLayout);
  std::filesystem::create_directory("bundle");
  writeLines("bundle/default.rul", {"h", "NAME bundled"});
  const char* old = std::getenv("QUILLMERE_DATA");
  std::string saved = old ? old : "";
  ::setenv("QUILLMERE_DATA", (dir.path() + "/bundle").c_str(), 1);
  Result b = cli({"info", "t.msk", "--json"});
  EXPECT_NE(b.err.find("(from bundled)"), std::string::npos) << b.err;
  EXPECT_EQ(nlohmann::json::parse(b.out)["technology"]["name"], "bundled");
  writeLines("default.rul", {"h", "NAME here"});
  Result w = cli({"info", "t.msk", "--json"});
  EXPECT_NE(w.err.find("rules: default.rul (from working directory)"), std::string::npos);
  EXPECT_EQ(nlohmann::json::parse(w.out)["technology"]["name"], "here");
  if (old) ::setenv("QUILLMERE_DATA", saved.c_str(), 1);
  else ::unsetenv("QUILLMERE_DATA");
}

TEST(Cli, TheTechnologyNamedInTheLayoutWinsAndIsReported) {
  TempDir dir;
  writeLines("t.rul", kRules);
  writeLines("other.rul", {"h", "NAME other", "VDD = 1.2"});
  auto layout = kLayout;
  layout.insert(layout.end() - 1, {"TITLE 5 5  #other.rul", "$- 1000 0 "});
  writeLines("t.msk", layout);
  Result r = cli({"info", "t.msk", "--rules", "t.rul", "--json"});
  ASSERT_EQ(r.code, 0);
  auto j = nlohmann::json::parse(r.out);
  EXPECT_EQ(j["technology"]["name"], "other");
  EXPECT_EQ(j["technology"]["VDD"], 1.2);
  EXPECT_NE(r.err.find("Note: Quillmere was reconfigured in"), std::string::npos);
}

TEST(Cli, SaveWritesTheNameAsGivenAndNeverOutMsk) {
  TempDir dir;
  writeLines("t.rul", kRules);
  writeLines("t.msk", kLayout);
  Result r = cli({"save", "t.msk", "copy.MSK", "--rules", "t.rul"});
  ASSERT_EQ(r.code, 0) << r.err;
  std::string s = readBytes("copy.MSK");
  EXPECT_NE(s.find("FIG #copy.MSK\r\n"), std::string::npos);
  EXPECT_NE(s.find("FFIG copy.MSK\r\n"), std::string::npos);
  EXPECT_NE(s.find("TITLE 1 2  #\xB5out\r\n"), std::string::npos);  // CP1252 kept as it was

  writeBytes("lf.msk", "some\nwords\n");
  Result lf = cli({"info", "lf.msk", "--rules", "t.rul"});
  EXPECT_EQ(lf.code, 2);
  EXPECT_NE(lf.err.find("without carriage return"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists("out.msk"));

  std::filesystem::create_directory("ro");
  writeBytes("ro/x.msk", "old");
  ::chmod("ro/x.msk", 0444);
  Result ro = cli({"save", "t.msk", "ro/x.msk", "--rules", "t.rul"});
  EXPECT_EQ(ro.code, 2);
  EXPECT_NE(ro.err.find("protected"), std::string::npos);
  EXPECT_EQ(readBytes("ro/x.msk"), "old");
  EXPECT_EQ(cli({"save", "t.msk", "nofolder/x.msk", "--rules", "t.rul"}).code, 2);
}
