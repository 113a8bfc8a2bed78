// The editing operations on the layout: store, delete in an area with
// cutting, select, copy, move, stretch, paste, rotate, flip, invert
// diffusion, vertical shift, connect layers and the one-level undo. Areas and points are in
// lambda; the main frame converts the gestures. Boxes of protected layers
// are never touched.
#pragma once
#include <cstdint>
#include <functional>
#include <set>
#include <tuple>
#include <string>
#include <vector>

#include "core/LayoutDatabase.h"
#include "core/TechnologyRules.h"
#include "platform/StatusMessage.h"

namespace quill {

// world to screen pixels, for the hit rectangles of label texts
using ToScreen = std::function<void(std::int32_t x, std::int32_t y, int& px, int& py)>;

enum class StretchSide : std::uint8_t { None, East, West, North, South };

// One array of cuts for connect layers: nx by ny cuts of a contact kind
// (diffp, diffn, poly, poly2, or metal2..metal6 for the via from the metal
// below), the first cut centred at (x, y).
struct CutArray {
  std::int64_t x = 0, y = 0, nx = 1, ny = 1;
  int kind = 0;
  bool operator==(const CutArray&) const = default;
};
// Builds every array or none: false, with the text to show, when nothing
// was added. The generators provide it (editor/ConnectCuts.h).
using CutArrayBuilder = std::function<bool(const std::vector<CutArray>&, std::string& refusal)>;

class EditOperations {
 public:
  EditOperations(LayoutDatabase& db, const TechnologyRules& tech, StatusMessage& status)
      : db_(db), tech_(tech), status_(status) {}

  // box mode release; a click reports what lies at the point
  void storeBox(Rect area);

  // cut mode: dragPixels is the larger side of the dragged rectangle on
  // screen (a click is 10 or less); returns the number of elements removed
  int deleteInArea(Rect area, int dragPixels, const ToScreen& toScreen);
  void deleteOneBox(int position);

  // copy: select, then copy by a displacement (selection kept for the next copy)
  int selectForCopy(Rect area);
  void copy(std::int32_t dx, std::int32_t dy);

  // move or stretch: the selection is picked up (deleted) and moved, or, when
  // nothing lies inside, a box border under the area becomes the stretch target
  struct MoveSelection {
    int boxes = 0, labels = 0;  // labels counts labels and symbols together
    StretchSide stretch = StretchSide::None;
    int stretchBox = 0;
  };
  MoveSelection selectForMove(Rect area);
  void move(std::int32_t dx, std::int32_t dy);
  void stretch(std::int32_t dx, std::int32_t dy);

  // paste: the deleted elements still in the tables; false when there are none
  // the number of elements (0: none) and their extent
  int preparePaste(Rect& extent);
  void paste(std::int32_t px, std::int32_t py);

  void rotate(Rect area, bool plus90);
  void flip(Rect area, bool horizontal);
  void invertDiffusion(Rect area);
  void verticalShift(std::int32_t a, std::int32_t lower, std::int32_t upper);
  // cut arrays between the lowest and the highest conductor touching the
  // area (a point from the pop-up); nothing without cutArrays
  void connectLayers(Rect area);
  CutArrayBuilder cutArrays;

  void undo();
  bool undoAvailable() const { return db_.undoKind != kUndoNone; }

  // the selection of copy and move
  const Rect& selectionExtent() const { return extent_; }
  const std::vector<Rect>& selectionOutlines() const { return outlines_; }
  std::int32_t referenceX() const { return extent_.x1; }
  std::int32_t referenceY() const { return extent_.y1; }
  int stretchTarget() const;
  StretchSide stretchSide() const { return stretchSide_; }

  // told after every change of the layout that needs a redraw
  std::function<void()> redraw;

 private:
  void changed();  // modified set, circuit no longer extracted
  void show(const std::string& text) { status_.write(StatusMessage::Main, text); }
  std::string microns(std::int64_t lambda) const;
  bool boxEditable(int p) const;
  void resetSelection();
  void grow(const Rect& r);
  void outline(const Rect& r);
  int select(Rect area, bool forMove);
  int pasteSource();  // extent and count of the deleted elements
  void compactTables();
  bool roomFor(int boxes);  // false (and says so) when the table cannot take them

  LayoutDatabase& db_;
  const TechnologyRules& tech_;
  StatusMessage& status_;
  Rect extent_{};
  bool extentEmpty_ = true;
  std::vector<Rect> outlines_;
  std::set<std::tuple<std::int32_t, std::int32_t, std::int32_t, std::int32_t>> outlineSet_;
  int stretchBox_ = 0;
  StretchSide stretchSide_ = StretchSide::None;
  Rect stretchSaved_{};
  std::uint64_t stretchGeneration_ = 0;
};

Rect normalised(Rect r);

}  // namespace quill
