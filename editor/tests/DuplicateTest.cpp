// Duplicate in X Y through the frame's state 41: the copies, the undo that
// gives the originals back, the programming grid and its fill, and the
// refusals that change nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <tuple>

#include "editor/ToolWindows.h"
#include "editor/tests/ToolFixture.h"

using namespace quill;
using quill::testing::FrameFixture;

namespace {

struct Dup : FrameFixture {
  FakeTimer timer;
  ToolWindowCommands tools{f, view, timer};
  DuplicateEditor& d = tools.duplicate;
  // what the user does while the window is open
  std::function<void(DuplicateEditor&)> user;
  int shown = 0;
  Dup() {
    d.showWindow = [this] {
      ++shown;
      if (user) user(d);
    };
  }
  void duplicate(LambdaPoint a, LambdaPoint b) {
    f.execute(Command::Duplicate);
    drag(a, b);
  }
};

std::vector<Rect> sorted(std::vector<Rect> v) {
  std::sort(v.begin(), v.end(), [](const Rect& a, const Rect& b) {
    return std::tie(a.x1, a.y1, a.x2, a.y2) < std::tie(b.x1, b.y1, b.x2, b.y2);
  });
  return v;
}

std::string gridRow(const DuplicateEditor& d, int row, int columns) {
  std::string s;
  for (int c = 0; c < columns; ++c) s += d.cell(c, row);
  return s;
}

}  // namespace

TEST(Duplicate, CopiesAtTheExtentsPitchAndUndoGivesTheOriginalsBack) {
  Dup x;
  x.db.addBox(10, 10, 14, 14, kMetal);
  x.db.box(1).value = 7;
  x.db.addBox(50, 50, 60, 60, kPoly);
  x.db.addBox(70, 70, 80, 80, kPoly);
  x.db.box(3).state = 0;  // cut earlier: must not come back with the undo below
  x.db.undoKind = kUndoRestoreDeleted;
  x.db.extracted = true;
  x.user = [](DuplicateEditor& d) {
    EXPECT_EQ(d.groupCaption(), "Selected layout(1 elements)");
    EXPECT_EQ(d.sizeText(), "Size : 4x4 lambda");
    EXPECT_EQ(d.entries(), std::vector<std::string>{"metal 4x4 lambda"});
    d.EditMulX.text = "3";
    d.EditMulY.text = "2";
    EXPECT_TRUE(d.btnGenerateClick());
  };
  x.duplicate({5, 5}, {20, 20});
  EXPECT_EQ(x.shown, 1);
  EXPECT_EQ(x.panel(0), "Generate in X,Y..");
  // x offsets 0, 4, 8 and y offsets 0, 4; the first copy where the original was
  const std::vector<Rect> copies = x.boxes(kMetal);
  ASSERT_EQ(copies.size(), 6u);
  EXPECT_EQ(copies[0], (Rect{10, 10, 14, 14}));
  EXPECT_EQ(sorted(copies), (std::vector<Rect>{{10, 10, 14, 14}, {10, 14, 14, 18}, {14, 10, 18, 14},
                                               {14, 14, 18, 18}, {18, 10, 22, 14}, {18, 14, 22, 18}}));
  for (int p = 1; p <= x.db.boxCount(); ++p)
    if (x.box(p).state != 0 && x.box(p).layer == kMetal) {
      EXPECT_EQ(x.box(p).value, 7);
    }
  EXPECT_TRUE(x.db.modified);
  EXPECT_FALSE(x.db.extracted);
  EXPECT_EQ(x.f.mode(), kModeNone);
  EXPECT_GE(x.view.viewAlls, 1);

  x.f.execute(Command::Undo);
  EXPECT_EQ(x.boxes(kMetal), (std::vector<Rect>{{10, 10, 14, 14}}));
  EXPECT_EQ(x.boxes(kPoly), (std::vector<Rect>{{50, 50, 60, 60}}));

  // an invalid count keeps the one typed before
  x.user = [](DuplicateEditor& d) {
    d.EditMulX.text = "many";
    d.EditMulY.text = "";
    EXPECT_TRUE(d.btnGenerateClick());
  };
  x.duplicate({5, 5}, {20, 20});
  EXPECT_EQ(x.boxes(kMetal).size(), 6u);
}

TEST(Duplicate, FillArrayWritesTheBytesRowByRowFromTheRightmostColumn) {
  struct Case {
    const char *nx, *ny, *text;
    bool filled;
    std::vector<std::string> rows;  // rows 0.. of the first nx columns
  };
  const Case cases[] = {
      {"4", "2", "A5 3C", true, {"0101", "1100"}},
      {"4", "2", "a5", true, {"0101", "0000"}},     // a row without its byte keeps its cells
      {"2", "1", "1 2  3", true, {"01", "00"}},     // bytes beyond ny rows are not used
      {"10", "1", "ff", true, {"0011111111"}},      // a byte has 8 bits: the columns beyond read 0
      {"4", "1", "1 G1", false, {"0000"}},          // not hexadecimal: nothing filled
      {"4", "1", "1 123", false, {"0000"}},         // three digits
  };
  for (const Case& c : cases) {
    LayoutDatabase db;
    SilentStatus status;
    quill::testing::FakeToolView view;
    DuplicateEditor d(db, status, view);
    d.CheckProgram = true;
    d.EditMulX.text = c.nx;
    d.EditMulY.text = c.ny;
    d.EditString = c.text;
    EXPECT_EQ(d.BitBtnFillClick(), c.filled) << c.text;
    if (!c.filled) {
      EXPECT_NE(status.text(0).find("is not a hexadecimal byte"), std::string::npos) << c.text;
    }
    const int columns = static_cast<int>(std::string(c.rows[0]).size());
    for (std::size_t r = 0; r < c.rows.size(); ++r) EXPECT_EQ(gridRow(d, int(r), columns), c.rows[r]) << c.text;
  }
  // the grid is edited only while "Assign data to" is checked; outside it every cell reads 0
  LayoutDatabase db;
  SilentStatus status;
  quill::testing::FakeToolView view;
  DuplicateEditor d(db, status, view);
  d.EditString = "FF";
  EXPECT_FALSE(d.BitBtnFillClick());
  EXPECT_EQ(gridRow(d, 0, 2), "00");
  d.StringArrayDblClick(1, 0);
  EXPECT_EQ(gridRow(d, 0, 2), "01");
  d.StringArrayDblClick(1, 0);
  EXPECT_EQ(d.cell(1, 0), '0');
  d.StringArrayDblClick(kProgramGridSize, 0);
  d.setCell(-1, 5, true);
  EXPECT_EQ(d.cell(kProgramGridSize, 0), '0');
  EXPECT_EQ(d.cell(-1, 5), '0');
}

