// The debug window: keeps the caption and lines like DebugLog and shows them
// in a small top-level text window.
#pragma once
#include <QPlainTextEdit>
#include <memory>

#include "platform/DebugLog.h"

namespace quill {

class QtDebugWindow : public DebugLog {
 public:
  QtDebugWindow();
  ~QtDebugWindow() override;

  void showWithCaption(const std::string& caption) override;
  void addLine(const std::string& line) override;

  // the text window (created on first use)
  QPlainTextEdit* window();

 private:
  std::unique_ptr<QPlainTextEdit> window_;
};

}  // namespace quill
