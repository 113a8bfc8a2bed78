#include "core/ParseValue.h"

#include <cmath>
#include <cstdlib>
#include <string>

#include "core/Text.h"

namespace quill {

ParsedValue ParseValueDetailed(std::string_view text, double def, double max, double min) {
  ParsedValue r;
  text = text.substr(0, kMaxText);
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  if (i < text.size() && text[i] == '+') ++i;
  const std::size_t first = i;

  std::string digits;      // mantissa digits, without the point
  long fracDigits = 0;
  bool seenPoint = false, seenExp = false, negMant = false, negExp = false;
  long expValue = 0;
  long suffixExp = 0;
  long extraIntDigits = 0;
  bool anyDigit = false;

  for (; i < text.size(); ++i) {
    char c = text[i];
    if (c >= '0' && c <= '9') {
      anyDigit = anyDigit || !seenExp;
      if (seenExp) {
        if (expValue < 100000) expValue = expValue * 10 + (c - '0');
      } else {
        // leading zeros carry no value; digits beyond precision only scale
        if (!(digits.empty() && c == '0')) {
          if (digits.size() < 800) {
            digits += c;
            if (seenPoint) ++fracDigits;
          } else if (!seenPoint) {
            ++extraIntDigits;
          }
        } else if (seenPoint) {
          ++fracDigits;
        }
      }
      continue;
    }
    if (c == '.') { seenPoint = true; continue; }
    if (c == '-') {
      if (seenExp) negExp = true;
      else negMant = true;
      continue;
    }
    if (c == ' ' || c == '(' || c == ')' || c == ',' || c == '/' || c == ';') break;
    char u = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    int mult = 99;
    switch (u) {
      case 'E': mult = 100; break;
      case 'K': mult = 3; break;
      case 'G': mult = 9; break;
      case 'T': mult = 12; break;
      case 'M': mult = -3; break;
      case 'U': mult = -6; break;
      case 'N': mult = -9; break;
      case 'F': mult = -15; break;
      case 'A': mult = -18; break;
      default: break;
    }
    if (mult == 99 || i == first) {
      r.invalid = true;
      break;
    }
    if (mult == 100) seenExp = true;
    else suffixExp += mult;
  }

  if (r.invalid || (!anyDigit && i == first)) {
    r.value = def;
    r.empty = !r.invalid;
    return r;
  }
  if (!anyDigit) {
    // signs, points or suffixes without a digit
    r.invalid = true;
    r.value = def;
    return r;
  }
  long e = negExp ? -expValue : expValue;
  r.exponent = static_cast<int>(e);

  double v = 0.0;
  if (!digits.empty()) {
    long total = e + suffixExp + extraIntDigits - fracDigits;
    if (total > 100000) total = 100000;
    if (total < -100000) total = -100000;
    std::string num = digits + "e" + std::to_string(total);
    v = std::strtod(num.c_str(), nullptr);  // correctly rounded; inf or 0 beyond range
  }
  if (negMant) v = -v;

  r.valid = true;
  if (std::isnan(v)) {
    r.value = def;
    r.valid = false;
    r.invalid = true;
    return r;
  }
  if (v > max) { v = max; r.clamped = true; r.valid = false; }
  if (v < min) { v = min; r.clamped = true; r.valid = false; }
  r.value = v;
  return r;
}

double ParseValue(std::string_view text, double def, double max, double min, bool& valid) {
  ParsedValue r = ParseValueDetailed(text, def, max, min);
  valid = r.valid;
  return r.value;
}

}  // namespace quill
