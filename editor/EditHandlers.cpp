#include "editor/EditHandlers.h"

#include <algorithm>
#include <cstdlib>

#include "core/Text.h"

namespace quill {

namespace {

Rect area(LambdaPoint a, LambdaPoint b) { return normalised({a.x, a.y, b.x, b.y}); }

std::int32_t dx(LambdaPoint a, LambdaPoint b) { return b.x - a.x; }
std::int32_t dy(LambdaPoint a, LambdaPoint b) { return b.y - a.y; }

// one operation on the dragged area
class AreaHandler : public StateHandler {
 public:
  using Op = std::function<void(Rect)>;
  explicit AreaHandler(Op op) : op_(std::move(op)) {}
  void release(FrameController&, LambdaPoint a, LambdaPoint b) override { op_(area(a, b)); }

 private:
  Op op_;
};

}  // namespace

struct EditingCommands::Handlers {
  EditingCommands& e;
  explicit Handlers(EditingCommands& owner) : e(owner) {}

  struct Box : StateHandler {
    EditOperations& ops;
    explicit Box(EditOperations& o) : ops(o) {}
    void release(FrameController&, LambdaPoint a, LambdaPoint b) override { ops.storeBox(area(a, b)); }
    std::string dragText(FrameController& f, LambdaPoint a, LambdaPoint b) override { return f.boxSizeText(a, b); }
  };

  struct Cut : StateHandler {
    EditOperations& ops;
    explicit Cut(EditOperations& o) : ops(o) {}
    void release(FrameController& f, LambdaPoint a, LambdaPoint b) override {
      const PixelPoint pa = f.view().toPixel(a), pb = f.view().toPixel(b);
      const int d = std::max(std::abs(pa.x - pb.x), std::abs(pa.y - pb.y));
      ops.deleteInArea(area(a, b), d, [&f](std::int32_t x, std::int32_t y, int& px, int& py) {
        const PixelPoint p = f.view().toPixel({x, y});
        px = p.x;
        py = p.y;
      });
    }
  };

  struct CopySelect : StateHandler {
    EditOperations& ops;
    explicit CopySelect(EditOperations& o) : ops(o) {}
    void release(FrameController& f, LambdaPoint a, LambdaPoint b) override {
      const int n = ops.selectForCopy(area(a, b));
      if (n > 0) f.beginTarget(kModeCopyTarget, "Give the target location for copying " + std::to_string(n) + " elements ...");
    }
  };

  struct CopyTarget : StateHandler {
    EditOperations& ops;
    explicit CopyTarget(EditOperations& o) : ops(o) {}
    void release(FrameController& f, LambdaPoint a, LambdaPoint b) override {
      ops.copy(dx(a, b), dy(a, b));
      f.setMode(kModeCopySelect);
    }
    void rubberOutlines(FrameController&, LambdaPoint, LambdaPoint, std::vector<Rect>& out) override {
      out = ops.selectionOutlines();
    }
  };

  struct Stretch : StateHandler {
    EditOperations& ops;
    explicit Stretch(EditOperations& o) : ops(o) {}
    void release(FrameController& f, LambdaPoint a, LambdaPoint b) override {
      EditOperations::MoveSelection s = ops.selectForMove(area(a, b));
      if (s.boxes + s.labels > 0) {
        pickUp(f);
        f.beginTarget(kModeMoveTarget,
                      "Give the target location for moving " + std::to_string(s.boxes + s.labels) + " elements ...");
      } else if (s.stretch != StretchSide::None) {
        f.setStretchAxisX(s.stretch == StretchSide::East || s.stretch == StretchSide::West);
        f.beginTarget(kModeStretchTarget, "Give the target location for stretching the box border...");
      }
    }
    void pickUp(FrameController& f) {
      const LayoutDatabase& db = f.context().db;
      std::vector<int> boxes, labels;
      for (int p = 1; p <= db.boxCount(); ++p)
        if (db.box(p).state == 0) boxes.push_back(p);
      for (int i = 1; i <= db.labelCount(); ++i)
        if (!db.label(i).active) labels.push_back(i);
      f.setPickedUp(std::move(boxes), std::move(labels));
    }
  };

  struct StretchTarget : StateHandler {
    EditOperations& ops;
    explicit StretchTarget(EditOperations& o) : ops(o) {}
    void release(FrameController& f, LambdaPoint a, LambdaPoint b) override {
      ops.stretch(dx(a, b), dy(a, b));
      f.setMode(kModeStretch);
    }
    std::string dragText(FrameController& f, LambdaPoint a, LambdaPoint b) override {
      const Rect r = stretched(f, a, b);
      const std::int64_t w = std::int64_t{r.x2} - r.x1, h = std::int64_t{r.y2} - r.y1;
      const LayoutDatabase& db = f.context().db;
      const int box = ops.stretchTarget();
      const int rule = box >= 1 && box <= db.boxCount() ? db.layers[db.box(box).layer].widthRule : 0;
      const double lambda = f.context().tech.lambda;
      std::string t = "Stretch box to size " + F(double(w) * lambda, 5, 3) + " x " + F(double(h) * lambda, 5, 3) +
                      " \xB5m, (" + std::to_string(w) + " x " + std::to_string(h) + " lambda)";
      if (w < rule || h < rule) t += "(too small)";
      return t;
    }
    void rubberOutlines(FrameController& f, LambdaPoint a, LambdaPoint b, std::vector<Rect>& out) override {
      out.assign(1, stretched(f, a, b));
    }
    Rect stretched(FrameController& f, LambdaPoint a, LambdaPoint b) const {
      const LayoutDatabase& db = f.context().db;
      const int p = ops.stretchTarget();
      if (p < 1 || p > db.boxCount()) return {};
      const LayoutBox& x = db.box(p);
      Rect r{x.x1, x.y1, x.x2, x.y2};
      switch (ops.stretchSide()) {
        case StretchSide::East: r.x2 += dx(a, b); break;
        case StretchSide::West: r.x1 += dx(a, b); break;
        case StretchSide::North: r.y2 += dy(a, b); break;
        case StretchSide::South: r.y1 += dy(a, b); break;
        case StretchSide::None: break;
      }
      return normalised(r);
    }
  };

