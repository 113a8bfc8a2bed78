// The Surface the windows draw on: an RGB32 QImage painted through one
// QPainter that stays open between calls (opening a painter per rectangle
// costs more than the rectangle). Pixel results match MemorySurface for every
// operation except text, which is rasterised here and only recorded there.
#pragma once
#include <QBrush>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPolygon>
#include <map>
#include <memory>
#include <tuple>

#include "platform/Surface.h"

namespace quill {

// 0x00BBGGRR <-> QRgb (0xAARRGGBB, opaque)
QRgb toQRgb(Colour c);
Colour fromQRgb(QRgb c);

class QtSurface : public Surface {
 public:
  QtSurface(int w, int h, Colour fill = 0);
  ~QtSurface() override;
  QtSurface(const QtSurface&) = delete;
  QtSurface& operator=(const QtSurface&) = delete;

  // new size, every pixel set to fill
  void resize(int w, int h, Colour fill = 0);
  // the picture so far; closes the painter so the image can be copied or blitted
  const QImage& image();

  int width() const override { return image_.width(); }
  int height() const override { return image_.height(); }
  void setPenMode(PenMode mode) override;
  PenMode penMode() const override { return mode_; }
  void fillRect(int x1, int y1, int x2, int y2, Colour c) override;
  void fillPattern(int x1, int y1, int x2, int y2, const Pattern8& p, Colour c) override;
  void outlineRect(int x1, int y1, int x2, int y2, Colour c) override;
  void line(int x1, int y1, int x2, int y2, Colour c, bool dotted = false) override;
  void setPixel(int x, int y, Colour c) override;
  Colour pixel(int x, int y) const override;
  void text(int x, int y, std::string_view text, const TextStyle& style) override;
  int textWidth(std::string_view text, const TextStyle& style) const override;
  // the image's RGB32 pixels (0xffRRGGBB); the painter may stay open
  RawPixels rawPixels() override;

  static QFont fontFor(const TextStyle& style);

 private:
  QPainter& painter();
  void applyMode(QPainter& p) const;
  void fill(int x, int y, int w, int h, Colour c);
  void axisLine(int x1, int y1, int x2, int y2, Colour c, bool dotted);
  void drawPoints(const QPolygon& pts, Colour c);
  const QBrush& tile(const Pattern8& p, Colour c);

  QImage image_;
  std::unique_ptr<QPainter> painter_;
  PenMode mode_ = PenMode::Copy;
  // pre-coloured pattern tiles; clear bits hold the value the pen mode leaves alone
  using TileKey = std::tuple<std::uint64_t, Colour, PenMode>;
  std::map<TileKey, QBrush> tiles_;
};

}  // namespace quill
