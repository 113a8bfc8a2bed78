#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "app/cli/CliApp.h"
#include "app/cli/tests/CliRunner.h"
#include "core/tests/TestFiles.h"

using namespace quill;
using quill::testing::TempDir;
using quill::testing::writeLines;

namespace {
using Result = quill::testing::CliResult;
using quill::testing::cli;

std::vector<std::string> lines(const std::string& s) {
  std::vector<std::string> v;
  std::istringstream in(s);
  for (std::string l; std::getline(in, l);) v.push_back(l);
  return v;
}

const std::vector<std::string> kRules = {"wave test rules", "VDD = 1.8", "HVDD = 3.3", "DELT = 5e-12"};
// a clock of 2.2 ns, a sequence with a three-state step, a plain name, a
// formula, a sinus with 20 mV of noise and one with a broken formula
const std::vector<std::string> kLayout = {
    "REC(0,0,10,4,ME)",
    "TITLE 0 0  #clk", "$C 1000 0 1.0 1.1 2.1 2.2 ",
    "TITLE 5 5  #seq", "$W 1000 0 3 0.000 0 1.000 1 2.000 3 ",
    "TITLE 9 9  #plain", "$v 1000 0 ",
    "TITLE 12 12  #sin(2*pi*t/1e-9)*0.5+0.5", "$M 1000 0 ",
    "TITLE 15 15  #sn", "$S 500 250 250 0 0.02 0 ",
    "TITLE 18 18  #sin(t", "$M 1000 0 ",
    "TITLE 20 20  #clk", "$C 1000 0 5.0 5.1 6.1 6.2 ",
};

struct Files {
  TempDir dir;
  Files() {
    writeLines("t.rul", kRules);
    writeLines("w.msk", kLayout);
  }
};

Result wave(std::vector<std::string> extra) {
  std::vector<std::string> a = {"wave", "w.msk", "--rules", "t.rul"};
  a.insert(a.end(), extra.begin(), extra.end());
  return cli(a);
}

Result eval(std::vector<std::string> extra) {
  std::vector<std::string> a = {"eval", "--rules", "t.rul"};
  a.insert(a.end(), extra.begin(), extra.end());
  return cli(a);
}
}  // namespace

