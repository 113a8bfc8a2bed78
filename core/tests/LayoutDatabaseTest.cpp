#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "core/LayoutDatabase.h"

using namespace quill;

TEST(LayerTable, StartValuesAndLookup) {
  LayerTable L;
  EXPECT_EQ(L[kPoly].name, "poly");
  EXPECT_EQ(L[kPoly].code, "PO");
  EXPECT_EQ(L[kSpareLayer].name, "?");
  EXPECT_EQ(L.findByCode("M2"), kMetal2);
  EXPECT_EQ(L.findByCode("m2"), 0);  // codes are case-sensitive
  EXPECT_EQ(L.findByName("metal6"), kMetal6);
  EXPECT_EQ(L[kDiffp].colour, rgb(112, 80, 0));
  EXPECT_EQ(L[kVia4].pattern[0], 0x7F);
  EXPECT_EQ(L[kNwell].thickness, 2.0);
  EXPECT_EQ(L[kPoly2].thickness, 0.0);
  EXPECT_EQ(L[kNitride].height, 5.0);
  EXPECT_EQ(L[kNitride].permittivity, 7.0);
  EXPECT_EQ(L[kPoly].sheetResistance, 100.0);
  EXPECT_EQ(L[kMetal].sheetResistance, 0.01);
  EXPECT_EQ(L[kMetal].cifName, "ii");
  EXPECT_EQ(metalLayer(6), kMetal6);
  EXPECT_EQ(viaLayer(5), kVia5);
}

TEST(LayoutDatabase, StartStateAndNodes) {
  LayoutDatabase db;
  EXPECT_EQ(db.boxCount(), 0);
  EXPECT_EQ(db.highestNode(), 1);
  EXPECT_EQ(db.node(0).name, "vss");
  EXPECT_EQ(db.node(0).kind, 2);
  EXPECT_EQ(db.node(1).name, "vdd");
  EXPECT_EQ(db.currentLayer, kPoly);
  EXPECT_EQ(db.fileName, "Example.msk");
  EXPECT_EQ(db.undoKind, kUndoNone);
  db.computeBoundingBox();
  EXPECT_EQ(db.boundingBox(), (Rect{-15, -15, 50, 50}));
  EXPECT_EQ(db.addNode(""), 2);
  EXPECT_EQ(db.node(2).name, "N2");
  EXPECT_EQ(db.addNode("out"), 3);
  db.resetNodes();
  EXPECT_EQ(db.highestNode(), 1);
  EXPECT_EQ(db.node(1).name, "vdd");
}

TEST(LayoutDatabase, CapacitiesAreRefusedWithTheirCodes) {
  LayoutDatabase db;
  db.drawImmediately = false;
  for (int i = 0; i < kMaxBoxes; ++i) ASSERT_NE(db.addBox(i, 0, i + 1, 1, kMetal), 0);
  EXPECT_EQ(db.lastError, kOk);
  EXPECT_EQ(db.addBox(0, 0, 1, 1, kMetal), 0);
  EXPECT_EQ(db.lastError, kErrBoxTableFull);
  EXPECT_EQ(db.boxCount(), kMaxBoxes);

  for (int i = 0; i < kMaxLabels; ++i) ASSERT_NE(db.addLabel(i, 0, "a"), 0);
  EXPECT_EQ(db.addLabel(-1, 0, "a"), 0);
  EXPECT_EQ(db.lastError, kErrTableFull);
  for (int i = 0; i < kMaxRlc; ++i) ASSERT_NE(db.addRlc(i, 0, i + 5, 0, 0, "1k", 1), 0);
  EXPECT_EQ(db.addRlc(0, 0, 5, 0, 0, "1k", 1), 0);
  EXPECT_EQ(db.lastError, kErrTableFull);
  for (int i = 2; i <= kMaxNodeIndex; ++i) ASSERT_EQ(db.addNode(""), i);
  EXPECT_EQ(db.addNode(""), -1);
  EXPECT_EQ(db.lastError, kErrNodeTableFull);
}

