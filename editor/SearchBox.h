// The logic of the box search window TFormSearch ("Change box size or
// layer"): finds the boxes of one layer by a size constraint, one after
// the other, and changes their size or layer, one or all in a pass.
//
// The window shows these members, writes what the user typed back into
// them before each button and shows them again afterwards. Opened by the
// Edit menu's "Change box size or layer ".
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "core/LayoutDatabase.h"
#include "core/TechnologyRules.h"
#include "editor/Labels.h"
#include "editor/ToolView.h"
#include "platform/StatusMessage.h"

namespace quill {

enum SizeConstraint : int { kNoConstraint = 0, kSizeLess = 1, kSizeEqual = 2, kSizeGreater = 3 };

class BoxSearch {
 public:
  BoxSearch(LayoutDatabase& db, const TechnologyRules& tech, StatusMessage& status, ToolView& view);

  // --- what the window shows (kept for the program's lifetime)
  int ListLayers = 0;                  // index into layerNames(): layer index - 1
  int RadioConstraints = kNoConstraint;
  NumberEdit EditSize{3, 1, 100000};
  bool CheckChange = false;            // "Change size to :"
  std::string EditChange = "2";
  bool CheckLayer = false;             // "Change layer to :"
  int ComboLayers = kVia - 1;          // index into layerNames()
  bool CheckShow = false;              // "Show each change"

  // the layer names from layer 1 up to the technology's top metal
  std::vector<std::string> layerNames() const;
  // "Change" and "Change all" are enabled
  bool changeEnabled() const { return CheckChange || CheckLayer; }
  // the box last found, 0 when none (or when the table changed under it)
  int found() const;

  // "Search...": the next box after the one found; false when none
  bool Search();
  // "Change": the box last found; false when nothing changed
  bool Change();
  // "Change all": search and change over one pass of the table; the count
  int ChangeAll();
  // "Invert diffusions": the main window's invert-diffusion state
  std::function<void()> invertDiffusions;
  void Close();

 private:
  void show(const std::string& t) { status_.write(StatusMessage::Main, t); }
  bool matches(const LayoutBox& b, int layer, std::int64_t s) const;
  bool findNext(bool report);
  bool changeFound(bool report);
  void unhighlight();

  LayoutDatabase& db_;
  const TechnologyRules& tech_;
  StatusMessage& status_;
  ToolView& view_;
  // the box last found, with what it was then and the table's generation:
  // a compaction or sort may have put another box at its position
  int found_ = 0;
  LayoutBox foundBox_;
  std::uint64_t foundGeneration_ = 0;
  int changeSize_ = 2;
  bool highlighted_ = false;
};

}  // namespace quill
