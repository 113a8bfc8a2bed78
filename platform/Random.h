// Seedable pseudo-random numbers. The same seed gives the same sequence on
// every machine (Monte-Carlo runs and noise must be repeatable).
#pragma once
#include <cstdint>
#include <vector>

namespace quill {

class Random {
 public:
  virtual ~Random() = default;
  virtual void seed(std::uint64_t s) = 0;
  virtual double uniform() = 0;                 // in [0, 1)
  virtual std::uint32_t below(std::uint32_t n); // in [0, n), 0 when n is 0
};

// xoshiro256** seeded through splitmix64.
class DefaultRandom : public Random {
 public:
  explicit DefaultRandom(std::uint64_t s = 0x51u) { seed(s); }
  void seed(std::uint64_t s) override;
  double uniform() override;
  std::uint64_t next();

 private:
  std::uint64_t s_[4]{};
};

// Plays back a fixed list of values, cycling; for tests.
class FakeRandom : public Random {
 public:
  explicit FakeRandom(std::vector<double> values = {0.5}) : values_(std::move(values)) {}
  void seed(std::uint64_t) override { next_ = 0; }
  double uniform() override {
    if (values_.empty()) return 0.0;
    double v = values_[next_ % values_.size()];
    ++next_;
    return v;
  }

 private:
  std::vector<double> values_;
  std::size_t next_ = 0;
};

}  // namespace quill
