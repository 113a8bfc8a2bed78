#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "app/cli/CliApp.h"
#include "app/cli/tests/CliRunner.h"
#include "core/tests/TestFiles.h"

using namespace quill;

namespace {
using Result = quill::testing::CliResult;
using quill::testing::cli;
}  // namespace

TEST(DrcCommand, ListsTheFailingCheckAndExitsByResult) {
  quill::testing::TempDir dir;
  quill::testing::writeLines("t.rul", {"h", "R501 = 3", "R502 = 3", "R510 = 32"});
  quill::testing::writeLines("bad.msk", {"REC(0,0,2,20,ME)", "REC(10,0,6,20,ME)"});
  quill::testing::writeLines("good.msk", {"REC(0,0,6,20,ME)"});
  Result bad = cli({"drc", "bad.msk", "--rules", "t.rul", "--json"});
  EXPECT_EQ(bad.code, 1);
  auto j = nlohmann::json::parse(bad.out);
  ASSERT_GT(j["count"].get<int>(), 0);
  EXPECT_EQ(j["count"].get<std::size_t>(), j["violations"].size());
  EXPECT_EQ(j["violations"][0]["check"], 6);
  EXPECT_EQ(j["violations"][0]["rule"], "R501");
  EXPECT_EQ(j["violations"][0]["text"], "The metal width  is less than 3 lambda (r501)");
  EXPECT_FALSE(j["violations"][0].contains("part"));
  EXPECT_EQ(j["complete"], true);
  EXPECT_EQ(j["message"], "Design rule errors detected. See \"Help -> Design rules\"");

  Result good = cli({"drc", "good.msk", "--rules", "t.rul"});
  EXPECT_EQ(good.code, 0) << good.out;
  EXPECT_NE(good.out.find("No design rule error. Congratulations ("), std::string::npos);
  EXPECT_NE(good.err.find("Design Rule Checker ..."), std::string::npos);  // progress on stderr

  EXPECT_EQ(cli({"drc", "missing.msk", "--rules", "t.rul"}).code, 2);
}

TEST(DrcCommand, TheExamplesAreClean) {
  for (const char* name : {"inverter.msk", "nand2.msk", "ring5.msk"}) {
    Result r = cli({"drc", std::string(QUILL_DATA_DIR) + "/" + name, "--rules",
                    std::string(QUILL_DATA_DIR) + "/default.rul"});
    EXPECT_EQ(r.code, 0) << name << "\n" << r.out;
  }
}
