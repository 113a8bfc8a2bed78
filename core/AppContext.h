// The one-per-run records, made once at start-up by each program (and by
// each test for itself). Logic takes the records it needs as parameters.
#pragma once
#include "core/LayoutDatabase.h"
#include "core/TechnologyRules.h"
#include "platform/Services.h"

namespace quill {

// Settings that layout files carry besides the geometry.
struct LayoutSettings {
  double simulationLengthNs = 10.0;  // "SIMU" line
};

struct AppContext {
  explicit AppContext(Services s) : services(s) {}
  Services services;
  LayoutDatabase db;
  TechnologyRules tech;
  LayoutSettings layoutSettings;
};

}  // namespace quill
