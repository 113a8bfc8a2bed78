#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>

#include "editor/Expression.h"

using namespace quill;

namespace {

const ExpressionConstants kTech{1.8, 3.3, 1e-11};

struct Case {
  const char* text;
  double t;
  double value;
};

}  // namespace

TEST(Expression, EvaluatesLeftToRightWithSignGrouping) {
  const double pi = std::numbers::pi;
  const Case cases[] = {
      {"2+3*4", 0, 14},
      {"2*3+4", 0, 10},
      {"2-3-4", 0, -5},
      {"2*-3", 0, -1},  // a later sign replaces the earlier one
      {"2/-4", 0, -2},
      {"-2+3", 0, 1},
      {"(2+3)*4", 0, 20},
      {"2-3*4+5", 0, -5},
      {"2+3*-4", 0, 1},  // the product stops at the sign: 2 + (3*) - 4
      {" 2 + 3 * 4 ", 0, 14},
      {"2=", 0, 2},
      {"1e-9*1e9", 0, 1},
      {"1E-9*1e9", 0, 1},
      {".5+.25", 0, 0.75},
      {"1e17", 0, 1e16},  // numbers are held to +-1e16
      {"pi", 0, pi},
      {"P2", 0, 2 * pi},
      {"vdd/2", 0, 0.9},
      {"VddH", 0, 3.3},
      {"t*1e9", 2e-9, 2},
      {"x*1e9+1", 3e-9, 4},
      {"sin(2*pi*t/1e-9)*0.5+0.5", 0.25e-9, 1},
      {"SIN(PI/2)", 0, 1},
      {"cos(0)", 0, 1},
      {"tan(pi/4)", 0, std::tan(pi / 4)},
      {"exp(1)", 0, std::exp(1.0)},
      {"exp(100)", 0, std::exp(50.0)},
      {"exp(-100)", 0, std::exp(-50.0)},
      {"ln(exp(2))", 0, 2},
      {"log(1000)", 0, std::log(1000.0) / std::log(10.0)},
      {"pos(-3)+pos(2)", 0, 2},
      {"abs(0-3)", 0, 3},
      {"arcos(0.5)", 0, std::acos(0.5)},
      {"arcsin(0.5)", 0, std::asin(0.5)},
      {"arctan(1)", 0, pi / 4},
      {"cosh(1)+sinh(1)+tanh(1)", 0, std::cosh(1.0) + std::sinh(1.0) + std::tanh(1.0)},
      {"cosh(60)+sinh(-60)+tanh(51)", 0, 0},
      {"sqr(3)", 0, 9},
      {"sqrt(16)+sqrt(0-4)", 0, 4},
      {"u(0)+u(2)*10", 0, 10},
      {"norm(1)", 0, 1},
      {"norm(2)", 2, std::exp(-0.5) / 2},
      {"u(t-1e-9)*vdd", 2e-9, 1.8},
      {"vdd*Exp(-sqr((t-5e-9)/2e-9))*sin(2*pi*2e9*t)", 5.125e-9,
       1.8 * std::exp(-0.0625 * 0.0625) * std::sin(2 * pi * 2e9 * 5.125e-9)},
  };
  for (const Case& c : cases) {
    Expression e(c.text, kTech);
    ASSERT_TRUE(e.valid()) << c.text << ": " << e.message();
    EXPECT_EQ(e.message(), "Math OK");
    FakeRandom r;
    EvalResult v = e.evaluate(c.t, r);
    EXPECT_TRUE(v.ok()) << c.text;
    EXPECT_NEAR(v.value, c.value, 1e-12 * std::max(1.0, std::fabs(c.value))) << c.text;
  }
}

TEST(Expression, ReportsTheFirstErrorInOrderWithItsText) {
  struct ErrorCase {
    const char* text;
    const char* message;
  };
  const ErrorCase cases[] = {
      {"sin(2*pi*t/1e-9", "Incorrect parenthesis"},
      {"foo(t)", "Function or variable \"FOO\" unknown."},
      {"2*t+abc", "Function or variable \"ABC\" unknown."},
      {"2pi", "Function or variable \"2PI\" unknown."},
      {".", "Function or variable \".\" unknown."},
      {"2#3", "Character \"#\" unknown"},
      {"t,1", "Character \",\" unknown"},
      {"\xB5t", "Character \"\xB5\" unknown"},
      {"", "No variable in this formula"},
      {"( )", "No variable in this formula"},
      {"+-*/", "No variable in this formula"},
      {")t(", "Incorrect parenthesis"},
      // characters before parentheses before words
      {"foo(#", "Character \"#\" unknown"},
      {"foo(", "Incorrect parenthesis"},
      // a function takes a parenthesised argument
      {"sin+1", "Incorrect parenthesis"},
  };
  for (const ErrorCase& c : cases) {
    Expression e(c.text, kTech);
    EXPECT_FALSE(e.valid()) << c.text;
    EXPECT_EQ(e.message(), c.message) << c.text;
    FakeRandom r;
    EXPECT_FALSE(e.evaluate(0, r).ok()) << c.text;
  }
}

