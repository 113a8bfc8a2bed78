// What the view draws, checked pixel by pixel on the in-memory surface.
// Most cases use the one-pixel-per-lambda view of ViewFixture::unitView, where
// the box (100, 100)-(140, 140) covers columns 100..139 and rows 450..489.
#include <gtest/gtest.h>

#include <string>

#include "editor/tests/ViewFixture.h"

using namespace quill;
using quill::testing::ViewFixture;

namespace {

constexpr Colour kBlack = rgb(0, 0, 0), kWhite = rgb(255, 255, 255), kGrey = rgb(128, 128, 128);
constexpr Colour kRed = rgb(255, 0, 0), kBlue = rgb(0, 0, 255), kYellow = rgb(255, 255, 0);
constexpr Colour kGreen = rgb(0, 255, 0);

// a fixture at one pixel per lambda with the lambda grid off
struct Unit : ViewFixture {
  Unit() {
    view.ToggleLambdaGrid();
    unitView();
  }
  int box(int layer, int state = 1, std::int32_t value = 0) {
    int p = db.addBox(100, 100, 140, 140, layer);
    db.box(p).state = static_cast<std::uint8_t>(state);
    db.box(p).value = value;
    view.Redraw();
    return p;
  }
  // the latest text call with that text
  const MemorySurface::TextCall* textOf(const std::string& s) const {
    const auto& all = surface->texts();
    for (auto it = all.rbegin(); it != all.rend(); ++it)
      if (it->text == s) return &*it;
    return nullptr;
  }
};

}  // namespace

TEST(ViewDraw, EachStyleInColourOnBlack) {
  {
    SCOPED_TRACE("style 0: outline");
    Unit u;
    u.box(kNitride);
    EXPECT_EQ(u.px(100, 450), kGrey);
    EXPECT_EQ(u.px(139, 489), kGrey);
    EXPECT_EQ(u.px(100, 470), kGrey);
    EXPECT_EQ(u.px(120, 470), kBlack);
    EXPECT_EQ(u.px(140, 470), kBlack);  // right and bottom edges are exclusive
    EXPECT_EQ(u.px(120, 490), kBlack);
  }
  {
    SCOPED_TRACE("style 1: solid");
    Unit u;
    u.box(kMetal);
    EXPECT_EQ(u.px(100, 450), kBlue);
    EXPECT_EQ(u.px(120, 470), kBlue);
    EXPECT_EQ(u.px(139, 489), kBlue);
    EXPECT_EQ(u.px(99, 470), kBlack);
  }
  {
    SCOPED_TRACE("style 2: outline and diagonals");
    Unit u;
    u.box(kContact);
    EXPECT_EQ(u.px(100, 460), kWhite);
    EXPECT_EQ(u.px(120, 470), kWhite);  // main diagonal
    EXPECT_EQ(u.px(110, 479), kWhite);  // the other one
    EXPECT_EQ(u.px(120, 460), kBlack);
  }
  {
    SCOPED_TRACE("style 3: pattern then outline");
    Unit u;
    u.box(kNwell);  // pattern row 3 has the rightmost pixel of each 8
    const Colour c = rgb(64, 192, 64);
    EXPECT_EQ(u.px(103, 451), c);  // 103 mod 8 = 7, 451 mod 8 = 3
    EXPECT_EQ(u.px(111, 459), c);
    EXPECT_EQ(u.px(104, 451), kBlack);
    EXPECT_EQ(u.px(103, 452), kBlack);
    EXPECT_EQ(u.px(100, 470), c);
  }
  {
    SCOPED_TRACE("style 4: inset outline and centre cross");
    Unit u;
    u.box(kPassiv);
    EXPECT_EQ(u.px(100, 450), kBlack);
    EXPECT_EQ(u.px(101, 451), kGreen);
    EXPECT_EQ(u.px(138, 488), kGreen);
    EXPECT_EQ(u.px(120, 451), kGreen);  // the cross reaches the edges
    EXPECT_EQ(u.px(120, 489), kGreen);
    EXPECT_EQ(u.px(100, 470), kGreen);
    EXPECT_EQ(u.px(110, 460), kBlack);
  }
  {
    SCOPED_TRACE("style 5: pattern band then outline");
    Unit u;
    u.box(kOption);  // pattern row 1 is 06: columns 5 and 6 of each 8
    EXPECT_EQ(u.px(101, 457), kYellow);   // in the top band (rows 450..458)
    EXPECT_EQ(u.px(117, 457), kYellow);
    EXPECT_EQ(u.px(101, 465), kYellow);   // in the left band (columns 100..108)
    EXPECT_EQ(u.px(133, 465), kYellow);   // in the right band (131..139)
    EXPECT_EQ(u.px(117, 465), kBlack);    // pattern bit, but inside the band
    EXPECT_EQ(u.px(117, 481), kYellow);   // bottom band (481..489)
    EXPECT_EQ(u.px(100, 470), kYellow);
  }
}

