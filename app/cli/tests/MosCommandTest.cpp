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

std::vector<std::string> lines(const std::string& s) {
  std::vector<std::string> v;
  std::istringstream in(s);
  for (std::string l; std::getline(in, l);) v.push_back(l);
  return v;
}

const std::vector<std::string> kRules = {"h", "VDD = 2.5", "LAMB = 0.25", "L3VT = 0.5", "PMOS", "L3VT = -0.5"};
}  // namespace

TEST(MosCommand, SweepsTheDrainWithTheSignOfTheDrainCurrent) {
  quill::testing::TempDir dir;
  quill::testing::writeLines("t.rul", kRules);
  Result n = cli({"mos", "--rules", "t.rul", "--polarity", "n", "--model", "level1", "--w", "8", "--l", "2", "--vg",
                  "2.5", "--vd-from", "0", "--vd-to", "1", "--vd-step", "0.1"});
  ASSERT_EQ(n.code, 0) << n.err;
  auto ln = lines(n.out);
  ASSERT_EQ(ln.size(), 11u);  // 0, 0.1, ..., 1.0 despite rounding of the steps
  EXPECT_EQ(ln[0], "0 0.000000000e+00");
  EXPECT_EQ(ln[10].substr(0, 2), "1 ");
  EXPECT_GT(std::stod(ln[5].substr(ln[5].find(' '))), 0);

  Result p = cli({"mos", "--rules", "t.rul", "--polarity", "p", "--model", "level3", "--w", "8", "--l", "2", "--vg",
                  "0", "--vd-from", "0", "--vd-to", "2.5", "--vd-step", "0.5", "--json"});
  ASSERT_EQ(p.code, 0) << p.err;
  auto j = nlohmann::json::parse(p.out);
  EXPECT_EQ(j["model"], "level3");
  EXPECT_EQ(j["vb"], 2.5);  // the bulk defaults to the source
  ASSERT_EQ(j["points"].size(), 6u);
  EXPECT_LT(j["points"][0]["id"].get<double>(), 0);  // a conducting pMOS
  EXPECT_EQ(j["points"][5]["id"].get<double>(), 0);  // no drain-source voltage

  Result zero = cli({"mos", "--rules", "t.rul", "--model", "bsim4", "--w", "8", "--l", "0", "--vg", "2.5",
                     "--vd-from", "0", "--vd-to", "2", "--vd-step", "1"});
  ASSERT_EQ(zero.code, 0);
  for (auto& l : lines(zero.out)) EXPECT_NE(l.find(" 0.000000000e+00"), std::string::npos) << l;

  // the variant and temperature reach the model
  auto at = [&](std::vector<std::string> extra) {
    std::vector<std::string> a = {"mos", "--rules", "t.rul", "--w", "8", "--l", "2", "--vg", "2",
                                  "--vd-from", "1", "--vd-to", "1", "--vd-step", "1"};
    a.insert(a.end(), extra.begin(), extra.end());
    Result r = cli(a);
    return std::stod(r.out.substr(r.out.find(' ')));
  };
  EXPECT_NE(at({"--variant", "2"}), at({}));
  EXPECT_NE(at({"--temp", "100"}), at({}));
}

TEST(MosCommand, RefusesBadSweeps) {
  quill::testing::TempDir dir;
  quill::testing::writeLines("t.rul", kRules);
  std::vector<std::string> base = {"mos", "--rules", "t.rul", "--w", "8", "--l", "2", "--vg", "2"};
  for (std::vector<std::string> extra : {std::vector<std::string>{"--vd-from", "0", "--vd-to", "1", "--vd-step", "0"},
                                         {"--vd-from", "1", "--vd-to", "0", "--vd-step", "0.1"},
                                         {"--vd-from", "0", "--vd-to", "1", "--vd-step", "1e-9"},
                                         {"--vd-from", "0", "--vd-to", "1", "--vd-step", "0.1", "--variant", "5"},
                                         {"--vd-from", "0", "--vd-to", "1", "--vd-step", "0.1", "--model", "x"}}) {
    auto a = base;
    a.insert(a.end(), extra.begin(), extra.end());
    EXPECT_EQ(cli(a).code, 2);
  }
}
