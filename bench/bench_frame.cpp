// Main frame speed on 300000 boxes (the inverter cell tiled, extracted, with
// node names): a mouse move showing the node names under the cursor, and a
// mouse move while dragging a box (rubber band erased and drawn again in
// not-xor, the size text written).
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "core/AppContext.h"
#include "core/MskFile.h"
#include "core/RuleFile.h"
#include "editor/Frame.h"
#include "editor/View.h"
#include "platform/FakeDialogs.h"
#include "platform/MemorySurface.h"

using namespace quill;

namespace {

constexpr int kW = 1600, kH = 1000;

struct NoHelp : HelpOpener {
  bool open(const std::string&) override { return false; }
};

struct Scene {
  SilentStatus status;
  FakeDialogs dialogs;
  DebugLog debug;
  FakeClock clock;
  FakeRandom random;
  AppContext ctx{Services{status, dialogs, debug, clock, random}};
  MemorySurface surface{kW, kH};
  std::unique_ptr<LayoutView> view;
  std::unique_ptr<LayoutViewFrame> link;
  FrameWindow window;
  NoHelp help;
  std::unique_ptr<FrameController> frame;

  Scene() {
    const std::string data = QUILL_DATA;
    loadRuleFile(ctx.tech, ctx.db.layers, data + "/default.rul", status, debug);
    ReadOptions opt;
    opt.repairScan = false;
    openLayout(ctx, data + "/inverter.msk", opt);
    LayoutDatabase& db = ctx.db;
    std::vector<LayoutBox> cell;
    for (int i = 1; i <= db.boxCount(); ++i) cell.push_back(db.box(i));
    db.clear();
    {
      LayoutDatabase::BulkAdd hold(db);
      const int tiles = kMaxBoxes / static_cast<int>(cell.size());
      const int nx = 400;
      for (int t = 0; t < tiles; ++t)
        for (const LayoutBox& b : cell)
          db.addBox((t % nx) * 26 + b.x1, (t / nx) * 60 + b.y1, (t % nx) * 26 + b.x2, (t / nx) * 60 + b.y2, b.layer);
    }
    for (int n = 2; n < 200; ++n) db.addNode("");
    for (int i = 1; i <= db.boxCount(); ++i) db.box(i).node = i % 200;
    db.extracted = true;
    view = std::make_unique<LayoutView>(db, ctx.tech, status, clock);
    view->setSurface(&surface);
    view->ViewAll();
    // a zoomed view of a few cells, as a user pointing at nodes would have
    view->SetView(0, 0, 160, 100);
    link = std::make_unique<LayoutViewFrame>(*view);
    frame = std::make_unique<FrameController>(ctx, *link, window, help);
    frame->boxMode();
  }
};

Scene& scene() {
  static Scene s;
  return s;
}

void BM_MouseMoveNodeNames(benchmark::State& state) {
  Scene& s = scene();
  int i = 0;
  for (auto _ : state) {
    s.frame->mouseMove({(i * 37) % kW, (i * 53) % kH});
    ++i;
  }
  state.counters["boxes"] = s.ctx.db.boxCount();
  // how many of 100 points show names, so the figure is not one of empty lookups
  int named = 0;
  for (int k = 0; k < 100; ++k) {
    s.frame->mouseMove({(k * 37) % kW, (k * 53) % kH});
    named += !s.status.text(StatusMessage::Info).empty();
  }
  state.counters["named%"] = named;
}
BENCHMARK(BM_MouseMoveNodeNames)->Unit(benchmark::kMicrosecond);

void BM_MouseMoveDraggingABox(benchmark::State& state) {
  Scene& s = scene();
  s.frame->mouseDown({100, 100}, FrameController::Button::Left);
  int i = 0;
  for (auto _ : state) {
    s.frame->mouseMove({200 + (i * 37) % 1200, 150 + (i * 53) % 800});
    ++i;
  }
  s.frame->setMode(kModeBox);  // drops the drag without storing
}
BENCHMARK(BM_MouseMoveDraggingABox)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
