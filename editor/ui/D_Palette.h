// The layer palette window: a small tool window above the main window with
// the small command buttons, one layer button per layer the technology has
// (coloured as the layer is drawn, the current one captioned in red) and a
// protect button beside each. It shows the state of the Palette logic and
// forwards every click to it.
#pragma once
#include <QRect>
#include <QToolButton>
#include <QWidget>
#include <array>

#include "core/Layers.h"
#include "editor/Palette.h"

namespace quill {

class TFormPalette : public QWidget {
  Q_OBJECT
 public:
  // palette and layers must outlive the window
  TFormPalette(Palette& palette, const LayerTable& layers, QWidget* parent = nullptr);
  ~TFormPalette() override;

  // the main window's start-up step: placed beside mainFrame (its frame
  // geometry, screen coordinates), shown, and the palette's start-up run
  void FormCreate(const QRect& mainFrame);
  // left edge at the main window's left + width - 124, top at its top + 95
  void placeBeside(const QRect& mainFrame);
  // the buttons, rows and size from the palette and the records
  void UpdateOptions();

  QToolButton* layerButton(int row) const { return layerButtons_[static_cast<std::size_t>(row)]; }
  QToolButton* protectButton(int row) const { return protectButtons_[static_cast<std::size_t>(row)]; }
  QToolButton* toolButton(PaletteTool t) const { return toolButtons_[static_cast<std::size_t>(t)]; }

  static constexpr int kWidth = 124;

 protected:
  void showEvent(QShowEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;

 private:
  void layout();

  Palette& palette_;
  const LayerTable& layers_;
  std::array<QToolButton*, kPaletteRowCount> layerButtons_{};
  std::array<QToolButton*, kPaletteRowCount> protectButtons_{};
  std::array<QToolButton*, kPaletteToolCount> toolButtons_{};
};

}  // namespace quill
