// The generator window TFormGenerator ("Layout Generator"): one page per
// generator, the generate button whose caption follows the page, and
// Cancel. The window only collects parameters into GeneratorSettings; the
// generate button closes it and hands the page to the GeneratorHost, which
// arms the placement in the main frame.
//
// Built here: the Contacts page, the MOS page (kinds, W, L and fingers in
// µm or lambda, polarization, the technology's options, Imax) and the single
// pad of the Pads page. The other pages stand empty until their generators
// exist; the generate button is disabled where the host has nothing to arm.
#pragma once
#include <QDialog>
#include <array>

#include "core/AppContext.h"
#include "editor/GeneratorPlacement.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QToolButton;

namespace quill {

class TFormGenerator : public QDialog {
  Q_OBJECT
 public:
  // settings, ctx and host must outlive the window
  TFormGenerator(GeneratorSettings& settings, AppContext& ctx, GeneratorHost& host, QWidget* parent = nullptr);

  // the main frame's menu entries: refreshed, on this page, modal (returns at once)
  void showOn(GeneratorPage page);
  // everything from the settings and the technology
  void UpdateOptions();
  void UpdateBtnOk();
  void UpdateWLValues();
  void UpdateImax();
  GeneratorPage page() const;
  // the simulator's model level, for Imax
  void setModelLevel(MosModelLevel level);

  QTabWidget* PageControl = nullptr;
  std::array<QWidget*, kGeneratorPageCount> tabs{};  // in GeneratorPage order
  QPushButton* btnOk = nullptr;
  QPushButton* btnCancel = nullptr;
  // Contacts
  QLineEdit* EditRows = nullptr;
  QLineEdit* EditColumns = nullptr;
  std::array<QRadioButton*, 4> RadioContact{};  // in ContactChoice order
  std::array<QCheckBox*, kBetweenMetalCount> CheckVia{};
  // MOS
  QToolButton* sbNmos = nullptr;
  QToolButton* sbPmos = nullptr;
  QToolButton* sbFNmos = nullptr;
  QLabel* LabelDoubleGate = nullptr;
  QLineEdit* EditMosW = nullptr;
  QLineEdit* EditMosL = nullptr;
  QLineEdit* EditMosGates = nullptr;
  QLabel* LabelUnitW = nullptr;
  QLabel* LabelUnitL = nullptr;
  QRadioButton* RadioMicron = nullptr;
  QRadioButton* RadioLambda = nullptr;
  QCheckBox* CheckPolarization = nullptr;
  QGroupBox* GroupOptions = nullptr;
  std::array<QRadioButton*, 4> RadioOption{};  // option sets 0..3
  QPushButton* btnImax = nullptr;
  // Pads
  QRadioButton* RadioPadRing = nullptr;
  QRadioButton* RadioSinglePad = nullptr;
  QLineEdit* EditUserSize = nullptr;

 private:
  QWidget* buildContacts();
  QWidget* buildMos();
  QWidget* buildPads();
  void btnOKClick();
  void btnCancelClick();
  // the page's edits, read again when the generate button is pressed
  void readEdits(GeneratorPage page);
  void chooseKind(MosKind k);

  GeneratorSettings& s_;
  AppContext& ctx_;
  GeneratorHost& host_;
  MosModelLevel level_ = MosModelLevel::Level3;
  bool updating_ = false;  // the window is writing its controls, not the user
};

}  // namespace quill
