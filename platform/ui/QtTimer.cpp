#include "platform/ui/QtTimer.h"

namespace quill {

QtTimer::QtTimer() {
  QObject::connect(&timer_, &QTimer::timeout, [this] {
    if (tick_) tick_();
  });
}

void QtTimer::start(int intervalMs, std::function<void()> tick) {
  tick_ = std::move(tick);
  timer_.start(intervalMs);
}

}  // namespace quill
