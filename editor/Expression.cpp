#include "editor/Expression.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "core/ParseValue.h"

namespace quill {

namespace {

enum Func : std::uint8_t {
  fCos, fSin, fTan, fExp, fLn, fLog, fPos, fNorm, fAbs, fArcos, fArcsin, fArctan, fCosh, fSinh, fTanh,
  fSqr, fSqrt, fU, fLogic, fGauss, fWhite, fRms, fAvg, fInt, kFuncCount
};

constexpr const char* kFuncNames[kFuncCount] = {
    "COS", "SIN", "TAN", "EXP", "LN", "LOG", "POS", "NORM", "ABS", "ARCOS", "ARCSIN", "ARCTAN",
    "COSH", "SINH", "TANH", "SQR", "SQRT", "U", "LOGIC", "GAUSS", "WHITE", "RMS", "AVG", "INT"};

// functions whose value depends on nothing but the argument
bool pure(int f) { return f != fNorm && f != fLogic && f != fGauss && f != fWhite && f != fRms && f != fAvg && f != fInt; }
bool hasSlot(int f) { return f == fLogic || f == fRms || f == fAvg || f == fInt; }

bool isLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isWordChar(char c) { return isLetter(c) || isDigit(c) || c == '.'; }

double checked(double r, unsigned& err) {
  if (!std::isfinite(r)) err |= kEvalRange;
  return r;
}

double divide(double a, double b, unsigned& err) {
  if (b == 0) {
    err |= kEvalDivision;
    return 0;
  }
  return checked(a / b, err);
}

double apply(char op, double a, double b, unsigned& err) {
  switch (op) {
    case '+': return checked(a + b, err);
    case '-': return checked(a - b, err);
    case '*': return checked(a * b, err);
    default: return divide(a, b, err);
  }
}

double pureFunction(int f, double a, unsigned& err) {
  switch (f) {
    case fCos: return std::cos(a);
    case fSin: return std::sin(a);
    case fTan: {
      const double c = std::cos(a);
      if (c == 0) {
        err |= kEvalDomain;
        return 0;
      }
      return std::sin(a) / c;
    }
    case fExp: return std::exp(std::clamp(a, -50.0, 50.0));
    case fLn:
    case fLog:
      if (!(a > 0)) {
        err |= kEvalDomain;
        return 0;
      }
      return f == fLn ? std::log(a) : std::log(a) / std::log(10.0);
    case fPos: return a >= 0 ? a : 0;
    case fAbs: return std::fabs(a);
    case fArcos:
    case fArcsin:
      if (!(a > -1 && a < 1)) {
        err |= kEvalDomain;
        return 0;
      }
      return f == fArcos ? std::acos(a) : std::asin(a);
    case fArctan: return std::atan(a);
    case fCosh: return (a >= -50 && a <= 50) ? std::cosh(a) : 0;
    case fSinh: return (a >= -50 && a <= 50) ? std::sinh(a) : 0;
    case fTanh: return (a >= -50 && a <= 50) ? std::tanh(a) : 0;
    case fSqr: return a * a;
    case fSqrt: return a >= 0 ? std::sqrt(a) : 0;
    case fU: return a > 0 ? 1 : 0;
    default: return 0;
  }
}

// twelve uniform draws in -1..1 summed
double sum12(Random& random) {
  double s = 0;
  for (int i = 0; i < 12; ++i) s += random.below(1000) / 500.0 - 1.0;
  return s;
}

}  // namespace

const char* evalErrorText(unsigned errors) {
  if (errors & kEvalInvalid) return "Formula not valid";
  if (errors & kEvalDivision) return "Division by 0";
  if (errors & kEvalDomain) return "Argument out of range";
  if (errors & kEvalRange) return "Value out of range";
  return "";
}

// ------------------------------------------------------------ compiler

struct Expression::Node {
  enum Kind : std::uint8_t { Const, Var, Group, Call } kind = Group;
  char op = '+';  // the operation that applies this node to the running value
  int func = 0;
  double k = 0;
  std::vector<Node> items;  // a group's operands; a call's argument group
};

struct ExpressionCompiler {
  using Node = Expression::Node;
  struct Token {
    enum Kind : std::uint8_t { Operand, Function, Op, Open, Close } kind;
    char op = 0;
    Node node;  // operands
    int func = 0;
  };

