// Node building: every conducting box joins the node of the boxes it
// touches on connected layers. Nodes are numbered in the order of their
// first box in the table; lengths and resistances are summed in table order.
#pragma once
#include <vector>

#include "core/LayoutDatabase.h"
#include "platform/StatusMessage.h"
#include "verify/Circuit.h"
#include "verify/ExtractGeometry.h"

namespace quill {

struct NodeBuildSettings {
  bool lengthFilterOn = false;
  double minimumNetLength = 0;  // µm
  double lambda = 0.5;          // µm
  int maxNodeIndex = kMaxNodeIndex;
};

struct NodeBuildResult {
  bool overflow = false;  // the node table filled up: later nets have no node
  bool aborted = false;
  int dropped = 0;        // nets below the minimum length
};

// Writes the node of every box (-1 for boxes that never conduct, 0 for a
// dropped net) and appends the nodes to circuit and to the database's node
// table, which must hold only nodes 0 and 1. geo is the snapshot of the box
// table; index, when given, finds the touching pairs, else a literal
// depth-first fill scans the table.
NodeBuildResult buildNodes(LayoutDatabase& db, const std::vector<BoxGeo>& geo, const BucketIndex* index,
                           ExtractedCircuit& circuit, const NodeBuildSettings& settings, StatusMessage& status);

}  // namespace quill
