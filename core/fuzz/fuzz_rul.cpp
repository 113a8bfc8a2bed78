// Any rule file reads without harm and leaves values that later
// calculations can divide by.
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "core/RuleFile.h"
#include "core/fuzz/FuzzDir.h"

using namespace quill;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string in = writeInput("in.rul", data, size);
  TechnologyRules t;
  LayerTable layers;
  SilentStatus status;
  DebugLog debug;
  loadRuleFile(t, layers, in, status, debug);
  loadRuleFile(t, layers, in, status, debug);  // a second read over the first
  if (!(t.lambda > 0) || !(t.vdd > 0) || !(t.vddHigh > 0) || !(t.cifUnit > 0) || !(t.timeStep > 0)) std::abort();
  if (t.metalLevels < 1 || t.metalLevels > 6) std::abort();
  for (double tox : t.nmos.l3Tox)
    if (!(tox > 0)) std::abort();
  if (!std::isfinite(t.sqrtPhiN) || !std::isfinite(t.sqrtPhiP)) std::abort();
  if (t.technologyName.size() > 128) std::abort();
  return 0;
}
