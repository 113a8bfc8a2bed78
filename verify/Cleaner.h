// The layout cleaner: merges boxes of a layer that abut along a full side
// and removes overlaps between boxes of the same layer. Used by Clean
// layout and by the extraction. Cut layers (contacts, vias), poly2 and
// option boxes are never cleaned: merging cuts would change resistances
// and rule checks.
#pragma once
#include <array>

#include "core/LayoutDatabase.h"
#include "platform/StatusMessage.h"

namespace quill {

enum CleanMode : int { kCleanAll = 0, kCleanMergeOnly = 1, kCleanOverlapOnly = 2 };

struct CleanResult {
  int boxesBefore = 0, boxesAfter = 0;
  int iterations = 0;
  bool aborted = false;
};

// the layers the cleaner works on
bool cleanedLayer(int layer);

// Runs the cleaner; maxIterations bounds each phase (12 by default in the
// extraction options). Stops early on a stop request.
CleanResult cleanLayout(LayoutDatabase& db, int mode, StatusMessage& status, int maxIterations = 12);

// The pair loops exactly as stated, quadratic: the reference the fast
// cleaner is tested against.
CleanResult cleanLayoutReference(LayoutDatabase& db, int mode, StatusMessage& status, int maxIterations = 12);

// Clean layout: the command with its status texts. Sets modified when boxes went.
CleanResult cleanLayoutCommand(LayoutDatabase& db, StatusMessage& status);

}  // namespace quill
