#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <tuple>

#include "verify/Cleaner.h"

using namespace quill;

namespace {
void fill(LayoutDatabase& db, std::mt19937& gen, int n, int span, int maxSize) {
  std::uniform_int_distribution<int> pos(0, span), size(1, maxSize), layer(0, 5);
  const int layers[6] = {kMetal, kPoly, kDiffn, kContact, kMetal2, kOption};
  for (int i = 0; i < n; ++i) {
    int x = pos(gen), y = pos(gen);
    // some boxes share a side length so that merges happen
    int w = gen() % 3 == 0 ? 4 : size(gen), h = gen() % 3 == 0 ? 4 : size(gen);
    if (gen() % 4 == 0) x = (x / 4) * 4, y = (y / 4) * 4;
    db.addBox(x, y, x + w, y + h, layers[layer(gen)]);
  }
}
}  // namespace

TEST(Cleaner, MergesAbuttingBoxesAndRemovesOverlaps) {
  LayoutDatabase db;
  SilentStatus st;
  db.addBox(0, 0, 10, 4, kMetal);
  db.addBox(0, 4, 10, 9, kMetal);    // abuts along the full top side
  db.addBox(20, 0, 30, 10, kMetal);
  db.addBox(25, 5, 35, 15, kMetal);  // overlaps
  db.addBox(0, 0, 2, 2, kContact);   // cuts are never touched
  db.addBox(0, 0, 2, 2, kContact);
  db.addBox(40, 0, 44, 4, kOption);
  db.addBox(42, 0, 46, 4, kOption);
  cleanLayout(db, kCleanAll, st);
  std::int64_t metalArea = 0;
  int contacts = 0, options = 0;
  for (int i = 1; i <= db.boxCount(); ++i) {
    const LayoutBox& b = static_cast<const LayoutDatabase&>(db).box(i);
    if (b.layer == kMetal) metalArea += std::int64_t{b.x2 - b.x1} * (b.y2 - b.y1);
    contacts += b.layer == kContact;
    options += b.layer == kOption;
  }
  EXPECT_EQ(metalArea, 10 * 9 + 100 + 100 - 25);  // the union, no area counted twice
  EXPECT_EQ(contacts, 2);
  EXPECT_EQ(options, 2);
  for (int i = 1; i <= db.boxCount(); ++i)
    for (int j = i + 1; j <= db.boxCount(); ++j) {
      const LayoutBox& a = static_cast<const LayoutDatabase&>(db).box(i);
      const LayoutBox& b = static_cast<const LayoutDatabase&>(db).box(j);
      if (a.layer != b.layer || !cleanedLayer(a.layer)) continue;
      bool overlap = std::max(a.x1, b.x1) < std::min(a.x2, b.x2) && std::max(a.y1, b.y1) < std::min(a.y2, b.y2);
      EXPECT_FALSE(overlap) << i << " " << j;
    }
}

TEST(Cleaner, FastCleanerGivesTheReferenceBoxTable) {
  for (int seed = 1; seed <= 30; ++seed) {
    for (int mode : {kCleanAll, kCleanMergeOnly, kCleanOverlapOnly}) {
      std::mt19937 gen(static_cast<unsigned>(seed));
      LayoutDatabase a, b;
      int n = 5 + seed * 7;
      fill(a, gen, n, 40 + seed * 3, 12);
      for (int i = 1; i <= a.boxCount(); ++i) {
        const LayoutBox& x = static_cast<const LayoutDatabase&>(a).box(i);
        b.addBox(x.x1, x.y1, x.x2, x.y2, x.layer);
      }
      SilentStatus st;
      int iterations = seed % 5 == 0 ? 1 : 12;  // a low bound stops both the same way
      cleanLayoutReference(a, mode, st, iterations);
      cleanLayout(b, mode, st, iterations);
      ASSERT_EQ(a.boxCount(), b.boxCount()) << "seed " << seed << " mode " << mode;
      for (int i = 1; i <= a.boxCount(); ++i) {
        const LayoutBox& x = static_cast<const LayoutDatabase&>(a).box(i);
        const LayoutBox& y = static_cast<const LayoutDatabase&>(b).box(i);
        ASSERT_TRUE(x.x1 == y.x1 && x.y1 == y.y1 && x.x2 == y.x2 && x.y2 == y.y2 && x.layer == y.layer)
            << "seed " << seed << " mode " << mode << " position " << i;
      }
    }
  }
}

TEST(Cleaner, CommandTextsAndStop) {
  LayoutDatabase db;
  SilentStatus st;
  db.addBox(0, 0, 10, 10, kMetal);
  cleanLayoutCommand(db, st);
  EXPECT_EQ(st.text(StatusMessage::Main), "No redundant box in the layout");
  EXPECT_FALSE(db.modified);
  db.addBox(0, 10, 10, 20, kMetal);
  cleanLayoutCommand(db, st);
  EXPECT_EQ(st.text(StatusMessage::Main), "Quillmere removed redundant and overlaping boxes (50.00% removed)");
  EXPECT_TRUE(db.modified);
  // the pieces around an overlap: full-height strips left and right, then
  // bottom and top between them
  LayoutDatabase o;
  o.addBox(0, 0, 10, 10, kPoly);
  o.addBox(4, 4, 14, 14, kPoly);
  cleanLayout(o, kCleanOverlapOnly, st);
  std::vector<Rect> got;
  for (int i = 1; i <= o.boxCount(); ++i) {
    const LayoutBox& b = static_cast<const LayoutDatabase&>(o).box(i);
    got.push_back({b.x1, b.y1, b.x2, b.y2});
  }
  std::sort(got.begin(), got.end(), [](const Rect& a, const Rect& b) {
    return std::tie(a.x1, a.y1, a.x2, a.y2) < std::tie(b.x1, b.y1, b.x2, b.y2);
  });
  EXPECT_EQ(got, (std::vector<Rect>{{0, 0, 4, 10}, {4, 0, 10, 4}, {4, 4, 14, 14}}));

  st.requestStop();
  db.addBox(0, 20, 10, 30, kMetal);
  CleanResult r = cleanLayout(db, kCleanAll, st);
  EXPECT_TRUE(r.aborted);
  EXPECT_EQ(db.boxCount(), 2);
}
