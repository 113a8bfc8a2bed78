// Timer on a QTimer.
#pragma once
#include <QTimer>

#include "platform/Timer.h"

namespace quill {

class QtTimer : public Timer {
 public:
  QtTimer();
  void start(int intervalMs, std::function<void()> tick) override;
  void stop() override { timer_.stop(); }
  bool active() const override { return timer_.isActive(); }

 private:
  QTimer timer_;
  std::function<void()> tick_;
};

}  // namespace quill