  std::vector<Token> tokens;
  std::size_t i = 0;
  std::string error;

  bool tokenize(std::string_view text, const ExpressionConstants& c) {
    for (char ch : text) {
      if (isWordChar(ch) || ch == '+' || ch == '-' || ch == '*' || ch == '/' || ch == '(' || ch == ')' ||
          ch == '=' || ch == ' ')
        continue;
      error = std::string("Character \"") + ch + "\" unknown";
      return false;
    }
    int open = 0;
    for (char ch : text) {
      if (ch == '(') ++open;
      if (ch == ')' && --open < 0) break;
    }
    if (open != 0) {
      error = "Incorrect parenthesis";
      return false;
    }
    // blanks and "=" carry nothing
    std::string s;
    for (char ch : text)
      if (ch != ' ' && ch != '=') s += (ch >= 'a' && ch <= 'z') ? static_cast<char>(ch - 'a' + 'A') : ch;

    for (std::size_t p = 0; p < s.size();) {
      const char ch = s[p];
      if (!isWordChar(ch)) {
        Token t{ch == '(' ? Token::Open : ch == ')' ? Token::Close : Token::Op, ch, {}, 0};
        tokens.push_back(std::move(t));
        ++p;
        continue;
      }
      const bool numeric = isDigit(ch) || ch == '.';
      std::size_t q = p + 1;
      while (q < s.size() && (isWordChar(s[q]) || (numeric && s[q] == '-' && s[q - 1] == 'E'))) ++q;
      const std::string word = s.substr(p, q - p);
      p = q;
      if (!classify(word, c)) {
        error = "Function or variable \"" + word + "\" unknown.";
        return false;
      }
    }
    bool anyWord = false;
    for (const Token& t : tokens) anyWord = anyWord || t.kind == Token::Operand || t.kind == Token::Function;
    if (!anyWord) {
      error = "No variable in this formula";
      return false;
    }
    return true;
  }

  bool classify(const std::string& word, const ExpressionConstants& c) {
    Token t{Token::Operand, 0, {}, 0};
    t.node.kind = Node::Const;
    const bool numeric = std::all_of(word.begin(), word.end(), [](char ch) {
      return isDigit(ch) || ch == '.' || ch == 'E' || ch == '-';
    }) && (isDigit(word[0]) || word[0] == '.');
    if (numeric) {
      ParsedValue v = ParseValueDetailed(word, 0, 1e16, -1e16);
      if (v.invalid || v.empty) return false;
      t.node.k = v.value;  // beyond the range: the bound
    } else if (word == "PI") {
      t.node.k = std::numbers::pi;
    } else if (word == "P2") {
      t.node.k = 2 * std::numbers::pi;
    } else if (word == "VDD") {
      t.node.k = c.vdd;
    } else if (word == "VDDH") {
      t.node.k = c.hvdd;
    } else if (word == "X" || word == "T") {
      t.node.kind = Node::Var;
    } else {
      const auto* f = std::find_if(std::begin(kFuncNames), std::end(kFuncNames),
                                   [&](const char* n) { return word == n; });
      if (f == std::end(kFuncNames)) return false;
      t.kind = Token::Function;
      t.func = static_cast<int>(f - std::begin(kFuncNames));
    }
    tokens.push_back(std::move(t));
    return true;
  }

  bool at(Token::Kind k) const { return i < tokens.size() && tokens[i].kind == k; }
  bool atSign() const { return at(Token::Op) && (tokens[i].op == '+' || tokens[i].op == '-'); }

