// The window TFormRes ("Virtual R,L,C Parameters"), modal: the picture of
// the symbol's kind, its value, the three size buttons, the resistor's
// parameter choice, OK and Cancel. It shows an RlcEditor
// (editor/VirtualRlc.h), which holds the logic.
#pragma once
#include <QDialog>
#include <array>

#include "editor/VirtualRlc.h"

class QButtonGroup;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QToolButton;

namespace quill {

class TFormRes : public QDialog {
 public:
  explicit TFormRes(RlcEditor& editor, QWidget* parent = nullptr);

  void UpdateOptions();
  // the editor's showWindow: shows modally, returns when closed
  void showModal();

  // kind pictures, exactly one visible
  QLabel* ImageRes = nullptr;
  QLabel* ImageCapa = nullptr;
  QLabel* ImageInductor = nullptr;
  QLineEdit* EditValue = nullptr;
  QToolButton* sbSmall = nullptr;
  QToolButton* sbMedium = nullptr;
  QToolButton* sbLarge = nullptr;
  QLabel* LabelCapa = nullptr;
  QLabel* LabelInductance = nullptr;
  QLabel* LabelInfo = nullptr;
  QGroupBox* RadioParams = nullptr;
  std::array<QRadioButton*, kRlcParamCount> params{};
  QPushButton* btnOk = nullptr;
  QPushButton* btnCancel = nullptr;

 private:
  RlcEditor& editor_;
  QButtonGroup* sizes_ = nullptr;
  QButtonGroup* paramGroup_ = nullptr;
  bool updating_ = false;
};

}  // namespace quill
