// The design rule checker: a fixed list of checks, each on one to four
// layers, run on a cell grid built from the box edges of those layers. The
// run stops after the first check that finds violations; every violation of
// that check goes to the receiver, in the order the scans find them.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "core/LayoutDatabase.h"
#include "core/TechnologyRules.h"
#include "platform/StatusMessage.h"

namespace quill {

struct DrcViolation {
  int check = 0;        // 1..34
  int part = 0;         // 1.. for checks of several parts, else 0
  std::string rule;     // "R304", "" when the check has none
  std::string code;     // "(r304)" as shown, "" when none
  std::string description;
  std::string text;     // the full sentence shown for a violation
  Rect rect;            // lambda
  bool vertical = true; // the measured direction
  int value = 0;        // the rule value
};

// Told of every violation and asked whether to stop.
class DrcReceiver {
 public:
  virtual ~DrcReceiver() = default;
  virtual void violation(const DrcViolation&) {}
  virtual bool stopRequested() { return false; }
};

struct DrcResult {
  int errorCount = 0;
  std::vector<DrcViolation> violations;
  bool complete = true;         // false when a check was skipped for capacity or the run was stopped
  bool aborted = false;
  bool protectedLayers = false; // some of nwell..metal6 protected: the check was partial
  int maxXsUsed = 0, maxYsUsed = 0;
  int failedCheck = 0;
  std::string message;          // the final status text
};

struct DrcLimits {
  int maxXs = 5000;
  int maxYs = 3000;
};

// Purges and sorts the box table, runs every check and writes the status
// texts. receiver may be null.
DrcResult checkDesignRules(LayoutDatabase& db, const TechnologyRules& tech, StatusMessage& status,
                           DrcReceiver* receiver = nullptr, const DrcLimits& limits = {});

}  // namespace quill
