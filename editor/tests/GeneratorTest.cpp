// The generator primitives: golden box lists, the levels a technology lacks,
// refusals instead of hangs or garbage, and a full box table.
#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "editor/Generator.h"

using namespace quill;

namespace {

using Boxes = std::vector<GeneratedBox>;

Boxes boxesOf(const LayoutDatabase& db, int from = 1) {
  Boxes v;
  for (int i = from; i <= db.boxCount(); ++i) {
    const LayoutBox& b = db.box(i);
    v.push_back({b.x1, b.y1, b.x2, b.y2, b.layer, b.value});
  }
  return v;
}

std::vector<int> layersOf(const Boxes& v) {
  std::vector<int> l;
  for (const GeneratedBox& b : v) l.push_back(b.layer);
  return l;
}

struct Gen {
  LayoutDatabase db;
  TechnologyRules tech;
  LayoutGenerator g{db, tech};
};

}  // namespace

TEST(ContactArray, CutsColumnByColumnThenBothPlates) {
  Gen x;
  x.tech.ruleRef(R401) = 2;
  x.tech.ruleRef(R402) = 3;
  x.tech.ruleRef(R403) = 1;
  ASSERT_TRUE(x.g.AddContact(0, 0, kPoly));
  EXPECT_EQ(boxesOf(x.db), (Boxes{{-1, -1, 1, 1, kContact}, {-2, -2, 2, 2, kPoly}, {-2, -2, 2, 2, kMetal}}));

  // 3 along x, 2 along y: the pitch is the larger of 2 + 3 and 2 + 2 * 1
  x.db.clear();
  ASSERT_TRUE(x.g.AddContactArray(0, 0, 3, 2, kDiffn));
  EXPECT_EQ(boxesOf(x.db), (Boxes{{-1, -1, 1, 1, kContact},
                                  {-1, 4, 1, 6, kContact},
                                  {4, -1, 6, 1, kContact},
                                  {4, 4, 6, 6, kContact},
                                  {9, -1, 11, 1, kContact},
                                  {9, 4, 11, 6, kContact},
                                  {-2, -2, 12, 7, kDiffn},
                                  {-2, -2, 12, 7, kMetal}}));
  EXPECT_EQ(x.g.contactExtent, (Rect{-2, -2, 12, 7}));

  // where the enclosure is the larger, it sets the pitch (2 + 2 * 2 = 6)
  x.db.clear();
  x.tech.ruleRef(R403) = 2;
  ASSERT_TRUE(x.g.AddContactArray(10, 10, 2, 1, kDiffp));
  EXPECT_EQ(boxesOf(x.db), (Boxes{{9, 9, 11, 11, kContact},
                                  {15, 9, 17, 11, kContact},
                                  {7, 7, 19, 13, kDiffp},
                                  {7, 7, 19, 13, kMetal}}));
}

TEST(ContactArray, EachKindUsesItsRulesAndLayers) {
  struct Case {
    int kind;
    int lower, cut, upper;
    int size;   // cut size
    int plate;  // plate size
  };
  // the start-up rules
  const Case cases[] = {
      {kDiffp, kDiffp, kContact, kMetal, 2, 6},   {kDiffn, kDiffn, kContact, kMetal, 2, 6},
      {kPoly, kPoly, kContact, kMetal, 2, 6},     {kPoly2, kPoly2, kContact, kMetal, 2, 6},
      {kMetal2, kMetal, kVia, kMetal2, 2, 6},     {kMetal3, kMetal2, kVia2, kMetal3, 2, 6},
      {kMetal4, kMetal3, kVia3, kMetal4, 2, 6},   {kMetal5, kMetal4, kVia4, kMetal5, 2, 6},
      {kMetal6, kMetal5, kVia5, kMetal6, 5, 11},
  };
  for (const Case& c : cases) {
    Gen x;
    x.tech.metalLevels = 6;
    ASSERT_TRUE(x.g.AddContact(0, 0, c.kind)) << c.kind;
    Boxes v = boxesOf(x.db);
    ASSERT_EQ(v.size(), 3u) << c.kind;
    EXPECT_EQ(layersOf(v), (std::vector<int>{c.cut, c.lower, c.upper})) << c.kind;
    EXPECT_EQ(v[0].x2 - v[0].x1, c.size) << c.kind;
    EXPECT_EQ(v[1].x2 - v[1].x1, c.plate) << c.kind;
    EXPECT_EQ(v[1], (GeneratedBox{v[2].x1, v[2].y1, v[2].x2, v[2].y2, c.lower})) << c.kind;
  }
}

