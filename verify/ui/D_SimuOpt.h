// The extraction options window: a page "Extractor Options" with the
// cleaning choice and its cycles, the SPICE, lateral and vertical coupling
// checks, the MOS model, the Extract and Print Netlist buttons and the text
// of the last SPICE file.
#pragma once
#include <QDialog>

#include "verify/ExtractPanel.h"

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;

namespace quill {

class TFormSimuOpt : public QDialog {
 public:
  TFormSimuOpt(ExtractionPanel& panel, QWidget* parent = nullptr);
  // refreshes every control from the options
  void UpdateOptions();
  void FormShow();

  QTabWidget* tabs() const { return tabs_; }
  QRadioButton* cleaningButton(int item) const { return cleaning_[item]; }
  QLineEdit* EditCycles() const { return editCycles_; }
  QCheckBox* CheckSpice() const { return checkSpice_; }
  QCheckBox* CheckCrosstalk() const { return checkCrosstalk_; }
  QCheckBox* CheckOverlap() const { return checkOverlap_; }
  QRadioButton* modelButton(int item) const { return model_[item]; }
  QPushButton* btnExtract() const { return btnExtract_; }
  QPushButton* btnPrint() const { return btnPrint_; }
  QPlainTextEdit* SpiceWindow() const { return spiceWindow_; }
  QGroupBox* GroupSpice() const { return groupSpice_; }

 private:
  void btnExtractClick();
  void btnPrintClick();
  ExtractionPanel& panel_;
  QTabWidget* tabs_;
  QButtonGroup* radioCleaning_;
  QRadioButton* cleaning_[4];
  QLineEdit* editCycles_;
  QCheckBox* checkSpice_;
  QCheckBox* checkCrosstalk_;
  QCheckBox* checkOverlap_;
  QButtonGroup* radioModel_;
  QRadioButton* model_[3];
  QPushButton* btnExtract_;
  QPushButton* btnPrint_;
  QGroupBox* groupSpice_;
  QPlainTextEdit* spiceWindow_;
  bool updating_ = false;
};

}  // namespace quill
