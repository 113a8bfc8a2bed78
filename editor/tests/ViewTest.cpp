// The view's transform and its view operations: the numbers a user sees
// when viewing all, zooming, scrolling and measuring, including the awkward
// cases (empty or tiny areas, zero-size layouts, far coordinates).
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "editor/tests/ViewFixture.h"

using namespace quill;
using quill::testing::sameRect;
using quill::testing::ViewFixture;

#define EXPECT_VIEW(r, a, b, c, d) EXPECT_PRED5(sameRect, r, a, b, c, d)

TEST(ViewTransform, StartStateAndScreenMapping) {
  ViewFixture f;
  EXPECT_VIEW(f.view.viewWindow(), -15, -15, 50, 50);
  EXPECT_VIEW(f.view.previousView(), 0, 0, 200, 100);
  EXPECT_TRUE(f.view.lambdaGridOn());
  EXPECT_FALSE(f.view.routingGridOn());
  EXPECT_FALSE(f.view.monochrome());
  EXPECT_EQ(f.view.backgroundColour(), rgb(0, 0, 0));
  EXPECT_EQ(f.db.observer(), &f.view);

  f.unitView();
  EXPECT_DOUBLE_EQ(f.view.scale(), 1.0);
  EXPECT_EQ(f.view.sx(0), 0);
  EXPECT_EQ(f.view.sx(123), 123);
  // ymin sits 10 pixels above the bottom edge, y grows upwards
  EXPECT_EQ(f.view.sy(0), 590);
  EXPECT_EQ(f.view.sy(100), 490);
  EXPECT_EQ(f.view.wx(123), 123);
  EXPECT_EQ(f.view.wy(490), 100);

  // halves round to even both ways
  f.view.SetView(0, 0, 1600, 800);  // half a pixel per lambda
  EXPECT_DOUBLE_EQ(f.view.scale(), 0.5);
  EXPECT_EQ(f.view.sx(1), 0);
  EXPECT_EQ(f.view.sx(3), 2);
  EXPECT_EQ(f.view.sx(5), 2);
  EXPECT_EQ(f.view.wx(1), 2);
}

TEST(ViewTransform, ScaleIsTheSmallerFactorAndNarrowViewsTakeTen) {
  ViewFixture f;
  f.view.SetView(0, 0, 200, 100);
  EXPECT_DOUBLE_EQ(f.view.scale(), 4.0);  // 800/200 against 570/100
  f.view.SetView(0, 0, 5, 100);           // at most 5 wide: horizontal factor 10
  EXPECT_DOUBLE_EQ(f.view.scale(), 5.7);
  f.view.SetView(0, 0, 4, 4);
  EXPECT_DOUBLE_EQ(f.view.scale(), 10.0);
  // corners are normalised
  f.view.SetView(30, 40, -10, 0);
  EXPECT_VIEW(f.view.viewWindow(), -10, 0, 30, 40);
}

TEST(ViewTransform, GridStepAndLabelSizeFollowTheScale) {
  struct Case {
    std::int32_t width;  // lambda shown across 800 pixels
    std::int32_t step;
    int text;
  };
  // 4, 1 and 0.4 pixels per lambda, then each step boundary
  const Case cases[] = {{200, 5, 12},  {800, 50, 6},   {2000, 50, 0},   {79, 1, 12},      {80, 5, 12},
                        {260, 5, 12},  {267, 10, 12},  {2500, 50, 0},   {2600, 100, 0},   {14000, 500, 0},
                        {16000, 1000, 0}, {20000, 1000, 0}, {400, 10, 10}, {500, 10, 8},  {1000, 50, 6},  {1800, 50, 0}};
  for (const Case& c : cases) {
    ViewFixture f;
    f.view.SetView(0, 0, c.width, c.width / 2);
    SCOPED_TRACE(c.width);
    EXPECT_EQ(f.view.lambdaGridStep(), c.step);
    EXPECT_EQ(f.view.labelTextSize(), c.text);
  }
}