TEST(ContactArray, LevelsAboveTheTopMetalAreLeftOut) {
  Gen x;
  x.tech.metalLevels = 4;
  EXPECT_TRUE(x.g.AddContactArray(0, 0, 2, 2, kMetal5));
  EXPECT_TRUE(x.g.AddContactArray(0, 0, 2, 2, kMetal6));
  EXPECT_EQ(x.db.boxCount(), 0);
  EXPECT_TRUE(x.g.AddContact(0, 0, kMetal4));
  EXPECT_EQ(x.db.boxCount(), 3);
  // two metal levels or fewer still have metal2
  x.tech.metalLevels = 1;
  EXPECT_TRUE(x.g.AddContact(0, 0, kMetal2));
  EXPECT_TRUE(x.g.AddContact(0, 0, kMetal3));
  EXPECT_EQ(x.db.boxCount(), 6);
}

TEST(ContactArray, RefusesWhatItCannotDraw) {
  struct Case {
    const char* what;
    std::int64_t x, nx, ny;
    int kind;
    int r401;
  };
  const std::int64_t far = std::numeric_limits<std::int32_t>::max();
  const Case cases[] = {
      {"no columns", 0, 0, 3, kPoly, 2},   {"negative rows", 0, 2, -1, kDiffn, 2},
      {"not a contact kind", 0, 1, 1, kNwell, 2}, {"zero cut size", 0, 1, 1, kDiffp, 0},
      {"beyond the coordinates", far, 1, 1, kPoly, 2},
  };
  for (const Case& c : cases) {
    Gen x;
    x.tech.ruleRef(R401) = c.r401;
    EXPECT_FALSE(x.g.AddContactArray(c.x, 0, c.nx, c.ny, c.kind)) << c.what;
    EXPECT_EQ(x.g.status(), GenStatus::Refused) << c.what;
    EXPECT_NE(failureText(x.g, "contacts"), "") << c.what;
    EXPECT_EQ(x.db.boxCount(), 0) << c.what;
    // the next call starts clean
    x.tech.ruleRef(R401) = 2;
    EXPECT_TRUE(x.g.AddContact(0, 0, kDiffn)) << c.what;
  }
}

TEST(Primitives, StopAtAFullBoxTableAndSayWhatWasNotPlaced) {
  Gen x;
  for (int i = 0; i < kMaxBoxes - 4; ++i) x.db.addBox(0, 0, 1, 1, kMetal);
  EXPECT_FALSE(x.g.AddContactArray(0, 0, 3, 3, kDiffn));
  EXPECT_EQ(x.g.status(), GenStatus::TableFull);
  EXPECT_EQ(x.db.boxCount(), kMaxBoxes);
  EXPECT_EQ(failureText(x.g, "contacts"), "Box table full: contacts not placed");

  // a mesh of a million pieces ends at the first refused box
  EXPECT_FALSE(x.g.AddSupplyMesh(0, 0, 100000, 100000, kMetal2, 10));
  EXPECT_EQ(x.g.status(), GenStatus::TableFull);
  // nested primitives keep the failure to the end of the outer one
  EXPECT_FALSE(x.g.AddViaStack(0, 0, kPoly, kMetal2));
  EXPECT_FALSE(x.g.AddBondingPad(0, 0, 50));
  EXPECT_FALSE(x.g.AddPolarizationRing(0, 0, 2, 2, 1, 0));
  EXPECT_EQ(x.g.status(), GenStatus::TableFull);
}

