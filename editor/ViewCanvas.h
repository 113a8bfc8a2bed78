// The drawing primitives of the layout view. They write the pixels directly
// when the surface offers raw access (a full redraw of a large layout is
// hundreds of thousands of small shapes, too many for a painter call each)
// and go through the Surface calls otherwise; both give the same pixels.
// Text always goes through the Surface.
//
// Rectangles are half-open as on the Surface; lines include both end points.
// Coordinates of lines are 64-bit and clipped here, so far-away shapes cost
// nothing.
#pragma once
#include <cstdint>
#include <string_view>

#include "platform/Surface.h"

namespace quill {

class ViewCanvas {
 public:
  // direct: use raw pixels when the surface has them
  ViewCanvas(Surface& s, bool direct);
  // leaves the surface in the last mode set
  ~ViewCanvas();
  ViewCanvas(const ViewCanvas&) = delete;
  ViewCanvas& operator=(const ViewCanvas&) = delete;

  int width() const { return w_; }
  int height() const { return h_; }
  bool direct() const { return static_cast<bool>(raw_); }

  void setMode(PenMode m);
  PenMode mode() const { return mode_; }

  void fillRect(int x1, int y1, int x2, int y2, Colour c);
  // pattern bits anchored to the surface, combined by the current mode
  void fillPattern(int x1, int y1, int x2, int y2, const Pattern8& p, Colour c);
  void outlineRect(int x1, int y1, int x2, int y2, Colour c);
  // the outline of a rectangle given by its inclusive corner pixels
  void square(std::int64_t x1, std::int64_t y1, std::int64_t x2, std::int64_t y2, Colour c);
  void line(std::int64_t x1, std::int64_t y1, std::int64_t x2, std::int64_t y2, Colour c, bool dotted = false);
  void dottedOutline(int x1, int y1, int x2, int y2, Colour c);
  void setPixel(std::int64_t x, std::int64_t y, Colour c);
  void text(std::int64_t x, std::int64_t y, std::string_view t, const TextStyle& style);

  Surface& surface() { return s_; }

 private:
  std::uint32_t combine(std::uint32_t dst, std::uint32_t src) const;
  void rawSpan(int y, int x1, int x2, std::uint32_t v);  // [x1, x2), clipped by the caller
  void rawLine(int x1, int y1, int x2, int y2, Colour c, bool dotted);

  Surface& s_;
  RawPixels raw_;
  int w_, h_;
  PenMode mode_ = PenMode::Copy;
};

}  // namespace quill