TEST(ViewDraw, OverlappingLayersMergeOnBlack) {
  Unit u;
  u.db.addBox(100, 100, 140, 140, kDiffn);
  u.db.addBox(120, 100, 160, 140, kPoly);
  u.view.Redraw();
  EXPECT_EQ(u.px(110, 470), rgb(0, 128, 0));
  EXPECT_EQ(u.px(130, 470), rgb(255, 128, 0));
  EXPECT_EQ(u.px(150, 470), rgb(255, 0, 0));
  // on white the later box covers the earlier one
  u.view.ToggleBackground();
  EXPECT_EQ(u.px(120, 450), kRed);
}

TEST(ViewDraw, PatternsAreAnchoredToTheScreen) {
  Unit u;
  u.db.addBox(100, 100, 140, 140, kMetal3);
  u.db.addBox(203, 97, 243, 137, kMetal3);
  u.view.Redraw();
  const Pattern8& p = u.db.layers[kMetal3].pattern;
  int checked = 0;
  for (auto [x1, y1] : {std::pair{100, 450}, {203, 453}})
    for (int y = y1 + 1; y < y1 + 39; ++y)
      for (int x = x1 + 1; x < x1 + 39; ++x) {
        ASSERT_EQ(u.px(x, y), patternBit(p, x, y) ? kBlue : kBlack) << x << "," << y;
        ++checked;
      }
  EXPECT_EQ(checked, 2 * 38 * 38);
}

TEST(ViewDraw, BoxStatesAndProtectedLayers) {
  {
    Unit u;
    u.box(kMetal, 2);  // dimmed: grey outline only
    EXPECT_EQ(u.px(100, 450), kGrey);
    EXPECT_EQ(u.px(120, 470), kBlack);
  }
  {
    Unit u;
    int p = u.db.addBox(100, 100, 140, 140, kMetal);
    u.db.box(p).state = 3;
    u.db.box(p).colour = rgb(255, 255, 0);
    u.view.Redraw();
    EXPECT_EQ(u.px(120, 470), kYellow);
    EXPECT_EQ(u.px(100, 450), rgb(255, 255, 128));  // grey merged over the fill
  }
  {
    Unit u;
    u.box(kMetal, 0);  // deleted: nothing
    EXPECT_EQ(u.px(100, 450), kBlack);
    EXPECT_EQ(u.px(120, 470), kBlack);
  }
  {
    Unit u;
    u.db.layers[kMetal].isProtected = true;
    u.db.layers[kNwell].isProtected = true;
    u.box(kMetal);
    EXPECT_EQ(u.px(100, 450), kBlue);
    EXPECT_EQ(u.px(120, 470), kBlack);
    u.view.SetMonochrome(true);
    EXPECT_EQ(u.px(100, 450), kBlack);
    EXPECT_EQ(u.px(120, 470), kWhite);
    // protected option and nwell: a dotted white outline, over a black background here
    u.view.ToggleBackground();
    u.db.box(1).layer = kNwell;
    u.view.Redraw();
    EXPECT_EQ(u.px(100, 450), kWhite);
    EXPECT_EQ(u.px(101, 450), kBlack);
    EXPECT_EQ(u.px(102, 450), kWhite);
    EXPECT_EQ(u.px(120, 470), kBlack);
  }
}