  // operands and operations up to the closing parenthesis (or the end)
  bool group(Node& g, bool term) {
    g.kind = Node::Group;
    char pending = '+';
    while (i < tokens.size() && !at(Token::Close) && !(term && atSign())) {
      if (at(Token::Op)) {
        pending = tokens[i++].op;
        // a sign groups what follows it up to the next sign or parenthesis
        if ((pending == '+' || pending == '-') && !at(Token::Open)) {
          Node t;
          if (!group(t, true)) return false;
          t.op = pending;
          g.items.push_back(std::move(t));
        }
        continue;
      }
      Node n;
      if (!operand(n)) return false;
      n.op = pending;
      g.items.push_back(std::move(n));
    }
    return true;
  }

  bool operand(Node& n) {
    Token& t = tokens[i];
    if (t.kind == Token::Operand) {
      n = std::move(t.node);
      ++i;
      return true;
    }
    const bool call = t.kind == Token::Function;
    if (call) {
      n.kind = Node::Call;
      n.func = t.func;
      ++i;
      // a function takes the parenthesised argument that follows it
      if (!at(Token::Open)) {
        error = "Incorrect parenthesis";
        return false;
      }
    }
    ++i;  // "("
    Node g;
    if (!group(g, false)) return false;
    ++i;  // ")", present since the parentheses balance
    if (call) n.items.push_back(std::move(g));
    else n = std::move(g);
    return true;
  }

  // Folds constant parts; true when n became a constant.
  static bool fold(Node& n) {
    switch (n.kind) {
      case Node::Const: return true;
      case Node::Var: return false;
      case Node::Call: {
        Node& a = n.items[0];
        if (!fold(a) || !pure(n.func)) return false;
        unsigned err = 0;
        const double v = pureFunction(n.func, a.k, err);
        if (err || !std::isfinite(v)) return false;  // left for each evaluation to report
        n.kind = Node::Const;
        n.k = v;
        n.items.clear();
        return true;
      }
      case Node::Group: break;
    }
    for (Node& item : n.items) fold(item);
    double acc = 0;
    std::size_t lead = 0;
    for (; lead < n.items.size() && n.items[lead].kind == Node::Const; ++lead) {
      unsigned err = 0;
      const double r = apply(n.items[lead].op, acc, n.items[lead].k, err);
      if (err) break;
      acc = r;
    }
    if (lead == n.items.size()) {
      n.kind = Node::Const;
      n.k = acc;
      n.items.clear();
      return true;
    }
    if (lead > 0) {
      n.items.erase(n.items.begin() + 1, n.items.begin() + static_cast<std::ptrdiff_t>(lead));
      n.items[0] = Node{Node::Const, '+', 0, acc, {}};
    }
    return false;
  }

  Expression& e;
  std::size_t depth = 0, maxDepth = 0;
  explicit ExpressionCompiler(Expression& ex) : e(ex) {}

  static Expression::Code opCode(char op, Expression::Code add) {
    const int base = add;
    return static_cast<Expression::Code>(base + (op == '+' ? 0 : op == '-' ? 1 : op == '*' ? 2 : 3));
  }

  void emit(Expression::Code c, double k = 0) { e.code_.push_back({c, 0, 0, k}); }

  // leaves the node's value in the running register
  void value(const Node& n) {
    switch (n.kind) {
      case Node::Const: emit(Expression::kLoadK, n.k); return;
      case Node::Var: emit(Expression::kLoadT); return;
      case Node::Group: groupCode(n); return;
      case Node::Call: {
        value(n.items[0]);  // the argument, folded or not
        Expression::Instr in{Expression::kFunc, static_cast<std::uint8_t>(n.func), 0, 0};
        if (hasSlot(n.func)) {
          in.slot = static_cast<std::uint16_t>(e.slots_.size());
          e.slots_.emplace_back();
        }
        e.code_.push_back(in);
        return;
      }
    }
  }

