// QtSurface against MemorySurface: the same drawing commands must set the
// same pixels in every pen mode.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/MemorySurface.h"
#include "platform/ui/QtSurface.h"

using namespace quill;

namespace {

constexpr int kW = 37, kH = 29;  // not multiples of 8, so pattern wrap shows

// a background where every pixel differs, so merge and not-xor results differ too
Colour background(int x, int y) { return rgb(x * 7, y * 9, (x ^ y) * 5 + 1); }

void paintBackground(Surface& s) {
  s.setPenMode(PenMode::Copy);
  for (int y = 0; y < s.height(); ++y)
    for (int x = 0; x < s.width(); ++x) s.setPixel(x, y, background(x, y));
}

struct Case {
  const char* name;
  std::function<void(Surface&)> draw;
};

const Pattern8 kChecker{0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55};
const Pattern8 kOdd{0x80, 0x41, 0x00, 0x0F, 0x00, 0x00, 0x3C, 0x01};
const Pattern8 kFull{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
const Pattern8 kEmpty{};
const Colour kRed = rgb(255, 0, 0), kMix = rgb(0x35, 0xC2, 0x6A), kWhite = rgb(255, 255, 255);

const std::vector<Case>& cases() {
  static const std::vector<Case> all = {
      {"fillRect inside", [](Surface& s) { s.fillRect(3, 4, 20, 11, kMix); }},
      {"fillRect clipped on every side", [](Surface& s) { s.fillRect(-5, -3, 100, 100, kRed); }},
      {"fillRect empty and inverted", [](Surface& s) { s.fillRect(5, 5, 5, 9, kRed); s.fillRect(9, 9, 4, 4, kRed); }},
      {"fillRect overlapping twice", [](Surface& s) { s.fillRect(2, 2, 15, 15, kMix); s.fillRect(10, 10, 30, 20, kMix); }},
      {"fillPattern checker", [](Surface& s) { s.fillPattern(0, 0, kW, kH, kChecker, kMix); }},
      {"fillPattern off-grid start", [](Surface& s) { s.fillPattern(3, 5, 30, 27, kOdd, kRed); }},
      {"fillPattern from negative coordinates", [](Surface& s) { s.fillPattern(-13, -6, 9, 11, kOdd, kMix); }},
      {"fillPattern full and empty", [](Surface& s) { s.fillPattern(1, 1, 12, 9, kFull, kMix); s.fillPattern(10, 2, 30, 20, kEmpty, kRed); }},
      {"fillPattern same pattern two colours", [](Surface& s) { s.fillPattern(0, 0, 20, 20, kOdd, kRed); s.fillPattern(10, 10, 37, 29, kOdd, kMix); }},
      {"outlineRect normal", [](Surface& s) { s.outlineRect(4, 3, 19, 14, kMix); }},
      {"outlineRect one pixel", [](Surface& s) { s.outlineRect(6, 6, 7, 7, kRed); }},
      {"outlineRect one row and one column", [](Surface& s) { s.outlineRect(2, 20, 30, 21, kMix); s.outlineRect(33, 1, 34, 25, kMix); }},
      {"outlineRect two by two and two high", [](Surface& s) { s.outlineRect(1, 1, 3, 3, kMix); s.outlineRect(5, 24, 15, 26, kRed); }},
      {"outlineRect clipped and empty", [](Surface& s) { s.outlineRect(-4, -4, 12, 40, kMix); s.outlineRect(9, 9, 9, 15, kRed); }},
      {"line horizontal both ways", [](Surface& s) { s.line(2, 3, 30, 3, kMix); s.line(30, 5, 2, 5, kRed); }},
      {"line vertical both ways", [](Surface& s) { s.line(4, 1, 4, 27, kMix); s.line(6, 27, 6, 1, kRed); }},
      {"line single point", [](Surface& s) { s.line(9, 9, 9, 9, kMix); s.line(10, 9, 10, 9, kRed, true); }},
      {"line dotted horizontal odd and even lengths", [](Surface& s) {
         s.line(1, 7, 20, 7, kMix, true); s.line(1, 8, 21, 8, kMix, true); s.line(21, 9, 1, 9, kRed, true); }},
      {"line dotted vertical both ways", [](Surface& s) { s.line(12, 0, 12, 28, kMix, true); s.line(13, 27, 13, 0, kRed, true); }},
      {"line clipped", [](Surface& s) { s.line(-10, 12, 50, 12, kMix); s.line(15, -9, 15, 40, kRed, true); s.line(-3, 14, 45, 14, kWhite, true); }},
      {"line dotted starting outside, odd and even offsets", [](Surface& s) {
         s.line(-3, 10, 20, 10, kMix, true); s.line(-4, 11, 20, 11, kMix, true);
         s.line(40, 16, -5, 16, kRed, true); s.line(17, -1, 17, 40, kWhite, true); s.line(18, 31, 18, -2, kMix, true); }},
      {"line from far outside", [](Surface& s) {
         s.line(-100001, 2, 100000, 2, kMix, true); s.line(3, 100000, 3, -100000, kRed, true);
         s.line(-100000, 4, 100000, 4, kWhite); s.line(5, -40, 5, -1, kRed); s.line(0, 29, 36, 29, kRed); }},
      {"line diagonal solid", [](Surface& s) { s.line(0, 0, 36, 28, kMix); s.line(35, 2, 3, 26, kRed); s.line(2, 20, 30, 23, kWhite); }},
      {"line diagonal dotted", [](Surface& s) { s.line(1, 27, 33, 0, kMix, true); s.line(5, 5, 8, 25, kRed, true); }},
      {"setPixel inside and outside", [](Surface& s) {
         s.setPixel(0, 0, kMix); s.setPixel(36, 28, kRed); s.setPixel(-1, 3, kRed); s.setPixel(3, 29, kRed); }},
      {"mode switches between patterns", [](Surface& s) {
         PenMode m = s.penMode();
         s.fillPattern(0, 0, 20, 20, kChecker, kMix);
         s.setPenMode(PenMode::NotXor);
         s.fillPattern(5, 5, 30, 25, kChecker, kMix);
         s.setPenMode(PenMode::Merge);
         s.fillPattern(8, 0, 37, 12, kChecker, kMix);
         s.setPenMode(m);
         s.fillRect(0, 22, 37, 29, kRed); }},
  };
  return all;
}

struct ModeCase {
  PenMode mode;
  const char* name;
};
const ModeCase kModes[] = {{PenMode::Copy, "Copy"}, {PenMode::Merge, "Merge"}, {PenMode::NotXor, "NotXor"}};

// first differing pixel as text, empty when identical
std::string firstDifference(const Surface& a, const Surface& b) {
  if (a.width() != b.width() || a.height() != b.height()) return "sizes differ";
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x)
      if (a.pixel(x, y) != b.pixel(x, y)) {
        char buf[96];
        std::snprintf(buf, sizeof buf, "(%d,%d): qt %06X memory %06X", x, y, a.pixel(x, y), b.pixel(x, y));
        return buf;
      }
  return {};
}

}  // namespace