TEST(ViewDraw, MonochromeAndWhiteBackgroundRules) {
  {
    Unit u;
    u.view.SetMonochrome(true);
    u.box(kMetal);  // pattern 01 01 00 ..: rightmost pixel of rows 0 and 1
    EXPECT_EQ(u.px(100, 450), kBlack);
    EXPECT_EQ(u.px(111, 456), kBlack);  // 456 mod 8 = 0
    EXPECT_EQ(u.px(111, 457), kBlack);
    EXPECT_EQ(u.px(111, 458), kWhite);
    EXPECT_EQ(u.px(112, 456), kWhite);
    // style 5: black outline with a dotted white one over it, no pattern
    u.db.box(1).layer = kOption;
    u.view.Redraw();
    EXPECT_EQ(u.px(100, 450), kWhite);
    EXPECT_EQ(u.px(101, 450), kBlack);
    EXPECT_EQ(u.px(101, 457), kWhite);
  }
  {
    Unit u;
    u.view.ToggleBackground();
    u.box(kContact);  // white layer: drawn black; pattern 55 on even rows, no diagonals
    EXPECT_EQ(u.px(100, 450), kBlack);
    EXPECT_EQ(u.px(101, 456), kBlack);
    EXPECT_EQ(u.px(102, 456), kWhite);
    EXPECT_EQ(u.px(101, 457), kWhite);
    EXPECT_EQ(u.px(120, 470), kWhite);
    u.db.box(1).layer = kMetal;
    u.view.Redraw();
    EXPECT_EQ(u.px(100, 450), kBlue);
    EXPECT_EQ(u.px(111, 456), kBlue);
    EXPECT_EQ(u.px(112, 456), kWhite);
  }
}

TEST(ViewDraw, FramOptionOutlineAndPoly2Charge) {
  struct Case {
    std::int32_t value;
    bool mono;
    Colour ring;
  };
  const Case cases[] = {{kOptionFram, false, kBlue}, {kOptionFram | kOptionFramDown, false, kRed},
                        {kOptionFram, true, kWhite}, {kOptionFram | kOptionFramDown, true, kBlack},
                        {kOptionFramDown, false, kBlack}};
  for (const Case& c : cases) {
    Unit u;
    if (c.mono) {
      u.view.SetMonochrome(true);
      u.view.ToggleBackground();  // black, so both ring colours show
    }
    u.box(kOption, 1, c.value);
    SCOPED_TRACE(c.value);
    EXPECT_EQ(u.px(99, 449), c.ring);
    EXPECT_EQ(u.px(140, 490), c.ring);
    EXPECT_EQ(u.px(120, 490), c.ring);
  }
  Unit u;
  u.box(kPoly2, 1, 1000);
  EXPECT_EQ(u.px(100, 450), rgb(255, 100, 0));
  u.db.box(1).value = 5000;  // more than the green channel holds
  u.view.Redraw();
  EXPECT_EQ(u.px(100, 450), rgb(255, 255, 0));
}

