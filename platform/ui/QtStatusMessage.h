// The main window's three-panel status line. Writing a panel shows the text
// at once and lets pending events run (paints, and the Escape key that asks
// a long loop to stop), at most about every 15 ms so that a loop writing on
// every item is not slowed down by the event loop.
#pragma once
#include <QLabel>
#include <QStatusBar>
#include <array>

#include "platform/Clock.h"
#include "platform/StatusMessage.h"

namespace quill {

class QtStatusMessage : public StatusMessage {
 public:
  static constexpr int kPanelWidths[3] = {450, 140, 50};
  static constexpr int kPumpIntervalMs = 15;

  // bar must outlive this object; clock defaults to the system clock
  explicit QtStatusMessage(QStatusBar* bar, const Clock* clock = nullptr);

  QLabel* panel(int index) const;

 protected:
  void show(int panel, std::string_view text) override;
  void pumpEvents() override;

 private:
  SystemClock systemClock_;
  const Clock& clock_;
  std::array<QLabel*, 3> labels_{};
  bool pumped_ = false;
  std::int64_t lastPump_ = 0;
};

}  // namespace quill