TEST(QtSurface, ColourConversionKeepsChannels) {
  EXPECT_EQ(toQRgb(rgb(1, 2, 3)), qRgb(1, 2, 3));
  EXPECT_EQ(fromQRgb(qRgba(200, 100, 50, 0)), rgb(200, 100, 50));
  for (Colour c : {0x000000u, 0xFFFFFFu, 0x123456u, 0xABCDEFu}) EXPECT_EQ(fromQRgb(toQRgb(c)), c);
  // the unused top byte never reaches the image
  EXPECT_EQ(toQRgb(0xFF000080u), qRgb(0x80, 0, 0));
}

TEST(QtSurface, SetsTheSamePixelsAsMemorySurface) {
  for (const ModeCase& m : kModes) {
    for (const Case& c : cases()) {
      SCOPED_TRACE(std::string(m.name) + ": " + c.name);
      QtSurface qt(kW, kH);
      MemorySurface mem(kW, kH);
      paintBackground(qt);
      paintBackground(mem);
      ASSERT_EQ(firstDifference(qt, mem), "");
      qt.setPenMode(m.mode);
      mem.setPenMode(m.mode);
      c.draw(qt);
      c.draw(mem);
      EXPECT_EQ(qt.penMode(), m.mode);
      EXPECT_EQ(firstDifference(qt, mem), "");
      // what the window gets is the same picture
      const QImage& img = qt.image();
      EXPECT_EQ(img.format(), QImage::Format_RGB32);
      EXPECT_EQ(fromQRgb(img.pixel(kW / 2, kH / 2)), mem.pixel(kW / 2, kH / 2));
    }
  }
}

TEST(QtSurface, NotXorDrawnTwiceRestoresThePicture) {
  QtSurface s(kW, kH);
  paintBackground(s);
  QImage before = s.image().copy();
  s.setPenMode(PenMode::NotXor);
  for (int round = 0; round < 2; ++round) {
    s.outlineRect(3, 3, 30, 20, 0);
    s.line(0, 25, 36, 25, 0, true);
    s.line(2, 2, 30, 27, kMix);
    s.fillPattern(5, 5, 25, 25, kOdd, kRed);
  }
  EXPECT_EQ(s.image(), before);
}