TEST(ViewDraw, LabelsTextSizesStylesAndIcons) {
  ViewFixture f;
  f.view.ToggleLambdaGrid();
  f.view.SetView(0, 0, 200, 100);  // 4 px per lambda: sx = 4x, sy = 590 - 4y
  f.db.addLabel(20, 20, "in", kLabelClock, 5, 5);
  f.db.addLabel(60, 20, "vdd", kLabelSupply, 5, 5);
  f.db.addLabel(100, 20, "hv", kLabelHighSupply, 5, 5);
  f.db.addLabel(140, 20, "gnd", kLabelGround, 5, 5);
  int seen = f.db.addLabel(20, 60, "out");
  f.db.label(seen).visibleInSimulation = true;
  f.db.addLabel(60, 60, "p", kLabelPulse, 5, 5);
  f.view.Redraw();
  // the latest call with that text
  auto text = [&](const std::string& t) -> const MemorySurface::TextCall* {
    const auto& all = f.s().texts();
    for (auto it = all.rbegin(); it != all.rend(); ++it)
      if (it->text == t) return &*it;
    return nullptr;
  };
  const auto* in = text("in");
  ASSERT_NE(in, nullptr);
  EXPECT_EQ(in->x, 80);
  EXPECT_EQ(in->y, 510);
  EXPECT_EQ(in->style.pointSize, 12);
  EXPECT_TRUE(in->style.bold);
  EXPECT_FALSE(in->style.underline);
  EXPECT_TRUE(in->style.opaque);
  EXPECT_EQ(in->style.background, kBlack);
  EXPECT_EQ(in->style.colour, kWhite);
  ASSERT_NE(text("vdd+"), nullptr);
  EXPECT_TRUE(text("vdd+")->style.underline);
  ASSERT_NE(text("hv++"), nullptr);
  ASSERT_NE(text("gnd-"), nullptr);
  ASSERT_NE(text("out"), nullptr);
  EXPECT_TRUE(text("out")->style.italic);
  EXPECT_FALSE(text("out")->style.bold);
  // the anchor square
  EXPECT_EQ(f.px(79, 509), kWhite);
  EXPECT_EQ(f.px(81, 511), kWhite);
  // clock icon: a = 80 - 12, low at y + 10, high at y + 5, ending high
  for (auto [x, y] : {std::pair{63, 520}, {66, 520}, {68, 517}, {70, 515}, {73, 518}, {76, 520}, {78, 517}})
    EXPECT_EQ(f.px(x, y), kWhite) << x << "," << y;
  // the pulse (anchor 240, 350) stops low
  EXPECT_EQ(f.px(238, 357), kBlack);
  EXPECT_EQ(f.px(238, 360), kWhite);

  // a protected option layer greys the texts
  f.db.layers[kOption].isProtected = true;
  f.view.Redraw();
  EXPECT_EQ(text("in")->style.colour, kGrey);

  // at 0.4 pixel per lambda only the anchor marks are left
  const std::size_t before = f.s().texts().size();
  f.view.SetView(0, 0, 2000, 1000);
  EXPECT_EQ(f.s().texts().size() - before, 2u);  // the scale bar's two

  const int ax = f.view.sx(20), ay = f.view.sy(20);
  EXPECT_EQ(f.px(ax - 1, ay - 1), kWhite);
  EXPECT_EQ(f.px(ax, ay), kBlack);
  EXPECT_EQ(f.px(ax + 2, ay), kWhite);
  EXPECT_EQ(f.px(ax + 7, ay + 1), kWhite);
  EXPECT_EQ(f.px(ax + 8, ay), kBlack);
}

