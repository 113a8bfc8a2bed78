// The logic of the window TFormRes ("Virtual R,L,C Parameters"): places a
// virtual resistor, inductor or capacitor symbol at a click, or edits the
// symbol under it (also from a double-click and the pop-up's Text
// properties): its value text, its size, and for a resistor which
// resistances extraction sums for it.
//
// The window shows these members, writes what the user typed back into
// them before each button and shows them again afterwards. Registered for
// states 43 (resistor), 31 (inductor) and 46 (capacitor) through
// handlerFor(), and for FrameController::editRlcAt through editAt().
#pragma once
#include <functional>
#include <string>

#include "core/LayoutDatabase.h"
#include "core/TechnologyRules.h"
#include "editor/Frame.h"
#include "editor/ToolView.h"
#include "platform/StatusMessage.h"

namespace quill {

// the entries of RadioParams
enum RlcParam : int { kFixedResistance = 0, kAllResistance = 1, kMetalResistance = 2, kPolyResistance = 3,
                      kDiffResistance = 4 };
constexpr int kRlcParamCount = 5;
const char* rlcParamCaption(int param);
// the text an entry writes into EditValue ("100", "R(all)", ...)
const char* rlcParamText(int param);
// the entry a value text selects
int rlcParamOfText(const std::string& text);

class RlcEditor {
 public:
  RlcEditor(LayoutDatabase& db, const TechnologyRules& tech, StatusMessage& status, ToolView& view);

  // --- what the window shows
  int kind = kRlcResistor;  // the visible picture
  std::string EditValue = "100";
  int size = 1;              // the pressed size button: 1, 5 or 25 (kept for the program's lifetime)
  int RadioParams = kFixedResistance;
  std::string info;          // "Resistor between nodes", ...
  int target() const { return target_; }  // the symbol edited, 0 for a new one
  LambdaPoint point() const { return point_; }
  bool isOpen() const { return open_; }

  // the active symbol whose screen rectangle, enlarged by size + 10
  // pixels, holds p; the last in table order; 0 when none
  int symbolAt(LambdaPoint p) const;
  // opens the window for the symbol at p; false when there is none
  bool editAt(LambdaPoint p);
  // a click of the placement states: the symbol there, else a new one of kind
  void openAt(LambdaPoint p, int kind);

  void RadioParamsClick(int param);
  // EditValue changed: the resistor entry follows the text
  void EditValueChange();
  void sizeClick(int size);  // sbSmall, sbMedium, sbLarge
  // true when the window closes
  bool btnOkClick();
  void btnCancelClick();

  // shows the window modally; returns when it closed
  std::function<void()> showWindow;
  // after OK: the palette lets its resistor, capacitor and inductor buttons go
  std::function<void()> released;

  StateHandler& handlerFor(int kind);

 private:
  struct Placement : StateHandler {
    RlcEditor& e;
    int kind;
    Placement(RlcEditor& owner, int k) : e(owner), kind(k) {}
    void release(FrameController&, LambdaPoint, LambdaPoint point) override { e.openAt(point, kind); }
  };
  void show(int panel, const std::string& t) { status_.write(panel, t); }
  void open();
  void prepare(int symbol);

  LayoutDatabase& db_;
  const TechnologyRules& tech_;
  StatusMessage& status_;
  ToolView& view_;
  int target_ = 0;
  RlcSymbol targetCopy_;
  LambdaPoint point_;
  bool open_ = false;
  Placement resistor_{*this, kRlcResistor}, inductor_{*this, kRlcInductor}, capacitor_{*this, kRlcCapacitor};
};

}  // namespace quill
