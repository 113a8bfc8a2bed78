#include <gtest/gtest.h>

#include "platform/Clock.h"
#include "platform/MemorySurface.h"
#include "platform/Random.h"
#include "platform/StatusMessage.h"

using namespace quill;

namespace {
class CountingStatus : public StatusMessage {
 public:
  int shown = 0, pumped = 0;

 protected:
  void show(int, std::string_view) override { ++shown; }
  void pumpEvents() override { ++pumped; }
};
}  // namespace

TEST(StatusMessage, WritingAPanelKeepsTextAndLetsEventsRun) {
  CountingStatus s;
  s.write(1, "hello");
  s.write(7, "bad panel goes to 0");
  EXPECT_EQ(s.text(1), "hello");
  EXPECT_EQ(s.text(0), "bad panel goes to 0");
  EXPECT_EQ(s.shown, 2);
  EXPECT_EQ(s.pumped, 2);
  EXPECT_FALSE(s.stopRequested());
  s.requestStop();
  EXPECT_TRUE(s.stopRequested());
  s.clearStop();
  EXPECT_FALSE(s.stopRequested());
}

TEST(MemorySurface, PenModesCombineBitwise) {
  MemorySurface s(4, 4, rgb(0, 0, 128));
  s.setPenMode(PenMode::Merge);
  s.fillRect(0, 0, 2, 2, rgb(255, 0, 0));
  EXPECT_EQ(s.pixel(0, 0), rgb(255, 0, 128));
  EXPECT_EQ(s.pixel(2, 2), rgb(0, 0, 128));
  // not-xor twice with the same colour restores the pixels
  s.setPenMode(PenMode::NotXor);
  s.line(0, 3, 3, 3, rgb(255, 0, 0));
  EXPECT_NE(s.pixel(1, 3), rgb(0, 0, 128));
  s.line(0, 3, 3, 3, rgb(255, 0, 0));
  EXPECT_EQ(s.pixel(1, 3), rgb(0, 0, 128));
}

TEST(MemorySurface, PatternIsAnchoredToTheSurfaceOrigin) {
  Pattern8 p{0x80, 0, 0, 0, 0, 0, 0, 0x01};  // top-left and bottom-right pixel of each tile
  MemorySurface s(20, 20);
  s.fillPattern(3, 3, 20, 20, p, rgb(1, 2, 3));
  EXPECT_EQ(s.pixel(8, 8), rgb(1, 2, 3));
  EXPECT_EQ(s.pixel(16, 16), rgb(1, 2, 3));
  EXPECT_EQ(s.pixel(7, 7), rgb(1, 2, 3));
  EXPECT_EQ(s.pixel(0, 0), 0u);  // outside the rectangle
  EXPECT_EQ(s.pixel(9, 8), 0u);  // bit clear: left alone
  EXPECT_TRUE(patternBit(p, -8, -8));
  EXPECT_TRUE(patternBit(p, -1, -1));
}

TEST(MemorySurface, OutlineAndDottedLineAndClipping) {
  MemorySurface s(10, 10);
  s.outlineRect(2, 2, 6, 5, 7);
  EXPECT_EQ(s.pixel(2, 2), 7u);
  EXPECT_EQ(s.pixel(5, 4), 7u);
  EXPECT_EQ(s.pixel(3, 3), 0u);
  EXPECT_EQ(s.pixel(6, 4), 0u);
  MemorySurface d(10, 1);
  d.line(0, 0, 9, 0, 1, true);
  EXPECT_EQ(d.pixel(0, 0), 1u);
  EXPECT_EQ(d.pixel(1, 0), 0u);
  EXPECT_EQ(d.pixel(2, 0), 1u);
  // drawing outside the surface is harmless
  s.fillRect(-100, -100, 100000, 3, 9);
  s.line(-50, -50, 50, 50, 9);
  s.setPixel(-1, 20, 9);
  EXPECT_EQ(s.pixel(9, 0), 9u);
  EXPECT_EQ(s.pixel(-1, -1), 0u);
}

TEST(DefaultRandom, SameSeedSameSequenceAndRange) {
  DefaultRandom a(42), b(42), c(43);
  bool differs = false;
  for (int i = 0; i < 1000; ++i) {
    double x = a.uniform();
    EXPECT_EQ(x, b.uniform());
    EXPECT_GE(x, 0.0);
    EXPECT_LT(x, 1.0);
    if (x != c.uniform()) differs = true;
  }
  EXPECT_TRUE(differs);
  EXPECT_EQ(a.below(0), 0u);
  for (int i = 0; i < 100; ++i) EXPECT_LT(a.below(3), 3u);
}

TEST(FakeClock, MovesOnlyWhenTold) {
  FakeClock c;
  auto t = c.milliseconds();
  c.advance(300);
  EXPECT_EQ(c.milliseconds() - t, 300);
  SystemClock sys;
  EXPECT_EQ(sys.shortDate().size(), 10u);
  EXPECT_EQ(sys.longTime().size(), 8u);
}

TEST(MemorySurface, RawPixelsAreTheSurfacePixelsInColourLayout) {
  MemorySurface s(5, 3, rgb(1, 2, 3));
  RawPixels r = s.rawPixels();
  ASSERT_TRUE(r);
  EXPECT_FALSE(r.rgb32);
  EXPECT_EQ(r.stride, 5);
  EXPECT_EQ(r.encode(rgb(10, 20, 30)), rgb(10, 20, 30));
  r.row(2)[4] = r.encode(rgb(200, 100, 50));
  s.scanline(1)[0] |= r.encode(rgb(0, 0, 128));
  EXPECT_EQ(s.pixel(4, 2), rgb(200, 100, 50));
  EXPECT_EQ(s.pixel(0, 1), rgb(1, 2, 131));
  EXPECT_EQ(s.scanline(3), nullptr);
  EXPECT_EQ(s.scanline(-1), nullptr);
  // a surface without raw access says so; drawing still works
  s.setRawAccess(false);
  EXPECT_FALSE(s.rawPixels());
  EXPECT_EQ(s.scanline(0), nullptr);
  EXPECT_FALSE(MemorySurface(0, 0).rawPixels());
}

TEST(RawPixels, Rgb32EncodingSwapsRedAndBlueAndSetsTheTopByte) {
  RawPixels r{nullptr, 0, true};
  EXPECT_EQ(r.encode(rgb(0x12, 0x34, 0x56)), 0xFF123456u);
  EXPECT_EQ(r.decode(0xFF123456u), rgb(0x12, 0x34, 0x56));
  // or-ing two encoded colours is the encoded or of the colours
  EXPECT_EQ(r.encode(rgb(255, 0, 0)) | r.encode(rgb(0, 128, 0)), r.encode(rgb(255, 128, 0)));
}