TEST(LayoutDatabase, LabelsRefuseEmptyTextAndOccupiedPoints) {
  LayoutDatabase db;
  EXPECT_EQ(db.addLabel(1, 2, ""), 0);
  EXPECT_EQ(db.lastError, kOk);
  int a = db.addLabel(1, 2, "in");
  EXPECT_EQ(a, 1);
  EXPECT_EQ(db.addLabel(1, 2, "other"), 0);
  EXPECT_EQ(db.lastError, kOk);
  EXPECT_EQ(db.label(a).kind, kLabelName);
  EXPECT_EQ(db.label(a).level1, 1000);
  EXPECT_FALSE(db.label(a).visibleInSimulation);
  db.label(a).active = 0;
  EXPECT_EQ(db.addLabel(1, 2, "again"), 2);  // a deleted label does not block the point
  int h = db.addLabel(5, 5, "vddh", kLabelHighSupply, 2.5, 3.3);
  EXPECT_EQ(db.label(h).level1, 1320);
  EXPECT_EQ(db.addLabel(9, 9, std::string(200, 'x')), 4);
  EXPECT_EQ(db.label(4).text.size(), 128u);
}

TEST(LayoutDatabase, CopyLabelPropertiesMakesAPwlTableForTheTarget) {
  LayoutDatabase db;
  int s = db.addLabel(0, 0, "src");
  int d = db.addLabel(1, 1, "dst");
  db.label(s).kind = kLabelPwl;
  db.label(s).pwl = std::make_unique<PwlTable>();
  db.label(s).pwl->count = 2;
  db.label(s).pwl->time[2] = 4.5;
  db.label(s).param[3] = 7;
  db.copyLabelProperties(s, d);
  ASSERT_TRUE(db.label(d).pwl);
  EXPECT_EQ(db.label(d).pwl->count, 2);
  EXPECT_EQ(db.label(d).pwl->time[2], 4.5);
  EXPECT_EQ(db.label(d).param[3], 7);
  EXPECT_EQ(db.label(d).text, "dst");
  db.label(s).pwl->time[2] = 1;  // tables are not shared
  EXPECT_EQ(db.label(d).pwl->time[2], 4.5);
}

TEST(LayoutDatabase, CompactionFillsHolesFromTheEndAndDropsEmptyBoxes) {
  LayoutDatabase db;
  for (int i = 1; i <= 6; ++i) db.addBox(i, 0, i + 10, 10, kMetal);
  db.box(2).state = 0;
  db.box(4).x2 = db.box(4).x1;  // zero width
  db.compactBoxes();
  ASSERT_EQ(db.boxCount(), 4);
  // the last live entries fill the earliest holes
  std::vector<int> order;
  for (int i = 1; i <= 4; ++i) order.push_back(db.box(i).x1);
  EXPECT_EQ(order, (std::vector<int>{1, 6, 3, 5}));

  LayoutDatabase one;
  one.addBox(0, 0, 1, 1, kMetal);
  one.box(1).state = 0;
  one.compactBoxes();
  EXPECT_EQ(one.boxCount(), 0);
  LayoutDatabase empty;
  empty.compactBoxes();
  empty.compactAll();
  EXPECT_EQ(empty.boxCount(), 0);
}

TEST(LayoutDatabase, CompactAllResetsNodesAndExtraction) {
  LayoutDatabase db;
  db.addBox(0, 0, 4, 4, kMetal);
  db.box(1).node = 5;
  db.addNode("n");
  db.extracted = true;
  db.addLabel(0, 0, "a");
  db.addLabel(1, 0, "b");
  db.label(1).active = 0;
  db.compactAll();
  EXPECT_EQ(db.labelCount(), 1);
  EXPECT_EQ(db.label(1).text, "b");
  EXPECT_EQ(db.highestNode(), 1);
  EXPECT_EQ(db.box(1).node, -1);
  EXPECT_FALSE(db.extracted);
}

TEST(LayoutDatabase, BoundingBox) {
  LayoutDatabase db;
  db.addLabel(3, 4, "x");
  db.computeBoundingBox();
  EXPECT_EQ(db.boundingBox(), (Rect{3, 4, 3, 4}));
  LayoutDatabase r;
  r.addRlc(0, 0, 0, 5, kRlcResistor, "1k", 1);
  r.computeBoundingBox();
  EXPECT_EQ(r.boundingBox(), (Rect{0, 0, 40, 10}));
  // boxes far beyond the usual range still give their own extent
  LayoutDatabase far;
  far.addBox(100000, 200000, 100010, 200020, kMetal);
  far.addBox(-2000000000, 5, -1999999990, 6, kMetal);
  far.computeBoundingBox();
  EXPECT_EQ(far.boundingBox(), (Rect{-2000000000, 5, 100010, 200020}));
  far.box(1).state = 0;
  far.box(2).state = 0;
  far.computeBoundingBox();
  EXPECT_EQ(far.boundingBox(), (Rect{-15, -15, 50, 50}));
}