TEST(WaveCommand, PrintsTheFirstLabelsVoltageAtEachPoint) {
  Files f;
  Result r = wave({"--label", "clk", "--from", "0.5", "--to", "2.15", "--step", "0.55"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(lines(r.out), (std::vector<std::string>{"0.5000 0.000000", "1.0500 0.900000", "1.6000 1.800000",
                                                    "2.1500 0.900000"}));

  // a three-state step prints "released", null in JSON
  Result s = wave({"--label", "seq", "--from", "0.5", "--to", "2.5", "--step", "1", "--json"});
  ASSERT_EQ(s.code, 0) << s.err;
  auto j = nlohmann::json::parse(s.out);
  ASSERT_EQ(j.size(), 3u);
  EXPECT_EQ(j[0], nlohmann::json::parse("[0.5, 0.0]"));
  EXPECT_EQ(j[1], nlohmann::json::parse("[1.5, 1.8]"));
  EXPECT_EQ(j[2], nlohmann::json::parse("[2.5, null]"));
  Result st = wave({"--label", "seq", "--from", "2.5", "--to", "2.5", "--step", "1"});
  EXPECT_EQ(st.out, "2.5000 released\n");

  // a formula is found by its text; a broken one holds VDD/2 and says why
  Result m = wave({"--label", "sin(2*pi*t/1e-9)*0.5+0.5", "--from", "0.25", "--to", "0.75", "--step", "0.5"});
  ASSERT_EQ(m.code, 0) << m.err;
  EXPECT_EQ(lines(m.out), (std::vector<std::string>{"0.2500 1.000000", "0.7500 0.000000"}));
  Result bad = wave({"--label", "sin(t", "--from", "0", "--to", "0", "--step", "1"});
  ASSERT_EQ(bad.code, 0) << bad.err;
  EXPECT_EQ(bad.out, "0.0000 0.900000\n");
  EXPECT_NE(bad.err.find("Incorrect parenthesis"), std::string::npos);

  // the points run to floor((to - from) / step + 1e-9), despite rounding of the steps
  Result n = wave({"--label", "clk", "--from", "0", "--to", "1", "--step", "0.1"});
  ASSERT_EQ(lines(n.out).size(), 11u);
  EXPECT_EQ(lines(n.out)[10].substr(0, 7), "1.0000 ");
}

TEST(WaveCommand, NoiseOnlyWithASeedAndThenRepeatable) {
  Files f;
  std::vector<std::string> base = {"--label", "sn", "--from", "1", "--to", "41", "--step", "4"};
  Result quiet = wave(base);
  ASSERT_EQ(quiet.code, 0) << quiet.err;
  for (const std::string& l : lines(quiet.out)) EXPECT_EQ(l.substr(l.find(' ')), " 1.350000") << l;

  auto seeded = [&](const char* seed) {
    std::vector<std::string> a = base;
    a.insert(a.end(), {"--seed", seed});
    return wave(a).out;
  };
  const std::string a = seeded("5");
  EXPECT_NE(a, quiet.out);
  EXPECT_EQ(seeded("5"), a);
  EXPECT_NE(seeded("6"), a);
  // noise of 20 mV RMS stays near the wave
  for (const std::string& l : lines(a)) EXPECT_NEAR(std::stod(l.substr(l.find(' '))), 1.35, 0.1) << l;
}

TEST(WaveCommand, RefusesWhatHasNoWave) {
  Files f;
  const std::vector<std::vector<std::string>> cases = {
      {"--label", "nothing", "--from", "0", "--to", "1", "--step", "1"},
      {"--label", "Clk", "--from", "0", "--to", "1", "--step", "1"},  // the text must match exactly
      {"--label", "plain", "--from", "0", "--to", "1", "--step", "1"},
      {"--label", "clk", "--from", "0", "--to", "1", "--step", "0"},
      {"--label", "clk", "--from", "0", "--to", "1", "--step", "-1"},
      {"--label", "clk", "--from", "1", "--to", "0", "--step", "1"},
      {"--label", "clk", "--from", "0", "--to", "1e7", "--step", "1"},  // 10^7 + 1 points
      {"--label", "clk", "--from", "0", "--to", "1"},
  };
  for (const auto& c : cases) {
    Result r = wave(c);
    EXPECT_EQ(r.code, 2) << c[1] << " " << c[5];
    EXPECT_EQ(r.out, "") << c[1];
  }
  Result missing = cli({"wave", "none.msk", "--rules", "t.rul", "--label", "clk", "--from", "0", "--to", "1",
                        "--step", "1"});
  EXPECT_EQ(missing.code, 2);
}

TEST(EvalCommand, PrintsTheValueOrTheFirstError) {
  Files f;
  struct Case {
    std::vector<std::string> args;
    int code;
    std::string out;
  };
  const Case cases[] = {
      {{"--", "2+3*4"}, 0, "14\n"},
      {{"--", "2*-3"}, 0, "-1\n"},
      {{"--", "-2+3"}, 0, "1\n"},
      {{"--", "0.1"}, 0, "0.10000000000000001\n"},
      {{"--", "vdd+vddh"}, 0, "5.0999999999999996\n"},
      {{"--t", "2e-9", "--", "t*1e9"}, 0, "2\n"},
      {{"--", "0*(0-1)"}, 0, "0\n"},  // no "-0"
      {{"sin(2*pi*t/1e-9"}, 1, "Incorrect parenthesis\n"},
      {{"--", "foo(t)"}, 1, "Function or variable \"FOO\" unknown.\n"},
      {{"--", "2#(3"}, 1, "Character \"#\" unknown\n"},
      {{"--", "\xC2\xB5"}, 1, "Character \"\xC2\xB5\" unknown\n"},  // UTF-8 in and out
      {{"--", "()"}, 1, "No variable in this formula\n"},
      {{"--", "1/t"}, 1, "Division by 0\n"},
      {{"--", "ln(0-1)"}, 1, "Argument out of range\n"},
  };
  for (const Case& c : cases) {
    Result r = eval(c.args);
    EXPECT_EQ(r.code, c.code) << c.args.back() << r.err;
    EXPECT_EQ(r.out, c.out) << c.args.back();
  }

  // INT integrates over one step of DELT from reset accumulators
  Result i = eval({"--", "int(2)+rms(0-3)"});
  EXPECT_DOUBLE_EQ(std::stod(i.out), 2 * 5e-12 + 3);

  // random functions follow the seed
  Result a = eval({"--seed", "3", "--", "gauss(1)"}), b = eval({"--seed", "3", "--", "gauss(1)"}),
         c = eval({"--seed", "4", "--", "gauss(1)"});
  EXPECT_EQ(a.out, b.out);
  EXPECT_NE(a.out, c.out);

  EXPECT_EQ(eval({"--t", "inf", "--", "t"}).code, 2);
  EXPECT_EQ(eval({}).code, 2);
}
