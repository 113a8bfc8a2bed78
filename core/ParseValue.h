// The one number parser of the system: every numeric edit field and the
// rule-file reader turn text into numbers with it.
//
// Syntax: digits, an optional "." with fraction digits, "-" anywhere (the
// mantissa, or the exponent once "E" was seen), suffixes K G T M U N F A
// (M is milli) applied after the exponent. A blank ( ) , / ; ends the number;
// any other character makes the text invalid. Only the first 128 characters
// are read.
#pragma once
#include <string_view>

namespace quill {

struct ParsedValue {
  double value = 0;
  bool valid = false;       // false when empty, invalid or clamped
  bool empty = false;       // nothing to parse (value is the default)
  bool invalid = false;     // a character outside the syntax (value is the default)
  bool clamped = false;     // value is the bound it was clamped to
  int exponent = 0;         // the exponent as written after "E" (saturated)
};

ParsedValue ParseValueDetailed(std::string_view text, double def, double max, double min);

// The value and its validity flag; see ParseValueDetailed.
double ParseValue(std::string_view text, double def, double max, double min, bool& valid);

}  // namespace quill
