#include "platform/ui/QtSurface.h"

#include <QFontMetrics>
#include <QPolygon>
#include <algorithm>
#include <cstdlib>

#include "platform/Cp1252.h"

namespace quill {

QRgb toQRgb(Colour c) { return qRgb(redOf(c), greenOf(c), blueOf(c)); }

Colour fromQRgb(QRgb c) { return rgb(qRed(c), qGreen(c), qBlue(c)); }

namespace {
// 96 dpi, so point sizes give the same pixel sizes as on a usual screen
constexpr int kDotsPerMeter = 3780;

QString toQString(std::string_view s) { return QString::fromUtf8(cp1252ToUtf8(s)); }

std::uint64_t patternKey(const Pattern8& p) {
  std::uint64_t k = 0;
  for (std::uint8_t row : p) k = (k << 8) | row;
  return k;
}
}  // namespace

QtSurface::QtSurface(int w, int h, Colour fill) { resize(w, h, fill); }

QtSurface::~QtSurface() = default;

void QtSurface::resize(int w, int h, Colour fill) {
  painter_.reset();
  image_ = QImage(std::max(0, w), std::max(0, h), QImage::Format_RGB32);
  image_.setDotsPerMeterX(kDotsPerMeter);
  image_.setDotsPerMeterY(kDotsPerMeter);
  image_.fill(toQRgb(fill));
}

const QImage& QtSurface::image() {
  painter_.reset();
  return image_;
}

QPainter& QtSurface::painter() {
  if (!painter_) {
    painter_ = std::make_unique<QPainter>(&image_);
    painter_->setRenderHint(QPainter::Antialiasing, false);
    painter_->setPen(Qt::NoPen);
    applyMode(*painter_);
  }
  return *painter_;
}

void QtSurface::applyMode(QPainter& p) const {
  switch (mode_) {
    case PenMode::Copy: p.setCompositionMode(QPainter::CompositionMode_SourceOver); break;
    case PenMode::Merge: p.setCompositionMode(QPainter::RasterOp_SourceOrDestination); break;
    case PenMode::NotXor: p.setCompositionMode(QPainter::RasterOp_NotSourceXorDestination); break;
  }
}

void QtSurface::setPenMode(PenMode mode) {
  mode_ = mode;
  if (painter_) applyMode(*painter_);
}

void QtSurface::fill(int x, int y, int w, int h, Colour c) {
  if (w <= 0 || h <= 0 || image_.isNull()) return;
  painter().fillRect(QRect(x, y, w, h), QColor::fromRgb(toQRgb(c)));
}

void QtSurface::fillRect(int x1, int y1, int x2, int y2, Colour c) {
  x1 = std::max(x1, 0); y1 = std::max(y1, 0);
  x2 = std::min(x2, width()); y2 = std::min(y2, height());
  fill(x1, y1, x2 - x1, y2 - y1, c);
}

const QBrush& QtSurface::tile(const Pattern8& p, Colour c) {
  TileKey key{patternKey(p), c & 0xFFFFFFu, mode_};
  auto it = tiles_.find(key);
  if (it != tiles_.end()) return it->second;
  if (tiles_.size() >= 256) tiles_.clear();

  // Copy draws set bits over transparent ones; the raster ops leave the
  // destination alone where the source is black (or) or white (not-xor).
  QRgb on = toQRgb(c);
  QRgb off = 0;
  QImage::Format format = QImage::Format_RGB32;
  switch (mode_) {
    case PenMode::Copy: off = 0; format = QImage::Format_ARGB32_Premultiplied; break;
    case PenMode::Merge: off = qRgb(0, 0, 0); break;
    case PenMode::NotXor: off = qRgb(255, 255, 255); break;
  }
  // 64x64 rather than 8x8: fewer texture wraps per span
  QImage t(64, 64, format);
  for (int y = 0; y < 64; ++y) {
    auto* line = reinterpret_cast<QRgb*>(t.scanLine(y));
    for (int x = 0; x < 64; ++x) line[x] = patternBit(p, x, y) ? on : off;
  }
  return tiles_.emplace(key, QBrush(t)).first->second;
}

void QtSurface::fillPattern(int x1, int y1, int x2, int y2, const Pattern8& p, Colour c) {
  x1 = std::max(x1, 0); y1 = std::max(y1, 0);
  x2 = std::min(x2, width()); y2 = std::min(y2, height());
  if (x2 <= x1 || y2 <= y1 || image_.isNull()) return;
  const QBrush& b = tile(p, c);
  QPainter& pa = painter();
  pa.setBrushOrigin(0, 0);  // the pattern belongs to the surface, not to the box
  pa.fillRect(QRect(x1, y1, x2 - x1, y2 - y1), b);
}

void QtSurface::outlineRect(int x1, int y1, int x2, int y2, Colour c) {
  if (x2 <= x1 || y2 <= y1) return;
  int w = x2 - x1, h = y2 - y1;
  // each pixel once, so a not-xor outline drawn twice vanishes
  fill(x1, y1, w, 1, c);
  if (h > 1) fill(x1, y2 - 1, w, 1, c);
  if (h > 2) {
    fill(x1, y1 + 1, 1, h - 2, c);
    if (w > 1) fill(x2 - 1, y1 + 1, 1, h - 2, c);
  }
}

void QtSurface::drawPoints(const QPolygon& pts, Colour c) {
  if (pts.isEmpty()) return;
  QPainter& p = painter();
  p.setPen(QPen(QColor::fromRgb(toQRgb(c)), 1));
  p.drawPoints(pts);
  p.setPen(Qt::NoPen);
}

void QtSurface::axisLine(int x1, int y1, int x2, int y2, Colour c, bool dotted) {
  const bool horizontal = y1 == y2;
  const long long start = horizontal ? x1 : y1, end = horizontal ? x2 : y2;
  const int across = horizontal ? y1 : x1;
  if (across < 0 || across >= (horizontal ? height() : width())) return;
  // clipped first, so lines far beyond the image cost nothing
  long long lo = std::max(std::min(start, end), 0LL);
  long long hi = std::min(std::max(start, end), static_cast<long long>(horizontal ? width() : height()) - 1);
  if (lo > hi) return;
  const int n = static_cast<int>(hi - lo + 1), from = static_cast<int>(lo);
  if (!dotted) {
    if (horizontal) fill(from, across, n, 1, c);
    else fill(across, from, 1, n, c);
    return;
  }
  // dotted: the pixels an even number of steps away from the start point
  if ((lo - start) % 2 != 0) ++lo;
  QPolygon pts;
  pts.reserve(n / 2 + 1);
  for (long long p = lo; p <= hi; p += 2)
    pts.append(horizontal ? QPoint(static_cast<int>(p), across) : QPoint(across, static_cast<int>(p)));
  drawPoints(pts, c);
}

void QtSurface::line(int x1, int y1, int x2, int y2, Colour c, bool dotted) {
  if (image_.isNull()) return;
  if (x1 == x2 || y1 == y2) {
    axisLine(x1, y1, x2, y2, c, dotted);
    return;
  }
  // The same stepping as MemorySurface, so both surfaces set the same pixels;
  // points outside the image are dropped to keep the list short.
  int w = width(), h = height();
  QPolygon pts;
  pts.reserve(std::min(std::max(std::abs(x2 - x1), std::abs(y2 - y1)) + 1, w + h));
  int dx = std::abs(x2 - x1), sx = x1 < x2 ? 1 : -1;
  int dy = -std::abs(y2 - y1), sy = y1 < y2 ? 1 : -1;
  int err = dx + dy;
  long step = 0;
  for (;;) {
    if ((!dotted || step % 2 == 0) && x1 >= 0 && y1 >= 0 && x1 < w && y1 < h) pts.append(QPoint(x1, y1));
    ++step;
    if (x1 == x2 && y1 == y2) break;
    int e2 = 2 * err;
    if (e2 >= dy) { err += dy; x1 += sx; }
    if (e2 <= dx) { err += dx; y1 += sy; }
  }
  drawPoints(pts, c);
}

void QtSurface::setPixel(int x, int y, Colour c) {
  if (x < 0 || y < 0 || x >= width() || y >= height()) return;
  fill(x, y, 1, 1, c);
}

Colour QtSurface::pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= width() || y >= height()) return 0;
  return fromQRgb(image_.pixel(x, y));
}