TEST(QtSurface, DrawingContinuesAfterTheImageWasTaken) {
  QtSurface s(10, 10, kWhite);
  s.fillRect(0, 0, 5, 5, kRed);
  QImage first = s.image().copy();
  s.fillRect(5, 5, 10, 10, kMix);
  EXPECT_EQ(s.pixel(7, 7), kMix);
  EXPECT_EQ(fromQRgb(first.pixel(7, 7)), kWhite);  // the copy is unchanged
  EXPECT_EQ(s.pixel(2, 2), kRed);
  s.resize(4, 3, kMix);
  EXPECT_EQ(s.width(), 4);
  EXPECT_EQ(s.height(), 3);
  EXPECT_EQ(s.pixel(3, 2), kMix);
  EXPECT_EQ(s.pixel(4, 2), 0u);  // outside reads as black
}

TEST(QtSurface, RawWritesAndPainterCallsMix) {
  QtSurface s(12, 10);
  s.setPenMode(PenMode::Merge);
  s.fillRect(0, 0, 6, 10, rgb(0, 0, 128));  // painter open
  RawPixels r = s.rawPixels();
  ASSERT_TRUE(r);
  EXPECT_TRUE(r.rgb32);
  r.row(1)[1] = r.encode(kRed);
  r.row(2)[2] |= r.encode(rgb(0, 128, 0));
  s.fillRect(5, 5, 12, 6, kMix);  // painter again, after the raw writes
  s.scanline(7)[3] = r.encode(rgb(1, 2, 3));
  EXPECT_EQ(s.pixel(1, 1), kRed);
  EXPECT_EQ(s.pixel(2, 2), rgb(0, 128, 128));
  EXPECT_EQ(s.pixel(3, 7), rgb(1, 2, 3));
  EXPECT_EQ(s.pixel(8, 5), kMix);
  EXPECT_EQ(s.pixel(8, 6), 0u);
  const QImage& img = s.image();
  EXPECT_EQ(fromQRgb(img.pixel(1, 1)), kRed);
  EXPECT_EQ(fromQRgb(img.pixel(3, 7)), rgb(1, 2, 3));
  // a copy the window kept is not written through
  QImage kept = s.image();
  s.rawPixels().row(0)[0] = r.encode(kRed);
  EXPECT_EQ(s.pixel(0, 0), kRed);
  EXPECT_EQ(fromQRgb(kept.pixel(0, 0)), rgb(0, 0, 128));
  EXPECT_FALSE(QtSurface(0, 0).rawPixels());
}

TEST(QtSurface, EmptySurfaceIgnoresDrawing) {
  QtSurface s(0, 0);
  s.fillRect(0, 0, 10, 10, kRed);
  s.fillPattern(0, 0, 10, 10, kFull, kRed);
  s.outlineRect(0, 0, 10, 10, kRed);
  s.line(0, 0, 5, 5, kRed, true);
  s.text(0, 0, "x", TextStyle{});
  EXPECT_EQ(s.pixel(0, 0), 0u);
}

TEST(QtSurface, TextIsDrawnInItsBoxWithTheStyleColour) {
  TextStyle st;
  st.pointSize = 12;
  st.colour = kWhite;
  QtSurface s(200, 40, 0);
  int w = s.textWidth("Vdd \xB5m", st);  // CP1252 micro sign
  ASSERT_GT(w, 10);
  s.text(20, 5, "Vdd \xB5m", st);
  int lit = 0, outside = 0;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 200; ++x)
      if (s.pixel(x, y) != 0) (x >= 18 && x < 20 + w + 2 ? lit : outside)++;
  EXPECT_GT(lit, 20);
  EXPECT_EQ(outside, 0);

  // opaque: the box behind the text is filled first, whatever the pen mode
  TextStyle box = st;
  box.opaque = true;
  box.background = kRed;
  box.colour = 0;
  s.setPenMode(PenMode::NotXor);
  s.text(20, 5, "Vdd", box);
  EXPECT_EQ(s.pixel(20, 5), kRed);
  EXPECT_EQ(s.penMode(), PenMode::NotXor);
}

TEST(QtSurface, TextWidthFollowsTheStyle) {
  QtSurface s(10, 10);
  TextStyle small, big, bold;
  small.pointSize = 8;
  big.pointSize = 20;
  bold.pointSize = 8;
  bold.bold = true;
  EXPECT_EQ(s.textWidth("", small), 0);
  EXPECT_LT(s.textWidth("Metal2", small), s.textWidth("Metal2", big));
  EXPECT_LE(s.textWidth("Metal2", small), s.textWidth("Metal2", bold));
  EXPECT_LT(s.textWidth("Metal", small), s.textWidth("Metal2", small));
  QFont f = QtSurface::fontFor(bold);
  EXPECT_TRUE(f.bold());
  EXPECT_EQ(f.pointSize(), 8);
  TextStyle deco;
  deco.italic = true;
  deco.underline = true;
  QFont g = QtSurface::fontFor(deco);
  EXPECT_TRUE(g.italic());
  EXPECT_TRUE(g.underline());
  EXPECT_FALSE(g.bold());
}
