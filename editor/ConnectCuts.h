// The cut arrays of connect layers (EditOperations::cutArrays), made by the
// generators' contact array so that they are rule-clean in every process.
#pragma once
#include "core/LayoutDatabase.h"
#include "core/TechnologyRules.h"
#include "editor/EditOps.h"

namespace quill {

// Every array is laid out in a dry run first: a refused array or a table
// without room for all of them adds nothing.
CutArrayBuilder contactCutArrays(LayoutDatabase& db, const TechnologyRules& tech);

}  // namespace quill