TEST(ViewAll, EmptyLayoutAndTheTwoMarginCases) {
  ViewFixture f;
  f.view.ViewAll();
  EXPECT_VIEW(f.view.viewWindow(), -20, -20, 55, 55);

  // wide area, tall layout: the extra margin goes to the left
  f.db.addBox(0, 0, 100, 400, kMetal);
  f.view.ViewAll();
  // g = 5, h = 20, r = round(4 * 800 / 600) = 5
  EXPECT_VIEW(f.view.viewWindow(), -25, -20, 105, 420);

  // narrow area, wide layout: three times h * r at the bottom
  ViewFixture g(300, 600);
  g.db.addBox(0, 0, 400, 100, kMetal);
  g.view.ViewAll();
  // g = 20, h = 5, r = round(4 * 600 / 300) = 8
  EXPECT_VIEW(g.view.viewWindow(), -20, -120, 420, 105);
}

TEST(ViewAll, ZeroExtentsAndTinyAreasGiveASensibleView) {
  // one label: a bounding box of zero width and height
  ViewFixture f;
  f.db.addLabel(3, 4, "a");
  f.view.ViewAll();
  EXPECT_VIEW(f.view.viewWindow(), -2, -1, 8, 9);
  // a layout of zero width
  ViewFixture z;
  z.db.addBox(0, 0, 0, 100, kMetal);
  z.view.ViewAll();
  EXPECT_VIEW(z.view.viewWindow(), -5, -5, 5, 105);

  // areas of no size, of one pixel, and lower than the 30-pixel margin
  for (auto [w, h] : {std::pair{-1, -1}, {0, 0}, {1, 1}, {800, 0}, {0, 600}, {10, 10}, {800, 20}}) {
    ViewFixture t(w, h);
    SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
    t.db.addBox(0, 0, 50, 50, kMetal);
    t.view.ViewAll();
    EXPECT_GT(t.view.scale(), 0);
    EXPECT_TRUE(std::isfinite(t.view.scale()));
    EXPECT_TRUE(std::isfinite(t.view.offsetX()));
    t.view.ZoomInArea(0, 0, 0, 0);
    t.view.ZoomOut();
    t.view.ScrollHorizontal(1);
    t.view.ScrollVertical(-1);
    EXPECT_GT(t.view.scale(), 0);
    (void)t.view.wx(5);
    (void)t.view.wy(5);
  }
}

TEST(ViewZoom, ZoomOutZoomInAndPreviousZoom) {
  ViewFixture f;
  f.view.SetView(0, 0, 30, 30);
  f.view.ZoomOut();
  EXPECT_VIEW(f.view.viewWindow(), -5, -5, 35, 35);

  // a click (no area) zooms in around it to two thirds of the width
  f.view.SetView(0, 0, 90, 60);
  const int px = f.view.sx(40), py = f.view.sy(30);
  f.view.ZoomInArea(px, py, px + 2, py + 1);
  EXPECT_VIEW(f.view.viewWindow(), 10, 10, 70, 50);

  // an area is shown as it is (normalised)
  f.view.SetView(0, 0, 200, 100);
  f.view.ZoomInArea(f.view.sx(60), f.view.sy(20), f.view.sx(20), f.view.sy(50));
  EXPECT_VIEW(f.view.viewWindow(), 20, 20, 60, 50);
  // previous zoom returns, and alternates when used again
  f.view.PreviousZoom();
  EXPECT_VIEW(f.view.viewWindow(), 0, 0, 200, 100);
  EXPECT_EQ(f.status.text(StatusMessage::Main), "Previous zoom ...");
  f.view.PreviousZoom();
  EXPECT_VIEW(f.view.viewWindow(), 20, 20, 60, 50);
  f.view.PreviousZoom();
  EXPECT_VIEW(f.view.viewWindow(), 0, 0, 200, 100);
}

TEST(ViewZoom, PreviousViewChangesOnlyBeyondTenLambda) {
  ViewFixture f;
  f.view.SetView(0, 0, 100, 100);   // (-15..50) differs: becomes previous
  EXPECT_VIEW(f.view.previousView(), -15, -15, 50, 50);
  f.view.SetView(5, 5, 105, 105);   // previous still differs from the view replaced
  EXPECT_VIEW(f.view.previousView(), 0, 0, 100, 100);
  f.view.SetView(0, 0, 100, 100);   // (0..100) against (5..105): within 10
  EXPECT_VIEW(f.view.previousView(), 0, 0, 100, 100);
  // a redraw of an unchanged view makes it the previous one when they differ
  f.view.SetView(500, 500, 600, 600);
  f.view.Redraw();
  EXPECT_VIEW(f.view.previousView(), 500, 500, 600, 600);
}

