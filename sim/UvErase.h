// The ultraviolet erase of floating gates: the window counts 30 ticks of a
// 500 ms timer, then sets the charge of every second-poly box to 0; OK
// erases at once and closes.
#pragma once
#include <functional>
#include <string>

#include "core/LayoutDatabase.h"
#include "platform/Timer.h"

namespace quill {

class UvErase {
 public:
  static constexpr int kTicks = 30;
  static constexpr int kIntervalMs = 500;

  UvErase(LayoutDatabase& db, Timer& timer) : db_(db), timer_(timer) {}

  // the window opens: progress 0, the erase runs
  void start();
  // the OK button: erase now; the window closes
  void ok();

  // told after every tick and after the erase (the window refreshes)
  std::function<void()> onChange;

  int progress() const { return progress_; }
  const std::string& text() const { return text_; }
  bool erased() const { return erased_; }

 private:
  void tick();
  void erase();
  LayoutDatabase& db_;
  Timer& timer_;
  int progress_ = 0;
  bool erased_ = false;
  std::string text_ = "The floating gates are being erased. Please wait.";
};

}  // namespace quill