TEST(Primitives, ArgumentsBeyondTheLayoutAreRefusedNotOverflowed) {
  const std::int64_t huge = std::int64_t{1} << 40;
  Gen x;
  EXPECT_FALSE(x.g.AddContactArray(0, 0, huge, 1, kPoly));
  EXPECT_FALSE(x.g.AddContactArray(0, 0, 3000000000, 1, kPoly));  // beyond 32 bits
  EXPECT_FALSE(x.g.AddBondingPad(0, 0, std::numeric_limits<std::int64_t>::max()));
  EXPECT_FALSE(x.g.AddSupplyMesh(0, 0, 10, 10, kMetal2, huge));
  EXPECT_FALSE(x.g.AddSupplyRing(0, 0, huge, 10, kMetal2, 4));
  EXPECT_FALSE(x.g.AddPolarizationRing(0, 0, huge, 1, 1, 0));
  EXPECT_FALSE(x.g.AddViaStack(huge, 0, kPoly, kMetal2));
  EXPECT_EQ(x.g.status(), GenStatus::Refused);
  EXPECT_EQ(x.db.boxCount(), 0);
}

TEST(ViaStack, ContactThenOneViaPerLevelUpToTheTarget) {
  struct Case {
    int from, to, metals;
    std::vector<int> cuts;
  };
  const Case cases[] = {
      {kNwell, kMetal3, 3, {kContact, kVia, kVia2}},  // a well starts with an n+ contact
      {kPoly, kMetal, 6, {kContact}},
      {kPoly2, kMetal2, 6, {kContact, kVia}},
      {kDiffp, kMetal6, 4, {kContact, kVia, kVia2, kVia3}},  // levels the process lacks are left out
      {kMetal2, kMetal4, 6, {kVia2, kVia3}},
      {kMetal3, kMetal2, 6, {}},
  };
  for (const Case& c : cases) {
    Gen x;
    x.tech.metalLevels = c.metals;
    ASSERT_TRUE(x.g.AddViaStack(5, 5, c.from, c.to)) << c.from << " " << c.to;
    std::vector<int> cuts;
    Boxes v = boxesOf(x.db);
    for (std::size_t i = 0; i < v.size(); i += 3) cuts.push_back(v[i].layer);
    EXPECT_EQ(cuts, c.cuts) << c.from << " " << c.to;
    if (c.from == kNwell) {
      EXPECT_EQ(v[1].layer, kDiffn);
    }
  }
  Gen x;
  EXPECT_FALSE(x.g.AddViaStack(0, 0, kPoly, kVia));
  EXPECT_FALSE(x.g.AddViaStack(0, 0, kOption, kMetal2));
  EXPECT_EQ(x.db.boxCount(), 0);
}

TEST(BondingPad, SquaresOnEveryMetalWithViasAndTheOpening) {
  Gen x;
  x.tech.metalLevels = 3;
  x.tech.ruleRef(RP03) = 5;
  x.tech.ruleRef(RP04) = 8;
  ASSERT_TRUE(x.g.AddBondingPad(0, 0, 21));  // d = 21 + 16 = 37
  EXPECT_EQ(boxesOf(x.db), (Boxes{{-18, -18, 19, 19, kMetal},
                                  {-18, -18, 19, 19, kMetal2},
                                  {-13, -13, 14, 14, kVia},
                                  {-18, -18, 19, 19, kMetal3},
                                  {-13, -13, 14, 14, kVia2},
                                  {-10, -10, 11, 11, kPassiv}}));
  x.db.clear();
  x.tech.metalLevels = 6;
  ASSERT_TRUE(x.g.AddBondingPad(100, 100, 10));
  EXPECT_EQ(layersOf(boxesOf(x.db)), (std::vector<int>{kMetal, kMetal2, kVia, kMetal3, kVia2, kMetal4, kVia3,
                                                       kMetal5, kVia4, kMetal6, kVia5, kPassiv}));
  x.db.clear();
  EXPECT_FALSE(x.g.AddBondingPad(0, 0, 0));
  EXPECT_EQ(x.db.boxCount(), 0);
}