TEST(ViewScroll, StepsAndTheLowViewThatDoesNotScroll) {
  ViewFixture f;
  f.view.SetView(0, 0, 30, 30);
  f.view.ScrollHorizontal(1);
  EXPECT_VIEW(f.view.viewWindow(), 10, 0, 40, 30);
  f.view.ScrollHorizontal(-1);
  EXPECT_VIEW(f.view.viewWindow(), 0, 0, 30, 30);
  f.view.ScrollVertical(1);
  EXPECT_VIEW(f.view.viewWindow(), 0, 5, 30, 35);
  f.view.ScrollVertical(-1);
  EXPECT_VIEW(f.view.viewWindow(), 0, 0, 30, 30);
  f.view.SetView(0, 0, 600, 5);
  f.view.ScrollVertical(1);
  EXPECT_VIEW(f.view.viewWindow(), 0, 0, 600, 5);
  f.view.ScrollHorizontal(1);
  EXPECT_VIEW(f.view.viewWindow(), 100, 0, 700, 5);
}

TEST(ViewFar, BoxAtTwoBillionOpensAndScrollsWithoutOverflow) {
  ViewFixture f;
  f.db.addBox(0, 0, 10, 10, kMetal);
  f.db.addBox(2000000000, 0, 2000000100, 100, kMetal);
  f.view.ViewAll();
  const Rect v = f.view.viewWindow();
  EXPECT_LT(v.x1, 0);
  EXPECT_GT(v.x2, 2000000100);
  EXPECT_GT(f.view.scale(), 0);
  // the far box lies inside the area, the near one at the left
  EXPECT_GT(f.view.sx(2000000000), 700);
  EXPECT_LT(f.view.sx(0), 100);
  // scrolling at the end of the coordinate range saturates
  f.view.SetView(2147483000, 0, 2147483600, 300);
  f.view.ScrollHorizontal(1);
  EXPECT_EQ(f.view.viewWindow().x2, 2147483647);
  f.view.ZoomOut();
  EXPECT_EQ(f.view.viewWindow().x2, 2147483647);
  // screen coordinates of far points are clipped, not wrapped
  f.view.SetView(0, 0, 800, 400);
  EXPECT_GT(f.view.sx(2000000000.0), 0);
  EXPECT_LT(f.view.sx(-2000000000.0), 0);
  EXPECT_EQ(f.view.wx(1e12), 2147483647);
}

TEST(ViewRuler, MessagesOfTheMeasurements) {
  ViewFixture f;
  f.view.SetView(0, 0, 200, 100);  // 4 pixels per lambda
  auto P = [&](int x, int y) { return std::pair{f.view.sx(x), f.view.sy(y)}; };
  auto [ax, ay] = P(0, 0);
  auto [bx, by] = P(3, 4);
  EXPECT_EQ(f.view.Ruler(ax, ay, bx, by), "dx=3 lambda (1.500\xB5m),dy=4 lambda (2.000\xB5m) (d=2.5\xB5m) (12 lambda2 ,3.00 \xB5m2)");
  EXPECT_EQ(f.status.text(StatusMessage::Main), f.view.Ruler(ax, ay, bx, by));
  EXPECT_PRED5(sameRect, f.view.ruler(), 0, 0, 3, 4);

  auto [cx, cy] = P(10, 0);
  EXPECT_EQ(f.view.Ruler(ax, ay, cx, cy), "dx=10 lambda (5.000\xB5m) ");
  auto [dx, dy] = P(0, 7);
  EXPECT_EQ(f.view.Ruler(ax, ay, dx, dy), " dy=7 lambda (3.500\xB5m)");
  // wider than high: the vertical dimension is drawn first; the message order stays
  auto [ex, ey] = P(8, 2);
  EXPECT_EQ(f.view.Ruler(bx, by, ex, ey),
            "dx=5 lambda (2.500\xB5m),dy=2 lambda (1.000\xB5m) (d=2.7\xB5m) (10 lambda2 ,2.50 \xB5m2)");
  EXPECT_PRED5(sameRect, f.view.ruler(), 3, 2, 8, 4);
  EXPECT_EQ(f.view.Ruler(ax, ay, ax, ay), "Click at location 0,0");
  f.view.ClearRuler();
  EXPECT_PRED5(sameRect, f.view.ruler(), 0, 0, 0, 0);
}

