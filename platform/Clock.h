// Wall clock and a millisecond clock.
#pragma once
#include <cstdint>
#include <string>

namespace quill {

class Clock {
 public:
  virtual ~Clock() = default;
  virtual std::int64_t milliseconds() const = 0;  // monotonic
  virtual std::string shortDate() const = 0;      // local short date, e.g. 09/12/2026
  virtual std::string longTime() const = 0;       // local time with seconds, e.g. 10:15:00
};

// The system clock with the C library's local formats.
class SystemClock : public Clock {
 public:
  std::int64_t milliseconds() const override;
  std::string shortDate() const override;
  std::string longTime() const override;
};

// A clock that only moves when told to.
class FakeClock : public Clock {
 public:
  std::int64_t milliseconds() const override { return now_; }
  std::string shortDate() const override { return date_; }
  std::string longTime() const override { return time_; }
  void advance(std::int64_t ms) { now_ += ms; }
  void set(std::string date, std::string time) { date_ = std::move(date); time_ = std::move(time); }

 private:
  std::int64_t now_ = 0;
  std::string date_ = "01/01/2026";
  std::string time_ = "00:00:00";
};

}  // namespace quill
