// The mathematical stimulus language: a formula of the time t (seconds)
// that drives a node. Case-insensitive, blanks ignored; operands are
// numbers, PI, P2 (2 pi), VDD, VDDH, X or T, and the functions listed by
// expressionFunctions(). Evaluation runs left to right from 0 with a pending
// operation; a sign groups the product or quotient after it, and a later
// sign replaces an earlier one (2*-3 is 2 - 3: saved layouts rely on it).
//
// A text is compiled once into a short instruction list (constant parts
// folded) and evaluated per time step without looking at the text again.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Random.h"

namespace quill {

inline constexpr const char* kMathOk = "Math OK";

struct ExpressionConstants {
  double vdd = 5.0;   // VDD, and the high level of LOGIC
  double hvdd = 5.0;  // VDDH
  double dt = 1e-11;  // the time step INT integrates over (s)
};

// What went wrong in one evaluation (bits). The value of such an
// evaluation is not to be used: the node then sits at VDD / 2.
enum EvalError : unsigned {
  kEvalOk = 0,
  kEvalDivision = 1,  // division by 0
  kEvalDomain = 2,    // TAN where cos is 0, LN/LOG of a <= 0, NORM of 0, ARCOS/ARCSIN beyond -1..1
  kEvalRange = 4,     // an intermediate value overflowed or was not a number
  kEvalInvalid = 8,   // the text did not compile
};

struct EvalResult {
  double value = 0;
  unsigned errors = kEvalOk;
  bool ok() const { return errors == kEvalOk; }
};

// a short text for the first error of an evaluation, "" when none
const char* evalErrorText(unsigned errors);

class Expression {
 public:
  Expression() = default;
  Expression(std::string_view text, const ExpressionConstants& c) { compile(text, c); }

  // Compiles text (CP1252). True when it is valid; message() is then
  // "Math OK", otherwise the first error, checked in this order: unknown
  // characters, parentheses, words. Accumulators start from reset.
  bool compile(std::string_view text, const ExpressionConstants& c);
  bool valid() const { return valid_; }
  const std::string& message() const { return message_; }

  // Start of a simulation: RMS, AVG and INT forget their past, LOGIC
  // levels fall back to 0. (The random generator is the caller's.)
  void reset();

  // The value with the variable at t. GAUSS, WHITE and LOGIC draw from random.
  EvalResult evaluate(double t, Random& random);

  // for tests and the benchmark: instructions after folding
  std::size_t instructionCount() const { return code_.size(); }

 private:
  enum Code : std::uint8_t {
    kLoadK, kLoadT,
    kAddK, kSubK, kMulK, kDivK,
    kAddT, kSubT, kMulT, kDivT,
    kPush,
    kAddPop, kSubPop, kMulPop, kDivPop,
    kFunc,
  };
  struct Instr {
    Code code;
    std::uint8_t func = 0;
    std::uint16_t slot = 0;
    double k = 0;
  };
  // state of one RMS, AVG, INT or LOGIC in the text
  struct Slot {
    double sum = 0, count = 0, held = 0;
  };
  struct Node;
  friend struct ExpressionCompiler;

  double callFunction(const Instr& in, double a, double t, Random& random, unsigned& err);

  bool valid_ = false;
  std::string message_ = "No variable in this formula";
  ExpressionConstants constants_;
  std::vector<Instr> code_;
  std::vector<Slot> slots_;
  std::vector<double> stack_;
};

// The examples offered by the Math page's equation list.
const std::vector<std::string>& equationExamples();

// The functions of the language with one example each, for the Math page.
struct FunctionHelp {
  const char* name;
  const char* meaning;
  const char* example;
};
const std::vector<FunctionHelp>& expressionFunctions();

}  // namespace quill
