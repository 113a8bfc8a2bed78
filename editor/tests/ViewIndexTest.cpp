// The fast paths give the same picture as the plain ones: culling through
// the spatial index against drawing every box, on random layouts and after
// the table changed under it (edits, additions, compaction, sort), and
// direct pixel writes against the Surface calls.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "editor/SpatialIndex.h"
#include "editor/tests/ViewFixture.h"

using namespace quill;
using quill::testing::ViewFixture;

namespace {

void randomLayout(LayoutDatabase& db, std::mt19937& rng, int boxes, int extent) {
  std::uniform_int_distribution<int> pos(-extent / 10, extent), size(0, 60), layer(1, kLayerCount), big(0, 200);
  LayoutDatabase::BulkAdd hold(db);
  for (int i = 0; i < boxes; ++i) {
    int x = pos(rng), y = pos(rng);
    int w = big(rng) == 0 ? extent / 3 : size(rng), h = big(rng) == 0 ? extent / 4 : size(rng);
    int p = db.addBox(x, y, x + w, y + h, layer(rng));
    LayoutBox& b = db.box(p);
    int r = big(rng);
    if (r < 10) b.state = 2;
    else if (r < 20) { b.state = 3; b.colour = rgb(r * 12, 255 - r, 40); }
    else if (r < 25) b.state = 0;
    if (b.layer == kOption) b.value = (r & 1 ? kOptionFram : 0) | (r & 2 ? kOptionFramDown : 0);
    if (b.layer == kPoly2) b.value = r * 10;
  }
  for (int i = 0; i < 40; ++i) db.addLabel(pos(rng), pos(rng), "n" + std::to_string(i), i % 10, 5, 5);
  for (int i = 0; i < 10; ++i) {
    int x = pos(rng), y = pos(rng);
    if (i % 2) db.addRlc(x, y, x + 30, y, i % 3, "4", 5);
    else db.addRlc(x, y, x, y + 30, i % 3, "4", 25);
  }
}

struct Picture {
  std::vector<Colour> pixels;
  std::vector<std::string> texts;
  bool operator==(const Picture&) const = default;
};

Picture draw(ViewFixture& f, bool index, const Rect& v) {
  f.resize(640, 480);
  f.view.setUseIndex(index);
  f.view.SetView(v.x1, v.y1, v.x2, v.y2);
  Picture p{f.s().pixels(), {}};
  for (const auto& t : f.s().texts())
    p.texts.push_back(std::to_string(t.x) + "," + std::to_string(t.y) + ":" + t.text);
  return p;
}

const Rect kViews[] = {{0, 0, 300, 200}, {1234, 2200, 1260, 2230}, {-400, -300, 100, 80},
                       {2900, 100, 3700, 900}, {1500, 1500, 1501, 1501}, {-500, -500, 4000, 4000}};

void expectIndexMatchesPlain(ViewFixture& f, const char* when) {
  for (const Rect& v : kViews) {
    SCOPED_TRACE(std::string(when) + " view " + std::to_string(v.x1) + "," + std::to_string(v.y1));
    Picture plain = draw(f, false, v);
    Picture culled = draw(f, true, v);
    EXPECT_TRUE(plain == culled);
    // small views go through the index; the whole layout is drawn box by box
    if (v.x2 - v.x1 < 1000) {
      EXPECT_TRUE(f.view.lastRedrawCulled());
    }
    if (std::string(when) == "fresh" && v.x2 - v.x1 > 3000) {
      EXPECT_FALSE(f.view.lastRedrawCulled());
    }
  }
}

void expectLookupMatches(ViewFixture& f, std::mt19937& rng) {
  std::uniform_int_distribution<int> pos(-400, 3200);
  const LayoutDatabase& db = f.db;
  for (int i = 0; i < 300; ++i) {
    const int x = pos(rng), y = pos(rng);
    std::vector<int> want;
    for (int p = 1; p <= db.boxCount(); ++p) {
      const LayoutBox& b = db.box(p);
      if (b.state != 0 && b.x1 <= x && b.x2 >= x && b.y1 <= y && b.y2 >= y) want.push_back(p);
    }
    ASSERT_EQ(f.view.boxesAt(x, y), want) << x << "," << y;
  }
}

}  // namespace

TEST(ViewIndex, CulledRedrawEqualsPlainRedrawThroughChanges) {
  std::mt19937 rng(12345);
  ViewFixture f(640, 480);
  randomLayout(f.db, rng, 8000, 3000);
  expectIndexMatchesPlain(f, "fresh");
  expectLookupMatches(f, rng);

  // edits through the table: moves, stretches, state and layer changes
  std::uniform_int_distribution<int> any(1, f.db.boxCount()), shift(-500, 500);
  for (int i = 0; i < 300; ++i) {
    LayoutBox& b = f.db.box(any(rng));
    const int d = shift(rng);
    b.x1 += d;
    b.x2 += d + (i % 3);
    if (i % 7 == 0) b.state = static_cast<std::uint8_t>(i % 4);
    if (i % 11 == 0) b.layer = kPoly;
  }
  expectIndexMatchesPlain(f, "edited");
  expectLookupMatches(f, rng);

  // additions, some far outside the extent the index was built on
  for (int i = 0; i < 200; ++i) {
    const int x = shift(rng) * 8, y = shift(rng) * 8;
    f.db.addBox(x, y, x + 20, y + 20, 1 + i % kLayerCount);
  }
  expectIndexMatchesPlain(f, "added");

  // compaction renumbers everything
  for (int p = 1; p <= f.db.boxCount(); p += 5) f.db.box(p).state = 0;
  f.db.compactBoxes();
  expectIndexMatchesPlain(f, "compacted");
  expectLookupMatches(f, rng);

  f.db.sortByLayer();
  expectIndexMatchesPlain(f, "sorted");
  expectLookupMatches(f, rng);

  // a new layout in place of the old one
  f.db.clear();
  randomLayout(f.db, rng, 5000, 3000);
  expectIndexMatchesPlain(f, "reloaded");
  expectLookupMatches(f, rng);
}

