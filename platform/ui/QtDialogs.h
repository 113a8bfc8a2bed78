// The Qt message, confirm and file dialogs behind the Dialogs interface.
// TFormMessage and TFormConfirm are the two small windows; QtDialogs shows
// them modally and turns their result into the interface's values.
#pragma once
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include "platform/Dialogs.h"

namespace quill {

// A caption, two lines and one button.
class TFormMessage : public QDialog {
  Q_OBJECT
 public:
  explicit TFormMessage(QWidget* parent = nullptr);
  // texts are CP1252
  void setup(const std::string& caption, const std::string& line1, const std::string& line2,
             const std::string& button);

  QLabel* LabelMessage;
  QLabel* LabelMessage2;
  QPushButton* btnOk;
};

// Two lines, the second blinking grey/black, and Yes / No / Cancel (0, 1, 2).
class TFormConfirm : public QDialog {
  Q_OBJECT
 public:
  static constexpr int kBlinkMs = 600;

  explicit TFormConfirm(QWidget* parent = nullptr);
  // texts are CP1252
  void setup(const std::string& line1, const std::string& line2, bool withCancel);
  // the button pressed; Cancel (or No without a Cancel button) when closed otherwise
  ConfirmResult answer() const { return answer_; }
  bool blinkGrey() const { return grey_; }

  QLabel* LabelConfirm;
  QLabel* LabelConfirm2;
  QPushButton* btnYes;
  QPushButton* btnNo;
  QPushButton* btnCancel;
  QTimer* TimerBlink;

 public slots:
  void TimerBlinkTimer();

 protected:
  void showEvent(QShowEvent* e) override;
  void hideEvent(QHideEvent* e) override;

 private:
  void finishWith(ConfirmResult r);
  void paintLine2();
  ConfirmResult answer_ = ConfirmResult::Cancel;
  bool grey_ = false;
};

class QtDialogs : public Dialogs {
 public:
  // parent: the window the dialogs are centred on (may be null)
  explicit QtDialogs(QWidget* parent = nullptr) : parent_(parent) {}
  void setParent(QWidget* parent) { parent_ = parent; }

  void message(const std::string& caption, const std::string& line1, const std::string& line2,
               const std::string& button = "Ok") override;
  ConfirmResult confirm(const std::string& line1, const std::string& line2, bool withCancel = true) override;
  std::optional<std::string> openFileName(const std::string& title, const std::string& filter) override;
  std::optional<std::string> saveFileName(const std::string& title, const std::string& filter,
                                          const std::string& suggested) override;

 private:
  QWidget* parent_;
};

}  // namespace quill