  struct MoveTarget : StateHandler {
    EditOperations& ops;
    explicit MoveTarget(EditOperations& o) : ops(o) {}
    void release(FrameController& f, LambdaPoint a, LambdaPoint b) override {
      ops.move(dx(a, b), dy(a, b));
      f.setPickedUp({}, {});
      f.setMode(kModeStretch);
    }
    void rubberOutlines(FrameController&, LambdaPoint, LambdaPoint, std::vector<Rect>& out) override {
      out = ops.selectionOutlines();
    }
  };

  struct Paste : StateHandler {
    EditOperations& ops;
    explicit Paste(EditOperations& o) : ops(o) {}
    void release(FrameController& f, LambdaPoint, LambdaPoint b) override {
      ops.paste(b.x, b.y);
      f.boxMode();
    }
  };

  Box box{e.ops_};
  Cut cut{e.ops_};
  AreaHandler rotate{[this](Rect r) { e.ops_.rotate(r, true); }};
  AreaHandler rotateBack{[this](Rect r) { e.ops_.rotate(r, false); }};
  AreaHandler flipH{[this](Rect r) { e.ops_.flip(r, true); }};
  AreaHandler flipV{[this](Rect r) { e.ops_.flip(r, false); }};
  AreaHandler invert{[this](Rect r) { e.ops_.invertDiffusion(r); }};
  AreaHandler connect{[this](Rect r) { e.ops_.connectLayers(r); }};
  CopySelect copySelect{e.ops_};
  CopyTarget copyTarget{e.ops_};
  Stretch stretch{e.ops_};
  StretchTarget stretchTarget{e.ops_};
  MoveTarget moveTarget{e.ops_};
  Paste paste{e.ops_};
};

EditingCommands::EditingCommands(FrameController& frame, EditOperations& ops)
    : frame_(frame), ops_(ops), h_(std::make_unique<Handlers>(*this)) {
  ops_.redraw = [this] { frame_.redraw(); };
  frame_.registerHandler(kModeBox, &h_->box);
  frame_.registerHandler(kModeCut, &h_->cut);
  frame_.registerHandler(kModeRotate, &h_->rotate);
  frame_.registerHandler(kModeRotateBack, &h_->rotateBack);
  frame_.registerHandler(kModeFlipHorizontal, &h_->flipH);
  frame_.registerHandler(kModeFlipVertical, &h_->flipV);
  frame_.registerHandler(kModeInvertDiffusion, &h_->invert);
  frame_.registerHandler(kModeCopySelect, &h_->copySelect);
  frame_.registerHandler(kModeCopyTarget, &h_->copyTarget);
  frame_.registerHandler(kModeStretch, &h_->stretch);
  frame_.registerHandler(kModeStretchTarget, &h_->stretchTarget);
  frame_.registerHandler(kModeMoveTarget, &h_->moveTarget);
  frame_.registerHandler(kModePaste, &h_->paste);
  frame_.registerHandler(kModeConnect, &h_->connect);
  frame_.popupActions[PopupItem::ConnectLayers] = [this](LambdaPoint p) { ops_.connectLayers({p.x, p.y, p.x, p.y}); };
  frame_.registerCommand(Command::Undo, [this] { ops_.undo(); });
  frame_.registerCommand(Command::Paste, [this] {
    Rect e;
    const int n = ops_.preparePaste(e);
    if (n == 0) return;
    const std::string selected = frame_.status().text(StatusMessage::Main);
    // the cursor holds the extent's lower-right corner
    const std::int32_t w = e.x2 - e.x1, h = e.y2 - e.y1;
    frame_.beginPlacement(kModePaste, {-w, 0, 0, h},
                          selected + "Give the target location to paste " + std::to_string(n) + " elements ...");
  });
}

EditingCommands::~EditingCommands() {
  for (int m : {kModeBox, kModeCut, kModeRotate, kModeRotateBack, kModeFlipHorizontal, kModeFlipVertical,
                kModeInvertDiffusion, kModeCopySelect, kModeCopyTarget, kModeStretch, kModeStretchTarget,
                kModeMoveTarget, kModePaste, kModeConnect})
    frame_.registerHandler(m, nullptr);
  frame_.popupActions.erase(PopupItem::ConnectLayers);
  frame_.registerCommand(Command::Undo, nullptr);
  frame_.registerCommand(Command::Paste, nullptr);
}

}  // namespace quill
