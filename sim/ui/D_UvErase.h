// The "EEPROM control" window: erases every floating gate by ultraviolet
// light, in 30 steps of half a second or at once with OK.
#pragma once
#include <QDialog>

#include "platform/ui/QtTimer.h"
#include "sim/UvErase.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace quill {

class TFormUvErase : public QDialog {
 public:
  TFormUvErase(LayoutDatabase& db, QWidget* parent = nullptr);
  // starts the erase and shows the window
  void FormShow();
  UvErase& eraser() { return erase_; }
  QPushButton* okButton() const { return btnOk_; }
  QProgressBar* progressBar() const { return progress_; }
  QLabel* textLabel() const { return label_; }

 private:
  void UpdateOptions();
  void btnOkClick();
  QtTimer timer_;
  UvErase erase_;
  QLabel* label_;
  QProgressBar* progress_;
  QPushButton* btnOk_;
};

}  // namespace quill
