// The floating-well warning: run as drawn, polarize the wells to VDD, or
// cancel the simulation. Modal; the engine's reset asks it.
#pragma once
#include <QDialog>

#include "sim/Engine.h"

class QLabel;
class QPushButton;

namespace quill {

class TFormWell : public QDialog, public WellDialog {
 public:
  explicit TFormWell(QWidget* parent = nullptr);

  WellAnswer ask(int count, const std::string& text) override;

  QLabel* LabelWarning() const { return warning_; }
  QPushButton* btnRun() const { return run_; }
  QPushButton* btnPolarize() const { return polarize_; }
  QPushButton* btnCancel() const { return cancel_; }

 protected:
  void reject() override;  // closing the window cancels, as the Cancel button does

 private:
  QLabel* message_;
  QLabel* warning_;
  QPushButton* run_;
  QPushButton* polarize_;
  QPushButton* cancel_;
  WellAnswer answer_ = WellAnswer::Cancel;
};

}  // namespace quill
