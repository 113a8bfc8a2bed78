#include "editor/ui/D_Palette.h"

#include <QKeyEvent>
#include <QPalette>
#include <QPixmap>

#include "platform/Cp1252.h"
#include "platform/ui/QtSurface.h"

namespace quill {

namespace {

QString q(const std::string& s) { return QString::fromUtf8(cp1252ToUtf8(s)); }

// glyphs of the small buttons, in PaletteTool order
constexpr const char* kToolGlyphs[kPaletteToolCount] = {
    "Po", "N+", "P+", "V1", "Vx", "Mos", "Ct", "R", "C", "L", "0", "1", "2", "Pu", "Ck", "V", "~",
};

constexpr int kToolSize = 20;
constexpr int kRowSpacing = 22;  // between the rows of the layer column
constexpr int kToolRows = 3;
constexpr int kToolsPerRow = 6;
constexpr int kLayerButtonWidth = 98;
constexpr int kProtectWidth = 21;
constexpr int kSwatch = 12;

// a small sample of the layer as the view draws it in colour
QPixmap swatch(const LayerRecord& l) {
  QtSurface s(kSwatch, kSwatch, 0);
  const int n = kSwatch;
  switch (l.style) {
    case 1: s.fillRect(0, 0, n, n, l.colour); break;
    case 2:
      s.outlineRect(0, 0, n, n, l.colour);
      s.line(0, 0, n - 1, n - 1, l.colour);
      s.line(0, n - 1, n - 1, 0, l.colour);
      break;
    case 3: s.fillPattern(0, 0, n, n, l.pattern, l.colour); break;
    case 4:
      s.outlineRect(2, 2, n - 2, n - 2, l.colour);
      s.line(n / 2, 3, n / 2, n - 4, l.colour);
      s.line(3, n / 2, n - 4, n / 2, l.colour);
      break;
    case 5:
      s.fillPattern(0, 0, n, n, l.pattern, l.colour);
      s.fillRect(3, 3, n - 3, n - 3, 0);
      break;
    default: s.outlineRect(0, 0, n, n, l.colour); break;
  }
  return QPixmap::fromImage(s.image());
}

}  // namespace

TFormPalette::TFormPalette(Palette& palette, const LayerTable& layers, QWidget* parent)
    : QWidget(parent, Qt::Tool), palette_(palette), layers_(layers) {
  setObjectName(QStringLiteral("FormPalette"));
  setWindowTitle(QStringLiteral("Palette"));

  QFont small = font();
  small.setPointSize(7);
  for (int i = 0; i < kPaletteToolCount; ++i) {
    auto t = static_cast<PaletteTool>(i);
    auto* b = new QToolButton(this);
    b->setObjectName(QString::fromLatin1(paletteToolInfo(t).name));
    b->setText(QString::fromLatin1(kToolGlyphs[i]));
    b->setFont(small);
    b->setCheckable(true);
    b->setFocusPolicy(Qt::NoFocus);
    b->setFixedSize(kToolSize, kToolSize);
    // the palette decides which button is down; a click on a pressed one arms it again
    connect(b, &QToolButton::clicked, this, [this, t] { palette_.ToolClick(t); });
    toolButtons_[static_cast<std::size_t>(i)] = b;
  }

  for (int r = 0; r < kPaletteRowCount; ++r) {
    const PaletteRow& row = paletteRows()[static_cast<std::size_t>(r)];
    const QString code = QString::fromLatin1(layers_[row.layer].code.c_str());
    auto* lb = new QToolButton(this);
    lb->setObjectName(QStringLiteral("sbLayer") + code);
    lb->setText(QString::fromLatin1(row.caption));
    lb->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    lb->setIconSize(QSize(kSwatch, kSwatch));
    lb->setFocusPolicy(Qt::NoFocus);
    lb->setFixedSize(kLayerButtonWidth, kToolSize);
    const int layer = row.layer;
    connect(lb, &QToolButton::clicked, this, [this, layer] { palette_.SetLayer(layer, true); });
    layerButtons_[static_cast<std::size_t>(r)] = lb;

    auto* pb = new QToolButton(this);
    pb->setObjectName(QStringLiteral("sbProtect") + code);
    pb->setText(QStringLiteral("P"));
    pb->setFont(small);
    pb->setCheckable(true);
    pb->setFocusPolicy(Qt::NoFocus);
    pb->setFixedSize(kProtectWidth, kToolSize);
    connect(pb, &QToolButton::clicked, this, [this, layer] { palette_.ToggleProtection(layer); });
    protectButtons_[static_cast<std::size_t>(r)] = pb;
  }

  palette_.setOnChanged([this] { UpdateOptions(); });
  UpdateOptions();
}

TFormPalette::~TFormPalette() { palette_.setOnChanged(nullptr); }

void TFormPalette::placeBeside(const QRect& mainFrame) {
  move(mainFrame.left() + mainFrame.width() - kWidth, mainFrame.top() + 95);
}

void TFormPalette::FormCreate(const QRect& mainFrame) {
  placeBeside(mainFrame);
  show();
  palette_.Init();
}

void TFormPalette::layout() {
  for (int i = 0; i < kPaletteToolCount; ++i)
    toolButtons_[static_cast<std::size_t>(i)]->move(2 + kToolSize * (i % kToolsPerRow),
                                                    2 + kRowSpacing * (i / kToolsPerRow));
  int y = 6 + kRowSpacing * kToolRows;
  for (int r = 0; r < kPaletteRowCount; ++r) {
    bool shown = palette_.rowShown(r);
    layerButtons_[static_cast<std::size_t>(r)]->setHidden(!shown);
    protectButtons_[static_cast<std::size_t>(r)]->setHidden(!shown);
    if (!shown) continue;
    layerButtons_[static_cast<std::size_t>(r)]->move(2, y);
    protectButtons_[static_cast<std::size_t>(r)]->move(2 + kLayerButtonWidth + 1, y);
    y += kRowSpacing;
  }
  setFixedSize(kWidth, std::max(palette_.windowHeight(), y + 4));
}

void TFormPalette::UpdateOptions() {
  layout();
  const int red = palette_.highlightedRow();
  const QColor normal = palette().color(QPalette::WindowText);
  for (int r = 0; r < kPaletteRowCount; ++r) {
    const PaletteRow& row = paletteRows()[static_cast<std::size_t>(r)];
    QToolButton* lb = layerButtons_[static_cast<std::size_t>(r)];
    QPalette pal = lb->palette();
    pal.setColor(QPalette::ButtonText, r == red ? QColor(255, 0, 0) : normal);
    lb->setPalette(pal);
    lb->setIcon(swatch(layers_[row.layer]));
    lb->setToolTip(q(layers_[row.layer].name));

    QToolButton* pb = protectButtons_[static_cast<std::size_t>(r)];
    pb->setChecked(palette_.protectDown(r));
    pb->setToolTip(q(palette_.protectHint(r)));
  }
  const std::optional<PaletteTool> pressed = palette_.pressedTool();
  for (int i = 0; i < kPaletteToolCount; ++i) {
    auto t = static_cast<PaletteTool>(i);
    QToolButton* b = toolButtons_[static_cast<std::size_t>(i)];
    b->setChecked(pressed == t);
    b->setToolTip(q(palette_.toolHint(t)));
  }
}

void TFormPalette::showEvent(QShowEvent* e) {
  UpdateOptions();
  QWidget::showEvent(e);
}

void TFormPalette::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Escape) {
    palette_.Escape();
    e->accept();
    return;
  }
  QWidget::keyPressEvent(e);
}

}  // namespace quill
