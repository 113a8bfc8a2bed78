#include <gtest/gtest.h>

#include "sim/UvErase.h"

using namespace quill;

TEST(UvErase, ThirtyTicksThenEveryFloatingGateIsErased) {
  LayoutDatabase db;
  int a = db.addBox(0, 0, 4, 4, kPoly2);
  int b = db.addBox(10, 0, 14, 4, kPoly2);
  int other = db.addBox(0, 10, 4, 14, kOption);
  db.box(a).value = 1200;
  db.box(b).value = 7;
  db.box(other).value = 16;
  FakeTimer timer;
  UvErase uv(db, timer);
  int changes = 0;
  uv.onChange = [&] { ++changes; };
  uv.start();
  EXPECT_EQ(timer.interval, 500);
  EXPECT_EQ(uv.text(), "The floating gates are being erased. Please wait.");
  timer.fire(29);
  EXPECT_EQ(uv.progress(), 29);
  EXPECT_EQ(db.box(a).value, 1200);
  EXPECT_FALSE(db.modified);
  timer.fire(5);  // the thirtieth tick erases and stops the timer
  EXPECT_EQ(uv.progress(), 30);
  EXPECT_FALSE(timer.active());
  EXPECT_EQ(uv.text(), "Floating gates erased.");
  EXPECT_EQ(db.box(a).value, 0);
  EXPECT_EQ(db.box(b).value, 0);
  EXPECT_EQ(db.box(other).value, 16);
  EXPECT_TRUE(db.modified);
  EXPECT_GE(changes, 30);
}

TEST(UvErase, OkErasesAtOnce) {
  LayoutDatabase db;
  int a = db.addBox(0, 0, 4, 4, kPoly2);
  db.box(a).value = 999;
  FakeTimer timer;
  UvErase uv(db, timer);
  uv.start();
  timer.fire(3);
  uv.ok();
  EXPECT_FALSE(timer.active());
  EXPECT_EQ(db.box(a).value, 0);
  EXPECT_TRUE(uv.erased());
}
