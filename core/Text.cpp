#include "core/Text.h"

#include <cmath>
#include <cstdio>
#include <limits>

namespace quill {

std::string cutText(std::string_view s) { return std::string(s.substr(0, kMaxText)); }

std::string F(double x, int w, int d) {
  if (w < 0) w = 0;
  if (w > 400) w = 400;
  if (d < 0) d = 0;
  if (d > 30) d = 30;
  auto print = [&](double v) {
    int n = std::snprintf(nullptr, 0, "%*.*f", w, d, v);
    if (n <= 0) return std::string();
    std::string s(static_cast<std::size_t>(n) + 1, '\0');
    std::snprintf(s.data(), s.size(), "%*.*f", w, d, v);
    s.resize(static_cast<std::size_t>(n));
    return s;
  };
  std::string s = print(x);
  // a negative value that prints as zero is written without its sign
  if (std::signbit(x) && s.find_first_of("123456789") == std::string::npos &&
      s.find_first_of("ni") == std::string::npos)
    s = print(0.0);
  return s;
}

double roundHalfEven(double x) { return std::nearbyint(x); }

std::optional<std::int32_t> roundToInt32(double x) {
  if (!std::isfinite(x)) return std::nullopt;
  double r = std::nearbyint(x);
  if (r < static_cast<double>(std::numeric_limits<std::int32_t>::min()) ||
      r > static_cast<double>(std::numeric_limits<std::int32_t>::max()))
    return std::nullopt;
  return static_cast<std::int32_t>(r);
}

std::int64_t divTrunc(std::int64_t a, std::int64_t b) {
  if (b == 0) return 0;
  if (b == -1 && a == std::numeric_limits<std::int64_t>::min()) return std::numeric_limits<std::int64_t>::max();
  return a / b;
}

std::string toUpperAscii(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return out;
}

static char up(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool startsWithNoCase(std::string_view s, std::string_view prefix) {
  if (s.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i)
    if (up(s[i]) != up(prefix[i])) return false;
  return true;
}

bool endsWithNoCase(std::string_view s, std::string_view suffix) {
  if (s.size() < suffix.size()) return false;
  return startsWithNoCase(s.substr(s.size() - suffix.size()), suffix);
}

}  // namespace quill
