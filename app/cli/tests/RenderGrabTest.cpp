// quillmere-cli render against the editor itself: the PNG equals a grab of
// the main window's drawing area at the same size, text pixels aside (fonts
// come from the machine).
#include <gtest/gtest.h>

#include <QImage>
#include <QTest>
#include <sstream>
#include <string>
#include <vector>

#include "app/cli/CliApp.h"
#include "core/RuleFile.h"
#include "core/tests/TestFiles.h"
#include "editor/ui/Frame.h"
#include "platform/FakeDialogs.h"

using namespace quill;

namespace {

const std::string kData = QUILL_DATA;

struct Editor {
  Tmdiframe frame;
  FakeDialogs dialogs;
  DebugLog debug;
  FakeClock clock;
  FakeRandom random;
  AppContext ctx{Services{frame.status(), dialogs, debug, clock, random}};

  explicit Editor(const std::string& layout) {
    frame.bind(ctx);
    frame.resize(900, 700);
    frame.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&frame));
    loadRuleFile(ctx.tech, ctx.db.layers, kData + "/default.rul", frame.status(), debug);
    EXPECT_TRUE(frame.controller().openLayoutFile(kData + "/" + layout));
  }
  QImage grab() { return frame.PaintLayout->grab().toImage().convertToFormat(QImage::Format_RGB32); }
};

// pixels that differ outside the boxes where texts are drawn
int differencesOutsideText(const QImage& a, const QImage& b, const std::vector<QRect>& textBoxes) {
  if (a.size() != b.size()) return -1;
  int n = 0;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x) {
      if ((a.pixel(x, y) & 0xFFFFFF) == (b.pixel(x, y) & 0xFFFFFF)) continue;
      bool inText = false;
      for (const QRect& r : textBoxes) inText |= r.contains(x, y);
      n += !inText;
    }
  return n;
}

}  // namespace

TEST(RenderGrab, RenderEqualsTheEditorsDrawingArea) {
  for (const char* layout : {"inverter.msk", "ring5.msk"}) {
    SCOPED_TRACE(layout);
    Editor e(layout);
    e.frame.view().ViewAll();
    QApplication::processEvents();
    const QImage grab = e.grab();
    ASSERT_GT(grab.width(), 100);

    quill::testing::TempDir dir;
    const std::string size = std::to_string(grab.width()) + "x" + std::to_string(grab.height());
    std::vector<std::string> args = {"quillmere-cli", "render",  kData + "/" + layout, "r.png",
                                     "--rules",       kData + "/default.rul", "--size", size};
    std::vector<const char*> argv;
    for (auto& s : args) argv.push_back(s.c_str());
    std::ostringstream out, err;
    ASSERT_EQ(runCli(static_cast<int>(argv.size()), argv.data(), out, err), 0) << err.str();
    const QImage png = QImage("r.png").convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(png.size(), grab.size());

    // where texts go: the scale bar's and every label's, generously
    std::vector<QRect> texts = {QRect(0, 30, 200, 60)};
    const LayoutDatabase& db = e.ctx.db;
    for (int i = 1; i <= db.labelCount(); ++i) {
      const LayoutLabel& l = db.label(i);
      texts.push_back(QRect(e.frame.view().sx(l.x) - 40, e.frame.view().sy(l.y) - 5, 200, 30));
    }
    EXPECT_EQ(differencesOutsideText(png, grab, texts), 0);
    // and with the same fonts in one process, the texts match as well
    EXPECT_EQ(differencesOutsideText(png, grab, {}), 0);
  }
}
