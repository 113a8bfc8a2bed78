// An in-memory pixel buffer that implements Surface exactly, for tests and
// for headless drawing. Text is recorded rather than rasterised.
#pragma once
#include <string>
#include <vector>

#include "platform/Surface.h"

namespace quill {

class MemorySurface : public Surface {
 public:
  struct TextCall {
    int x, y;
    std::string text;
    TextStyle style;
  };

  MemorySurface(int w, int h, Colour fill = 0);

  int width() const override { return w_; }
  int height() const override { return h_; }
  void setPenMode(PenMode mode) override { mode_ = mode; }
  PenMode penMode() const override { return mode_; }
  void fillRect(int x1, int y1, int x2, int y2, Colour c) override;
  void fillPattern(int x1, int y1, int x2, int y2, const Pattern8& p, Colour c) override;
  void outlineRect(int x1, int y1, int x2, int y2, Colour c) override;
  void line(int x1, int y1, int x2, int y2, Colour c, bool dotted = false) override;
  void setPixel(int x, int y, Colour c) override;
  Colour pixel(int x, int y) const override;
  void text(int x, int y, std::string_view text, const TextStyle& style) override;
  int textWidth(std::string_view text, const TextStyle& style) const override;
  // Colour's own 0x00BBGGRR; turned off, the surface stands for one without raw access
  RawPixels rawPixels() override;
  void setRawAccess(bool on) { raw_ = on; }

  const std::vector<TextCall>& texts() const { return texts_; }
  const std::vector<Colour>& pixels() const { return px_; }

 private:
  void plot(int x, int y, Colour c);
  int w_, h_;
  PenMode mode_ = PenMode::Copy;
  bool raw_ = true;
  std::vector<Colour> px_;
  std::vector<TextCall> texts_;
};

}  // namespace quill