TEST(LayoutDatabase, AddBoxNormalisesAndWidensWhenDrawing) {
  struct Counter : DatabaseObserver {
    int boxes = 0, bulk = 0;
    void boxAdded(const LayoutDatabase&, int) override { ++boxes; }
    void bulkChanged(const LayoutDatabase&) override { ++bulk; }
  } obs;
  LayoutDatabase db;
  db.setObserver(&obs);
  int p = db.addBox(10, 20, -5, -100, kMetal2);
  EXPECT_EQ(db.box(p).x1, -5);
  EXPECT_EQ(db.box(p).y1, -100);
  EXPECT_EQ(db.box(p).x2, 10);
  EXPECT_EQ(db.box(p).node, -1);
  EXPECT_EQ(db.boundingBox(), (Rect{-15, -100, 50, 50}));
  EXPECT_EQ(obs.boxes, 1);
  {
    LayoutDatabase::BulkAdd bulk(db);
    db.addBox(0, 0, 1000, 1000, kMetal);
    db.addBox(0, 0, 1, 1, kMetal);
  }
  EXPECT_EQ(obs.boxes, 1);
  EXPECT_EQ(obs.bulk, 1);
  EXPECT_TRUE(db.drawImmediately);
}

TEST(LayoutDatabase, AreaTestsIncludeEdges) {
  LayoutDatabase db;
  db.addBox(0, 0, 10, 10, kMetal);
  db.addBox(10, 10, 20, 20, kMetal);
  db.addBox(11, 0, 20, 5, kMetal);
  EXPECT_TRUE(db.boxIntersects(1, 10, 10, 30, 30));
  EXPECT_FALSE(db.boxIntersects(1, 11, 0, 30, 30));
  EXPECT_TRUE(db.boxInside(1, 0, 0, 10, 10));
  EXPECT_FALSE(db.boxInside(1, 1, 0, 10, 10));
  Rect r;
  EXPECT_TRUE(db.overlap(1, 2, r));
  EXPECT_EQ(r, (Rect{10, 10, 10, 10}));
  EXPECT_FALSE(db.overlap(1, 3, r));
  db.box(2).state = 0;
  EXPECT_FALSE(db.overlap(1, 2, r));
}

// The order the partition passes leave is observable: check it against a
// plain transcription of the passes, and the layer ranges.
static std::vector<int> referenceSort(std::vector<int> layers, std::vector<int>& first, std::vector<int>& last) {
  int n = static_cast<int>(layers.size()) - 1;
  first.assign(31, 0);
  last.assign(31, -1);
  int a = 1;
  for (int i = 1; i <= 30; ++i) {
    first[i] = a;
    last[i] = -1;
    int j = a, k = n;
    for (;;) {
      while (j <= n && layers[j] <= i) ++j;
      if (j - 1 >= 1 && layers[j - 1] == i) last[i] = j - 1;
      while (k > j && layers[k] > i) --k;
      if (j < k) std::swap(layers[j], layers[k]);
      else break;
    }
    a = std::max(a, last[i] + 1);
  }
  return layers;
}

TEST(LayoutDatabase, SortByLayerGroupsLayersInThePassOrder) {
  std::mt19937 gen(7);
  for (int round = 0; round < 20; ++round) {
    LayoutDatabase db;
    int n = round == 0 ? 0 : static_cast<int>(gen() % 200) + 1;
    std::vector<int> layers{0};
    for (int i = 0; i < n; ++i) {
      int l = round == 1 ? kMetal : static_cast<int>(gen() % 12) * 2 + 1;  // gaps between layers
      layers.push_back(l);
      db.addBox(i, 0, i + 1, 1, l);
    }
    std::vector<int> first, last;
    std::vector<int> want = referenceSort(layers, first, last);
    db.sortByLayer();
    for (int p = 1; p <= n; ++p) {
      ASSERT_EQ(db.box(p).layer, want[p]) << "round " << round << " position " << p;
      if (p > 1) {
        ASSERT_LE(db.box(p - 1).layer, db.box(p).layer);
      }
    }
    for (int l = 1; l <= 30; ++l) {
      EXPECT_EQ(db.lastOfLayer(l), last[l]) << "layer " << l;
      if (last[l] != -1) {
        EXPECT_EQ(db.firstOfLayer(l), first[l]);
      }
    }
  }
}
