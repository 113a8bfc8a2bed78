// Drawing surface: what the layout view and every plot draw on. The Qt
// implementation paints into a QImage; tests use MemorySurface.
//
// Rectangles are half-open: [x1, x2) x [y1, y2) in pixels, y down.
// Lines include both end points. Pattern pixels are set where the pattern bit
// is 1 and left alone elsewhere; patterns are anchored to the surface origin.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/Colour.h"

namespace quill {

enum class PenMode : std::uint8_t { Copy, Merge, NotXor };

// byte r is row r; the most significant bit is the leftmost pixel
using Pattern8 = std::array<std::uint8_t, 8>;

constexpr bool patternBit(const Pattern8& p, int px, int py) {
  int col = ((px % 8) + 8) % 8;
  int row = ((py % 8) + 8) % 8;
  return (p[static_cast<std::size_t>(row)] >> (7 - col)) & 1;
}

struct TextStyle {
  int pointSize = 9;
  bool bold = false;
  bool italic = false;
  bool underline = false;
  Colour colour = 0;
  bool opaque = false;       // fill the text's box with background first
  Colour background = 0;
};

// Direct access to a surface's pixels, for drawing many small shapes fast.
// Pixels are 32 bits; rgb32 surfaces hold 0xffRRGGBB (as a QImage of format
// RGB32), the others Colour's 0x00BBGGRR. Encode a colour once, then copy or
// OR it in: both keep the top byte right.
struct RawPixels {
  std::uint32_t* base = nullptr;  // row 0; null when the surface has no raw access
  std::ptrdiff_t stride = 0;      // pixels from one row to the next
  bool rgb32 = false;

  explicit operator bool() const { return base != nullptr; }
  std::uint32_t* row(int y) const { return base + static_cast<std::ptrdiff_t>(y) * stride; }
  std::uint32_t encode(Colour c) const {
    return rgb32 ? (0xFF000000u | ((c & 0xFFu) << 16) | (c & 0xFF00u) | ((c >> 16) & 0xFFu)) : (c & 0xFFFFFFu);
  }
  Colour decode(std::uint32_t p) const {
    return rgb32 ? (((p >> 16) & 0xFFu) | (p & 0xFF00u) | ((p & 0xFFu) << 16)) : (p & 0xFFFFFFu);
  }
};

class Surface {
 public:
  virtual ~Surface() = default;
  virtual int width() const = 0;
  virtual int height() const = 0;

  virtual void setPenMode(PenMode mode) = 0;
  virtual PenMode penMode() const = 0;

  virtual void fillRect(int x1, int y1, int x2, int y2, Colour c) = 0;
  virtual void fillPattern(int x1, int y1, int x2, int y2, const Pattern8& p, Colour c) = 0;
  // outline of the half-open rectangle: columns x1 and x2-1, rows y1 and y2-1
  virtual void outlineRect(int x1, int y1, int x2, int y2, Colour c) = 0;
  virtual void line(int x1, int y1, int x2, int y2, Colour c, bool dotted = false) = 0;
  virtual void setPixel(int x, int y, Colour c) = 0;
  virtual Colour pixel(int x, int y) const = 0;
  // text is CP1252; (x, y) is the top-left corner of the text box
  virtual void text(int x, int y, std::string_view text, const TextStyle& style) = 0;
  // width in pixels the text would take
  virtual int textWidth(std::string_view text, const TextStyle& style) const = 0;

  // The pixels themselves, where the surface has them in memory; valid until
  // the surface is resized. Writes through it and the calls above may be
  // mixed freely.
  virtual RawPixels rawPixels() { return {}; }
  // row y of rawPixels(), null when there is no raw access
  std::uint32_t* scanline(int y) {
    RawPixels r = rawPixels();
    return r && y >= 0 && y < height() ? r.row(y) : nullptr;
  }
};

// Combines a source colour with what is there, as the pen mode says.
constexpr Colour combinePixel(PenMode mode, Colour dst, Colour src) {
  switch (mode) {
    case PenMode::Merge: return (dst | src) & 0xFFFFFFu;
    case PenMode::NotXor: return (~(dst ^ src)) & 0xFFFFFFu;
    case PenMode::Copy: break;
  }
  return src & 0xFFFFFFu;
}

}  // namespace quill