TEST(ViewDraw, RlcSymbols) {
  Unit u;
  u.db.addRlc(100, 100, 130, 100, kRlcResistor, "100", 5);
  u.db.addRlc(200, 100, 230, 100, kRlcInductor, "1", 5);
  u.db.addRlc(300, 100, 330, 100, kRlcCapacitor, "0.01", 5);
  u.db.addRlc(400, 100, 400, 130, kRlcResistor, "7", 5);
  u.view.Redraw();
  // horizontal resistor, u = 5: P1 (100, 490) .. P2 (130, 490)
  for (auto [x, y] : {std::pair{99, 489}, {101, 491}, {105, 490}, {110, 485}, {115, 490}, {120, 495}, {127, 490},
                      {131, 491}})
    EXPECT_EQ(u.px(x, y), kWhite) << x << "," << y;
  const auto* t = u.textOf("100");
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->x, 100);
  EXPECT_EQ(t->y, 493);
  EXPECT_EQ(t->style.pointSize, 6);
  ASSERT_NE(u.textOf("1nH"), nullptr);
  ASSERT_NE(u.textOf("0.01pF"), nullptr);
  EXPECT_EQ(u.textOf("0.01pF")->style.colour, kWhite);
  // inductor: the loops reach p1y - u at 2u and 4u
  EXPECT_EQ(u.px(210, 485), kWhite);
  EXPECT_EQ(u.px(220, 485), kWhite);
  // capacitor: plates at p1y + u and p1y + 2u, lead down to the ground bar
  EXPECT_EQ(u.px(290, 495), kWhite);
  EXPECT_EQ(u.px(310, 500), kWhite);
  EXPECT_EQ(u.px(300, 505), kWhite);
  EXPECT_EQ(u.px(297, 512), kWhite);
  EXPECT_EQ(u.px(303, 510), kWhite);
  EXPECT_EQ(u.px(300, 511), kBlack);
  // vertical resistor, u = -5 upwards on the screen
  EXPECT_EQ(u.px(405, 480), kWhite);
  EXPECT_EQ(u.px(395, 470), kWhite);
  EXPECT_EQ(u.px(400, 462), kWhite);
  // a protected option layer greys the symbol texts, not the symbols
  u.db.layers[kOption].isProtected = true;
  u.view.Redraw();
  EXPECT_EQ(u.textOf("0.01pF")->style.colour, kGrey);
  EXPECT_EQ(u.px(405, 480), kWhite);

  // small symbols shrink to a mark when labels have no text
  ViewFixture f;
  f.view.ToggleLambdaGrid();
  f.view.SetView(0, 0, 2000, 1000);
  f.db.addRlc(100, 100, 100, 110, kRlcResistor, "9", 1);
  f.view.Redraw();
  const int ax = f.view.sx(100), ay = f.view.sy(100);
  EXPECT_EQ(f.px(ax - 2, ay - 2), kWhite);
  EXPECT_EQ(f.px(ax + 2, ay + 2), kWhite);
  EXPECT_EQ(f.px(ax + 7, ay + 1), kWhite);
  bool textSeen = false;
  for (const auto& c : f.s().texts()) textSeen |= c.text == "9";
  EXPECT_FALSE(textSeen);
}

TEST(ViewDraw, ScaleBarAndPrintHeader) {
  Unit u;
  u.view.Redraw();
  // step 50 at one pixel per lambda: e = 55
  for (auto [x, y] : {std::pair{5, 56}, {5, 64}, {55, 56}, {55, 64}, {30, 60}, {30, 61}})
    EXPECT_EQ(u.px(x, y), kWhite) << x << "," << y;
  EXPECT_EQ(u.px(30, 62), kBlack);
  const auto* a = u.textOf("50 lambda");
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->x, 10);
  EXPECT_EQ(a->y, 40);
  EXPECT_EQ(a->style.pointSize, 7);
  const auto* b = u.textOf("25.000\xB5m");
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->y, 65);

  u.clock.set("09/12/2026", "10:15:00");
  u.view.setPrintHeader(true);
  u.view.ToggleBackground();
  const auto* h = u.textOf("File: \"Example.msk\" edited by Quillmere 3.0c");
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(h->x, 10);
  EXPECT_EQ(h->y, 90);
  EXPECT_EQ(h->style.colour, kBlack);
  EXPECT_EQ(h->style.background, kWhite);
  const auto* d = u.textOf("09/12/2026 10:15:00");
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->y, 110);
}

