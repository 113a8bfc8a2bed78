// The number parser returns a value inside the caller's range, never NaN.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "core/ParseValue.h"

using namespace quill;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  double bounds[2] = {1e30, -1e30};
  if (size >= 16) {
    std::memcpy(bounds, data, 16);
    data += 16;
    size -= 16;
  }
  double max = bounds[0], min = bounds[1];
  if (!std::isfinite(max) || !std::isfinite(min)) return 0;
  if (min > max) std::swap(min, max);
  std::string_view text(reinterpret_cast<const char*>(data), size);
  double def = std::clamp(min / 2 + max / 2, min, max);
  ParsedValue r = ParseValueDetailed(text, def, max, min);
  if (std::isnan(r.value)) std::abort();
  if (r.value < min || r.value > max) std::abort();
  if (r.valid && (r.invalid || r.clamped || r.empty)) std::abort();
  return 0;
}
