// The move window TFormMove ("Move"), not modal: four arrow buttons that
// move the marked elements by the step, once when pressed and every 350 ms
// while held, the step and Finish. It shows a MoveStepEditor
// (editor/MoveStep.h), which holds the logic and the repeat timer.
#pragma once
#include <QDialog>

#include "editor/MoveStep.h"

class QLineEdit;
class QPushButton;
class QToolButton;

namespace quill {

class TFormMove : public QDialog {
 public:
  explicit TFormMove(MoveStepEditor& editor, QWidget* parent = nullptr);

  void UpdateOptions();
  // the editor's showWindow and closeWindow
  void showTool();
  void closeTool();

  QToolButton* sbLeft = nullptr;
  QToolButton* sbUp = nullptr;
  QToolButton* sbDown = nullptr;
  QToolButton* sbRight = nullptr;
  QLineEdit* EditStep = nullptr;
  QPushButton* sbFinish = nullptr;

 protected:
  void closeEvent(QCloseEvent* e) override;
  void reject() override;

 private:
  MoveStepEditor& editor_;
};

}  // namespace quill