TEST(ViewDraw, LambdaGridDotsAndSquares) {
  ViewFixture f;
  f.unitView();  // step 50; squares every 500 lambda
  EXPECT_EQ(f.px(50, 540), kBlue);
  EXPECT_EQ(f.px(100, 590), kBlue);
  EXPECT_EQ(f.px(75, 540), kBlack);
  EXPECT_EQ(f.px(0, 540), kBlack);  // strictly inside the area
  EXPECT_EQ(f.px(500, 590), kBlue);
  EXPECT_EQ(f.px(499, 589), rgb(255, 255, 127));  // navy not-xor over black
  EXPECT_EQ(f.px(501, 591), rgb(255, 255, 127));
  EXPECT_EQ(f.px(499, 539), kBlack);
  EXPECT_EQ(f.s().penMode(), PenMode::Copy);
}

TEST(ViewDraw, GridsCloserThanTwoPixelsAreSkipped) {
  auto dots = [](ViewFixture& f) {
    int n = 0;
    for (int y = 100; y < 600; ++y)
      for (int x = 0; x < 800; ++x) n += f.px(x, y) == kBlue;
    return n;
  };
  // step 1000 at 0.0015 and 0.0025 pixels per lambda: 1.5 and 2.5 pixels apart
  ViewFixture dense;
  dense.view.SetView(0, 0, 533333, 100000);
  EXPECT_EQ(dense.view.lambdaGridStep(), 1000);
  EXPECT_EQ(dots(dense), 0);
  ViewFixture sparse;
  sparse.view.SetView(0, 0, 320000, 100000);
  EXPECT_GT(dots(sparse), 1000);

  // the routing grid's pitch of 10 at 0.15 and 0.25 pixels per lambda
  auto whiteDots = [](ViewFixture& f) {
    int n = 0;
    for (int y = 100; y < 500; ++y)
      for (int x = 100; x < 700; ++x) n += f.px(x, y) == kWhite;
    return n;
  };
  ViewFixture r1;
  r1.view.ToggleRoutingGrid();
  r1.view.SetView(-100, -100, 5234, 1000);
  EXPECT_EQ(whiteDots(r1), 0);
  ViewFixture r2;
  r2.view.ToggleRoutingGrid();
  r2.view.SetView(-100, -100, 3100, 1000);
  EXPECT_GT(whiteDots(r2), 1000);
}

TEST(ViewDraw, RoutingGrid) {
  Unit u;
  u.view.setRoutingRails(0, 50);
  u.view.ToggleRoutingGrid();
  // bus line at sx(0) = 0 and 1; dotted white lines every 10 lambda over it
  EXPECT_EQ(u.px(0, 301), kYellow);
  EXPECT_EQ(u.px(0, 300), kWhite);
  EXPECT_EQ(u.px(1, 301), kWhite);  // the solid line at sx(0) + 1
  EXPECT_EQ(u.px(10, 300), kWhite);
  EXPECT_EQ(u.px(10, 301), kBlack);
  EXPECT_EQ(u.px(15, 300), kBlack);
  // ground rail (white) at sy(0) = 590, supply rail (red) at sy(50) = 540
  EXPECT_EQ(u.px(401, 591), kWhite);
  EXPECT_EQ(u.px(401, 541), kRed);
  EXPECT_EQ(u.px(401, 540), kRed);
  EXPECT_EQ(u.px(400, 540), kWhite);  // a dotted horizontal line passes there
  EXPECT_EQ(u.px(405, 589), kWhite);  // the solid line at sy(0) - 1
  ASSERT_NE(u.textOf("Routing grid= 10 lambda"), nullptr);
  EXPECT_EQ(u.textOf("Vss")->y, 590);
  EXPECT_EQ(u.textOf("Vdd")->y, 540);
  EXPECT_EQ(u.textOf("Bus")->x, 0);
  // in monochrome the supply rail and the bus are black
  u.view.SetMonochrome(true);
  EXPECT_EQ(u.px(401, 541), kBlack);
  EXPECT_EQ(u.px(0, 301), kBlack);
}

