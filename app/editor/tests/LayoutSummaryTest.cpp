#include <gtest/gtest.h>

#include "app/editor/LayoutSummary.h"
#include "platform/FakeDialogs.h"

using namespace quill;

TEST(LayoutSummary, CountsLiveItemsAndShowsTheBoundingBox) {
  SilentStatus status;
  FakeDialogs dialogs;
  DebugLog debug;
  FakeClock clock;
  FakeRandom random;
  AppContext ctx(Services{status, dialogs, debug, clock, random});
  ctx.db.fileName = "inv.msk";
  ctx.tech.technologyName = "cmos025";
  ctx.db.addBox(0, 0, 40, 10, kDiffn);
  int gone = ctx.db.addBox(10, -2, 12, 12, kPoly);
  ctx.db.addBox(-5, 3, 8, 60, kMetal);
  ctx.db.box(gone).state = 0;  // deleted, not yet compacted
  ctx.db.addLabel(11, 5, "in");
  ctx.db.setBoundingBox({-5, -2, 40, 60});
  EXPECT_EQ(layoutSummary(ctx),
            "Layout: inv.msk\nTechnology: cmos025\nBoxes: 2\nLabels: 1\nBounding box: (-5, -2) - (40, 60)");
}
