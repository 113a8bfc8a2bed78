// Small text and number helpers shared by every file format and message:
// CP1252 <-> UTF-8, the F(x, w, d) formatter, rounding and division rules,
// and the 128-character cut of record texts.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/Cp1252.h"

namespace quill {

constexpr std::size_t kMaxText = 128;

// Texts held in records are at most 128 characters.
std::string cutText(std::string_view s);

// Fixed point with d decimals, padded on the left with blanks to at least w
// characters and never cut.
std::string F(double x, int w, int d);

// Nearest integer, halves to even.
double roundHalfEven(double x);
// roundHalfEven into 32 bits; nullopt when not finite or out of range.
std::optional<std::int32_t> roundToInt32(double x);

// Integer division truncating toward zero; 0 for a zero divisor, and the
// one overflowing case saturates.
std::int64_t divTrunc(std::int64_t a, std::int64_t b);

// Case-insensitive ASCII helpers.
std::string toUpperAscii(std::string_view s);
bool startsWithNoCase(std::string_view s, std::string_view prefix);
bool endsWithNoCase(std::string_view s, std::string_view suffix);

}  // namespace quill
