#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "app/cli/CliApp.h"
#include "app/cli/tests/CliRunner.h"
#include "core/LayoutDatabase.h"
#include "core/tests/TestFiles.h"

using namespace quill;

namespace {
using Result = quill::testing::CliResult;
using quill::testing::cli;

const std::string kData = QUILL_DATA_DIR;

const nlohmann::json* byName(const nlohmann::json& nodes, const std::string& name) {
  for (const auto& n : nodes)
    if (n["name"] == name) return &n;
  return nullptr;
}
}  // namespace

TEST(ExtractCommand, InverterAsJson) {
  Result r = cli({"extract", kData + "/inverter.msk", "--rules", kData + "/default.rul", "--json"});
  ASSERT_EQ(r.code, 0) << r.err;
  auto j = nlohmann::json::parse(r.out);
  EXPECT_EQ(j["model"], "level3");
  ASSERT_EQ(j["nodes"].size(), 4u);
  EXPECT_EQ(j["nodes"][0]["index"], 2);
  for (const char* field : {"index", "name", "kind", "capacitance", "couplingTotal", "junctionCapacitance",
                            "gateCapacitance", "length", "rMetal", "rPoly", "rDiffusion", "rVia", "riseDelay",
                            "fallDelay", "floating"})
    EXPECT_TRUE(j["nodes"][0].contains(field)) << field;
  const auto* out = byName(j["nodes"], "out");
  const auto* in = byName(j["nodes"], "in");
  ASSERT_TRUE(out && in);
  EXPECT_GT((*out)["capacitance"].get<double>(), 0);
  EXPECT_GT((*out)["riseDelay"].get<double>(), 0);
  EXPECT_GT((*in)["gateCapacitance"].get<double>(), 0);
  EXPECT_EQ((*in)["kind"], 6);  // a clock
  ASSERT_EQ(j["nmos"].size(), 1u);
  ASSERT_EQ(j["pmos"].size(), 1u);
  const auto& n = j["nmos"][0];
  EXPECT_EQ(n["gate"], "in");
  EXPECT_EQ(n["width"], 6);
  EXPECT_EQ(n["length"], 2);
  EXPECT_EQ(n["bulk"], "vss");  // node 0
  EXPECT_EQ(n["bulkIndex"], 0);
  EXPECT_DOUBLE_EQ(n["widthMetres"].get<double>(), 6 * 0.125e-6);
  const auto& p = j["pmos"][0];
  EXPECT_EQ(p["bulk"], "vdd");
  EXPECT_EQ(p["width"], 12);
  EXPECT_EQ(p["variant"], 0);
  EXPECT_TRUE(p["nodeA"] == "vdd" || p["nodeB"] == "vdd");
  EXPECT_EQ(j["message"].get<std::string>().rfind("Extraction complete :", 0), 0u);
}

TEST(ExtractCommand, ModelOptionAndTheBsimLabel) {
  quill::testing::TempDir dir;
  // L3LD shortens the level 3 channel, LINT the BSIM4 one: each model shows
  quill::testing::writeLines("t.rul", {"h", "LAMB = 0.5", "NMOS", "L3LD = 0.1", "B4LI = 5E-8"});
  const std::vector<std::string> mos = {"REC(0,0,20,6,DN)", "REC(9,-2,2,10,PO)"};
  quill::testing::writeLines("m.msk", mos);
  std::vector<std::string> labelled = mos;
  labelled.insert(labelled.end(), {"TITLE 30 30  #BSIM", "$- 1000 0 "});
  quill::testing::writeLines("b.msk", labelled);
  struct Case {
    const char* file;
    const char* model;
    const char* expect;
    double leff;
  };
  const Case cases[] = {
      {"m.msk", "level1", "level1", 1e-6},
      {"m.msk", "level3", "level3", 0.8e-6},
      {"m.msk", "bsim4", "bsim4", 0.9e-6},
      {"b.msk", "level1", "bsim4", 0.9e-6},
  };
  for (const Case& k : cases) {
    Result r = cli({"extract", k.file, "--rules", "t.rul", "--model", k.model, "--json"});
    ASSERT_EQ(r.code, 0) << k.file << " " << k.model << "\n" << r.err;
    auto j = nlohmann::json::parse(r.out);
    EXPECT_EQ(j["model"], k.expect) << k.file << " " << k.model;
    ASSERT_EQ(j["nmos"].size(), 1u);
    EXPECT_NEAR(j["nmos"][0]["effectiveLength"].get<double>(), k.leff, 1e-12) << k.file << " " << k.model;
  }
  EXPECT_EQ(cli({"extract", "m.msk", "--rules", "t.rul", "--model", "level9"}).code, 2);
}

TEST(ExtractCommand, ExitCodesAndTextOutput) {
  quill::testing::TempDir dir;
  quill::testing::writeLines("t.rul", {"h", "R301 = 2"});
  quill::testing::writeLines("short.msk", {"REC(0,0,20,6,DN)", "REC(9,-2,1,10,PO)"});
  Result r = cli({"extract", "short.msk", "--rules", "t.rul"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("nmos: 1"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("W=6 L=2"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Extraction complete :"), std::string::npos) << r.out;
  // the short-gate window goes to stderr, once
  EXPECT_NE(r.err.find("Warning: illegal MOS length detected: 1 MOS device(s) shorter than 2 lambda"),
            std::string::npos) << r.err;
  // one node too many: the run is incomplete
  std::vector<std::string> many;
  for (int i = 0; i < kMaxNodeIndex; ++i) many.push_back("REC(" + std::to_string(10 * i) + ",0,4,4,ME)");
  quill::testing::writeLines("many.msk", many);
  Result full = cli({"extract", "many.msk", "--rules", "t.rul", "--json"});
  EXPECT_EQ(full.code, 1);
  EXPECT_EQ(nlohmann::json::parse(full.out)["message"], "Data base overflow: too much nodes");
  // past 20000 boxes the confirmation is asked and accepted
  std::vector<std::string> big(20001, "REC(0,0,4,4,ME)");
  quill::testing::writeLines("big.msk", big);
  Result large = cli({"extract", "big.msk", "--rules", "t.rul"});
  EXPECT_EQ(large.code, 0) << large.err;
  EXPECT_NE(large.err.find("Confirm: Warning : Extraction will take time Confirm full circuit extraction ? (yes)"),
            std::string::npos) << large.err;
  EXPECT_EQ(cli({"extract", "missing.msk", "--rules", "t.rul"}).code, 2);
  quill::testing::writeBytes("bin.msk", std::string("REC(0,0,1,1,ME)\0", 16));
  EXPECT_EQ(cli({"extract", "bin.msk", "--rules", "t.rul"}).code, 2);
}