RawPixels QtSurface::rawPixels() {
  if (image_.isNull()) return {};
  // The raster painter draws straight into the image's memory, so raw writes
  // and painter calls can be mixed, as long as writing does not detach the
  // image from the buffer the painter holds: close the painter if it would.
  if (painter_ && !image_.isDetached()) painter_.reset();
  auto* base = reinterpret_cast<std::uint32_t*>(image_.bits());
  return {base, static_cast<std::ptrdiff_t>(image_.bytesPerLine() / 4), true};
}

QFont QtSurface::fontFor(const TextStyle& style) {
  QFont f(QStringLiteral("Arial"));
  f.setStyleHint(QFont::SansSerif);
  f.setPointSize(std::max(1, style.pointSize));
  f.setBold(style.bold);
  f.setItalic(style.italic);
  f.setUnderline(style.underline);
  return f;
}

void QtSurface::text(int x, int y, std::string_view t, const TextStyle& style) {
  if (t.empty() || image_.isNull()) return;
  QPainter& p = painter();
  QString s = toQString(t);
  QFont f = fontFor(style);
  QFontMetrics fm(f, &image_);
  p.save();
  // text is written in the font colour whatever the pen mode
  p.setCompositionMode(QPainter::CompositionMode_SourceOver);
  if (style.opaque)
    p.fillRect(QRect(x, y, fm.horizontalAdvance(s), fm.height()), QColor::fromRgb(toQRgb(style.background)));
  p.setFont(f);
  p.setPen(QColor::fromRgb(toQRgb(style.colour)));
  p.drawText(QPoint(x, y + fm.ascent()), s);
  p.restore();
}

int QtSurface::textWidth(std::string_view t, const TextStyle& style) const {
  QFontMetrics fm(fontFor(style), &image_);
  return fm.horizontalAdvance(toQString(t));
}

}  // namespace quill
