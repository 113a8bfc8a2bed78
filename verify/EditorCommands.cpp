#include "verify/EditorCommands.h"

#include <algorithm>

#include "verify/Cleaner.h"

namespace quill {

VerifyCommands::VerifyCommands(FrameController& frame, LayoutView& view) : frame_(frame), view_(view) {
  frame_.registerCommand(Command::Drc, [this] { designRuleCheck(); });
  frame_.registerCommand(Command::CleanLayout, [this] { cleanLayout(); });
}

VerifyCommands::~VerifyCommands() {
  frame_.registerCommand(Command::Drc, nullptr);
  frame_.registerCommand(Command::CleanLayout, nullptr);
}

void VerifyCommands::designRuleCheck() {
  AppContext& ctx = frame_.context();
  StatusMessage& st = frame_.status();
  st.write(StatusMessage::Main, "Design Rule Checker ...");
  st.clearStop();
  last_ = checkDesignRules(ctx.db, ctx.tech, st);
  if (last_.errorCount > 0) {
    const Rect& r = last_.violations.front().rect;
    view_.SetView(r.x1 - 20, r.y1 - 20, r.x2 + 20, r.y2 + 20);
    drawMarkers();
    st.write(StatusMessage::Main, last_.message);
    frame_.setMode(kModeStretch, last_.message);
    return;
  }
  view_.Redraw();
  st.write(StatusMessage::Main, last_.message);
  frame_.boxMode();
}

void VerifyCommands::drawMarkers() {
  Surface* s = view_.surface();
  if (!s) return;
  const Colour white = rgb(255, 255, 255);
  s->setPenMode(PenMode::Copy);
  for (std::size_t k = 0; k < last_.violations.size(); ++k) {
    const DrcViolation& v = last_.violations[k];
    const int x1 = view_.sx(v.rect.x1), x2 = view_.sx(v.rect.x2);
    const int top = view_.sy(v.rect.y2), bottom = view_.sy(v.rect.y1);
    if (x2 < 0 || x1 > s->width() || bottom < 0 || top > s->height()) continue;
    s->outlineRect(x1, top, std::max(x1 + 1, x2 + 1), std::max(top + 1, bottom + 1), white);
    TextStyle small;
    small.pointSize = 7;
    small.colour = white;
    if (v.vertical) {
      // double arrow along the middle x, dimension along the measured side
      const int mx = (x1 + x2) / 2;
      s->line(mx, top, mx, bottom, white);
      s->line(mx - 3, top + 3, mx, top, white);
      s->line(mx + 3, top + 3, mx, top, white);
      s->line(mx - 3, bottom - 3, mx, bottom, white);
      s->line(mx + 3, bottom - 3, mx, bottom, white);
      s->line(x2 + 4, top, x2 + 4, bottom, white);
      s->text(x2 + 7, (top + bottom) / 2 - 5, "dy=" + std::to_string(std::int64_t{v.rect.y2} - v.rect.y1), small);
    } else {
      const int my = (top + bottom) / 2;
      s->line(x1, my, x2, my, white);
      s->line(x1 + 3, my - 3, x1, my, white);
      s->line(x1 + 3, my + 3, x1, my, white);
      s->line(x2 - 3, my - 3, x2, my, white);
      s->line(x2 - 3, my + 3, x2, my, white);
      s->line(x1, bottom + 4, x2, bottom + 4, white);
      s->text((x1 + x2) / 2 - 10, bottom + 7, "dx=" + std::to_string(std::int64_t{v.rect.x2} - v.rect.x1), small);
    }
    if (k == 0) {
      TextStyle t;
      t.pointSize = 9;
      t.colour = white;
      s->text(view_.sx(v.rect.x1) - 20, view_.sy(v.rect.y1) + 40, v.text, t);
      frame_.status().write(StatusMessage::Info, "DRC Errors");
    }
  }
}

void VerifyCommands::cleanLayout() {
  cleanLayoutCommand(frame_.context().db, frame_.status());
  view_.Redraw();
}

}  // namespace quill
