// Repeating user-interface timers (auto-repeat buttons, process steps,
// erase windows). The editor uses QtTimer; tests use FakeTimer and fire it.
#pragma once
#include <functional>

namespace quill {

class Timer {
 public:
  virtual ~Timer() = default;
  // calls tick every intervalMs until stop()
  virtual void start(int intervalMs, std::function<void()> tick) = 0;
  virtual void stop() = 0;
  virtual bool active() const = 0;
};

class FakeTimer : public Timer {
 public:
  void start(int intervalMs, std::function<void()> tick) override {
    interval = intervalMs;
    tick_ = std::move(tick);
    active_ = true;
  }
  void stop() override { active_ = false; }
  bool active() const override { return active_; }
  // runs the given number of ticks while the timer is active
  void fire(int times = 1) {
    for (int i = 0; i < times && active_; ++i)
      if (tick_) tick_();
  }
  int interval = 0;

 private:
  std::function<void()> tick_;
  bool active_ = false;
};

}  // namespace quill
