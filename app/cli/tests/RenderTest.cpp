// quillmere-cli render: the picture is the editor's view drawn at start-up,
// sizes and windows are checked, and the program finds a platform with no
// display at all.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "app/cli/CliApp.h"
#include "app/cli/tests/CliRunner.h"
#include "app/cli/RenderPng.h"
#include "core/MskFile.h"
#include "core/RuleFile.h"
#include "core/tests/TestFiles.h"

#ifdef QUILL_RENDER_QT
#include <QImage>

#include "editor/View.h"
#include "platform/ui/QtSurface.h"
#endif

using namespace quill;
using quill::testing::TempDir;
using quill::testing::TestContext;

namespace {

using Result = quill::testing::CliResult;
using quill::testing::cli;

const std::string kData = QUILL_DATA;
const std::string kInverter = kData + "/inverter.msk";
const std::string kRules = kData + "/default.rul";

}  // namespace

TEST(Render, PlatformChoiceWithoutADisplay) {
  EXPECT_STREQ(renderPlatformOverride(nullptr, nullptr), "offscreen");
  EXPECT_STREQ(renderPlatformOverride("", ""), "offscreen");
  EXPECT_EQ(renderPlatformOverride("xcb", nullptr), nullptr);
  EXPECT_EQ(renderPlatformOverride(nullptr, ":0"), nullptr);
  EXPECT_EQ(renderPlatformOverride("offscreen", ":1"), nullptr);
}

TEST(Render, BadSizesWindowsAndFilesAreBadInput) {
  TempDir dir;
  for (const char* size : {"0x10", "10x0", "8193x10", "10x8193", "axb", "10x", "x10", "10*10", "-5x10", "10x10x10"}) {
    Result r = cli({"render", kInverter, "o.png", "--rules", kRules, "--size", size});
    EXPECT_EQ(r.code, 2) << size;
    EXPECT_NE(r.err.find("--size"), std::string::npos) << r.err;
  }
  for (const char* w : {"1,2,3", "1,2,3,4,5", "a,0,1,1", "0,0,1,99999999999", "0, 0,1,1", ",,,"}) {
    Result r = cli({"render", kInverter, "o.png", "--rules", kRules, "--window", w});
    EXPECT_EQ(r.code, 2) << w;
    EXPECT_NE(r.err.find("--window"), std::string::npos) << r.err;
  }
  EXPECT_EQ(cli({"render", "missing.msk", "o.png", "--rules", kRules}).code, 2);
  EXPECT_EQ(cli({"render", kInverter}).code, 2);
  EXPECT_FALSE(std::filesystem::exists("o.png"));
}

#ifdef QUILL_RENDER_QT

namespace {

// the picture the editor's view draws, made here without the batch program
QImage editorPicture(int w, int h, bool mono, const Rect* window) {
  TestContext t;
  EXPECT_TRUE(loadRuleFile(t.ctx.tech, t.ctx.db.layers, kRules, t.status, t.debug));
  ReadOptions opt;
  opt.repairScan = false;
  EXPECT_TRUE(openLayout(t.ctx, kInverter, opt).opened);
  QtSurface s(w, h);
  LayoutView view(t.ctx.db, t.ctx.tech, t.status, t.clock);
  view.setSurface(&s);
  if (mono) view.SetMonochrome(true);
  if (window) view.SetView(window->x1, window->y1, window->x2, window->y2);
  else view.ViewAll();
  return s.image().copy();
}

int differences(const QImage& a, const QImage& b) {
  if (a.size() != b.size()) return -1;
  int n = 0;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x) n += (a.pixel(x, y) & 0xFFFFFF) != (b.pixel(x, y) & 0xFFFFFF);
  return n;
}

}  // namespace

TEST(Render, DefaultPictureIsTheEditorsViewAll) {
  TempDir dir;
  Result r = cli({"render", kInverter, "inv.png", "--rules", kRules});
  ASSERT_EQ(r.code, 0) << r.err;
  QImage img("inv.png");
  ASSERT_FALSE(img.isNull());
  EXPECT_EQ(img.width(), 1600);
  EXPECT_EQ(img.height(), 1000);
  EXPECT_EQ(differences(img, editorPicture(1600, 1000, false, nullptr)), 0);
  // black background, some layer colour, the lambda grid's blue dots
  EXPECT_EQ(img.pixel(1599, 999) & 0xFFFFFF, 0u);
  int blue = 0, others = 0;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) {
      const QRgb p = img.pixel(x, y) & 0xFFFFFF;
      blue += p == 0x0000FF;
      others += p != 0 && p != 0x0000FF;
    }
  EXPECT_GT(blue, 100);
  EXPECT_GT(others, 50000);
}

TEST(Render, MonochromeSizeAndWindow) {
  TempDir dir;
  Result r = cli({"render", kInverter, "m.png", "--rules", kRules, "--mono", "--size", "300x200"});
  ASSERT_EQ(r.code, 0) << r.err;
  QImage m("m.png");
  EXPECT_EQ(m.size(), QSize(300, 200));
  EXPECT_EQ(differences(m, editorPicture(300, 200, true, nullptr)), 0);
  EXPECT_EQ(m.pixel(299, 199) & 0xFFFFFF, 0xFFFFFFu);  // white background

  const Rect w{0, 20, 22, 40};
  r = cli({"render", kInverter, "w.png", "--rules", kRules, "--window", "22,40,0,20", "--size", "640x480"});
  ASSERT_EQ(r.code, 0) << r.err;
  QImage wi("w.png");
  EXPECT_EQ(differences(wi, editorPicture(640, 480, false, &w)), 0);
  EXPECT_NE(differences(wi, editorPicture(640, 480, false, nullptr)), 0);

  // one pixel, and the largest side
  EXPECT_EQ(cli({"render", kInverter, "1.png", "--rules", kRules, "--size", "1x1"}).code, 0);
  EXPECT_EQ(QImage("1.png").size(), QSize(1, 1));
  EXPECT_EQ(cli({"render", kInverter, "8.png", "--rules", kRules, "--size", "8192x2"}).code, 0);
  EXPECT_EQ(QImage("8.png").size(), QSize(8192, 2));
}

TEST(Render, UnwritableOutputIsReported) {
  TempDir dir;
  Result r = cli({"render", kInverter, "no/such/folder/x.png", "--rules", kRules});
  EXPECT_EQ(r.code, 2);
  EXPECT_NE(r.err.find("cannot write"), std::string::npos) << r.err;
}

TEST(Render, RunsWithNoDisplayAndNoPlatformSet) {
  TempDir dir;
  const std::string cmd = std::string("env -u DISPLAY -u QT_QPA_PLATFORM -u WAYLAND_DISPLAY ") + QUILL_CLI +
                          " render " + kInverter + " nd.png --rules " + kRules + " --size 200x100 2>err.txt";
  ASSERT_EQ(std::system(cmd.c_str()), 0) << quill::testing::readBytes("err.txt");
  EXPECT_EQ(QImage("nd.png").size(), QSize(200, 100));
}

#else

TEST(Render, RefusedWithoutTheWindows) {
  TempDir dir;
  Result r = cli({"render", kInverter, "o.png", "--rules", kRules});
  EXPECT_EQ(r.code, 2);
  EXPECT_NE(r.err.find("Qt"), std::string::npos);
}

#endif
