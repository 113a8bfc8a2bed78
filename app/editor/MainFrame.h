// The editor's main window, for now: title, a text summary of the layout in
// place of the drawing area, and the three-panel status bar.
#pragma once
#include <QLabel>
#include <QMainWindow>
#include <memory>

#include "core/AppContext.h"
#include "platform/ui/QtStatusMessage.h"

namespace quill {

class Tmdiframe : public QMainWindow {
  Q_OBJECT
 public:
  explicit Tmdiframe(QWidget* parent = nullptr);

  QtStatusMessage& status() { return *status_; }
  // the records the window shows; set once the context exists
  void bind(AppContext& ctx) { ctx_ = &ctx; }
  // title is CP1252
  void setTitle(const std::string& title);
  // box and label counts and the bounding box of the layout
  void refreshSummary();

  QLabel* LabelSummary;

 private:
  std::unique_ptr<QtStatusMessage> status_;
  AppContext* ctx_ = nullptr;
};

}  // namespace quill
