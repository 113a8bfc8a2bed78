// The layout view: maps the lambda plane onto the drawing area and back, and
// draws the whole layout there (boxes by layer, labels, R/L/C symbols, scale
// bar, lambda and routing grids, ruler). It owns the view window, the
// previous view and the colour scheme. One per program.
//
// The view draws onto a Surface that the window gives it (the backing store
// of the drawing area); it never paints a window itself. After each drawing
// operation it calls the drawn callback so the window can show the result.
//
// Screen coordinates are computed in double precision and clipped before they
// are narrowed, so boxes at any legal coordinate draw at once; grids whose
// lines would lie closer than 2 pixels are left out. Boxes narrower or lower
// than a pixel still show as one pixel.
//
// Large layouts are culled through a spatial index that follows the box
// table's change range (LayoutDatabase::takeBoxChanges): the view is its one
// reader.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/LayoutDatabase.h"
#include "core/TechnologyRules.h"
#include "platform/Clock.h"
#include "platform/Colour.h"
#include "platform/StatusMessage.h"
#include "platform/Surface.h"

namespace quill {

class BoxIndex;

struct ViewScheme {
  Colour background = rgb(0, 0, 0);
  Colour text = rgb(255, 255, 255);
  Colour line = rgb(0, 255, 0);        // ruler and dimension lines
  Colour gridDot = rgb(0, 0, 255);     // lambda-grid dots
  Colour highlight = rgb(255, 255, 0);  // read by the simulation window
  Colour contrast = rgb(255, 255, 0);   // read by the MOS viewer
  Colour gridLine = rgb(128, 128, 128);  // plot grids of the tool windows
};

class LayoutView : public DatabaseObserver {
 public:
  // Becomes the database's observer (items added while drawImmediately is
  // set are drawn at once) until destroyed.
  LayoutView(LayoutDatabase& db, const TechnologyRules& tech, StatusMessage& status, const Clock& clock);
  ~LayoutView() override;
  LayoutView(const LayoutView&) = delete;
  LayoutView& operator=(const LayoutView&) = delete;

  // --- where to draw
  // The drawing area; W and H are its size. Null: nothing is drawn and the
  // size set by setAreaSize applies.
  void setSurface(Surface* s) { surface_ = s; }
  Surface* surface() const { return surface_; }
  void setAreaSize(int w, int h);
  int areaWidth() const;   // W
  int areaHeight() const;  // H
  // called after every operation that drew something
  void setDrawnCallback(std::function<void()> cb) { drawn_ = std::move(cb); }

  // --- view state
  const Rect& viewWindow() const { return viewWindow_; }
  const Rect& previousView() const { return previousView_; }
  double scale() const { return scale_; }
  double offsetX() const { return offsetX_; }
  double offsetY() const { return offsetY_; }
  std::int32_t lambdaGridStep() const { return lambdaGridStep_; }
  bool lambdaGridOn() const { return lambdaGridOn_; }
  bool routingGridOn() const { return routingGridOn_; }
  bool monochrome() const { return monochrome_; }
  bool whiteBackground() const { return scheme_.background == rgb(255, 255, 255); }
  const ViewScheme& scheme() const { return scheme_; }
  Colour backgroundColour() const { return scheme_.background; }
  Colour textColour() const { return scheme_.text; }
  Colour lineColour() const { return scheme_.line; }
  Colour gridDotColour() const { return scheme_.gridDot; }
  Colour highlightColour() const { return scheme_.highlight; }
  Colour contrastColour() const { return scheme_.contrast; }
  Colour gridLineColour() const { return scheme_.gridLine; }
  // normalised corners of the last measurement, all 0 when none
  const Rect& ruler() const { return ruler_; }
  // caption of the menu entry that switches the scheme
  const char* monochromeCaption() const { return monochrome_ ? "Switch to color" : "Switch to monochrom"; }