  void groupCode(const Node& g) {
    if (g.items.empty()) {
      emit(Expression::kLoadK, 0);
      return;
    }
    std::size_t from = 0;
    if (g.items[0].op == '+') {
      value(g.items[0]);  // 0 + v is v
      from = 1;
    } else {
      emit(Expression::kLoadK, 0);
    }
    for (std::size_t k = from; k < g.items.size(); ++k) {
      const Node& n = g.items[k];
      if (n.kind == Node::Const) {
        emit(opCode(n.op, Expression::kAddK), n.k);
      } else if (n.kind == Node::Var) {
        emit(opCode(n.op, Expression::kAddT));
      } else {
        emit(Expression::kPush);
        maxDepth = std::max(maxDepth, ++depth);
        value(n);
        --depth;
        emit(opCode(n.op, Expression::kAddPop));
      }
    }
  }
};

bool Expression::compile(std::string_view text, const ExpressionConstants& c) {
  constants_ = c;
  code_.clear();
  slots_.clear();
  stack_.clear();
  valid_ = false;
  ExpressionCompiler comp(*this);
  Node top;
  if (!comp.tokenize(text, c) || !comp.group(top, false)) {
    message_ = comp.error;
    return false;
  }
  ExpressionCompiler::fold(top);
  comp.value(top);
  stack_.assign(comp.maxDepth + 1, 0.0);
  valid_ = true;
  message_ = kMathOk;
  return true;
}

void Expression::reset() {
  for (Slot& s : slots_) s = Slot{};
}

// ------------------------------------------------------------ evaluation

double Expression::callFunction(const Instr& in, double a, double t, Random& random, unsigned& err) {
  switch (in.func) {
    case fNorm: {
      if (a == 0) {
        err |= kEvalDomain;
        return 0;
      }
      return checked(std::exp(-t * t / (2 * a * a)) / a, err);
    }
    case fLogic: {
      Slot& s = slots_[in.slot];
      const double period = a * 1e12;  // ps
      if (period > 0 && period < 32000) {
        // a period under half a picosecond rounds to 0: every picosecond then starts one
        const double p = std::max(1.0, std::nearbyint(period));
        const double x = std::nearbyint(t * 1e12);
        if (std::isfinite(x) && std::fmod(x, p) == 0) s.held = random.below(2) ? constants_.vdd : 0.0;
      }
      return s.held;
    }
    case fGauss: return checked(a / 2 * sum12(random), err);
    case fWhite: return checked(a * random.below(1000) / 1000.0, err);
    case fRms:
    case fAvg:
    case fInt: {
      Slot& s = slots_[in.slot];
      const double term = in.func == fRms ? a * a : in.func == fAvg ? a : a * constants_.dt;
      const double sum = s.sum + term;
      // a value that does not fit would spoil every later one
      if (std::isfinite(sum)) {
        s.sum = sum;
        s.count += 1;
      } else {
        err |= kEvalRange;
      }
      if (in.func == fInt) return s.sum;
      if (s.count == 0) return 0;
      return in.func == fRms ? std::sqrt(s.sum / s.count) : s.sum / s.count;
    }
    default: return checked(pureFunction(in.func, a, err), err);
  }
}

EvalResult Expression::evaluate(double t, Random& random) {
  if (!valid_) return {constants_.vdd / 2, kEvalInvalid};
  unsigned err = 0;
  double acc = 0;
  double* sp = stack_.data();
  for (const Instr& in : code_) {
    switch (in.code) {
      case kLoadK: acc = in.k; break;
      case kLoadT: acc = t; break;
      case kAddK: acc = checked(acc + in.k, err); break;
      case kSubK: acc = checked(acc - in.k, err); break;
      case kMulK: acc = checked(acc * in.k, err); break;
      case kDivK: acc = divide(acc, in.k, err); break;
      case kAddT: acc = checked(acc + t, err); break;
      case kSubT: acc = checked(acc - t, err); break;
      case kMulT: acc = checked(acc * t, err); break;
      case kDivT: acc = divide(acc, t, err); break;
      case kPush: *sp++ = acc; break;
      case kAddPop: acc = checked(*--sp + acc, err); break;
      case kSubPop: acc = checked(*--sp - acc, err); break;
      case kMulPop: acc = checked(*--sp * acc, err); break;
      case kDivPop: --sp; acc = divide(*sp, acc, err); break;
      case kFunc: acc = callFunction(in, acc, t, random, err); break;
    }
  }
  if (!std::isfinite(acc)) err |= kEvalRange;  // the variable itself
  return {acc, err};
}

// ------------------------------------------------------------ help texts

const std::vector<std::string>& equationExamples() {
  static const std::vector<std::string> v = {
      "sin(2*pi*t/1e-9)",
      "t*1e8",
      "pos(cos(2*pi*t/1e-9))",
      "sqr(sin(2*pi*t/1e-9))",
      "sin(2*pi*1e9*t)*sin(2*pi*1.45e9*t)",
      "0.2*sin(2*pi*450e6*t)+0.1*sin(2*pi*2.0e9*t)",
      "exp(-2*t*1e9)",
      "white(vdd)",
      "logic(1e-9)",
      "gauss(0.1)+0.1*sin(2*pi*2.5e9*t)",
      "rms(gauss(1))",
      "avg(logic(0.1e-9))",
      "vdd*Exp(-sqr((t-5e-9)/2e-9))*sin(2*pi*2e9*t)",
  };
  return v;
}

const std::vector<FunctionHelp>& expressionFunctions() {
  static const std::vector<FunctionHelp> v = {
      {"COS", "cosine", "cos(2*pi*t/1e-9)"},
      {"SIN", "sine", "sin(2*pi*t/1e-9)"},
      {"TAN", "tangent", "tan(t*1e9)"},
      {"EXP", "exponential (argument held to -50..50)", "exp(-2*t*1e9)"},
      {"LN", "natural logarithm", "ln(1+t*1e9)"},
      {"LOG", "decimal logarithm", "log(1+t*1e10)"},
      {"POS", "the argument when positive, else 0", "pos(sin(2*pi*t/1e-9))"},
      {"NORM", "bell of width a around t = 0: exp(-t*t/(2a*a))/a", "1e-9*norm(1e-9)"},
      {"ABS", "absolute value", "abs(sin(2*pi*t/1e-9))"},
      {"ARCOS", "arc cosine, for -1 < a < 1", "arcos(0.5)"},
      {"ARCSIN", "arc sine, for -1 < a < 1", "arcsin(0.5)"},
      {"ARCTAN", "arc tangent", "arctan(t*1e9)"},
      {"COSH", "hyperbolic cosine", "cosh(t*1e9)"},
      {"SINH", "hyperbolic sine", "sinh(t*1e9)"},
      {"TANH", "hyperbolic tangent", "tanh(t*1e9-2)"},
      {"SQR", "square", "sqr(sin(2*pi*t/1e-9))"},
      {"SQRT", "square root", "sqrt(t*1e9)"},
      {"U", "step: 1 when the argument is above 0", "u(t-1e-9)*vdd"},
      {"LOGIC", "random 0 or VDD, new every a seconds", "logic(1e-9)"},
      {"GAUSS", "gaussian noise of RMS a", "gauss(0.1)"},
      {"WHITE", "uniform noise from 0 to a", "white(vdd)"},
      {"RMS", "RMS of the argument since the start", "rms(gauss(1))"},
      {"AVG", "average of the argument since the start", "avg(logic(0.1e-9))"},
      {"INT", "integral of the argument over time", "int(1e9)"},
  };
  return v;
}

}  // namespace quill