TEST(Expression, RunTimeErrorsFlagTheEvaluationAndNeverGiveNaN) {
  const std::string huge = "1e16*1e16*1e16*1e16*1e16*1e16*1e16*1e16*1e16*1e16*1e16*1e16*1e16*1e16*1e16*1e16*1e16*1e16*1e16*1e16";
  const struct {
    std::string text;
    double t;
    unsigned error;
  } cases[] = {
      {"1/0", 0, kEvalDivision},
      {"1/(t-1e-9)", 1e-9, kEvalDivision},
      {"1/t", 0, kEvalDivision},
      {"ln(0)", 0, kEvalDomain},
      {"log(t)", 0, kEvalDomain},
      {"arcsin(1)", 0, kEvalDomain},
      {"arcos(0-2)", 0, kEvalDomain},
      {"norm(t)", 0, kEvalDomain},
      {huge, 0, kEvalRange},
      {"1/(" + huge + ")", 0, kEvalRange},  // 1/inf is 0, but the step before overflowed
      {"u(" + huge + "-" + huge + ")", 0, kEvalRange},
  };
  for (const auto& c : cases) {
    Expression e(c.text, kTech);
    ASSERT_TRUE(e.valid()) << c.text;
    FakeRandom r;
    EvalResult v = e.evaluate(c.t, r);
    EXPECT_EQ(v.errors & c.error, c.error) << c.text;
    EXPECT_FALSE(std::isnan(v.value)) << c.text;
    // the same text at a harmless time is fine again
    if (c.t != 0) {
      EXPECT_TRUE(e.evaluate(c.t + 1e-9, r).ok()) << c.text;
    }
  }
  EXPECT_STREQ(evalErrorText(kEvalDivision), "Division by 0");
  EXPECT_STREQ(evalErrorText(kEvalOk), "");
}

TEST(Expression, AccumulatorsFollowTheirArgumentsAndRestartOnReset) {
  Expression e("rms(t)+0*avg(t)", kTech);
  Expression a("avg(t)", kTech);
  Expression i("int(2)", kTech);
  FakeRandom r;
  for (double t : {3.0, 4.0}) {
    e.evaluate(t, r);
    a.evaluate(t, r);
    i.evaluate(t, r);
  }
  EXPECT_DOUBLE_EQ(e.evaluate(0, r).value, std::sqrt((9.0 + 16.0) / 3));
  EXPECT_DOUBLE_EQ(a.evaluate(5, r).value, 4.0);
  EXPECT_DOUBLE_EQ(i.evaluate(0, r).value, 3 * 2 * 1e-11);
  e.reset();
  a.reset();
  i.reset();
  EXPECT_DOUBLE_EQ(e.evaluate(-2, r).value, 2.0);
  EXPECT_DOUBLE_EQ(a.evaluate(7, r).value, 7.0);
  EXPECT_DOUBLE_EQ(i.evaluate(0, r).value, 2e-11);

  // two RMS in one text keep apart
  Expression two("rms(t)+rms(1)", kTech);
  two.evaluate(3, r);
  EXPECT_DOUBLE_EQ(two.evaluate(0, r).value, std::sqrt(4.5) + 1);

  // an argument that would not fit leaves the sum usable
  Expression big("rms(t)", kTech);
  EXPECT_FALSE(big.evaluate(1e200, r).ok());
  EXPECT_DOUBLE_EQ(big.evaluate(2, r).value, 2.0);
}

TEST(Expression, RandomFunctions) {
  // LOGIC draws at multiples of its period (in picoseconds) and holds between
  FakeRandom r({0.9, 0.1, 0.7});
  Expression logic("logic(1e-9)", kTech);
  const Case steps[] = {{"", 0, 1.8}, {"", 0.5e-9, 1.8}, {"", 1e-9, 0}, {"", 1.5e-9, 0}, {"", 2e-9, 1.8}};
  for (const Case& s : steps) EXPECT_DOUBLE_EQ(logic.evaluate(s.t, r).value, s.value) << s.t;
  logic.reset();
  EXPECT_DOUBLE_EQ(logic.evaluate(0.3e-9, r).value, 0);  // held level back to 0

  // a period beyond 32000 ps never draws; one under half a ps draws every ps
  FakeRandom high({0.9});
  Expression slow("logic(1e-6)", kTech), fast("logic(1e-13)", kTech);
  EXPECT_DOUBLE_EQ(slow.evaluate(0, high).value, 0);
  EXPECT_DOUBLE_EQ(fast.evaluate(3e-12, high).value, 1.8);

  // GAUSS has the RMS of its argument, WHITE lies in 0..a
  DefaultRandom d(7);
  Expression g("gauss(0.2)", kTech), w("white(vdd)", kTech);
  double sum = 0, sq = 0;
  const int n = 100000;
  for (int k = 0; k < n; ++k) {
    const double v = g.evaluate(0, d).value;
    sum += v;
    sq += v * v;
    const double u = w.evaluate(0, d).value;
    ASSERT_GE(u, 0);
    ASSERT_LT(u, 1.8);
  }
  EXPECT_NEAR(sum / n, 0, 0.005);
  EXPECT_NEAR(std::sqrt(sq / n), 0.2, 0.004);
}