TEST(ViewRuler, AreaBeyondThirtyTwoBits) {
  ViewFixture f;
  f.view.SetView(0, 0, 400000, 200000);  // 0.002 pixels per lambda
  const std::string m = f.view.Ruler(0, 590, 800, 190);
  // 400000 x 200000 lambda = 8e10 lambda2
  EXPECT_NE(m.find(" (80000000000 lambda2"), std::string::npos) << m;
  EXPECT_NE(m.find(" ,20000000000.00 \xB5m2)"), std::string::npos) << m;
}

TEST(ViewColours, VoltageColourTable) {
  ViewFixture f;
  f.tech.vddHigh = 2.5;
  EXPECT_EQ(f.view.VoltageColour(0), rgb(0, 60, 190));
  EXPECT_EQ(f.view.VoltageColour(2.5), rgb(250, 160, 0));
  EXPECT_EQ(f.view.VoltageColour(-1), rgb(0, 0, 250));
  EXPECT_EQ(f.view.VoltageColour(100), rgb(250, 250, 250));
  // the ranges' edges: a = 24, 25, 49, 50, 74, 75
  auto at = [&](int a) { return f.view.VoltageColour((a / 60.0 - 0.1) * 2.5); };
  EXPECT_EQ(at(24), rgb(0, 240, 10));
  EXPECT_EQ(at(25), rgb(0, 250, 0));
  EXPECT_EQ(at(49), rgb(240, 10, 0));
  EXPECT_EQ(at(50), rgb(250, 0, 0));
  EXPECT_EQ(at(74), rgb(250, 240, 0));
  EXPECT_EQ(at(75), rgb(250, 250, 0));
  f.view.SetMonochrome(true);
  EXPECT_EQ(f.view.VoltageColour(0), rgb(134, 134, 134));
  EXPECT_EQ(f.view.VoltageColour(50), rgb(228, 228, 228));
  // no supply given: no division by zero
  f.tech.vddHigh = 0;
  f.tech.vdd = 0;
  f.view.SetMonochrome(false);
  EXPECT_EQ(f.view.VoltageColour(0), rgb(0, 60, 190));
}

TEST(ViewColours, SchemeSwitches) {
  ViewFixture f;
  const ViewScheme& s = f.view.scheme();
  EXPECT_EQ(f.view.monochromeCaption(), std::string("Switch to monochrom"));
  f.view.SetMonochrome(true);
  EXPECT_EQ(f.view.monochromeCaption(), std::string("Switch to color"));
  EXPECT_TRUE(f.view.whiteBackground());
  for (Colour c : {s.text, s.line, s.gridDot, s.highlight, s.contrast, s.gridLine}) EXPECT_EQ(c, rgb(0, 0, 0));
  for (int i = 1; i <= kLayerCount; ++i) EXPECT_FALSE(f.db.layers[i].filled);
  // the background switch applies its column in monochrome as well
  f.view.ToggleBackground();
  EXPECT_EQ(s.background, rgb(0, 0, 0));
  EXPECT_EQ(s.text, rgb(255, 255, 255));
  EXPECT_EQ(s.gridDot, rgb(0, 0, 0));
  f.view.SetMonochrome(false);
  EXPECT_EQ(s.background, rgb(0, 0, 0));
  EXPECT_EQ(s.text, rgb(255, 255, 255));
  EXPECT_EQ(s.line, rgb(0, 255, 0));
  EXPECT_EQ(s.gridDot, rgb(0, 0, 255));
  EXPECT_EQ(s.gridLine, rgb(128, 128, 128));
  EXPECT_EQ(s.highlight, rgb(255, 255, 0));
  EXPECT_EQ(s.contrast, rgb(255, 255, 0));
  for (int i = 1; i <= kLayerCount; ++i) EXPECT_TRUE(f.db.layers[i].filled);
  f.view.ToggleBackground();
  EXPECT_EQ(s.background, rgb(255, 255, 255));
  EXPECT_EQ(s.text, rgb(0, 0, 0));
  EXPECT_EQ(s.line, rgb(0, 0, 255));
  EXPECT_EQ(s.highlight, rgb(0, 0, 255));
  EXPECT_EQ(s.contrast, rgb(128, 0, 0));
  // switching to colour from a white background makes it black
  f.view.SetMonochrome(true);
  f.view.SetMonochrome(false);
  EXPECT_EQ(s.background, rgb(0, 0, 0));
  f.view.ToggleLambdaGrid();
  EXPECT_FALSE(f.view.lambdaGridOn());
  f.view.ToggleRoutingGrid();
  EXPECT_TRUE(f.view.routingGridOn());
}
