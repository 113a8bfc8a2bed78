// Circuit extraction: turns the drawn layout into nodes, MOS devices,
// capacitances, couplings, resistances and delay estimates. It works in
// place on the layout: diffusion is split at the gates and conductors are
// cut under resistor and inductor symbols; the split stays, the temporary
// layers are undone before it returns, whatever way the run ends.
#pragma once
#include <string>
#include <vector>

#include "core/LayoutDatabase.h"
#include "core/TechnologyRules.h"
#include "platform/Services.h"
#include "verify/Circuit.h"

namespace quill {

// Capacities; tests lower them.
struct ExtractionLimits {
  int maxXs = 5000, maxYs = 3000;  // cell grids
  int maxDevices = kMaxDevices;    // per polarity
  int maxNodeIndex = kMaxNodeIndex;
  int confirmAbove = 20000;        // boxes before the run asks to go on
};

// The editor's view, for the short-gate warning.
class ExtractionView {
 public:
  virtual ~ExtractionView() = default;
  virtual void showShortGate(const Rect& gate, int margin) = 0;
};

enum class ExtractOutcome {
  Complete,    // extracted is set
  Skipped,     // extracted was already set
  Cancelled,   // the confirmation was declined; nothing changed
  Aborted,     // stop request
  Incomplete,  // a table or grid was full: part of the circuit is missing
};

struct ExtractResult {
  ExtractOutcome outcome = ExtractOutcome::Incomplete;
  std::string message;      // the final status text
  int nIgnored = 0, pIgnored = 0;  // devices beyond the table
  int shortGates = 0;       // new devices shorter than R301
  int missingWells = 0;     // pMOS outside any nwell
  int droppedNets = 0;      // by the length filter
  int lostCuts = 0;         // symbol cuts refused by a full box table
  bool ok() const { return outcome == ExtractOutcome::Complete || outcome == ExtractOutcome::Skipped; }
};

// The whole run. Does nothing while db.extracted is set. Reports through
// the status line and message boxes of services. A "BSIM" label switches
// options.model to BSIM4.
ExtractResult extractCircuit(LayoutDatabase& db, const TechnologyRules& tech, ExtractionOptions& options,
                             ExtractedCircuit& circuit, Services& services, const ExtractionLimits& limits = {},
                             ExtractionView* view = nullptr);

// The same run with every box search a plain scan and the node fill a
// literal depth-first search: slow, the reference the fast run is tested
// against.
ExtractResult extractCircuitReference(LayoutDatabase& db, const TechnologyRules& tech, ExtractionOptions& options,
                                      ExtractedCircuit& circuit, Services& services,
                                      const ExtractionLimits& limits = {});

struct FloatingNodes {
  ExtractResult extraction;
  std::vector<int> nodes;          // ascending
  std::vector<std::string> lines;  // name + " floating"
  int labelsAdded = 0;
  bool openNavigator = false;      // on its "Props" page
};

// Find Floating Nodes: extracts when needed, lists the floating nodes from
// 2 on and labels the unnamed ones on their first box.
FloatingNodes findFloatingNodes(LayoutDatabase& db, const TechnologyRules& tech, ExtractionOptions& options,
                                ExtractedCircuit& circuit, Services& services, const ExtractionLimits& limits = {});

}  // namespace quill