TEST(ViewDraw, RulerDimensions) {
  Unit u;  // step 50: ticks every 25 lambda, numbered every 125
  u.view.Ruler(100, 490, 300, 490);
  const Colour g = kGreen;
  EXPECT_EQ(u.px(200, 490), g);
  EXPECT_EQ(u.px(100, 482), g);  // long tick with "0"
  EXPECT_EQ(u.px(125, 486), g);  // short tick
  EXPECT_EQ(u.px(125, 485), kBlack);
  EXPECT_EQ(u.px(225, 482), g);  // long tick with "125"
  EXPECT_EQ(u.px(300, 494), g);  // end tick across the line
  ASSERT_NE(u.textOf("125"), nullptr);
  EXPECT_EQ(u.textOf("125")->x, 221);
  EXPECT_EQ(u.textOf("125")->y, 491);
  EXPECT_EQ(u.textOf("0")->x, 96);
  EXPECT_EQ(u.textOf("100.000\xB5")->x, 290);
  EXPECT_EQ(u.textOf("200"), nullptr);  // numbered ticks: no length at the end
  // it stays over redraws until cleared
  u.view.Redraw();
  EXPECT_EQ(u.px(125, 486), g);
  u.view.ClearRuler();
  u.view.Redraw();
  EXPECT_EQ(u.px(125, 486), kBlack);

  // a short vertical one: no numbered tick, so its length is written at the end
  Unit v;
  v.view.Ruler(400, 490, 400, 470);  // 20 lambda up
  EXPECT_EQ(v.px(400, 480), g);
  EXPECT_EQ(v.px(396, 490), g);  // start tick to the left
  EXPECT_EQ(v.px(392, 490), g);  // s = 0 is numbered: long
  EXPECT_EQ(v.px(402, 470), g);  // end tick
  ASSERT_NE(v.textOf("20"), nullptr);
  EXPECT_EQ(v.textOf("20")->x, 400);
  EXPECT_EQ(v.textOf("20")->y, 467);
  EXPECT_EQ(v.textOf("10.000\xB5")->x, 405);
}

TEST(ViewDraw, ItemsAddedAreDrawnAtOnce) {
  Unit u;
  int drawn = 0;
  u.view.setDrawnCallback([&] { ++drawn; });
  u.db.addBox(100, 100, 140, 140, kMetal);
  EXPECT_EQ(u.px(120, 470), kBlue);
  EXPECT_EQ(drawn, 1);
  u.db.addLabel(300, 300, "a");
  EXPECT_NE(u.textOf("a"), nullptr);
  u.db.addRlc(500, 100, 530, 100, kRlcResistor, "3", 5);
  EXPECT_EQ(u.px(505, 490), kWhite);
  EXPECT_EQ(drawn, 3);
  // while drawing is held back nothing is drawn
  {
    LayoutDatabase::BulkAdd hold(u.db);
    u.db.addBox(200, 100, 240, 140, kMetal);
  }
  EXPECT_EQ(u.px(220, 470), kBlack);
}

TEST(ViewDraw, FarBoxIsDrawnWhereItIs) {
  ViewFixture f;
  f.db.addBox(0, 0, 10, 10, kMetal);
  f.db.addBox(2000000000, 0, 2000000100, 100, kMetal);
  f.db.addLabel(2000000000, 50, "far");
  f.view.ViewAll();
  const int x = f.view.sx(2000000050), y = f.view.sy(50);
  EXPECT_EQ(f.px(x, y), kBlue);
  // at this scale the grid is skipped
  int dots = 0;
  for (int yy = 100; yy < 600; ++yy)
    for (int xx = 0; xx < 800; ++xx) dots += f.px(xx, yy) == kBlue;
  EXPECT_LT(dots, 10);
  // zoomed onto it, with everything else far to the left
  f.view.SetView(2000000000, 0, 2000000200, 100);
  EXPECT_EQ(f.px(f.view.sx(2000000050), f.view.sy(50)), kBlue);
  EXPECT_EQ(f.px(f.view.sx(2000000152), f.view.sy(52)), rgb(0, 0, 0));
}