TEST(SupplyRing, FourStripsAndCornerViasDownToMetal) {
  Gen x;
  x.tech.metalLevels = 3;
  ASSERT_TRUE(x.g.AddSupplyRing(0, 0, 100, 60, kMetal, 10));
  EXPECT_EQ(boxesOf(x.db), (Boxes{{0, 0, 100, 10, kMetal},
                                  {0, 0, 10, 60, kMetal},
                                  {0, 50, 100, 60, kMetal},
                                  {90, 0, 100, 60, kMetal}}));
  x.db.clear();
  ASSERT_TRUE(x.g.AddSupplyRing(0, 0, 100, 60, kMetal3, 10));
  Boxes v = boxesOf(x.db);
  // 4 strips, then per corner a 2 x 2 via array of metal2 and one of metal3 (4 cuts and 2 plates each)
  ASSERT_EQ(v.size(), 4u + 4u * 2u * 6u);
  EXPECT_EQ(v[4], (GeneratedBox{4, 4, 6, 6, kVia}));  // the first corner's first cut at (5, 5)
  EXPECT_EQ(v[10].layer, kVia2);
  EXPECT_EQ(v[16], (GeneratedBox{4, 54, 6, 56, kVia}));  // second corner (5, 55)
  EXPECT_FALSE(x.g.AddSupplyRing(0, 0, 100, 60, kPoly, 10));
  EXPECT_FALSE(x.g.AddSupplyRing(0, 0, 100, 60, kMetal2, 0));
}

TEST(SupplyMesh, BarsAndPiecesAndRefusalsInsteadOfAHang) {
  Gen x;  // metal2 is 4 wide, so the bars are 16
  ASSERT_TRUE(x.g.AddSupplyMesh(0, 0, 100, 70, kMetal2, 40));
  EXPECT_EQ(boxesOf(x.db), (Boxes{{0, 0, 100, 16, kMetal2},
                                  {0, 16, 16, 40, kMetal2},
                                  {40, 16, 56, 40, kMetal2},
                                  {80, 16, 96, 40, kMetal2},
                                  {0, 40, 100, 56, kMetal2}}));
  struct Case {
    const char* what;
    int layer;
    std::int64_t pitch;
  };
  const Case cases[] = {{"zero pitch", kMetal2, 0}, {"negative pitch", kMetal2, -10}, {"no width rule", kOption, 10}};
  for (const Case& c : cases) {
    Gen y;
    EXPECT_FALSE(y.g.AddSupplyMesh(0, 0, 100, 100, c.layer, c.pitch)) << c.what;
    EXPECT_EQ(y.g.status(), GenStatus::Refused) << c.what;
    EXPECT_NE(failureText(y.g, "supply mesh"), "") << c.what;
    EXPECT_EQ(y.db.boxCount(), 0) << c.what;
  }
  Gen z;
  z.tech.ruleRef(R701) = 0;
  EXPECT_FALSE(z.g.AddSupplyMesh(0, 0, 100, 100, kMetal2, 10));
}

