// The logic of the duplicate window TFormDuplicate ("Duplicate in X Y"):
// the boxes marked in an area are copied nx by ny times at the pitch of
// their extent. One of them may be programmed from a grid of "0"/"1" cells,
// a "0" leaving its copy out, to build ROM-like arrays.
//
// The window shows these members, writes what the user typed back into
// them before each button and shows them again afterwards. Registered for
// state 41; the release marks the boxes and opens the window (modal).
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "core/LayoutDatabase.h"
#include "editor/Labels.h"
#include "editor/ToolView.h"
#include "platform/StatusMessage.h"

namespace quill {

constexpr int kProgramGridSize = 128;
constexpr Colour kMarkColour = rgb(255, 255, 0);

class DuplicateEditor : public StateHandler {
 public:
  DuplicateEditor(LayoutDatabase& db, StatusMessage& status, ToolView& view);

  // --- what the window shows (the counts stay for the program's lifetime)
  NumberEdit EditMulX{2, 0, 1000}, EditMulY{2, 0, 1000};
  bool CheckProgram = false;  // "Assign data to"
  int ComboBox = 0;           // the programmed box: an index into entries()
  std::string EditString;     // hexadecimal bytes for "Fill array"

  // the marked boxes, one entry each: layer name, w "x" h " lambda"
  const std::vector<std::string>& entries() const { return entries_; }
  const std::vector<int>& marked() const { return marked_; }
  const Rect& extent() const { return extent_; }
  std::string sizeText() const;      // LabelSize
  std::string groupCaption() const;  // GroupLayout
  bool isOpen() const { return open_; }

  // the programming grid StringArray: cells are '0' or '1'; cells outside
  // the grid read as '0' and are not written
  char cell(int col, int row) const;
  void setCell(int col, int row, bool one);
  void StringArrayDblClick(int col, int row);
  // reads EditString; false (nothing filled) when a byte is not one or
  // two hexadecimal digits, or "Assign data to" is not checked
  bool BitBtnFillClick();

  // --- the command
  // marks the boxes of the area; their number
  int select(Rect area);
  // makes the copies; false when refused (the window stays open)
  bool btnGenerateClick();
  void btnCancelClick();

  // shows the window modally; returns when it closed
  std::function<void()> showWindow;

  // StateHandler (state 41)
  void release(FrameController& f, LambdaPoint a, LambdaPoint b) override;

 private:
  void show(const std::string& t) { status_.write(StatusMessage::Main, t); }
  void done();
  void readCounts();

  LayoutDatabase& db_;
  StatusMessage& status_;
  ToolView& view_;
  FrameController* frame_ = nullptr;
  std::vector<int> marked_;
  std::vector<std::string> entries_;
  Rect extent_{};
  std::vector<char> grid_;
  bool open_ = false;
};

}  // namespace quill