TEST(ViewIndex, FarBoxesAndBoxesAcrossTheGrid) {
  std::mt19937 rng(4242);
  ViewFixture f(640, 480);
  randomLayout(f.db, rng, 6000, 3000);
  f.db.addBox(2000000000, 2000000000, 2000000100, 2000000100, kMetal);
  f.db.addBox(-2000000000, -5, -1999999000, 5, kPoly);
  f.db.addBox(-2000000000, 100, 2000000000, 120, kMetal2);  // across everything
  expectIndexMatchesPlain(f, "far");
  expectLookupMatches(f, rng);
  EXPECT_EQ(f.view.boxesAt(2000000050, 2000000050), std::vector<int>{6001});
  EXPECT_EQ(f.view.boxesAt(-1999999500, 0), std::vector<int>{6002});
  std::vector<int> across = f.view.boxesAt(1000000000, 110);
  EXPECT_EQ(across, std::vector<int>{6003});
  Picture plain = draw(f, false, Rect{2000000000, 2000000000, 2000000200, 2000000150});
  Picture culled = draw(f, true, Rect{2000000000, 2000000000, 2000000200, 2000000150});
  EXPECT_TRUE(plain == culled);
  EXPECT_TRUE(f.view.lastRedrawCulled());
}

TEST(ViewIndex, IndexFollowsTheChangeRangeWithoutRebuildingForSmallEdits) {
  std::mt19937 rng(7);
  LayoutDatabase db;
  randomLayout(db, rng, 6000, 2000);
  BoxIndex index;
  index.update(db);
  EXPECT_EQ(index.rebuilds(), 1);
  EXPECT_EQ(index.size(), db.boxCount());
  EXPECT_FALSE(db.takeBoxChanges().any());  // the index took them

  db.box(17).x1 = -90000;  // moved far outside the grid
  db.box(18).x2 += 3;
  const LayoutDatabase& cdb = db;
  (void)cdb.box(19);  // reading through a const table is no change
  int p = db.addBox(50000, 50000, 50010, 50010, kMetal);
  index.update(db);
  EXPECT_EQ(index.rebuilds(), 1);
  std::vector<int> got;
  index.query(-90000, cdb.box(17).y1, -90000, cdb.box(17).y1, got);
  EXPECT_EQ(got, std::vector<int>{17});
  index.query(50005, 50005, 50005, 50005, got);
  EXPECT_EQ(got, std::vector<int>{p});

  db.sortByLayer();
  index.update(db);
  EXPECT_EQ(index.rebuilds(), 2);
  // what the table reports as changed
  db.box(5);
  db.box(9);
  LayoutDatabase::BoxChanges c = db.takeBoxChanges();
  EXPECT_EQ(c.first, 5);
  EXPECT_EQ(c.last, 9);
  EXPECT_FALSE(db.takeBoxChanges().any());
  db.compactBoxes();
  c = db.takeBoxChanges();
  EXPECT_EQ(c.first, 1);
  EXPECT_GE(c.last, db.boxCount());
}

TEST(ViewDirectPixels, SameAsTheSurfaceCallsForEverything) {
  std::mt19937 rng(99);
  struct Scheme {
    const char* name;
    bool mono, white;
  };
  for (Scheme sc : {Scheme{"colour on black", false, false}, Scheme{"colour on white", false, true},
                    Scheme{"monochrome", true, false}}) {
    SCOPED_TRACE(sc.name);
    ViewFixture direct(640, 480), plain(640, 480);
    for (ViewFixture* f : {&direct, &plain}) {
      std::mt19937 same = rng;
      randomLayout(f->db, same, 3000, 600);
      f->db.layers[kMetal2].isProtected = true;
      f->db.layers[kNwell].isProtected = true;
      f->view.setRoutingRails(10, 120);
      f->view.ToggleRoutingGrid();
      if (sc.mono) f->view.SetMonochrome(true);
      if (sc.white) f->view.ToggleBackground();
    }
    plain.s().setRawAccess(false);
    for (const Rect& v : {Rect{0, 0, 600, 600}, Rect{100, 100, 160, 140}, Rect{-50, -20, 250, 200}}) {
      Picture a, b;
      for (auto [f, out] : {std::pair{&direct, &a}, {&plain, &b}}) {
        f->view.SetView(v.x1, v.y1, v.x2, v.y2);
        f->view.Ruler(40, 400, 300, 250);
        f->view.DrawBox(7);
        out->pixels = f->s().pixels();
        for (const auto& t : f->s().texts()) out->texts.push_back(t.text);
      }
      EXPECT_TRUE(a.pixels == b.pixels) << v.x1;
      EXPECT_EQ(a.texts, b.texts);
    }
  }
}
