#include <gtest/gtest.h>

#include "core/tests/TestFiles.h"
#include "platform/MemorySurface.h"
#include "verify/EditorCommands.h"

using namespace quill;

namespace {
struct Fixture {
  quill::testing::TestContext t;
  MemorySurface surface{800, 600};
  LayoutView view{t.ctx.db, t.ctx.tech, t.status, t.clock};
  LayoutViewFrame link{view};
  FrameWindow window;
  struct NoHelp : HelpOpener {
    bool open(const std::string&) override { return false; }
  } help;
  FrameController f{t.ctx, link, window, help};
  VerifyCommands commands{f, view};
  Fixture() { view.setSurface(&surface); }
};
}  // namespace

TEST(VerifyCommands, ACheckWithErrorsZoomsMarksAndOffersTheStretch) {
  Fixture x;
  x.t.ctx.db.addBox(0, 0, 2, 40, kMetal);
  ASSERT_TRUE(x.f.enabled(Command::Drc));
  x.f.execute(Command::Drc);
  EXPECT_EQ(x.f.mode(), kModeStretch);
  EXPECT_EQ(x.t.status.text(StatusMessage::Main), "Design rule errors detected. See \"Help -> Design rules\"");
  EXPECT_EQ(x.t.status.text(StatusMessage::Info), "DRC Errors");
  // the view shows the first violation with 20 lambda around it
  const Rect first = x.commands.lastResult().violations.front().rect;
  EXPECT_LE(x.view.viewWindow().x1, first.x1 - 20);
  EXPECT_GE(x.view.viewWindow().x2, first.x2 + 20);
  // its outline is white on the drawing, and its sentence is written
  const int px = x.view.sx(first.x1), py = x.view.sy(first.y2);
  EXPECT_EQ(x.surface.pixel(px, py), rgb(255, 255, 255));
  bool sentence = false;
  for (const auto& t : x.surface.texts()) sentence = sentence || t.text == "The metal width  is less than 3 lambda (r501)";
  EXPECT_TRUE(sentence);
}

TEST(VerifyCommands, ACleanLayoutCongratulatesAndCleaningReports) {
  Fixture x;
  x.t.ctx.db.addBox(0, 0, 10, 10, kMetal);
  x.t.ctx.db.addBox(0, 10, 10, 20, kMetal);
  x.f.execute(Command::Drc);
  EXPECT_NE(x.t.status.text(StatusMessage::Main).find("No design rule error. Congratulations ("), std::string::npos);
  EXPECT_EQ(x.f.mode(), kModeBox);
  x.f.execute(Command::CleanLayout);
  EXPECT_EQ(x.t.status.text(StatusMessage::Main), "Quillmere removed redundant and overlaping boxes (50.00% removed)");
}
