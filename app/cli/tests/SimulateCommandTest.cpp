#include <gtest/gtest.h>

#include <fstream>
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
const std::string kData = QUILL_DATA_DIR;
}  // namespace

TEST(SimulateCommand, TheInverterRunsAndReportsItsMeasurements) {
  quill::testing::TempDir dir;
  Result r = cli({"simulate", kData + "/inverter.msk", "--rules", kData + "/default.rul", "--model", "level1",
                  "--time", "4", "--step", "2", "--json", "--csv", "v.csv", "--sample", "100"});
  ASSERT_EQ(r.code, 0) << r.out << r.err;
  auto j = nlohmann::json::parse(r.out);
  EXPECT_EQ(j["model"], "Level 1");
  EXPECT_EQ(j["start"], "in");
  EXPECT_EQ(j["stop"], "out");
  EXPECT_TRUE(j["completed"].get<bool>());
  EXPECT_GT(j["measurements"]["powerMw"].get<double>(), 0);
  EXPECT_NE(j["message"].get<std::string>().find("ns simulation in "), std::string::npos);
  std::ifstream csv("v.csv");
  std::string header;
  std::getline(csv, header);
  EXPECT_EQ(header.substr(0, 5), "time,");
  EXPECT_NE(header.find("out"), std::string::npos);
  int rows = 0;
  for (std::string line; std::getline(csv, line);) ++rows;
  EXPECT_NEAR(rows, 40, 2);  // 4 ns sampled every 100 ps
}

TEST(SimulateCommand, ADcSweepAndBadInput) {
  Result dc = cli({"simulate", kData + "/inverter.msk", "--rules", kData + "/default.rul", "--model", "level1",
                   "--mode", "dc", "--points", "50", "--step", "1"});
  ASSERT_EQ(dc.code, 0) << dc.out << dc.err;
  EXPECT_NE(dc.out.find("DC analysis complete for in versus out"), std::string::npos);
  EXPECT_NE(dc.out.find("switching voltage: "), std::string::npos);
  for (std::vector<std::string> bad : {std::vector<std::string>{"--step", "0"}, {"--time", "-1"}, {"--stop", "nosuch"},
                                       {"--mode", "ac"}, {"--sweep", "2,1"}}) {
    std::vector<std::string> a = {"simulate", kData + "/inverter.msk", "--rules", kData + "/default.rul"};
    a.insert(a.end(), bad.begin(), bad.end());
    EXPECT_EQ(cli(a).code, 2) << bad[0];
  }
}
