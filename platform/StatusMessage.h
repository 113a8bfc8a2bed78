// The three-panel status line that every long operation writes to.
// Writing a panel lets pending window events run (in the editor) so long
// loops stay responsive; the stop request is how Escape or a Stop button
// reaches them.
#pragma once
#include <string>
#include <string_view>

namespace quill {

class StatusMessage {
 public:
  enum Panel { Main = 0, Info = 1, Technology = 2 };
  virtual ~StatusMessage() = default;

  // text is CP1252
  void write(int panel, std::string_view text);
  // a running count or similar: shown like write(), but quiet outputs
  // (the batch program's stderr) may leave it out
  void progress(int panel, std::string_view text);
  const std::string& text(int panel) const;

  bool stopRequested() const { return stop_; }
  void requestStop() { stop_ = true; }
  void clearStop() { stop_ = false; }

  // Lets pending events run without writing anything.
  void pump() { pumpEvents(); }

 protected:
  virtual void show(int panel, std::string_view text) = 0;
  // true while progress() is writing
  bool writingProgress() const { return progress_; }
  virtual void pumpEvents() {}

 private:
  std::string panels_[3];
  bool stop_ = false;
  bool progress_ = false;
};

// Keeps the texts and nothing else: for tests and quiet batch runs.
class SilentStatus : public StatusMessage {
 protected:
  void show(int, std::string_view) override {}
};

}  // namespace quill
