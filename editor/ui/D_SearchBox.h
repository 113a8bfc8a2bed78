// The box search window TFormSearch ("Change box size or layer"), not
// modal: the layer list, the size constraint, the change of size and of
// layer, "Show each change", and the buttons Search..., Change, Change all,
// Invert diffusions and Close. It shows a BoxSearch (editor/SearchBox.h),
// which holds the logic.
#pragma once
#include <QDialog>
#include <array>

#include "editor/SearchBox.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;

namespace quill {

class TFormSearch : public QDialog {
 public:
  explicit TFormSearch(BoxSearch& search, QWidget* parent = nullptr);

  // the layer lists from the technology, the controls from the settings
  void UpdateOptions();
  // the Edit menu's command: refreshed and shown
  void showTool();

  QListWidget* ListLayers = nullptr;
  QGroupBox* RadioConstraints = nullptr;
  std::array<QRadioButton*, 4> constraints{};  // "No constraint" .. "Size greater than"
  QLineEdit* EditSize = nullptr;
  QCheckBox* CheckChange = nullptr;
  QLineEdit* EditChange = nullptr;
  QCheckBox* CheckLayer = nullptr;
  QComboBox* ComboLayers = nullptr;
  QCheckBox* CheckShow = nullptr;
  QPushButton* btnSearch = nullptr;
  QPushButton* btnChange = nullptr;
  QPushButton* btnChangeAll = nullptr;
  QPushButton* btnInvert = nullptr;
  QPushButton* btnClose = nullptr;

 protected:
  void closeEvent(QCloseEvent* e) override;

 private:
  void readControls();
  void enableChanges();
  template <class F>
  void act(F f);

  BoxSearch& search_;
  QButtonGroup* group_ = nullptr;
  bool updating_ = false;
};

}  // namespace quill