TEST(Duplicate, TheProgrammedBoxKeepsOnlyTheCopiesOfItsOnes) {
  Dup x;
  x.db.addBox(0, 0, 4, 4, kPoly);
  x.db.addBox(1, 1, 3, 3, kContact);
  x.user = [](DuplicateEditor& d) {
    ASSERT_EQ(d.entries().size(), 2u);
    d.CheckProgram = true;
    d.ComboBox = 1;  // the contact
    d.EditMulX.text = "4";
    d.EditMulY.text = "2";
    d.EditString = "A5 3C";
    ASSERT_TRUE(d.BitBtnFillClick());
    EXPECT_TRUE(d.btnGenerateClick());
  };
  x.duplicate({-1, -1}, {5, 5});
  EXPECT_EQ(x.boxes(kPoly).size(), 8u);
  // grid row 0 is the top row of copies: 0101 there, 1100 in the bottom row
  EXPECT_EQ(sorted(x.boxes(kContact)), (std::vector<Rect>{{1, 1, 3, 3}, {5, 1, 7, 3}, {5, 5, 7, 7}, {13, 5, 15, 7}}));
  x.f.execute(Command::Undo);
  EXPECT_EQ(x.boxes(kPoly), (std::vector<Rect>{{0, 0, 4, 4}}));
  EXPECT_EQ(x.boxes(kContact), (std::vector<Rect>{{1, 1, 3, 3}}));
}

TEST(Duplicate, RefusalsChangeNothingAndKeepTheWindowOpen) {
  constexpr std::int32_t kTop = std::numeric_limits<std::int32_t>::max();
  struct Case {
    const char *nx, *ny;
    int fill;          // boxes added beforehand far away
    std::int32_t x;    // left edge of the 4 x 4 box
    const char* message;
  };
  const Case cases[] = {
      {"0", "2", 0, 0, "Duplicate refused: give at least 1 in X and in Y"},
      {"2", "0", 0, 0, "Duplicate refused: give at least 1 in X and in Y"},
      {"4", "1", kMaxBoxes - 4, 0, "Warning : box data base full ..."},
      {"3", "1", 0, kTop - 10, "Duplicate refused: the copies would reach beyond the layout's coordinates"},
  };
  for (const Case& c : cases) {
    Dup x;
    x.db.addBox(c.x, 0, c.x + 4, 4, kMetal);
    for (int i = 0; i < c.fill; ++i) x.db.addBox(-100, -100, -99, -99, kPoly);
    const int count = x.db.boxCount();
    x.user = [&](DuplicateEditor& d) {
      d.EditMulX.text = c.nx;
      d.EditMulY.text = c.ny;
      EXPECT_FALSE(d.btnGenerateClick()) << c.message;
      EXPECT_EQ(x.panel(0), c.message);
      EXPECT_EQ(x.db.boxCount(), count);
      EXPECT_EQ(x.box(1).state, 3);  // still marked: the user may try other counts
      EXPECT_FALSE(x.db.modified);
      d.btnCancelClick();
    };
    x.f.execute(Command::Duplicate);
    // the release of the drag (far coordinates have no pixels)
    x.d.release(x.f, {c.x - 1, -1}, {c.x + 4, 5});
    EXPECT_EQ(x.shown, 1) << c.message;
    EXPECT_EQ(x.panel(0), "Cancel duplicate");
    EXPECT_EQ(x.box(1).state, 1);
    EXPECT_EQ(x.f.mode(), kModeNone);
  }
}

TEST(Duplicate, NothingInTheAreaOrTheWindowClosedLeavesTheLayoutAsItWas) {
  Dup x;
  x.db.addBox(10, 10, 14, 14, kMetal);
  x.db.addBox(30, 30, 34, 34, kNwell);
  x.db.layers[kNwell].isProtected = true;
  x.duplicate({25, 25}, {40, 40});  // a protected box only
  EXPECT_EQ(x.panel(0), "No box in this area. Try again...");
  EXPECT_EQ(x.shown, 0);
  EXPECT_EQ(x.box(2).state, 1);

  x.duplicate({5, 5}, {20, 20});  // the window closed without its buttons
  EXPECT_EQ(x.shown, 1);
  EXPECT_EQ(x.panel(0), "Cancel duplicate");
  EXPECT_EQ(x.db.boxCount(), 2);
  EXPECT_EQ(x.box(1).state, 1);
  EXPECT_FALSE(x.db.modified);
  EXPECT_EQ(x.f.mode(), kModeNone);
}
