// The duplicate window TFormDuplicate ("Duplicate in X Y"), modal: the
// counts in X and Y, the size and a preview of the marked boxes, the
// programming grid with its hexadecimal fill, Generate and Cancel. It shows
// a DuplicateEditor (editor/Duplicate.h), which holds all the logic.
#pragma once
#include <QDialog>

#include "editor/Duplicate.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;

namespace quill {

class DuplicateGridModel;

class TFormDuplicate : public QDialog {
 public:
  // editor and db must outlive the window
  TFormDuplicate(DuplicateEditor& editor, const LayoutDatabase& db, QWidget* parent = nullptr);
  ~TFormDuplicate() override;

  // shows the editor's state
  void UpdateOptions();
  // the editor's showWindow: shows modally, returns when closed
  void showModal();

  QLineEdit* EditMulX = nullptr;
  QLineEdit* EditMulY = nullptr;
  QLabel* LabelSize = nullptr;
  QGroupBox* GroupLayout = nullptr;
  QWidget* PaintSelect = nullptr;
  QCheckBox* CheckProgram = nullptr;
  QComboBox* ComboBox = nullptr;
  QTableView* StringArray = nullptr;
  QLineEdit* EditString = nullptr;
  QPushButton* BitBtnFill = nullptr;
  QPushButton* btnGenerate = nullptr;
  QPushButton* btnCancel = nullptr;

 private:
  void readControls();
  void enableProgramming();

  DuplicateEditor& editor_;
  DuplicateGridModel* grid_ = nullptr;
  bool updating_ = false;
};

}  // namespace quill