TEST(PolarizationRing, StripsWellAndContactsInsideTheRing) {
  Gen x;  // Wc 6, Pc 5, e = max(3, 0) + round(7.8) = 11
  ASSERT_TRUE(x.g.AddPolarizationRing(0, 0, 1, 1, 1, 0));
  Boxes v = boxesOf(x.db);
  // xl = yb = -11, xr = yt = 13, strips 6 wide
  const Boxes strips = {{-14, -14, -8, 16, kMetal}, {-14, 10, 16, 16, kMetal}, {-14, -14, 16, -8, kMetal},
                        {10, -14, 16, 16, kMetal}};
  ASSERT_GE(v.size(), 13u);
  EXPECT_EQ(Boxes(v.begin(), v.begin() + 4), strips);
  EXPECT_EQ(v[4], (GeneratedBox{-20, -20, 22, 22, kNwell}));
  for (int i = 0; i < 4; ++i) {
    GeneratedBox diff = strips[static_cast<std::size_t>(i)];
    diff.layer = kDiffn;
    EXPECT_EQ(v[static_cast<std::size_t>(5 + i)], diff);
  }
  EXPECT_EQ(x.g.ringExtent, (Rect{-14, -14, 16, 16}));

  // omitted east side: no metal there, one contact at its top end; a p+ ring has no well
  Gen y;
  ASSERT_TRUE(y.g.AddPolarizationRing(0, 0, 2, 3, 2, 3));
  Boxes w = boxesOf(y.db);
  for (const GeneratedBox& b : w) EXPECT_NE(b.layer, kNwell);
  // left, top and bottom metal, then the four diffusion strips
  ASSERT_GE(w.size(), 7u);
  EXPECT_EQ(w[0].layer, kMetal);
  EXPECT_EQ(w[2], (GeneratedBox{-14, -14, 21, -8, kMetal}));
  EXPECT_EQ(w[3].layer, kDiffp);
  EXPECT_EQ(w[6], (GeneratedBox{15, -14, 21, 26, kDiffp}));  // the east diffusion strip stays
  // contacts: bottom and top rows of 29 div 6 = 4, then the east side's
  // single contact at its top end (18, 23), then the west column
  ASSERT_EQ(w.size(), 7u + 6u + 6u + 3u + 7u);
  EXPECT_EQ(w[19], (GeneratedBox{17, 22, 19, 24, kContact}));

  // however long the ring, every cut lies on the diffusion ring (the array's
  // pitch of 6 is above the contact pitch of 5 here)
  Gen z;
  ASSERT_TRUE(z.g.AddPolarizationRing(0, 0, 30, 12, 2, 0));
  Boxes r = boxesOf(z.db);
  const GeneratedBox* diff[4] = {};
  int n = 0;
  for (const GeneratedBox& b : r)
    if (b.layer == kDiffp && n < 4) diff[n++] = &b;
  ASSERT_EQ(n, 4);
  int cuts = 0;
  for (const GeneratedBox& c : r) {
    if (c.layer != kContact) continue;
    ++cuts;
    bool inside = false;
    for (const GeneratedBox* d : diff)
      inside = inside || (c.x1 >= d->x1 && c.x2 <= d->x2 && c.y1 >= d->y1 && c.y2 <= d->y2);
    EXPECT_TRUE(inside) << c.x1 << "," << c.y1;
  }
  EXPECT_GT(cuts, 40);
  EXPECT_FALSE(z.g.AddPolarizationRing(0, 0, 1, 1, 3, 0));
  EXPECT_FALSE(z.g.AddPolarizationRing(0, 0, 0, 1, 1, 0));
}

TEST(Preview, HoldsNoMoreThanTheBoxTableCould) {
  TechnologyRules tech;
  Boxes seen;
  LayoutGenerator p(tech, seen);
  EXPECT_FALSE(p.AddContactArray(0, 0, 100000, 100000, kPoly));
  EXPECT_EQ(p.status(), GenStatus::TableFull);
  EXPECT_EQ(seen.size(), static_cast<std::size_t>(kMaxBoxes));
}

TEST(Preview, RecordsTheSameBoxesWithoutADatabase) {
  TechnologyRules tech;
  Boxes seen;
  LayoutGenerator p(tech, seen);
  ASSERT_TRUE(p.AddBondingPad(3, 4, 30));
  Gen x;
  ASSERT_TRUE(x.g.AddBondingPad(3, 4, 30));
  EXPECT_EQ(seen, boxesOf(x.db));
}