  // --- inputs from other parts of the program
  // While set, every redraw writes the print header (file name, program,
  // date and time from the clock).
  void setPrintHeader(bool on) { printHeader_ = on; }
  bool printHeader() const { return printHeader_; }
  // ground-rail and supply-rail y (lambda) of the cell compiler, for the
  // routing grid; a rail not given is not drawn
  void setRoutingRails(std::optional<std::int32_t> groundY, std::optional<std::int32_t> supplyY);
  std::optional<std::int32_t> groundRailY() const { return groundRail_; }
  std::optional<std::int32_t> supplyRailY() const { return supplyRail_; }
  // Boxes drawn through the Surface calls even when it offers raw pixels
  // (the two give the same pixels; tests compare them).
  void setDirectPixels(bool on) { directPixels_ = on; }
  // Culling through the spatial index (on by default; same pixels as off).
  void setUseIndex(bool on) { useIndex_ = on; }

  // --- world <-> screen (pixels; y down on the screen, up in the layout)
  int sx(double x) const;
  int sy(double y) const;
  std::int32_t wx(double px) const;
  std::int32_t wy(double py) const;

  // --- operations
  void SetView(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2);
  void Redraw();
  void ViewAll();
  void ZoomInArea(int px1, int py1, int px2, int py2);
  void ZoomOut();
  void PreviousZoom();
  // direction > 0: right / up; < 0: left / down
  void ScrollHorizontal(int direction);
  void ScrollVertical(int direction);
  // measures between two pixel points, draws the dimensions and writes the
  // result; returns the message written
  std::string Ruler(int px1, int py1, int px2, int py2);
  void ClearRuler();
  void SetMonochrome(bool on);
  void ToggleBackground();
  void ToggleLambdaGrid();
  void ToggleRoutingGrid();
  Colour VoltageColour(double volts) const;
  // one item at the current view (table positions from 1)
  void DrawBox(int pos);
  void DrawLabel(int pos);
  void DrawRlc(int pos);

  // --- lookups (no drawing)
  // positions of the live boxes (state not 0) that contain the lambda point,
  // edges included, in table order. Read the boxes found through a const
  // database: mutable access marks them changed for the index.
  void boxesAt(std::int32_t x, std::int32_t y, std::vector<int>& out);
  std::vector<int> boxesAt(std::int32_t x, std::int32_t y);
  // label text size in points for the current view, 0 when labels show only
  // their anchor mark
  int labelTextSize() const;
  // the last full redraw visited only the boxes the index gave (for tests)
  bool lastRedrawCulled() const { return lastCulled_; }

  // DatabaseObserver
  void boxAdded(const LayoutDatabase&, int position) override;
  void labelAdded(const LayoutDatabase&, int position) override;
  void rlcAdded(const LayoutDatabase&, int position) override;

 private:
  struct Pass;
  void computeTransform();
  void drawAll();
  void notifyDrawn();
  void applyBackgroundColumn();
  std::string rulerTexts(Pass& pass, std::int64_t x1, std::int64_t y1, std::int64_t x2, std::int64_t y2, bool draw);

  LayoutDatabase& db_;
  const TechnologyRules& tech_;
  StatusMessage& status_;
  const Clock& clock_;
  Surface* surface_ = nullptr;
  std::function<void()> drawn_;
  int areaW_ = 0, areaH_ = 0;

  Rect viewWindow_{-15, -15, 50, 50};
  Rect previousView_{0, 0, 200, 100};
  double scale_ = 1.0, offsetX_ = 0, offsetY_ = 0;
  std::int32_t lambdaGridStep_ = 10;
  bool lambdaGridOn_ = true;
  bool routingGridOn_ = false;
  bool monochrome_ = false;
  ViewScheme scheme_;
  Rect ruler_{};
  bool printHeader_ = false;
  std::optional<std::int32_t> groundRail_, supplyRail_;
  bool directPixels_ = true;
  bool useIndex_ = true;
  std::unique_ptr<BoxIndex> index_;
  std::vector<int> candidates_;
  bool lastCulled_ = false;
};

}  // namespace quill
