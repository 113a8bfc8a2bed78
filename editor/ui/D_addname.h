// The label window TFormAddText: a page per label kind (DC supply, clock,
// pulse, sinus, variable, ground, PWL, math), the label name, the
// visibility toggle and Assign. It shows a LabelEditor (editor/Labels.h),
// writes what the user typed back into it before each button, and shows it
// again afterwards; the logic is all there.
#pragma once
#include <QDialog>
#include <array>

#include "editor/Labels.h"
#include "editor/View.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTabWidget;
class QTableWidget;
class QToolButton;

namespace quill {

class TFormAddText : public QDialog {
 public:
  explicit TFormAddText(QWidget* parent = nullptr);

  // the editor the window shows (not owned)
  void bind(LabelEditor& editor);
  // shows the bound editor's state
  void UpdateOptions();
  // binds, shows modally and returns when the window closed
  void showModal(LabelEditor& editor);

  // controls, named as the window names them
  QTabWidget* PageControl = nullptr;
  std::array<QWidget*, kLabelPageCount> tabs{};  // TabVdd .. TabMath, in LabelPage order
  QLineEdit* EditText = nullptr;
  QToolButton* sbVisible = nullptr;
  QPushButton* btnCancel = nullptr;
  QPushButton* btnAssign = nullptr;
  // DC Supply
  QLineEdit* EditVdd = nullptr;
  std::array<QPushButton*, 5> btnVolts{};  // 5V .. 1.2V
  QPushButton* btnVdd = nullptr;
  QPushButton* btnVddH = nullptr;
  QPushButton* btnVddDiv2 = nullptr;
  QLabel* LabelSupply = nullptr;
  // Clock
  QLineEdit *EditClockHigh = nullptr, *EditClockLow = nullptr;
  QLineEdit *EditTl = nullptr, *EditTr = nullptr, *EditTh = nullptr, *EditTf = nullptr;
  QPushButton *btnSlower = nullptr, *btnFaster = nullptr, *btnLastClock = nullptr;
  QLabel* LabelPeriod = nullptr;
  // Pulse
  QLineEdit *EditPulseHigh = nullptr, *EditPulseLow = nullptr;
  QLineEdit *EditTs = nullptr, *EditPulseTr = nullptr, *EditTp = nullptr, *EditPulseTf = nullptr;
  QPushButton *btnLarger = nullptr, *btnShorter = nullptr, *btnLastPulse = nullptr;
  QPushButton *btnPositive = nullptr, *btnNegative = nullptr;
  // Sinus
  QLineEdit *EditFreq = nullptr, *EditAmpl = nullptr, *EditOffset = nullptr, *EditIncrease = nullptr;
  QToolButton* sbNoise = nullptr;
  QLineEdit* EditNoise = nullptr;
  QPushButton *btnSinusFaster = nullptr, *btnSinusSlower = nullptr;
  // PWL
  QLineEdit *EditPwlHigh = nullptr, *EditPwlLow = nullptr;
  QTableWidget* StringPwl = nullptr;
  QPushButton *btnClear = nullptr, *btnInvert = nullptr, *btnInsert = nullptr;
  QLineEdit* EditSeq = nullptr;
  // Math
  QComboBox* ComboEquation = nullptr;
  QListWidget* ListFunctions = nullptr;

 private:
  // the controls into the editor
  void readControls();
  // a button: read, act, show again
  template <class F>
  void act(F f);
  void PageControlChange(int index);
  void StringPwlDblClick(int row, int col);
  void sbAssignClick();

  LabelEditor* editor_ = nullptr;
  bool updating_ = false;
};

// The place-text command's host in the editor: pixels and label size from
// the layout view, the window above.
class AddTextHost : public PlaceTextHost {
 public:
  AddTextHost(LayoutView& view, TFormAddText& window) : view_(view), window_(window) {}
  PixelPoint toPixel(LambdaPoint p) const override { return {view_.sx(p.x), view_.sy(p.y)}; }
  int labelTextSize() const override { return view_.labelTextSize(); }
  void showLabelWindow(LabelEditor& editor) override { window_.showModal(editor); }
  void redraw() override { view_.Redraw(); }

 private:
  LayoutView& view_;
  TFormAddText& window_;
};

}  // namespace quill
